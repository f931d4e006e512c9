#include "editor/WizardLines.h"

#include "desktop/StringRoutines.h"
#include "net/ftp/listing/ServerTypes.h"
#include "platform/ByteText.h"

#include <charconv>
#include <cmath>

namespace wizard {

const char* const AutoDetect = "<Auto Detect>";

std::string Unquoted(const std::string& text) { return StripQuotes(text); }

std::string NamePart(const std::string& text)
{
    const std::string name = Unquoted(text);
    const std::size_t slash = name.rfind('/');
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

long long WholeSeconds(const std::string& text)
{
    const std::string value = bytetext::trim(text);
    double seconds = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
    if (error != std::errc() || end != value.data() + value.size() || !std::isfinite(seconds)) return 0;
    if (std::fabs(seconds) >= 9.2e18) return 0;
    return static_cast<long long>(std::trunc(seconds));
}

namespace {

using Fields = std::vector<std::string>;

std::string quoted(const std::string& text) { return "\"" + Unquoted(text) + "\""; }

// "Word "a" "b"": the shape most transfer commands share.
template <const char* Word>
std::string twoNames(const Fields& f) { return std::string(Word) + " " + quoted(f[0]) + " " + quoted(f[1]); }
template <const char* Word>
std::string oneName(const Fields& f) { return std::string(Word) + " " + quoted(f[0]); }
template <const char* Word>
std::string fixed(const Fields&) { return Word; }

#define WORD(id, text) constexpr char id[] = text;
WORD(kRemoteCd, "Remote-CD") WORD(kLocalCd, "Local-CD") WORD(kAscii, "ASCII") WORD(kBinary, "BINARY")
WORD(kLowerOn, "FORCELOWERON") WORD(kUpperOn, "FORCEUPPERON") WORD(kLowerOff, "FORCELOWEROFF")
WORD(kUpperOff, "FORCEUPPEROFF") WORD(kRemoteDelete, "Remote-Delete") WORD(kLocalDelete, "Local-Delete")
WORD(kRemoteRename, "Remote-Rename") WORD(kLocalRename, "Local-Rename") WORD(kRemoteExec, "Remote-Exec")
WORD(kLocalExec, "Local-Exec") WORD(kLocalExecWait, "Local-ExecAndWait") WORD(kSendNewer, "SendIfNewer")
WORD(kSendOlder, "SendIfOlder") WORD(kGetNewer, "GetIfNewer") WORD(kGetOlder, "GetIfOlder")
WORD(kSendTree, "SendTree") WORD(kGetTree, "GetTree") WORD(kWaitForFile, "WaitForFile")
WORD(kLocalMd, "Local-MD") WORD(kRemoteMd, "Remote-MD") WORD(kLocalCopy, "Local-Copy")
WORD(kResumeSend, "Resume-Send") WORD(kResumeGet, "Resume-Get") WORD(kAppendSend, "Append-Send")
WORD(kAppendGet, "Append-Get")
// A Send-To script hands its file names to SEND; "ALLPARAMS" alone would do nothing.
WORD(kAllParams, "ALLPARAMS SEND \"%%ALLPAR%%\" \"%%NAMEPAR%%\"")
#undef WORD

std::string sendLine(const Fields& f)
{
    const std::string target = Unquoted(f[1]).empty() ? NamePart(f[0]) : Unquoted(f[1]);
    return "send " + quoted(f[0]) + " \"" + target + "\"";
}

std::string getLine(const Fields& f)
{
    const std::string target = Unquoted(f[1]).empty() ? NamePart(f[0]) : Unquoted(f[1]);
    return "get " + quoted(f[0]) + " \"" + target + "\"";
}

std::string waitLine(const Fields& f) { return "WaitSeconds \"" + std::to_string(WholeSeconds(f[0])) + "\""; }
std::string labelLine(const Fields& f) { return ":" + Unquoted(f[0]); }
std::string gotoLine(const Fields& f) { return " Goto " + quoted(f[0]); }
std::string serverTypeLine(const Fields& f) { return " ServerType=" + quoted(f[0]); }

CommandField edit(const char* name, const char* caption = "", const char* text = "")
{
    return {name, caption, FieldKind::Edit, text};
}
CommandField file(const char* name, const char* caption = "") { return {name, caption, FieldKind::File, ""}; }

}  // namespace

const std::vector<std::string>& ServerTypeNames()
{
    static const std::vector<std::string> names(ftplisting::ServerTypeNames().begin(),
                                                ftplisting::ServerTypeNames().end());
    return names;
}

const std::array<CommandItem, CommandCount>& CommandItems()
{
    using G = Guard;
    static const std::array<CommandItem, CommandCount> items{{
        {"Change remote working directory", {edit("Edit9")}, G::First, true, oneName<kRemoteCd>},
        {"Change local working directory", {{"DirectoryEdit1", "", FieldKind::Directory, ""}}, G::First, true,
         oneName<kLocalCd>},
        {"Change to ASCII transfer", {}, G::None, false, fixed<kAscii>},
        {"Change to BINARY transfer", {}, G::None, false, fixed<kBinary>},
        {"Force LOWERcase letters in filenames", {}, G::None, false, fixed<kLowerOn>},
        {"Force UPPERcase letters in filenames", {}, G::None, false, fixed<kUpperOn>},
        {"Stop forcing LOWERcase letters in filenames", {}, G::None, false, fixed<kLowerOff>},
        {"Stop forcing UPPERcase letters in filenames", {}, G::None, false, fixed<kUpperOff>},
        {"Send a file to remote host", {file("FilenameEdit1", "File to send to remote:"), edit("Edit11", "Destination name:")},
         G::First, true, sendLine},
        {"Get a file from the remote host",
         {edit("Edit12", "Filename to get from host::"), file("FilenameEdit2", "Local destination filename:")}, G::First,
         true, getLine},
        {"Delete a remote file", {edit("Edit13")}, G::First, true, oneName<kRemoteDelete>},
        {"Delete a local file", {file("FilenameEdit3")}, G::First, true, oneName<kLocalDelete>},
        {"Rename a remote file", {edit("Edit14"), edit("Edit15", "Rename to:")}, G::Both, true, twoNames<kRemoteRename>},
        {"Rename a local file", {file("FilenameEdit4"), edit("Edit16", "Rename to:")}, G::Both, true,
         twoNames<kLocalRename>},
        {"Execute a remote file", {edit("Edit17")}, G::First, true, oneName<kRemoteExec>},
        {"Execute a local file", {file("FilenameEdit5")}, G::First, true, oneName<kLocalExec>},
        {"Execute a local file and wait for it to finish", {file("FilenameEdit6")}, G::First, true,
         oneName<kLocalExecWait>},
        {"Send NEWER files", {edit("Edit18"), edit("Edit19")}, G::First, false, twoNames<kSendNewer>},
        {"Send OLDER files", {edit("Edit20"), edit("Edit21")}, G::First, false, twoNames<kSendOlder>},
        {"Retrieve NEWER files", {edit("Edit22"), edit("Edit23")}, G::First, false, twoNames<kGetNewer>},
        {"Retrieve OLDER files", {edit("Edit24"), edit("Edit25")}, G::First, false, twoNames<kGetOlder>},
        {"Send files and all subdirectories", {edit("Edit26"), edit("Edit27")}, G::First, false, twoNames<kSendTree>},
        {"Retrieve files and all subdirectories", {edit("Edit28"), edit("Edit29")}, G::First, false,
         twoNames<kGetTree>},
        {"Wait while a local file does not exists", {edit("Edit30")}, G::First, false, oneName<kWaitForFile>},
        {"Wait for a specified number of seconds", {{"IcSpinEdit1", "", FieldKind::Seconds, "10"}}, G::Seconds, false,
         waitLine},
        {"Create a new Local folder", {edit("Edit31")}, G::First, false, oneName<kLocalMd>},
        {"Create a new remote folder", {edit("Edit32")}, G::First, false, oneName<kRemoteMd>},
        {"Copy file(s) locally", {edit("Edit33"), edit("Edit34")}, G::First, false, twoNames<kLocalCopy>},
        {"Add a \"Jump-To-Label\"", {edit("Edit35", "", "Jump1")}, G::First, false, labelLine},
        {"Jump unconditionally to a specified \"Jump-to-label\"", {edit("Edit36", "", "Jump1")}, G::First, false,
         gotoLine},
        {"Set type of server (Unix,NT,VMS,etc...)", {{"ComboBox3", "", FieldKind::ServerType, AutoDetect}}, G::First,
         false, serverTypeLine},
        {"A Send-To menu-item command", {}, G::None, false, fixed<kAllParams>},
        {"Resume sending a file", {edit("Edit37"), edit("Edit38")}, G::First, false, twoNames<kResumeSend>},
        {"Resume downloading a file", {edit("Edit39"), edit("Edit40")}, G::First, false, twoNames<kResumeGet>},
        {"Append sending file", {edit("Edit41"), edit("Edit42")}, G::First, false, twoNames<kAppendSend>},
        {"Append downloading a file", {edit("Edit43"), edit("Edit44")}, G::First, false, twoNames<kAppendGet>},
    }};
    return items;
}

std::vector<std::string> SubmitLines(int index, const std::vector<std::string>& fields)
{
    if (index < 0 || index >= CommandCount) return {};
    const CommandItem& item = CommandItems()[static_cast<std::size_t>(index)];
    Fields f = fields;
    f.resize(item.fields.size());
    const auto filled = [&](std::size_t i) { return !Unquoted(f[i]).empty(); };
    switch (item.guard) {
    case Guard::None: break;
    case Guard::First: if (!filled(0)) return {}; break;
    case Guard::Both: if (!filled(0) || !filled(1)) return {}; break;
    case Guard::Seconds: if (WholeSeconds(f[0]) == 0) return {}; break;
    }
    return {std::string("; ") + item.caption, item.line(f)};
}

std::vector<std::string> FinishLines(const ScriptSettings& s)
{
    const std::string S = "; ------";
    std::vector<std::string> out;
    const auto add = [&out](std::initializer_list<std::string> lines) { out.insert(out.end(), lines); };
    for (const std::string& line : s.description) out.push_back("; " + line);
    out.push_back(S);
    // Without a chosen entry the dial lines could only fail the run ("Dial failed").
    const bool dial = !s.noDialUp && !s.dialEntry.empty();
    if (dial)
        add({"; Dial up to ISP:", "DialEntry=\"" + s.dialEntry + "\"", "DialLoginUser=\"" + s.dialUser + "\"",
             "DialLoginPassword=\"" + s.dialPassword + "\"", S});
    add({"Host=\"" + s.host + "\"", "Port=\"" + s.port + "\"", "User=\"" + s.user + "\"",
         "Password=\"" + s.password + "\"", "Timeout=" + s.timeout, S});
    if (s.useProxy) add({"Proxy=\"" + s.proxy + "\"", "ProxyPort=\"" + s.proxyPort + "\"", S});
    if (dial) add({"; ******* ...Dial up if not already connected to the Internet...", "Dial", S});
    add({"; *******  Connect to FTP host...", "connect", S, "; *******  Command sequence..."});
    out.insert(out.end(), s.commands.begin(), s.commands.end());
    add({S, "; *******  Afterwards, disconnect from host!", "disconnect", ""});
    if (dial) add({"; *******  At last, Hangup Internet connection!", "Hangup", S});
    add({S, "; Script ends!"});
    return out;
}

}  // namespace wizard

#include "runner/CommandTable.h"

#include "platform/ByteText.h"

#include <iterator>

namespace {

// clang-format off
const CommandEntry kCommands[] = {
    {"HOST=", Cmd::Host, 0, {}},
    {"USER=", Cmd::User, 0, {}},
    {"PASSWORD=", Cmd::Password, 0, " Password <hidden>"},
    {"TIMEOUT=", Cmd::Timeout, 0, {}},
    {"TRANSTIMEOUT=", Cmd::TransTimeout, 0, {}},
    {"NODIALOGS", Cmd::NoDialogs, 0, {}},
    {"SHOWDIALOGS", Cmd::ShowDialogs, 0, {}},
    {"PROXY=", Cmd::Proxy, 0, {}},
    {"PROXYPASSWORD=", Cmd::ProxyPassword, 0, " ProxyPassword <hidden>"},
    {"PROXYUSER=", Cmd::ProxyUser, 0, {}},
    {"PROXYPORT=", Cmd::ProxyPort, 0, {}},
    {"PORT=", Cmd::Port, 0, {}},
    {"SERVERTYPE=", Cmd::ServerType, 0, {}},
    {"SILENT", Cmd::Silent, 0, {}},
    {"HIDEAPP", Cmd::HideApp, 0, {}},
    {"RESTORE", Cmd::Restore, 0, {}},
    {"SHOWAPP", Cmd::ShowApp, 0, {}},
    {"CONNECT", Cmd::Connect, 0, {}},
    {"DISCONNECT", Cmd::Disconnect, 0, {}},
    {"SENDEMAIL", Cmd::SendEmail, 0, {}},
    {"ADDATTACHMENT", Cmd::AddAttachment, 0, {}},
    {"ADDRECIPIENT", Cmd::AddRecipient, 0, {}},
    {"ADDCCRECIPIENT", Cmd::AddCcRecipient, 0, {}},
    {"GET ", Cmd::Get, 0, {}},
    {"GETIFNEWER ", Cmd::GetIfNewer, 0, {}},
    {"GETIFNEW ", Cmd::GetIfNew, 0, {}},
    {"GETIFOLDER ", Cmd::GetIfOlder, 0, {}},
    {"SEND ", Cmd::Send, 0, {}},
    {"SENDIFNEWER ", Cmd::SendIfNewer, 0, {}},
    {"SENDIFOLDER ", Cmd::SendIfOlder, 0, {}},
    {"SENDTREE ", Cmd::SendTree, 0, {}},
    {"GETTREE ", Cmd::GetTree, 0, {}},
    {"INCREMENTAL-GET ", Cmd::IncrementalGet, 0, {}},
    {"INCREMENTAL-SEND ", Cmd::IncrementalSend, 0, {}},
    {"RESUME-GET ", Cmd::ResumeGet, 0, {}},
    {"RESUME-SEND ", Cmd::ResumeSend, 0, {}},
    {"APPEND-GET ", Cmd::AppendGet, 0, {}},
    {"APPEND-SEND ", Cmd::AppendSend, 0, {}},
    {"REMOTE-CD", Cmd::RemoteCd, 0, {}},
    {"REMOTE-MD", Cmd::RemoteMd, 1, {}},
    {"REMOTE-DELETE", Cmd::RemoteDelete, 0, {}},
    {"REMOTE-RENAME", Cmd::RemoteRename, 0, {}},
    {"REMOTE-EXEC ", Cmd::RemoteExec, 0, {}},
    {"HOSTTZDIFF ", Cmd::HostTzDiff, 0, {}},
    {"IF ", Cmd::If, 0, {}, false},
    {"WAITFORFILE ", Cmd::WaitForFile, 0, {}},
    {"WAITSECONDS ", Cmd::WaitSeconds, 0, {}},
    {"GOTO ", Cmd::Goto, 0, {}, false},
    {"LOCAL-COPY ", Cmd::LocalCopy, 0, {}},
    {"LOCAL-MD ", Cmd::LocalMd, 0, {}},
    {"LOCAL-CD", Cmd::LocalCd, 1, {}},
    {"LOCAL-DELETE", Cmd::LocalDelete, 1, {}},
    {"LOCAL-RENAME", Cmd::LocalRename, 1, {}},
    {"LOCAL-EXEC ", Cmd::LocalExec, 0, {}},
    {"LOCAL-EXECANDWAIT ", Cmd::LocalExecAndWait, 0, {}},
    {"DIALENTRY=", Cmd::DialEntry, 0, {}},
    {"DIALLOGINUSER=", Cmd::DialLoginUser, 0, {}},
    {"DIALLOGINPASSWORD=", Cmd::DialLoginPassword, 0, " DialLoginPassword <hidden>"},
    {"DIAL", Cmd::Dial, 0, {}},
    {"HANGUP", Cmd::Hangup, 0, {}},
    {"CHMOD ", Cmd::Chmod, 0, {}},
    {"ASCII", Cmd::Ascii, 0, {}},
    {"BINARY", Cmd::Binary, 0, {}},
    {"REMOTE-EXISTS(", Cmd::RemoteExists, 0, {}},
    {"LOCAL-EXISTS(", Cmd::LocalExists, 0, {}},
    {"DOCOMMAND", Cmd::DoCommand, 0, {}},
    {"CHARVARIABLE", Cmd::CharVariable, 0, {}},
    {"NUMVARIABLE", Cmd::NumVariable, 0, {}},
    {"REALVARIABLE", Cmd::RealVariable, 0, {}},
    {"LET ", Cmd::Let, 0, {}},
    {"MESSAGE ", Cmd::Message, 0, {}},
    {"INPUT ", Cmd::Input, 0, {}},
    {"GENERATELOCALNAME ", Cmd::GenerateLocalName, 0, {}},
    {"GENERATEREMOTENAME ", Cmd::GenerateRemoteName, 0, {}},
    {"FORCELOWERON", Cmd::ForceLowerOn, 0, {}},
    {"FORCELOWEROFF", Cmd::ForceLowerOff, 0, {}},
    {"FORCEUPPERON", Cmd::ForceUpperOn, 0, {}},
    {"FORCEUPPEROFF", Cmd::ForceUpperOff, 0, {}},
};
// clang-format on

}  // namespace

const CommandEntry* FindCommand(std::string_view line)
{
    for (const auto& e : kCommands)
        if (bytetext::startsWithNoCase(line, e.prefix)) return &e;
    return nullptr;
}

std::string_view CommandArgument(std::string_view line, const CommandEntry& entry)
{
    const std::size_t at = entry.prefix.size() + static_cast<std::size_t>(entry.argumentOffset);
    return at >= line.size() ? std::string_view() : line.substr(at);
}

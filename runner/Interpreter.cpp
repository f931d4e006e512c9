// The line loop, the dispatch of commands and the commands that only change settings.

#include "net/ftp/listing/ServerTypes.h"
#include "platform/AppPaths.h"
#include "platform/ByteText.h"
#include "platform/DateTime.h"
#include "platform/Prompt.h"
#include "platform/Wait.h"
#include "runner/DateRoutines.h"
#include "runner/ScriptVantrel.h"
#include "script/Arguments.h"

#include <climits>

namespace {

// The bytes trim removes.
const std::string kBlanks = [] {
    std::string b;
    for (int c = 0; c <= 0x20; ++c) b += static_cast<char>(c);
    return b;
}();

// Seconds from a script setting to milliseconds: the fallback for a non-number, 0 (no time-out)
// for 0 or less, and clamped so that large values do not wrap.
int secondsToMs(std::string_view argument, int fallbackMs)
{
    std::int64_t secs = 0;
    if (!bytetext::parseInt64(UnquoteArgument(argument), secs)) return fallbackMs;
    if (secs <= 0) return 0;
    if (secs > INT_MAX / 1000) return INT_MAX;
    return static_cast<int>(secs * 1000);
}

int portOr21(std::string_view argument)
{
    int port = 0;
    return bytetext::parseInt(UnquoteArgument(argument), port) ? port : 21;
}

}  // namespace

SubstitutionContext TScriptVantrel::Substitution()
{
    SubstitutionContext ctx;
    ctx.variables = &VariableList;
    ctx.log = [this](const std::string& l) { LogLine(l); };
    ctx.numericValue = [this](std::string_view name, double& value) {
        if (!IsNumericVariable(std::string(name))) return false;
        value = Numbers.GetVariable(bytetext::toUpper(bytetext::trim(name)));
        return true;
    };
    ctx.cancelled = [this] { return KeepEventsFlowing(); };
    return ctx;
}

bool TScriptVantrel::KeepEventsFlowing()
{
    // Long work in one line (a line of megabytes, a listing of many thousand entries) lets
    // Cancel, SIGTERM and the timers in a few times a second.
    if (!eventsPumped_.isValid() || eventsPumped_.hasExpired(kPumpIntervalMs)) {
        eventsPumped_.start();
        waiting::pumpMessages();
    }
    return CancelFlag || waiting::quitRequested();
}

void TScriptVantrel::ResetRunState()
{
    FTP.Timeout = 60000;
    // TRANSTIMEOUT governs transfers (and logs when it ends one): the client adds no limit.
    FTP.TransferTimeout = 0;
    TransferTimeoutMs = 120000;
    TransferMode = 2;
    FTP.ServerStyle = ftplisting::kStyleDetect;
    WildcardChar = '*';
    HostTzDiffHours = 0;
    ForceLower = ForceUpper = false;
    ClearMailCollection();
    SetPredefinedVariables();
}

void TScriptVantrel::SetPredefinedVariables()
{
    const std::string prog = apppaths::programFolder();
    const CivilTime today = datetime::now();
    SetVariable("NewLine", "\r");
    SetVariable("ScriptDir", apppaths::includeTrailingSlash(prog) + "Scripts");
    SetVariable("PellisarDir", apppaths::excludeTrailingSlash(prog));
    SetVariable("ParamCount", std::to_string(parameters_.empty() ? 0 : parameters_.size() - 1));
    SetVariable("Today", datetime::shortDate(today));
    SetVariable("CurrentLocalDir", apppaths::currentDirectory());
    // Parameters are values (file names from a file manager, a password): never script text.
    for (std::size_t i = 0; i < parameters_.size(); ++i) {
        SetVerbatimVariable("Param" + std::to_string(i), ParameterValue(parameters_[i]));
        if (i > 0)
            SetVerbatimVariable(NameParameterVariable(i), apppaths::extractFileName(ParameterValue(parameters_[i])));
    }
    SetVariable("WeekNumber", std::to_string(WeekNumberOf(today.year, today.month, today.day)));
}

void TScriptVantrel::ExecuteScript(std::vector<std::string> lines)
{
    ResetRunState();
    const SubstitutionContext ctx = Substitution();
    // One line rewritten and performed; a Cancel noticed while rewriting performs nothing.
    const auto perform = [&](std::string_view raw, std::size_t& next) {
        std::string line = RewriteLine(raw, ctx, &lineHoldsVerbatim_);
        if (CancelFlag) return;
        SuccessFlag.Watch();
        Perform(line, next, lines);
        if (SuccessFlag.Cleared()) ++failedCommands_;
    };
    std::size_t next = 0;
    for (;;) {
        waiting::pumpMessages();
        eventsPumped_.start();
        if (CancelFlag || next == std::string::npos || next >= lines.size()) return;
        const std::size_t current = next++;
        const std::string_view raw = lines[current];
        const std::size_t text = std::min(raw.find_first_not_of(kBlanks), raw.size());
        if (!bytetext::startsWithNoCase(raw.substr(text), "ALLPARAMS ")) {
            perform(lines[current], next);
            continue;
        }
        for (const std::string& raw : ExpandAllParams(lines[current], parameters_)) {
            perform(raw, next);
            if (next == std::string::npos || CancelFlag) break;
        }
    }
}

void TScriptVantrel::Perform(const std::string& line, std::size_t& next, std::vector<std::string>& lines)
{
    if (line.empty() || line[0] == ';' || line[0] == ':') return;
    const CommandEntry* entry = FindCommand(line);
    if (!entry) return;
    if (entry->echoed) LogLine(entry->hiddenEcho.empty() ? " " + line : std::string(entry->hiddenEcho));
    const std::string_view argument = CommandArgument(line, *entry);
    try {
        if (!PerformFlow(*entry, argument, next, lines) && !PerformLocal(*entry, argument) &&
            !PerformFtp(*entry, argument) && !PerformTree(*entry, argument) && !PerformMail(*entry, argument) &&
            !PerformDial(*entry, argument))
            PerformSetting(*entry, line, argument);
    } catch (const ECommandTextRefused& refused) {
        // Nothing was sent and the session is intact: only this command failed.
        LogLine("   ---> " + std::string(refused.what()));
        SuccessFlag = false;
    }
}

void TScriptVantrel::NotBuilt(const CommandEntry& entry)
{
    throw Exception("The command " + bytetext::trim(entry.prefix) + " is not supported by this build of the runner");
}

void TScriptVantrel::PerformSetting(const CommandEntry& entry, const std::string& line, std::string_view arg)
{
    switch (entry.cmd) {
    case Cmd::Host: FTP.Host = UnquoteArgument(arg); break;
    case Cmd::User: FTP.UserID = UnquoteArgument(arg); break;
    case Cmd::Password: FTP.Password = UnquoteArgument(arg); break;
    case Cmd::Timeout: FTP.Timeout = secondsToMs(arg, 60000); break;
    case Cmd::TransTimeout: TransferTimeoutMs = secondsToMs(arg, 60000); break;
    case Cmd::NoDialogs:
        waiting::pumpMessages();
        DialogsFlag = false;
        LogLine("   ---> No error dialogs will be shown");
        break;
    case Cmd::ShowDialogs:
        waiting::pumpMessages();
        DialogsFlag = true;
        LogLine("   ---> Error dialogs will be shown");
        break;
    case Cmd::Proxy: FTP.Proxy = UnquoteArgument(arg); break;
    case Cmd::ProxyPassword:
    case Cmd::ProxyUser:
    case Cmd::CharVariable:
    case Cmd::RealVariable: break;
    case Cmd::ProxyPort: FTP.ProxyPort = portOr21(arg); break;
    case Cmd::Port: FTP.Port = portOr21(arg); break;
    case Cmd::ServerType: {
        const int code = ftplisting::ServerTypeFromName(SplitArguments(arg).first);
        FTP.ServerStyle = code;
        WildcardChar = code == ftplisting::kStyleHp3000 ? '@' : '*';
        break;
    }
    case Cmd::Silent:
        emit minimizeRequested();
        waiting::pumpMessages();
        LogLine("   ---> SILENT: Minimized application to taskbar");
        break;
    case Cmd::HideApp:
        emit minimizeRequested();
        HideApp.SetHideForm(true);
        waiting::pumpMessages();
        LogLine("   ---> HIDEAPP: Hiding application from taskbar");
        break;
    case Cmd::Restore:
        emit restoreRequested();
        waiting::pumpMessages();
        LogLine("   ---> RESTORE: Restored application From taskbar");
        break;
    case Cmd::ShowApp:
        HideApp.SetHideForm(false);
        emit restoreRequested();
        waiting::pumpMessages();
        waiting::pumpMessages();
        LogLine("   ---> SHOWAPP: Re-Showing application on taskbar");
        break;
    case Cmd::Chmod: {
        const auto [first, second] = SplitArguments(arg);
        try {
            FTP.DoCommand("SITE CHMOD " + first + " " + second);
            SuccessFlag = true;
        } catch (const std::exception&) {
            SuccessFlag = false;
        }
        break;
    }
    case Cmd::Ascii:
    case Cmd::Binary: {
        const bool ascii = entry.cmd == Cmd::Ascii;
        TransferMode = ascii ? 1 : 2;
        LogLine(ascii ? "   ---> ASCII transfer on!" : "   ---> BINARY transfer on!");
        // Before CONNECT there is no server to tell: CONNECT sends it.
        if (FTP.GetConnected()) FTP.SetMode(TransferMode);
        else FTP.Mode = TransferMode;
        waiting::pumpMessages();
        break;
    }
    case Cmd::DoCommand: FTP.DoCommand(SplitArguments(arg).first); break;
    case Cmd::Message: prompt::current().message(UnquoteArgument(arg), "Information", MessageKind::Information); break;
    case Cmd::Input: {
        const auto [name, label] = SplitArguments(arg);
        std::string value;
        if (!prompt::current().input("Please provide...", label, value)) value.clear();
        SetVariable(name, value);
        break;
    }
    case Cmd::ForceLowerOn: ForceLower = true; ForceUpper = false; break;
    case Cmd::ForceLowerOff: ForceLower = false; break;
    case Cmd::ForceUpperOn: ForceUpper = true; ForceLower = false; break;
    case Cmd::ForceUpperOff: ForceUpper = false; break;
    default: NotBuilt(entry);
    }
    (void)line;
}

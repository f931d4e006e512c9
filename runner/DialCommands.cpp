// The dial-up commands: the entry and its login, DIAL through the dial program that ships beside
// the runner, and HANGUP of what this run dialled.

#include "platform/AppPaths.h"
#include "platform/Guard.h"
#include "platform/Process.h"
#include "platform/Wait.h"
#include "runner/ScriptVantrel.h"
#include "script/Arguments.h"

#include <QTimer>

namespace {

// Nothing signals the dial program's end: a timer wakes the wait to look again.
constexpr int kDialPollMs = 50;
// The dial program cancels its dial on SIGTERM; one that does not end by then is killed.
constexpr int kDialStopGraceMs = 2000;

}  // namespace

void TScriptVantrel::BindDialEvents()
{
    DialUp.ForceService = false;
    DialUp.OnStatusChange = [this](TRasDialer* s, const std::string& status) { DialUpStatusChange(s, status); };
}

void TScriptVantrel::DialUpStatusChange(TRasDialer*, const std::string& RASStatusStr)
{
    LogLine("   ---> Dial: " + RASStatusStr);
}

void TScriptVantrel::DialWithHelper(const std::string& entry, const std::string& user, const std::string& password)
{
    if (DialUp.CheckConnection()) return;
    process::StartRequest request;
    request.argv = {apppaths::includeTrailingSlash(apppaths::programFolder()) + "Dialer", entry, user, "/nodlg"};
    // Never on the command line, which other users can read; set even when empty, so that one
    // inherited from our own environment is not dialled with.
    request.env = {{TRasDialer::PasswordVariable, password}};
    DialFinished = false;
    const process::Started started = process::Start(request);
    if (started.ok()) {
        QTimer tick;
        tick.start(kDialPollMs);
        int exitCode = 0;
        const waiting::WaitResult r = waiting::waitUntil(
            [&] { return DialFinished = process::TryWait(started.pid, exitCode); }, -1, [this] { return CancelFlag; });
        // Left running, the dial program would go on dialling behind the run's back.
        if (r != waiting::WaitResult::Condition) process::Terminate(started.pid, false, kDialStopGraceMs);
    }
    if (!DialUp.CheckConnection()) throw Exception("Dial failed: " + entry + " / " + user);
    DialUp.SetOwnsConnection(true);
    dialledEntry_ = DialUp.ConnectionEntry();
}

void TScriptVantrel::HangUpOwnDial()
{
    if (!DialUp.OwnsConnection()) return;
    guard::absorb([&] { DialUp.HangUp(); });
    dialledEntry_.clear();
}

bool TScriptVantrel::PerformDial(const CommandEntry& entry, std::string_view arg)
{
    const std::string first = SplitArguments(arg).first;
    switch (entry.cmd) {
    case Cmd::DialEntry: DialUp.SetService(first); return true;
    case Cmd::DialLoginUser: DialUp.UserName = first; return true;
    case Cmd::DialLoginPassword: DialUp.Password = first; return true;
    case Cmd::Dial:
        if (DialUp.CheckConnection()) {
            // A link someone else brought up is not ours to hang up.
            DialUp.SetOwnsConnection(!dialledEntry_.empty() && DialUp.ConnectionEntry() == dialledEntry_);
        } else {
            DialWithHelper(DialUp.Service(), DialUp.UserName, DialUp.Password);
        }
        SuccessFlag = DialUp.CheckConnection();
        if (!SuccessFlag) LogLine("   ---> Dialup: Failed");
        return true;
    case Cmd::Hangup: HangUpOwnDial(); return true;
    default: return false;
    }
}

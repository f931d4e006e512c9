#include "runner/ScriptVantrel.h"

#include "platform/AppPaths.h"
#include "platform/ByteText.h"
#include "platform/DateTime.h"
#include "platform/Guard.h"
#include "platform/Prompt.h"
#include "platform/Wait.h"
#include "script/ScriptFile.h"
#include "script/ScriptLoader.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <fstream>
#include <thread>

void TAppException::Handle(const std::exception_ptr& e) const
{
    const std::string message = exceptionMessage(e);
    if (!bytetext::trim(ErrorLog).empty()) {
        std::ofstream out(ErrorLog, std::ios::binary | std::ios::app);
        if (!UserName.empty()) out << "User: " << UserName << "\r\n";
        out << datetime::dateTimeText(datetime::now()) << "\r\n" << message << "\r\n\r\n";
    }
    if (ShowExcep) prompt::current().message(message, "Error", MessageKind::Error);
}

void TNoTask::SetHideForm(bool hide)
{
    hideForm_ = hide;
    if (Apply) Apply(hide);
}

TScriptVantrel::TScriptVantrel(std::vector<std::string> parameters, QObject* parent)
    : QObject(parent), parameters_(std::move(parameters)), launchFolder_(apppaths::currentDirectory())
{
    SleepWithoutPumping = [](int ms) {
        std::fflush(stdout);
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    };
    WaitPause = [this](int ms) {
        std::fflush(stdout);
        (void)waiting::pauseFor(ms, [this] { return CancelFlag; });
    };
    TerminateProgram = [](int code) {
        std::fflush(nullptr);
        std::_Exit(code);
    };
    AppException1.ShowExcep = false;
    Process1.OnFinished = [this](TProcess& sender, int exitCode) { Process1Finished(sender, exitCode); };
    Numbers.OnParserError = [this](TCustomParser&, const Exception& e) {
        LogLine("   ---> Math parsing error: \"" + e.message() + "\"");
    };

    const struct {
        QTimer* timer;
        int interval;
        void (TScriptVantrel::*handler)();
    } timers[] = {
        {&Starta, 100, &TScriptVantrel::StartaTimer},
        {&Halta, 1000, &TScriptVantrel::HaltaTimer},
        {&Holdup, 30000, &TScriptVantrel::HoldupTimer},
        {&TTimeOut, 120000, &TScriptVantrel::TTimeOutTimer},
    };
    for (const auto& t : timers) {
        t.timer->setInterval(t.interval);
        const auto handler = t.handler;
        // A timer passes what its handler raises to the application's exception handler.
        connect(t.timer, &QTimer::timeout, this, [this, handler] { guard::toApplication([&] { (this->*handler)(); }); });
    }
    BindFtpEvents();
    FTP.OnLongWork = [this] { return KeepEventsFlowing(); };
    BindMailEvents();
    BindDialEvents();
    FormCreate();
}

TScriptVantrel::~TScriptVantrel()
{
    // The client outlives the log and the timers it would report to.
    UnbindFtpEvents();
    guard::setApplicationHandler({});
}

void TScriptVantrel::FormCreate()
{
    StartDir = apppaths::currentDirectory();
    MailBusy = false;
    DialogsFlag = true;
    guard::setApplicationHandler([this](const std::exception_ptr& e) { AppException1.Handle(e); });
    CancelFlag = ForceLower = ForceUpper = false;
    SuccessFlag = true;
    Disconnecting = false;
    Starta.start();
}

void TScriptVantrel::LogLine(const std::string& text)
{
    // Most texts are one line: logged as they are, without a copy (a line may be megabytes).
    if (text.find_first_of("\r\n") == std::string::npos) {
        LogOneLine(text);
        return;
    }
    for (const auto& l : bytetext::splitLines(text)) LogOneLine(l);
}

void TScriptVantrel::LogOneLine(std::string_view l)
{
    if (EchoToStdout) {
        // Buffered unless standard output is a terminal (main chooses); waits flush it.
        std::fwrite(l.data(), 1, l.size(), stdout);
        std::fputc('\n', stdout);
    }
    if (history_.IsOpen()) {
        history_.Write(l);
        history_.Write("\r\n");
    }
    const std::size_t shown = std::min(l.size(), kShownLineBytes);
    QByteArray line(l.data(), static_cast<qsizetype>(shown));
    if (shown < l.size()) line += "...";
    // Dropped in halves, so keeping the tail costs nothing per line.
    if (log_.size() >= 2 * kKeptLogLines) log_.erase(log_.begin(), log_.begin() + kKeptLogLines);
    log_.emplace_back(l.substr(0, kKeptLineBytes));
    emit logLineAdded(line);
}

void TScriptVantrel::SetStatusText(const std::string& text)
{
    status_ = text;
    emit statusTextChanged(QByteArray(text.data(), static_cast<qsizetype>(text.size())));
}

bool TScriptVantrel::IsNumericVariable(const std::string& name) const
{
    return numericNames_.count(bytetext::toUpper(bytetext::trim(name))) != 0;
}

std::string TScriptVantrel::ScriptFullPath() const
{
    if (ScriptPath().empty() || ScriptPath()[0] == '/') return ScriptPath();
    return apppaths::includeTrailingSlash(launchFolder_) + ScriptPath();
}

std::string TScriptVantrel::HistoryPath() const
{
    if (ScriptPath().empty()) return {};
    return apppaths::historyPathFor(ScriptFullPath());
}

void TScriptVantrel::StartaTimer()
{
    Starta.stop();
    CancelFlag = false;
    Disconnecting = false;
    running_ = true;
    endWritten_ = false;
    log_.clear();
    emit logCleared();
    // Opened before the first line; a history that cannot be made is said when the run ends.
    if (!HistoryPath().empty()) (void)history_.Open(HistoryPath());
    const std::string name = apppaths::extractFileName(ScriptPath());
    LogLine("**** " + datetime::dateTimeText(datetime::now()) + ": Start script " + name + " ****");
    LogLine("");
    try {
        // Without a script there is nothing to run and no history file to write.
        if (ScriptPath().empty()) throw Exception("No script file given. Usage: Trevask <script> [parameters...]");
        std::vector<std::string> lines = LoadScriptLines(ScriptPath());
        ExpandIncludes(lines, apppaths::programFolder(), ScriptFullPath());
        UnscramblePasswordLines(lines);
        ExecuteScript(std::move(lines));
    } catch (...) {
        ErrorPath(std::current_exception());
    }
    WriteEndAndHistory();
    if (HideApp.HideForm()) {
        guard::absorb([&] {
            HideApp.SetHideForm(false);
            emit restoreRequested();
        });
    }
    running_ = false;
    finished_ = true;
    Halta.start();
}

void TScriptVantrel::ErrorPath(const std::exception_ptr& error)
{
    // Cancel now ends every wait, so the command it interrupts may fail: the run still ended
    // by Cancel, which is no failure.
    if (!CancelFlag) exitCode_ = 1;
    Holdup.start();
    LogLine("Error: " + exceptionMessage(error));
    Disconnecting = true;
    if (FTP.GetConnected()) {
        try {
            FTP.CloseSession();
        } catch (...) {
            Holdup.stop();
        }
    }
    Disconnecting = false;
    HangUpOwnDial();
}

void TScriptVantrel::WriteEndAndHistory()
{
    if (endWritten_) return;
    endWritten_ = true;
    guard::absorb([&] {
        LogLine("");
        LogLine("**** " + datetime::dateTimeText(datetime::now()) + ": End script " +
                apppaths::extractFileName(ScriptPath()) + " ****");
        LogLine("");
    });
    std::fflush(stdout);
    if (!HistoryPath().empty() && !history_.Commit()) {
        // The log is the run's record: losing it is a failed run, said where cron sees it.
        exitCode_ = 1;
        std::fprintf(stderr, "Trevask: the history file %s could not be written: %s\n", HistoryPath().c_str(),
                     history_.Error().c_str());
    }
    PrintSummary();
}

void TScriptVantrel::PrintSummary() const
{
    // One line where cron and a calling program look; a clean run says nothing.
    const int code = ExitCode();
    if (code == 0) return;
    if (code == 1)
        std::fputs("Trevask: ended with an error\n", stderr);
    else if (code == 2)
        std::fprintf(stderr, "Trevask: %d command%s failed\n", failedCommands_, failedCommands_ == 1 ? "" : "s");
    else
        std::fputs("Trevask: cancelled\n", stderr);
}

void TScriptVantrel::HaltaTimer()
{
    Halta.stop();
    // Cancel arms this timer while a run may still be pumping; the run re-arms it when it ends.
    if (running_) return;
    SleepWithoutPumping(1000);
    emit closeRequested(ExitCode());
}

void TScriptVantrel::HoldupTimer()
{
    Holdup.stop();
    HangUpOwnDial();
    // The log of a run that hung is the one most worth keeping: write it before ending.
    exitCode_ = 1;
    guard::absorb([&] {
        LogLine("Error: The connection did not close within " + std::to_string(Holdup.interval() / 1000) +
                " seconds");
    });
    WriteEndAndHistory();
    TerminateProgram(1);
}

void TScriptVantrel::TTimeOutTimer()
{
    int spanMs = TTimeOut.interval();
    if (RearmTransferTimeout(spanMs)) return;
    TTimeOut.stop();
    SuccessFlag = false;
    transferTimedOut_ = true;
    LogLine("   ---> Transfer timed out! (" + std::to_string(spanMs / 1000) + " seconds)");
    // Left alone, a stalled transfer waits for ever: ending it makes the command fail.
    FTP.Abort();
}

int TScriptVantrel::ExitCode() const
{
    if (exitCode_ != 0) return exitCode_;
    if (CancelFlag) return cancelExitCode_;
    return failedCommands_ > 0 ? 2 : 0;
}

void TScriptVantrel::CancelBySignal(int signalNumber)
{
    if (!CancelFlag) cancelExitCode_ = 128 + signalNumber;
    Button1Click();
}

void TScriptVantrel::Button1Click()
{
    CancelFlag = true;
    guard::absorb([&] {
        if (FTP.GetConnected()) {
            FTP.Abort();
        } else {
            FTP.Cancel();  // a host lookup or connect in progress
            Halta.start();
        }
    });
    if (MailBusy) AbortMail();
    SleepWithoutPumping(1000);
}

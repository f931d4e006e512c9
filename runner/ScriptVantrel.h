#pragma once
// The runner's engine: one run of one script. It owns the engine state, the timers and the
// components of the runner's window; the window itself is a view over its log and status.

#include "desktop/dialup/RasDialer.h"
#include "net/ftp/FtpSession.h"
#include "net/smtp/client/SmtpSender.h"
#include "platform/ReplacementFile.h"
#include "runner/SuccessFlag.h"
#include "runner/CommandTable.h"
#include "runner/LineSubstitution.h"
#include "runner/mathparser/MathParser.h"
#include "runner/Process.h"
#include "runner/VariableStore.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

// The server ended the FTP session (421, or a close nobody asked for); already logged.
class EConnectionTerminated : public Exception {
public:
    using Exception::Exception;
};

// The application's exception handler of the runner's window.
class TAppException {
public:
    std::string ErrorLog;   // path of an error log; blank: none
    std::string UserName;
    bool ShowExcep = true;
    void Handle(const std::exception_ptr& e) const;
};

// Hides the application's window from the task bar while HideForm is true. The window supplies
// how to hide and show itself.
class TNoTask {
public:
    std::function<void(bool hide)> Apply;
    bool HideForm() const { return hideForm_; }
    void SetHideForm(bool hide);

private:
    bool hideForm_ = false;
};

class TScriptVantrel : public QObject {
    Q_OBJECT
public:
    // `parameters`: the command line after the program name; [0] is the script path.
    explicit TScriptVantrel(std::vector<std::string> parameters, QObject* parent = nullptr);
    ~TScriptVantrel() override;

    // Every log line goes through here; a text holding line ends becomes several lines. During a
    // run each line goes straight into the history's temporary file; memory keeps only the
    // most recent ones.
    void LogLine(const std::string& text);
    // The recent lines: at least the last kKeptLogLines, each cut at kKeptLineBytes.
    const std::vector<std::string>& Log() const { return log_; }
    static constexpr std::size_t kKeptLogLines = 4096;
    static constexpr std::size_t kKeptLineBytes = 64 * 1024;
    // logLineAdded carries at most this much of a line: a window cannot show more usefully.
    static constexpr std::size_t kShownLineBytes = 4096;
    void SetStatusText(const std::string& text);
    const std::string& StatusText() const { return status_; }

    // Variables (names without case).
    std::string GetVariable(const std::string& name) const { return VariableList.GetVariable(name); }
    void SetVariable(const std::string& name, const std::string& value) { VariableList.SetVariable(name, value); }
    // A value from a server: substituted as it stands, never searched for markers.
    void SetVerbatimVariable(const std::string& name, const std::string& value)
    {
        VariableList.SetVerbatimVariable(name, value);
    }
    // A server's text for a variable: its CR, LF and NUL go, so it can never start a line of a
    // mail or a command.
    void SetServerVariable(const std::string& name, std::string value)
    {
        std::erase_if(value, [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
        SetVerbatimVariable(name, value);
    }
    bool IsNumericVariable(const std::string& name) const;

    // The timers' and buttons' handlers.
    void StartaTimer();
    void HaltaTimer();
    void HoldupTimer();
    void TTimeOutTimer();
    void Button1Click();

    void ExecuteScript(std::vector<std::string> lines);

    // Values and conditions of IF and LET.
    enum class ValueType { Boolean, String, Number };
    struct Value {
        ValueType type = ValueType::String;
        std::string text;
    };
    Value EvaluateValue(const std::string& text);
    bool EvaluateCondition(const std::string& text);
    // Index of the first line that begins with the label (prefix match, without case); npos if none.
    std::size_t FindLabel(const std::string& label, const std::vector<std::string>& lines) const;
    // Index after the ENDIF that closes the block whose body starts at `index`; npos if none.
    std::size_t SkipToEndIf(std::size_t index, const std::vector<std::string>& lines) const;
    // A local name without a folder is taken in StartDir; an empty name stays empty.
    std::string ResolveLocalPath(const std::string& name) const;
    bool LocalExists(const std::string& name);
    // Size in bytes, -1 when there is no such file; a file that cannot be opened raises.
    std::int64_t LocalFileSize(const std::string& name);
    // Pumps until an entry matching the name (a mask) exists, or Cancel or quit.
    void WaitForFile(const std::string& name);
    // Sleeps without pumping; 0 or less does not wait.
    void WaitSeconds(std::int64_t seconds);
    // Copy and masked rename with the shell's semantics; a failure is logged, false returned.
    bool LocalCopy(const std::string& from, const std::string& to);
    bool LocalRename(const std::string& from, const std::string& to);
    void Process1Finished(TProcess& sender, int exitCode);
    bool RemoteExists(const std::string& name);
    // Lists a remote name; a 450 or 550 (what servers say for a name that is not there) gives
    // an empty listing instead of an error.
    void ListOrAbsent(const std::string& mask);
    // Lists what a mask (or a name) names, keeping only entries that match it: some servers
    // ignore a mask or list a folder's content for its name, and some split a LIST argument at
    // its blanks, so a name with a blank lists its folder and is matched here, and a folder
    // with a blank is entered (CWD), listed and left again. An empty mask lists the whole
    // current folder.
    void ListMatching(const std::string& mask);
    // One remote name as ListOrAbsent lists it, or through ListMatching when it holds a blank
    // or a wildcard in its name part.
    void ListNamed(const std::string& name);
    enum class GetForm { Plain, Restart, Append };
    // One download inside the caller's transfer frame. The log gets what the server's replies
    // do not say: a local file that could not be written, a byte count that disagrees, a file
    // left incomplete; with `removePartial` (tree mirrors) such a file is removed instead.
    // Raises as the client does.
    void DownloadFile(const std::string& remote, const std::string& local, GetForm form,
                      const TDownloadOptions& options = {}, bool removePartial = false);
    std::int64_t RemoteFileSize(const std::string& name);

    // The transfer frame of the FTP commands, tree transfers and FTP events. A time-out start
    // sets SuccessFlag true; when the time-out fires, the running transfer is aborted.
    void StartTransferTimeout(int ms);
    void StopTransferTimeout();
    void LogTransferMode();
    // An upload's remote name under FORCELOWERON / FORCEUPPERON.
    std::string CasedName(const std::string& name) const;
    // One client operation between a time-out start and stop. An error, or the time-out firing,
    // clears SuccessFlag and is not passed on; `failure` receives its message. True on success.
    bool GuardedTransfer(const std::function<void()>& operation, std::string* failure = nullptr);
    // The part after the last "/", "\" or ":" (for comparing names, never as a local path).
    static std::string RemoteFileNamePart(const std::string& name);
    // A listed time (seconds since 1970 as listed) moved by HOSTTZDIFF.
    std::int64_t AddHostTimeZone(std::int64_t listedSeconds) const;
    void SendWildcard(const std::string& localMask, const std::string& remoteDir, bool append);
    void IncrementalSendWildcard(const std::string& localMask, const std::string& remoteDir);
    // base + "." + the first number no entry uses; sets LastFileNumber. Raises when none is free.
    std::string GenerateRemoteName(const std::string& base);
    std::string GenerateLocalName(const std::string& base);

    // SENDTREE and GETTREE: true when the whole tree arrived, every folder entered and every
    // file transferred. A folder that cannot be entered is logged and skipped; links are not
    // followed and the depth is bounded.
    bool SendTree(const std::string& mask, const std::string& localDir, const std::string& remoteDir);
    bool GetTree(const std::string& mask, const std::string& remoteDir, const std::string& localDir);
    // Whether the server can change into `path` (it comes back to where it was).
    bool IsRemoteFolder(const std::string& path);

    // Handlers of the FTP client's events, bound to FTP when the engine is made.
    void FTPStatus(QObject* sender, const std::string& status);
    void FTPConnect(QObject* sender);
    void FTPDisconnect(QObject* sender);
    void FTPHostResolved(QObject* sender);
    void FTPInvalidHost(bool& handled);
    void FTPConnectionFailed(QObject* sender);
    void FTPConnectionRequired(bool& handled);
    void FTPAuthenticationNeeded(bool& handled);
    void FTPAuthenticationFailed(bool& handled);
    void FTPTransactionStart(QObject* sender);
    void FTPTransactionStop(QObject* sender);
    void FTPPacketRecvd(QObject* sender);
    void FTPPacketSent(QObject* sender);
    void FTPError(QObject* sender, std::uint16_t errorNo, const std::string& message);
    void FTPFailure(bool& handled, TCmdType transType);

    // 0: the run ended normally or by Cancel; 1: through the error path.
    // 0 a normal end with no failed command, 1 the error path (or a history not written),
    // 2 a normal end after a failed command, 128 + the signal (130 for Cancel) a cancelled run.
    int ExitCode() const;
    int FailedCommands() const { return failedCommands_; }
    // Cancel for a signal (SIGINT, SIGTERM, SIGHUP): the run ends with 128 + its number.
    void CancelBySignal(int signalNumber);
    bool Running() const { return running_; }
    bool Finished() const { return finished_; }

    // Test seams: the pause of the close and cancel paths, and how the watchdog ends the program.
    std::function<void(int ms)> SleepWithoutPumping;
    // WAITSECONDS' pause: events flow (the window paints) and Cancel ends it.
    std::function<void(int ms)> WaitPause;
    std::function<void(int code)> TerminateProgram;
    // Echo every log line to standard output (the headless run).
    bool EchoToStdout = false;

    // Engine state.
    VariableStore VariableList;
    std::vector<std::string> NumericNameList;
    TSuccessFlag SuccessFlag;
    bool CancelFlag = false;
    bool DialogsFlag = true;
    bool ForceLower = false;
    bool ForceUpper = false;
    bool MailBusy = false;
    bool Disconnecting = false;
    int TransferMode = 2;
    int TransferTimeoutMs = 120000;
    char WildcardChar = '*';
    std::string StartDir;
    std::string RecipientText, CcText;
    int HostTzDiffHours = 0;

    // Components of the window.
    TFtpSession FTP;
    TAppException AppException1;
    TNoTask HideApp;
    TParser Numbers;
    TProcess Process1;
    bool ProcessStartFailed = false;
    bool ProcessFinished = false;
    QTimer Starta, Halta, Holdup, TTimeOut;

    // The mail client and its events.
    TSmtpSender msMessage1;
    void msMessage1Display(TCustomSmtpSender* Sender, const std::string& Msg);
    void msMessage1GetData(TCustomSmtpSender* Sender, int LineNum, std::string& MsgLine, int MaxLen, bool& More);
    void msMessage1HeaderLine(TCustomSmtpSender* Sender, std::string& Msg, int Size);
    void msMessage1RequestDone(TCustomSmtpSender* Sender, TSmtpRequest RqType, std::uint16_t Error);
    // Aborts the outstanding mail request and waits (bounded) for its end.
    void AbortMail();

    // The dial-up component; dialling itself is the dial program's.
    TRasDialer DialUp;
    bool DialFinished = false;
    void DialUpStatusChange(TRasDialer* Sender, const std::string& RASStatusStr);
    // Starts the dial program for the entry and waits for it; raises when the link is not up then.
    void DialWithHelper(const std::string& entry, const std::string& user, const std::string& password);
    // Hangs up a connection this run dialled (HANGUP, the error path, the watchdog); never raises.
    void HangUpOwnDial();

    const std::vector<std::string>& Parameters() const { return parameters_; }
    std::string ScriptPath() const { return parameters_.empty() ? std::string() : parameters_[0]; }
    // The script path, a relative one taken in the folder the runner started in.
    std::string ScriptFullPath() const;
    std::string HistoryPath() const;

signals:
    void logLineAdded(const QByteArray& shownLine);
    void logCleared();
    void statusTextChanged(const QByteArray& text);
    // SILENT/RESTORE: minimise or restore the window.
    void minimizeRequested();
    void restoreRequested();
    // The run is over and the close delay has passed: the window closes and the program ends.
    void closeRequested(int exitCode);

private:
    void FormCreate();
    void LogOneLine(std::string_view line);
    void ResetRunState();
    void SetPredefinedVariables();
    void ErrorPath(const std::exception_ptr& error);
    void WriteEndAndHistory();
    void PrintSummary() const;
    SubstitutionContext Substitution();
    // Pumps messages when the last pump is a while ago; true when the run was cancelled.
    bool KeepEventsFlowing();
    // One rewritten line: echo and perform. False ends the script.
    void Perform(const std::string& line, std::size_t& index, std::vector<std::string>& lines);
    void PerformSetting(const CommandEntry& entry, const std::string& line, std::string_view argument);
    // IF, GOTO, LET, NUMVARIABLE and the existence statements; false for other commands. Setting
    // `next` to npos ends the script.
    bool PerformFlow(const CommandEntry& entry, std::string_view argument, std::size_t& next,
                     const std::vector<std::string>& lines);
    // The local file commands, waits and program runs; false for other commands.
    bool PerformLocal(const CommandEntry& entry, std::string_view argument);
    // The program of a command line taken from StartDir when it is there (else PATH finds it).
    std::string ResolveProgram(const std::string& commandLine) const;
    void ExecLocal(const std::string& first, bool andWait);
    // The FTP commands; false for other commands.
    bool PerformFtp(const CommandEntry& entry, std::string_view argument);
    // SENDTREE and GETTREE; false for other commands.
    bool PerformTree(const CommandEntry& entry, std::string_view argument);
    void BindFtpEvents();
    void UnbindFtpEvents();
    // Packets only note their time: an expiry that comes before a whole span without packets
    // re-arms for the rest and returns true. `spanMs` becomes the span the time-out stands for.
    bool RearmTransferTimeout(int& spanMs);
    void ShowTransferBytes(bool sent, bool force);
    [[noreturn]] void RaiseConnectionTerminated();
    [[noreturn]] void NotBuilt(const CommandEntry& entry);
    // ADDRECIPIENT, ADDCCRECIPIENT, ADDATTACHMENT and SENDEMAIL; false for other commands.
    bool PerformMail(const CommandEntry& entry, std::string_view argument);
    void SendEmail();
    // Logs each recipient the server refused; true when there was none.
    bool LogRefusedRecipients();
    void BindMailEvents();
    // Empties the recipients and attachments collected for the next mail.
    void ClearMailCollection();
    // Starts one mail request and waits for its end; raises the failure it ended with.
    void MailRequest(TSmtpRequest request, const std::function<void()>& start);
    // DIALENTRY=, DIALLOGINUSER=, DIALLOGINPASSWORD=, DIAL and HANGUP; false for other commands.
    bool PerformDial(const CommandEntry& entry, std::string_view argument);
    void BindDialEvents();

    std::vector<std::string> parameters_;
    std::unordered_set<std::string> numericNames_;  // NumericNameList upper-cased, for look-ups
    std::vector<std::string> log_;
    ReplacementFile history_;  // the history file of the run, written as the log grows
    std::string status_;
    int exitCode_ = 0;
    int cancelExitCode_ = 130;
    int failedCommands_ = 0;
    bool running_ = false;
    bool finished_ = false;
    bool endWritten_ = false;
    bool ftpEventsBound_ = false;
    static constexpr int kPumpIntervalMs = 100;
    bool lineHoldsVerbatim_ = false;  // the line being performed holds a server's text
    QElapsedTimer eventsPumped_;   // the last time long work let events in
    QElapsedTimer lastPacket_;     // the last data packet of the running transfer
    QElapsedTimer statusPainted_;  // the last status caption of a transfer
    int unpaintedStatus_ = 0;      // 1 received / 2 sent: a count not yet shown
    bool timeoutRearmed_ = false;
    bool transferTimedOut_ = false;  // the time-out fired during the current guarded transfer
    TSmtpRequest mailRequest_ = smtpConnect;  // the request whose end is awaited
    std::string mailError_;                   // how the awaited request failed; empty: it did not
    std::vector<std::string> ccAddresses_;    // the addresses of CcText, in order
    std::vector<std::string> mailBody_;       // the lines of EmailText being sent
    std::string dialledEntry_;                // the entry this run brought up, until hung up
    // A relative script path names a file of the folder the runner started in, even after LOCAL-CD.
    std::string launchFolder_;
};

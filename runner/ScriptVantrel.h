#pragma once
// The runner's engine: one run of one script. It owns the engine state, the timers and the
// components of the runner's window; the window itself is a view over its log and status.

#include "net/ftp/FtpSession.h"
#include "runner/CommandTable.h"
#include "runner/LineSubstitution.h"
#include "runner/mathparser/MathParser.h"
#include "runner/VariableStore.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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

    // Every log line goes through here; a text holding line ends becomes several lines.
    void LogLine(const std::string& text);
    const std::vector<std::string>& Log() const { return log_; }
    void SetStatusText(const std::string& text);
    const std::string& StatusText() const { return status_; }

    // Variables (names without case).
    std::string GetVariable(const std::string& name) const { return VariableList.GetVariable(name); }
    void SetVariable(const std::string& name, const std::string& value) { VariableList.SetVariable(name, value); }
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
    // A local name without a folder is taken in StartDir.
    std::string ResolveLocalPath(const std::string& name) const;
    bool LocalExists(const std::string& name);
    bool RemoteExists(const std::string& name);
    std::int64_t RemoteFileSize(const std::string& name);

    // 0: the run ended normally or by Cancel; 1: through the error path.
    int ExitCode() const { return exitCode_; }
    bool Running() const { return running_; }
    bool Finished() const { return finished_; }

    // Test seams: the pause of the close and cancel paths, and how the watchdog ends the program.
    std::function<void(int ms)> SleepWithoutPumping;
    std::function<void(int code)> TerminateProgram;
    // Echo every log line to standard output (the headless run).
    bool EchoToStdout = false;

    // Engine state.
    VariableStore VariableList;
    std::vector<std::string> NumericNameList;
    bool SuccessFlag = true;
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
    QTimer Starta, Halta, Holdup, TTimeOut;

    const std::vector<std::string>& Parameters() const { return parameters_; }
    std::string ScriptPath() const { return parameters_.empty() ? std::string() : parameters_[0]; }
    std::string HistoryPath() const;

signals:
    void logLineAdded(const QByteArray& line);
    void logCleared();
    void statusTextChanged(const QByteArray& text);
    // SILENT/RESTORE: minimise or restore the window.
    void minimizeRequested();
    void restoreRequested();
    // The run is over and the close delay has passed: the window closes and the program ends.
    void closeRequested(int exitCode);

private:
    void FormCreate();
    void ResetRunState();
    void SetPredefinedVariables();
    void ErrorPath(const std::exception_ptr& error);
    void WriteEndAndHistory();
    SubstitutionContext Substitution() const;
    // One rewritten line: echo and perform. False ends the script.
    void Perform(const std::string& line, std::size_t& index, std::vector<std::string>& lines);
    void PerformSetting(const CommandEntry& entry, const std::string& line, std::string_view argument);
    // IF, GOTO, LET, NUMVARIABLE and the existence statements; false for other commands. Setting
    // `next` to npos ends the script.
    bool PerformFlow(const CommandEntry& entry, std::string_view argument, std::size_t& next,
                     const std::vector<std::string>& lines);
    [[noreturn]] void NotBuilt(const CommandEntry& entry);

    std::vector<std::string> parameters_;
    std::vector<std::string> log_;
    std::string status_;
    int exitCode_ = 0;
    bool running_ = false;
    bool finished_ = false;
    bool endWritten_ = false;
};

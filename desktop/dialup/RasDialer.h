#pragma once
// The dial-up component over the phone book: lists its entries, reads an entry's stored user name
// and password, dials an entry (its Up command) and waits with a count-down, tells whether an
// entry is connected (its Check command) and hangs up what it dialled (its Down command).

#include "desktop/dialup/ShellCommand.h"
#include "platform/Errors.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

class PhoneBook;
struct PhoneBookEntry;

class ERASError : public Exception {
public:
    explicit ERASError(int code);  // the code's text
    ERASError(int code, const std::string& message);
    int Code() const { return code_; }

private:
    int code_;
};

class ECanceledError : public Exception {
public:
    ECanceledError() : Exception("Operation has been canceled") {}
};

class ETimedOutError : public Exception {
public:
    ETimedOutError() : Exception("Operation timed out") {}
};

class ESocketError : public Exception {
public:
    using Exception::Exception;
};

// Result codes of the phone-book service.
namespace raserror {
enum : int {
    PhoneBookUnreadable = 601,
    PhoneBookUnwritable = 602,
    EntryNotFound = 603,
    NoEntry = 604,
    NoUpCommand = 605,
    ShellNotStarted = 606,
    DialFailed = 607,
    CheckTimedOut = 608,
    DialBusy = 609,
};
}

// Dial states as the status events number them.
enum : int {
    rasOpenPort = 0,
    rasConnectDevice = 2,
    rasDeviceConnected = 3,
    rasAllDevicesConnected = 4,
    rasAuthenticate = 5,
    rasAuthenticated = 14,
    rasStartAuthentication = 19,
    rasLogonNetwork = 21,
    rasConnected = 8192,
};

class TRasDialer;
using TRASNotifyEvent = std::function<void(TRasDialer* Sender, const std::string& RASStatusStr)>;
using TRasNotifyEvent = std::function<void(TRasDialer* Sender)>;

class TRasDialer : public QObject {
public:
    // The environment variables that carry an entry's values to its commands.
    static constexpr const char* EntryVariable = "DIAL_ENTRY";
    static constexpr const char* UserVariable = "DIAL_USER";
    static constexpr const char* PasswordVariable = "DIAL_PASSWORD";

    // An empty path uses the phone book in the configuration folder.
    explicit TRasDialer(QObject* owner = nullptr, const std::string& phoneBookPath = {});
    ~TRasDialer() override;

    const std::string& PhoneBookPath() const { return phoneBookPath_; }
    void SetPhoneBookPath(const std::string& path);

    // Entries of the phone book in file order; empty when it cannot be read.
    const std::vector<std::string>& GetEntries();
    bool HasEntries() const { return !entries_.empty(); }

    const std::string& Service() const { return service_; }
    // Kept in the phone book's spelling; a name not in it clears Service; with an empty entry
    // list the old value stays.
    void SetService(const std::string& name);

    bool ForceService = true;  // false: any connected entry counts
    bool MinimizeAtConnect = false;
    std::string Password;
    std::string UserName;
    bool RemovePassword = true;  // when dial parameters are stored, the password is not
    int TimeOut = 120;           // seconds; 0 or less expires at once

    TRASNotifyEvent OnStatusChange;
    TRasNotifyEvent OnDisconnected;

    // Is Service (or, without ForceService, any entry) connected? Holds its connection then.
    bool CheckConnection();
    // Dials Service and waits; ERASError, ECanceledError or ETimedOutError.
    void Connect();
    // Hangs up, then ends a running wait of Connect.
    void Cancel();
    // UserName and Password from the entry's stored values.
    void GetEntryDialParams(const std::string& entry);
    // Runs Down only for a connection this component dialled; never raises.
    void HangUp();
    // There is no system dial window here to minimise.
    void MinimizeDialWindow() {}
    // Takes effect only while a connection is held.
    void SetOwnsConnection(bool value);

    static std::string StatusText(int state);
    static std::string ErrorText(int code);

    int ConnectionHandle() const { return connectionHandle_; }
    const std::string& ConnectionEntry() const { return connectionEntry_; }
    bool OwnsConnection() const { return ownsConnection_; }
    int LastError() const { return lastError_; }
    bool Connected() const { return connected_; }
    bool Failed() const { return failed_; }
    bool CanceledByUser() const { return canceledByUser_; }

private:
    PhoneBook LoadPhoneBook();
    bool RunCheck(const PhoneBookEntry& entry);
    void HoldConnection(const std::string& entry);
    void ResetDialState();
    void DialEvent(int state);
    void OnUpFinished(int exitCode);
    void TimerTick();
    [[noreturn]] void Fail(int code, const std::string& message = {});

    std::vector<std::string> entries_;
    std::string service_;
    std::string phoneBookPath_;
    int connectionHandle_ = -1;  // position of the connected entry in the phone book
    std::string connectionEntry_;
    bool ownsConnection_ = false;
    int countdown_ = 0;
    int lastError_ = 0;
    int upExitCode_ = 0;
    QTimer timer_;
    ShellCommand up_;
    bool hangingUp_ = false;
    bool cancelled_ = false;
    bool timedOut_ = false;
    bool connected_ = false;
    bool failed_ = false;
    bool canceledByUser_ = false;
};

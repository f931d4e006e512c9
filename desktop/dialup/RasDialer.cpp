#include "desktop/dialup/RasDialer.h"

#include "desktop/dialup/PhoneBook.h"
#include "platform/ByteText.h"
#include "platform/Guard.h"
#include "platform/Wait.h"

#include <cstring>
#include <optional>

namespace {

// Check and Down are expected to answer quickly; one that hangs must not hang the program.
constexpr int kCommandTimeoutMs = 30000;

std::string withErrno(int code, int error)
{
    return TRasDialer::ErrorText(code) + ": " + std::strerror(error);
}

// Only Up needs the password; the others get an empty one rather than whatever we inherited.
ShellCommand::Environment environmentFor(const std::string& entry, const std::string& user,
                                         const std::string& password = {})
{
    return {{TRasDialer::EntryVariable, entry}, {TRasDialer::UserVariable, user},
            {TRasDialer::PasswordVariable, password}};
}

}  // namespace

ERASError::ERASError(int code) : Exception(TRasDialer::ErrorText(code)), code_(code) {}

ERASError::ERASError(int code, const std::string& message) : Exception(message), code_(code) {}

TRasDialer::TRasDialer(QObject* owner, const std::string& phoneBookPath) : QObject(owner)
{
    timer_.setInterval(1000);
    connect(&timer_, &QTimer::timeout, this, [this] { guard::absorb([this] { TimerTick(); }); });
    SetPhoneBookPath(phoneBookPath);
}

TRasDialer::~TRasDialer() = default;

void TRasDialer::SetPhoneBookPath(const std::string& path)
{
    phoneBookPath_ = path.empty() ? PhoneBook::DefaultPath() : path;
    GetEntries();
}

PhoneBook TRasDialer::LoadPhoneBook()
{
    PhoneBook book(phoneBookPath_);
    if (!book.Load()) Fail(raserror::PhoneBookUnreadable);
    lastError_ = 0;
    return book;
}

const std::vector<std::string>& TRasDialer::GetEntries()
{
    entries_.clear();
    PhoneBook book(phoneBookPath_);
    if (book.Load()) {
        lastError_ = 0;
        entries_ = book.EntryNames();
    } else {
        lastError_ = raserror::PhoneBookUnreadable;
    }
    return entries_;
}

void TRasDialer::SetService(const std::string& name)
{
    if (name.empty()) {
        service_.clear();
        return;
    }
    if (entries_.empty()) return;
    GetEntries();
    service_.clear();
    // The phone book's spelling, so the connection check finds it.
    for (const std::string& entry : entries_)
        if (bytetext::equalsNoCase(entry, name)) {
            service_ = entry;
            break;
        }
}

bool TRasDialer::RunCheck(const PhoneBookEntry& entry)
{
    if (entry.check.empty()) return false;
    ShellCommand check;
    if (!check.Start(entry.check, environmentFor(entry.name, entry.userName)))
        Fail(raserror::ShellNotStarted, withErrno(raserror::ShellNotStarted, check.StartError()));
    if (!check.WaitFinished(kCommandTimeoutMs)) {
        check.Terminate();
        Fail(raserror::CheckTimedOut);
    }
    return check.ExitCode() == 0;
}

void TRasDialer::HoldConnection(const std::string& entry)
{
    connectionEntry_ = entry;
    connectionHandle_ = -1;
    PhoneBook book(phoneBookPath_);
    if (!book.Load()) return;
    const std::vector<std::string> names = book.EntryNames();
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == entry) connectionHandle_ = static_cast<int>(i);
}

bool TRasDialer::CheckConnection()
{
    const PhoneBook book = LoadPhoneBook();
    const std::optional<PhoneBookEntry> own = service_.empty() ? std::nullopt : book.Find(service_);
    if (own && RunCheck(*own)) {
        HoldConnection(own->name);
        return true;
    }
    if (ForceService) return false;
    for (const std::string& name : book.EntryNames()) {
        if (own && name == own->name) continue;
        const std::optional<PhoneBookEntry> other = book.Find(name);
        if (other && RunCheck(*other)) {
            HoldConnection(other->name);
            return true;
        }
    }
    return false;
}

void TRasDialer::ResetDialState()
{
    connectionHandle_ = -1;
    connectionEntry_.clear();
    cancelled_ = false;
    timedOut_ = false;
    connected_ = false;
}

void TRasDialer::Connect()
{
    if (up_.Running()) throw ERASError(raserror::DialBusy);
    failed_ = false;
    canceledByUser_ = false;
    try {
        // An empty Service is nothing to dial, not a connection.
        if (service_.empty()) Fail(raserror::NoEntry);
        if (CheckConnection()) {
            connected_ = true;
            ownsConnection_ = false;  // in use, but not ours to hang up
            return;
        }
        ownsConnection_ = true;
        ResetDialState();

        PhoneBook book = LoadPhoneBook();
        const std::optional<PhoneBookEntry> entry = book.Find(service_);
        if (!entry) Fail(raserror::EntryNotFound);
        std::string user = entry->userName;
        std::string password = entry->password;
        if (!bytetext::trim(UserName).empty()) user = UserName;
        if (!entry->passwordStored) {
            password = Password;
            if (!book.StoreDialParams(entry->name, user, password, RemovePassword))
                Fail(raserror::PhoneBookUnwritable);
        }
        if (entry->up.empty()) {
            HangUp();
            Fail(raserror::NoUpCommand);
        }

        countdown_ = TimeOut;
        DialEvent(rasOpenPort);
        if (countdown_ <= 0) {
            timedOut_ = true;  // nothing started that would have to be ended
        } else if (!cancelled_) {
            upExitCode_ = 0;
            if (!up_.Start(entry->up, environmentFor(entry->name, user, password),
                           [this](int code) { OnUpFinished(code); })) {
                const int error = up_.StartError();
                HangUp();
                Fail(raserror::ShellNotStarted, withErrno(raserror::ShellNotStarted, error));
            }
            HoldConnection(entry->name);
            DialEvent(rasConnectDevice);
            timer_.start();
            const waiting::WaitResult r = waiting::waitUntil(
                [this] { return connected_ || lastError_ != 0 || cancelled_ || timedOut_; });
            timer_.stop();
            if (r == waiting::WaitResult::Quit) Cancel();
        }

        if (lastError_ != 0) {
            const int code = lastError_;
            HangUp();
            Fail(code, code == raserror::DialFailed
                           ? ErrorText(code) + " with exit status " + std::to_string(upExitCode_)
                           : ErrorText(code));
        }
        if (cancelled_) {
            canceledByUser_ = true;
            up_.Terminate();
            throw ECanceledError();
        }
        if (timedOut_ && !connected_) {
            // No hang-up, but the Up command does not go on dialling behind the caller's back.
            up_.Terminate();
            throw ETimedOutError();
        }
        if (MinimizeAtConnect) MinimizeDialWindow();
    } catch (...) {
        failed_ = true;
        throw;
    }
}

void TRasDialer::OnUpFinished(int exitCode)
{
    if (exitCode == 0) {
        DialEvent(rasConnected);
        return;
    }
    upExitCode_ = exitCode;
    lastError_ = raserror::DialFailed;
}

void TRasDialer::DialEvent(int state)
{
    if (OnStatusChange) guard::absorb([&] { OnStatusChange(this, StatusText(state)); });
    if (!connected_ && state == rasConnected) connected_ = true;
}

void TRasDialer::TimerTick()
{
    if (--countdown_ <= 0) timedOut_ = true;
}

void TRasDialer::Cancel()
{
    HangUp();
    canceledByUser_ = true;
    cancelled_ = true;
}

void TRasDialer::GetEntryDialParams(const std::string& entry)
{
    if (entry.empty()) return;
    ResetDialState();
    PhoneBook book(phoneBookPath_);
    int code = 0;
    std::optional<PhoneBookEntry> e;
    if (!book.Load()) code = raserror::PhoneBookUnreadable;
    else if (!(e = book.Find(entry))) code = raserror::EntryNotFound;
    if (code != 0) {
        lastError_ = code;
        throw ERASError(code, std::to_string(code));
    }
    UserName = e->userName;
    Password = e->password;
}

void TRasDialer::HangUp()
{
    up_.Terminate();  // Cancel while the Up command still runs
    if (!entries_.empty() && ownsConnection_ && connectionHandle_ >= 0 && !hangingUp_) {
        hangingUp_ = true;
        guard::absorb([this] {
            PhoneBook book(phoneBookPath_);
            if (!book.Load()) return;
            const std::optional<PhoneBookEntry> entry = book.Find(connectionEntry_);
            if (!entry || entry->down.empty()) return;
            ShellCommand down;
            if (!down.Start(entry->down, environmentFor(entry->name, entry->userName))) return;
            if (!down.WaitFinished(kCommandTimeoutMs)) down.Terminate();
        });
        hangingUp_ = false;
        if (OnDisconnected) guard::absorb([this] { OnDisconnected(this); });
    }
    connected_ = false;
    connectionHandle_ = -1;
}

void TRasDialer::SetOwnsConnection(bool value)
{
    if (connectionHandle_ >= 0) ownsConnection_ = value;
}

std::string TRasDialer::StatusText(int state)
{
    switch (state) {
    case rasOpenPort: return "Opening the connection...";
    case rasConnectDevice:
    case rasDeviceConnected:
    case rasAllDevicesConnected: return "Dialling...";
    case rasAuthenticate:
    case rasStartAuthentication: return "Checking user name and password...";
    case rasAuthenticated: return "User name and password accepted";
    case rasLogonNetwork: return "Logging on to the network...";
    case rasConnected: return "Connected";
    default: return "";
    }
}

std::string TRasDialer::ErrorText(int code)
{
    switch (code) {
    case raserror::PhoneBookUnreadable: return "The phone book cannot be read";
    case raserror::PhoneBookUnwritable: return "The dial parameters cannot be stored in the phone book";
    case raserror::EntryNotFound: return "The phone book has no such entry";
    case raserror::NoEntry: return "No phone book entry is chosen";
    case raserror::NoUpCommand: return "The phone book entry has no Up command";
    case raserror::ShellNotStarted: return "The command shell could not be started";
    case raserror::DialFailed: return "The Up command failed";
    case raserror::CheckTimedOut: return "The Check command did not finish in time";
    case raserror::DialBusy: return "A dial is already in progress";
    default: return "RAS error no " + std::to_string(code);
    }
}

void TRasDialer::Fail(int code, const std::string& message)
{
    lastError_ = code;
    throw ERASError(code, message.empty() ? ErrorText(code) : message);
}

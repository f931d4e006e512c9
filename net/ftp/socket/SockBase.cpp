// TSockBase: life cycle, status reports, errors, time-outs, lookup, connect and close, and the
// dispatch of socket notifications. Reading, writing and files: SockTransfer.cpp; listening
// and accepting: SockListen.cpp.

#include "net/ftp/socket/SockBase.h"

#include "net/common/ReplyText.h"
#include "net/ftp/socket/ScopeExit.h"
#include "platform/Guard.h"
#include "platform/HostAddress.h"
#include "platform/Wait.h"
#include "platform/WinsockErrors.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <system_error>

namespace {

// Components alive that use the socket layer; the first one records its start-up lines.
int gUsers = 0;

std::vector<std::string> startupLines()
{
    rlimit files{};
    const long maxSockets = ::getrlimit(RLIMIT_NOFILE, &files) == 0 ? static_cast<long>(files.rlim_cur) : 1024;
    return {"Version= 1.1", "High Version= 1.1", "Description= POSIX sockets",
            "System= Running", "Max Sockets= " + std::to_string(maxSockets),
            "Max Udp pack size= 65507"};
}

}  // namespace

TSockBase::TSockBase(QObject* owner) : QObject(owner)
{
    ReportStatus(8, "Create");
    timer_.SetEnabled(false);
    timer_.SetOnTimer([this](QObject*) { TimerFired(); });
    connect(&readNotifier_, &QSocketNotifier::activated, this, [this] { SocketReadable(); });
    connect(&writeNotifier_, &QSocketNotifier::activated, this, [this] { SocketWritable(); });
    InitWinsock();
}

TSockBase::~TSockBase()
{
    // Nothing may leave a destructor; the base's Abort is all that runs from here.
    guard::absorb([this] { ReportStatus(8, "Destroy"); });
    guard::absorb([this] { Cancel(); });
    lookup_.reset();
    timer_.SetEnabled(false);
    sink_.reset();
    source_.reset();
    guard::absorb([this] { CloseSocket(); });
    --gUsers;
}

void TSockBase::InitWinsock()
{
    ReportStatus(8, "Initializing Winsock");
    ++gUsers;
    try {
        if (gUsers == 1) information_ = startupLines();
        if (!NewSocket(true)) CheckError(10035);
    } catch (...) {
        --gUsers;
        throw ESockError("Initializaton of windows sockets failed");
    }
}

bool TSockBase::NewSocket(bool resetOnClose) noexcept
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) {
        sockError_ = winsock::fromErrno(errno);
        return false;
    }
    sock_.reset(fd);
    readNotifier_.setSocket(fd);
    writeNotifier_.setSocket(fd);
    established_ = connecting_ = listening_ = false;
    resetOnClose_ = false;
    if (resetOnClose) SetLinger(true);
    return true;
}

void TSockBase::DropSocket() noexcept
{
    readNotifier_.setEnabled(false);
    writeNotifier_.setEnabled(false);
    sock_.reset();
    pending_.reset();
    ++socketSerial_;
    established_ = connecting_ = listening_ = false;
    // Unsent bytes belong to the connection that is gone.
    txBuf_.clear();
    txPos_ = 0;
}

void TSockBase::DropSocketQuietly() noexcept
{
    // The next Connect makes a fresh socket with the same reset-on-close setting.
    connected_ = false;
    DropSocket();
}

void TSockBase::SetLinger(bool resetOnClose)
{
    resetOnClose_ = resetOnClose;
    if (!sock_) return;
    const linger value{resetOnClose ? 1 : 0, 0};
    ::setsockopt(sock_.get(), SOL_SOCKET, SO_LINGER, &value, sizeof value);
}

// --- status and errors ---

void TSockBase::ReportStatus(int level, const std::string& text)
{
    if (ReportLevel < level) return;
    status_ = text;
    if (OnStatus) OnStatus(this, text);
}

std::string TSockBase::ErrorText(int error)
{
    if (error == 10038) return {};
    ReportStatus(8, "Looking Up Error Message");
    return error != 0 ? "Unknown Error No. " + std::to_string(error) : std::string();
}

std::string TSockBase::CheckError(int ignored)
{
    ReportStatus(16, "Checking Error In Error Manager");
    lastErrorNo_ = sockError_;
    if ((ignored & lastErrorNo_) == ignored) return {};
    const std::string message = ErrorText(lastErrorNo_);
    if (OnError) OnError(this, static_cast<std::uint16_t>(lastErrorNo_), message);
    if (lastErrorNo_ != 10038) throw ESockError(message);
    return message;
}

void TSockBase::RaiseSocketError(int error)
{
    ReportStatus(16, "Checking Error In Error Manager");
    lastErrorNo_ = sockError_ = error;
    const std::string message = ErrorText(error);
    if (OnError) OnError(this, static_cast<std::uint16_t>(error), message);
    throw ESockError(message.empty() ? "Unknown Error No. " + std::to_string(error) : message);
}

// --- time-outs ---

void TSockBase::TimerOn()
{
    ReportStatus(8, "Timer On");
    timedOut_ = false;
    timer_.SetInterval(Timeout > 0 ? static_cast<unsigned>(Timeout) : 0);
    timer_.SetEnabled(true);
}

void TSockBase::TimerOff()
{
    // Stopped before the report, so a raising status handler cannot leave it running.
    timer_.SetEnabled(false);
    ReportStatus(8, "Timer Off");
}

void TSockBase::TimerFired()
{
    timer_.SetEnabled(false);
    timedOut_ = true;
    ReportStatus(8, "Timer Triggered");
    TimerOff();
    Abort();
}

void TSockBase::WaitFor(const std::function<bool()>& condition, int timeoutMs)
{
    const auto result = waiting::waitUntil(condition, timeoutMs, [this] { return canceled_; });
    if (result == waiting::WaitResult::Quit) canceled_ = true;
}

bool TSockBase::WaitWhileMoving(const std::function<bool()>& condition,
                                const std::function<std::int64_t()>& progress)
{
    if (IdleTimeout <= 0) {
        WaitFor(condition);
        return false;
    }
    for (;;) {
        const std::int64_t mark = progress();
        const auto result = waiting::waitUntil([&] { return condition() || progress() != mark; },
                                               IdleTimeout, [this] { return canceled_; });
        if (result == waiting::WaitResult::Quit) canceled_ = true;
        if (result == waiting::WaitResult::TimedOut) return true;
        if (result != waiting::WaitResult::Condition || condition()) return false;
    }
}

// --- lookup and connect ---

void TSockBase::ResolveHost()
{
    ReportStatus(8, "Resolve Host");
    const std::string name = Proxy.empty() ? Host : Proxy;
    std::uint32_t dotted = 0;
    if (ParseDottedAddress(name, dotted)) {
        remoteAddress_ = dotted;
        return;
    }
    remoteAddress_ = 0;
    TimerOn();
    eventArrived_ = false;
    try {
        lookup_ = std::make_unique<netsock::HostLookup>(
            name, false,
            [this](const netsock::HostLookup::Answer& a) {
                guard::absorb([&] {
                    lookupAddress_ = a.error == 0 ? a.addresses.front() : 0;
                    HandleMessage(ListenMessage, 0, a.error);
                });
            },
            this);
    } catch (const std::system_error&) {
        TimerOff();
        throw ESockError("Host Lookup Failed");
    }
    WaitFor([this] { return eventArrived_ || timedOut_; });
    lookup_.reset();  // a late answer is dropped
    TimerOff();
    if (timedOut_) throw ESockError("Host Lookup Timed Out");
    if (canceled_) throw ESockError("Host Lookup Canceled");
    if (!noError_) throw ESockError("Host Lookup Failed");
    remoteAddress_ = lookupAddress_;
    if (OnHostResolved) OnHostResolved(this);
}

void TSockBase::Connect()
{
    ReportStatus(8, "Connecting");
    canceled_ = false;
    if (connected_) throw ESockError("Already connected");

    for (bool firstPass = true;; firstPass = false) {
        try {
            ResolveHost();
        } catch (const ESockError& e) {
            const std::string message = e.message();
            if (message == "Host Lookup Timed Out" || message == "Host Lookup Canceled") throw;
        }
        if (remoteAddress_ != 0) break;
        bool handled = false;
        if (firstPass && OnInvalidHost) OnInvalidHost(handled);
        if (!handled) throw ESockError("Null Remote Address");
    }

    eventArrived_ = false;
    noError_ = true;
    sendError_ = closeError_ = 0;
    if (!sock_ && !NewSocket(resetOnClose_)) RaiseSocketError(sockError_);
    StartConnect(Proxy.empty() ? Port : ProxyPort);
    TimerOn();
    WaitFor([this] { return connected_ || timedOut_ || !noError_; });
    TimerOff();
    if (!timedOut_ && !canceled_ && noError_) return;

    // A socket left half-way in a connect cannot dial again.
    DropSocketQuietly();
    if (OnConnectionFailed) OnConnectionFailed(this);
    if (timedOut_) throw ESockError("Connection Timed Out");
    if (canceled_) throw ESockError("Connection Canceled");
    throw ESockError("Connection Failed");
}

void TSockBase::StartConnect(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = remoteAddress_;
    int error = 0;
    if (::connect(sock_.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (errno == EINPROGRESS) {
            connecting_ = true;
            writeNotifier_.setEnabled(true);
            return;
        }
        error = winsock::fromErrno(errno);
    }
    // Done at once (either way): delivered like a connect that completed later, unless the
    // socket was replaced meanwhile.
    connecting_ = true;
    const unsigned serial = socketSerial_;
    QMetaObject::invokeMethod(
        this,
        [this, error, serial] {
            if (serial != socketSerial_ || !connecting_) return;
            guard::absorb([&] { HandleMessage(SocketMessage, EvConnect, error); });
        },
        Qt::QueuedConnection);
}

void TSockBase::Disconnect()
{
    ReportStatus(8, "Disconnecting");
    CloseSocket();
}

void TSockBase::Abort() {}

std::string TSockBase::Transaction(const std::string& command)
{
    ReportStatus(8, "Transaction");
    replyNumber_ = 0;
    Writeln(command);
    std::string reply = ReadLn();
    lastReply_ = reply;
    if (!reply.empty()) {
        ReportStatus(1, reply);
        replyNumber_ = replytext::ReplyNumber(reply);
    }
    return reply;
}

void TSockBase::RequireConnection()
{
    if (connected_) return;
    bool asked = false;
    while (OnConnectionRequired && !asked) {
        bool handled = false;
        OnConnectionRequired(handled);
        asked = true;
        if (connected_) return;
        if (!handled) break;
    }
    throw Exception("Not Connected");
}

void TSockBase::Cancel()
{
    ReportStatus(8, "Canceling");
    canceled_ = true;
}

void TSockBase::CloseSocket() { CloseSocketReporting(true); }

void TSockBase::CloseSocketUnreported() { CloseSocketReporting(false); }

void TSockBase::CloseSocketReporting(bool report)
{
    // Whatever a handler raises on the way, the socket ends closed and disconnected. The next
    // Connect or Listen makes a fresh one (without the reset on close), so a component that
    // is only closed and freed, like every data connection, opens none.
    ftpsock::ScopeExit finish([this] {
        connected_ = false;
        if (sock_) DropSocket();
        resetOnClose_ = false;
    });
    if (report) ReportStatus(1, "Request Close Socket");
    connected_ = false;
    if (sock_) {
        DropSocket();
        if (OnDisconnect) OnDisconnect(this);
    }
}

// --- notifications ---

void TSockBase::HandleMessage(int message, int event, int error)
{
    switch (message) {
    case SocketMessage:
        noError_ = error == 0;
        switch (event) {
        case EvRead: ReadToStream(); break;
        case EvWrite: WriteFromStream(); break;
        case EvAccept:
            if (error == 0) {
                connected_ = true;
                if (OnAccept) OnAccept(this);
            }
            break;
        case EvConnect:
            connecting_ = false;
            if (error == 0) {
                connected_ = established_ = true;
                ArmRead();
                if (OnConnect) OnConnect(this);
            } else {
                lastErrorNo_ = error;
            }
            break;
        case EvClose:
            // Every byte before the close was read by the read that found it.
            if (error != 0) closeError_ = error;
            connected_ = false;
            CloseSocket();
            break;
        default: break;
        }
        break;
    case ListenMessage:
        noError_ = error == 0;
        eventArrived_ = true;
        if (event == EvAccept && error == 0) {
            connected_ = true;
            if (OnDisconnect) OnDisconnect(this);
        }
        break;
    case SendNextMessage: WriteFromStream(); break;
    case ReadMoreMessage: ReadToStream(); break;
    default: break;
    }
}

void TSockBase::PostMessage(int message)
{
    bool& posted = message == SendNextMessage ? sendNextPosted_ : readMorePosted_;
    if (posted) return;
    posted = true;
    QMetaObject::invokeMethod(
        this,
        [this, message, &posted] {
            posted = false;
            guard::absorb([&] { HandleMessage(message, 0, 0); });
        },
        Qt::QueuedConnection);
}

// Readiness is one-shot: each notifier is disabled when it fires and armed again by the call
// that consumes it, so an idle socket costs nothing.
void TSockBase::SocketReadable()
{
    readNotifier_.setEnabled(false);
    guard::absorb([this] {
        if (listening_) TryAccept();
        else HandleMessage(SocketMessage, EvRead, 0);
    });
}

void TSockBase::SocketWritable()
{
    writeNotifier_.setEnabled(false);
    guard::absorb([this] {
        if (!connecting_) {
            HandleMessage(SocketMessage, EvWrite, 0);
            return;
        }
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(sock_.get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
        HandleMessage(SocketMessage, EvConnect, winsock::fromErrno(error));
    });
}

// --- texts ---

namespace {
sockaddr_in localAddress(int fd)
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (fd < 0 || ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        address = sockaddr_in{};
    return address;
}
}  // namespace

std::string TSockBase::LocalAddressText() const
{
    const sockaddr_in address = localAddress(sock_.get());
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    std::string out = text;
    for (char& c : out)
        if (c == '.') c = ',';
    return out;
}

int TSockBase::LocalPort() const { return ntohs(localAddress(sock_.get()).sin_port); }

std::string TSockBase::PortText() const
{
    const int port = LocalPort();
    char text[32];
    std::snprintf(text, sizeof text, ",%d,%d", port >> 8, port & 0xff);
    return text;
}

std::string TSockBase::NthField(std::string_view text, char separator, int n)
{
    std::size_t start = 0;
    for (int field = 1; n >= 1; ++field) {
        const std::size_t end = text.find(separator, start);
        if (field == n) return std::string(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return {};
}

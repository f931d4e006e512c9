#include "net/smtp/socket/AsyncSocket.h"

#include "platform/HostAddress.h"
#include "net/smtp/socket/SocketWatch.h"
#include "platform/ByteText.h"
#include "platform/WinsockErrors.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <system_error>

namespace {

// The number formed by the leading digits; false when it exceeds `max` (no wrapping).
bool leadingNumber(const std::string& text, int max, int& out)
{
    long long n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        n = n * 10 + (c - '0');
        if (n > max) return false;
    }
    out = static_cast<int>(n);
    return true;
}

bool startsWithDigit(const std::string& s) { return !s.empty() && s[0] >= '0' && s[0] <= '9'; }

bool setIntOption(int fd, int option, int value)
{
    return setsockopt(fd, SOL_SOCKET, option, &value, sizeof value) == 0;
}

}  // namespace

TCustomAsyncSocket::TCustomAsyncSocket(QObject* owner) : QObject(owner), queue_(TBuffer::kDefaultSize)
{
    ResetFields();
}

TCustomAsyncSocket::~TCustomAsyncSocket()
{
    destroying_ = true;
    // Handlers often belong to the owner, which is being torn down too: a dying socket reports
    // nothing.
    OnSessionAvailable = OnSessionConnected = OnSessionClosed = OnDataAvailable = OnDataSent = nullptr;
    OnDnsLookupDone = nullptr;
    OnChangeState = nullptr;
    OnLineTooLong = OnError = nullptr;
    try {
        CancelDnsLookup();
    } catch (...) {
    }
    try {
        if (state_ != wsClosed || fd_.valid()) Close();
    } catch (...) {
    }
    watch_.reset();
}

std::string TCustomAsyncSocket::ErrorText(int error) { return winsock::errorText(error); }

// ---- settings ------------------------------------------------------------------------------

void TCustomAsyncSocket::SetAddr(const std::string& value)
{
    if (state_ != wsClosed) {
        RaiseException("Cannot change Addr if not closed");
        return;
    }
    addr_ = bytetext::trim(value);
    addrResolved_ = false;
    addrAssigned_ = !addr_.empty();
}

void TCustomAsyncSocket::SetPort(const std::string& value)
{
    if (portAssigned_ && value == port_) return;
    if (state_ != wsClosed) {
        RaiseException("Cannot change Port if not closed");
        return;
    }
    port_ = bytetext::trim(value);
    portAssigned_ = false;
    addrResolved_ = false;
    if (port_.empty()) return;
    int n = 0;
    const bool ok = startsWithDigit(port_) ? leadingNumber(port_, 65535, n)
                                           : LookupServicePort(port_, proto_, n);
    if (!ok) {
        RaiseException("SetPort: Cannot convert port '" + port_ + "'");
        return;
    }
    portNum_ = n;
    portAssigned_ = true;
}

void TCustomAsyncSocket::SetProto(const std::string& value)
{
    if (protoAssigned_ && value == proto_) return;
    if (state_ != wsClosed) {
        RaiseException("Cannot change Proto if not closed");
        return;
    }
    proto_ = bytetext::trim(value);
    protoAssigned_ = false;
    if (proto_.empty()) return;
    int n = 0;
    const bool ok = startsWithDigit(proto_) ? leadingNumber(proto_, 255, n)
                                            : LookupProtocolNumber(proto_, n);
    if (!ok) {
        RaiseException("SetProto: Cannot convert protocol '" + proto_ + "'");
        return;
    }
    protoNum_ = n;
    sockType_ = n == IPPROTO_UDP ? 2 : 1;
    protoAssigned_ = true;
}

TSocketWaitControl* TCustomAsyncSocket::WaitCtrl() const { return waitCtrlObject_ ? waitCtrl_ : nullptr; }

void TCustomAsyncSocket::SetWaitCtrl(TSocketWaitControl* ctrl)
{
    waitCtrl_ = ctrl;
    waitCtrlObject_ = ctrl ? ctrl->WaitObject() : nullptr;
}

TSocketSendFlags TCustomAsyncSocket::SendFlags()
{
    if (sendFlags_ != wsSendNormal && sendFlags_ != wsSendUrgent) {
        RaiseException("Invalid internal SendFlags");
        return wsSendNormal;
    }
    return static_cast<TSocketSendFlags>(sendFlags_);
}

void TCustomAsyncSocket::SetSendFlags(TSocketSendFlags value)
{
    if (value != wsSendNormal && value != wsSendUrgent) {
        RaiseException("Invalid SendFlags");
        return;
    }
    sendFlags_ = value;
}

int TCustomAsyncSocket::RcvdCount() const
{
    if (!fd_.valid()) return -1;
    int n = 0;
    return ioctl(fd_.get(), FIONREAD, &n) == 0 ? n : -1;
}

void TCustomAsyncSocket::ResetFields()
{
    remote_ = sockaddr_in{};
    remote_.sin_family = AF_INET;
    portAssigned_ = addrAssigned_ = addrResolved_ = false;
    protoAssigned_ = true;
    protoNum_ = IPPROTO_TCP;
    proto_ = "tcp";
    sockType_ = 1;
    lingerOnOff_ = wsLingerOn;
    lingerTimeout_ = 0;
    state_ = wsClosed;
    awaitedState_ = wsInvalidState;
    line_.clear();
    lineReading_ = false;
    allSent_ = true;
    readCount_ = 0;
    closedEventFired_ = false;
    flushTimeout_ = 60;
    localPort_ = 0;
}

// ---- opening -------------------------------------------------------------------------------

bool TCustomAsyncSocket::ResolveAddr()
{
    if (!addrResolved_) {
        std::uint32_t a = INADDR_BROADCAST;
        if (addr_ != "255.255.255.255" && !ParseDottedAddress(addr_, a)) {
            std::vector<std::uint32_t> all;
            if (LookupHostAddresses(addr_, all) != 0)
                throw ESockError("SetAddr: Cannot convert host address '" + addr_ + "'");
            a = all.front();
        }
        remote_.sin_family = AF_INET;
        remote_.sin_addr.s_addr = a;
        addrResolved_ = true;
    }
    remote_.sin_port = htons(static_cast<std::uint16_t>(portNum_));
    return true;
}

bool TCustomAsyncSocket::ApplyLinger(int fd)
{
    if (lingerOnOff_ == wsLingerNoSet) return true;
    linger l{};
    l.l_onoff = lingerOnOff_ == wsLingerOn ? 1 : 0;
    l.l_linger = lingerTimeout_;
    if (setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l) == 0) return true;
    SocketError(winsock::fromErrno(errno), "setsockopt(SO_LINGER)");
    return false;
}

void TCustomAsyncSocket::DropHandle()
{
    watch_.reset();
    (void)fd_.reset();
    ++serial_;
}

void TCustomAsyncSocket::Connect()
{
    if (fd_.valid() && state_ != wsClosed) return RaiseException("Connect: Socket already in use");
    if (!portAssigned_) return RaiseException("Connect: No Port Specified");
    if (!addrAssigned_) return RaiseException("Connect: No IP Address Specified");
    if (!protoAssigned_) return RaiseException("Connect: No Protocol Specified");
    ResolveAddr();

    queue_.Clear();
    allSent_ = true;
    const bool datagram = IsDatagram();
    FdHandle s(::socket(AF_INET, (datagram ? SOCK_DGRAM : SOCK_STREAM) | SOCK_NONBLOCK | SOCK_CLOEXEC,
                            protoNum_));
    if (!s.valid()) return SocketError(winsock::fromErrno(errno), "Connect (socket)");
    DropHandle();
    fd_ = std::move(s);
    resetError_ = 0;
    closedEventFired_ = false;
    ChangeState(wsOpened);
    const int serial = serial_;
    // A failed option leaves no half-open socket behind.
    auto abandon = [&] {
        if (serial_ != serial) return;
        DropHandle();
        ChangeState(wsClosed);
    };
    try {
        const int fd = fd_.get();
        if (datagram) {
            BindAnyPort();
            if (localPort_ == 0) return abandon();
            if (remote_.sin_addr.s_addr == INADDR_BROADCAST && !setIntOption(fd, SO_BROADCAST, 1)) {
                SocketError(winsock::fromErrno(errno), "setsockopt(SO_BROADCAST)");
                return abandon();
            }
        } else {
            if (!ApplyLinger(fd)) return abandon();
            if (!setIntOption(fd, SO_KEEPALIVE, 1)) {
                SocketError(winsock::fromErrno(errno), "setsockopt(SO_KEEPALIVE)");
                return abandon();
            }
            if (!setIntOption(fd, SO_REUSEADDR, 1)) {
                SocketError(winsock::fromErrno(errno), "setsockopt(SO_REUSEADDR)");
                return abandon();
            }
        }
        StartWatch(FD_READ | FD_WRITE | FD_ACCEPT | FD_CONNECT | FD_CLOSE);
        if (datagram) {
            ChangeState(wsConnected);
            watch_->ArmRead();
            watch_->ArmWrite();
            TriggerSessionConnected(0);
            return;
        }
        const int rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&remote_), sizeof remote_);
        const int err = rc == 0 ? 0 : errno;
        ChangeState(wsConnecting);
        if (serial_ != serial) return;
        if (rc == 0 || err == EINPROGRESS || err == EINTR) {
            watch_->ArmWrite();  // writable = the connect has ended
        } else {
            // Refused at once (loopback does that): reported like any other connect failure,
            // through the event loop and OnSessionConnected, never raised from here.
            lastError_ = winsock::fromErrno(err);
            PostNotification(FD_CONNECT, lastError_);
        }
    } catch (...) {
        abandon();
        throw;
    }
}

void TCustomAsyncSocket::BindAnyPort()
{
    localPort_ = 0;
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(fd_.get(), reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0)
        return RaiseException("winsock.bind failed, error #" + std::to_string(winsock::fromErrno(errno)));
    sockaddr_in local{};
    socklen_t len = sizeof local;
    if (getsockname(fd_.get(), reinterpret_cast<sockaddr*>(&local), &len) != 0)
        return RaiseException("winsock.getsockname failed, error #" +
                              std::to_string(winsock::fromErrno(errno)));
    localPort_ = ntohs(local.sin_port);
}

void TCustomAsyncSocket::Listen()
{
    if (!portAssigned_) return RaiseException("listen: port not assigned");
    if (!protoAssigned_) return RaiseException("listen: protocol not assigned");
    if (!addrAssigned_) return RaiseException("listen: address not assigned");
    if (fd_.valid() && state_ != wsClosed) return RaiseException("listen: socket already in use");
    ResolveAddr();

    const bool datagram = IsDatagram();
    FdHandle s(::socket(AF_INET, (datagram ? SOCK_DGRAM : SOCK_STREAM) | SOCK_NONBLOCK | SOCK_CLOEXEC,
                            protoNum_));
    if (!s.valid()) return SocketError(winsock::fromErrno(errno), "socket");
    if (::bind(s.get(), reinterpret_cast<const sockaddr*>(&remote_), sizeof remote_) != 0)
        return SocketError(winsock::fromErrno(errno), "Bind");
    // A datagram socket has no connections to wait for: bound, it receives.
    if (!datagram && ::listen(s.get(), 5) != 0) return SocketError(winsock::fromErrno(errno), "Listen");
    DropHandle();
    fd_ = std::move(s);
    closedEventFired_ = false;
    sockaddr_in local{};
    socklen_t len = sizeof local;
    if (getsockname(fd_.get(), reinterpret_cast<sockaddr*>(&local), &len) == 0) localPort_ = ntohs(local.sin_port);
    StartWatch(FD_READ | FD_WRITE | FD_ACCEPT | FD_CONNECT | FD_CLOSE);
    watch_->ArmRead();
    ChangeState(wsListening);
}

FdHandle TCustomAsyncSocket::Accept()
{
    if (state_ != wsListening) {
        SocketError(10022, "not a listening socket");
        return {};
    }
    sockaddr_in peer{};
    socklen_t len = sizeof peer;
    FdHandle h(accept4(fd_.get(), reinterpret_cast<sockaddr*>(&peer), &len, SOCK_NONBLOCK | SOCK_CLOEXEC));
    const int err = errno;
    if (watch_) watch_->ArmRead();  // accept re-enables the accept notification
    if (!h.valid()) SocketError(winsock::fromErrno(err), "Accept");
    return h;
}

void TCustomAsyncSocket::Dup(FdHandle handle)
{
    if (handle.get() <= 0) return SocketError(10022, "Dup");
    if (fd_.valid()) {
        watch_.reset();
        const int err = fd_.reset();
        ++serial_;
        if (err != 0) SocketError(winsock::fromErrno(err), "Dup (closesocket)");
    }
    const int flags = fcntl(handle.get(), F_GETFL);
    if (flags >= 0) fcntl(handle.get(), F_SETFL, flags | O_NONBLOCK);
    fcntl(handle.get(), F_SETFD, FD_CLOEXEC);
    fd_ = std::move(handle);
    ++serial_;
    resetError_ = 0;
    closedEventFired_ = false;
    int type = SOCK_STREAM;
    socklen_t len = sizeof type;
    getsockopt(fd_.get(), SOL_SOCKET, SO_TYPE, &type, &len);
    sockType_ = type == SOCK_DGRAM ? 2 : 1;
    len = sizeof remote_;
    getpeername(fd_.get(), reinterpret_cast<sockaddr*>(&remote_), &len);
    if (!IsDatagram() && !ApplyLinger(fd_.get())) return;
    StartWatch(FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE);
    watch_->ArmRead();
    watch_->ArmWrite();
    if (!IsDatagram()) watch_->ArmClose();
    ChangeState(wsConnected);
}

// ---- closing -------------------------------------------------------------------------------

void TCustomAsyncSocket::Close() { InternalClose(true); }

void TCustomAsyncSocket::InternalClose(bool shutdown, int error)
{
    if (fd_.valid()) {
        if (shutdown) ::shutdown(fd_.get(), SHUT_RDWR);
        watch_.reset();
        const int closeErr = fd_.reset();  // once, whatever it says
        const int serial = ++serial_;
        QPointer<TCustomAsyncSocket> self(this);
        ChangeState(wsClosed);
        if (!self) return;
        if (serial_ == serial && !closedEventFired_ && !destroying_) {
            closedEventFired_ = true;
            TriggerSessionClosed(static_cast<std::uint16_t>(error));
            if (!self) return;
        }
        // A handler may already have opened the next connection; its fields stay.
        if (serial_ == serial) ResetFields();
        if (closeErr != 0) SocketError(winsock::fromErrno(closeErr), "Disconnect (closesocket)");
    } else if (state_ != wsClosed) {
        ChangeState(wsClosed);
        ResetFields();
    }
}

void TCustomAsyncSocket::Abort()
{
    CancelDnsLookup();
    queue_.Clear();
    allSent_ = true;
    if (state_ == wsConnected && fd_.valid()) {
        linger l{};
        setsockopt(fd_.get(), SOL_SOCKET, SO_LINGER, &l, sizeof l);
    }
    InternalClose(false);
}

void TCustomAsyncSocket::Shutdown(int how)
{
    if (fd_.valid()) ::shutdown(fd_.get(), how);
}

// ---- data ----------------------------------------------------------------------------------

std::int64_t TCustomAsyncSocket::Send(const void* data, std::int64_t length)
{
    if (state_ != wsConnected) {
        SocketError(10057, "Send");
        return -1;
    }
    allSent_ = false;
    if (length > 0) queue_.Append(static_cast<const char*>(data), length);
    const int serial = serial_;
    QPointer<TCustomAsyncSocket> self(this);
    TryToSend();
    // All gone at once: OnDataSent still comes through the event loop, after this returns.
    if (self && serial_ == serial && allSent_) PostNotification(FD_WRITE, 0);
    return length;
}

std::int64_t TCustomAsyncSocket::SendStr(const std::string& text)
{
    return Send(text.data(), static_cast<std::int64_t>(text.size()));
}

std::int64_t TCustomAsyncSocket::RealSend(const char* data, int length)
{
    const int flags = MSG_NOSIGNAL | (sendFlags_ == wsSendUrgent ? MSG_OOB : 0);
    if (IsDatagram())
        return ::sendto(fd_.get(), data, static_cast<std::size_t>(length), flags,
                        reinterpret_cast<const sockaddr*>(&remote_), sizeof remote_);
    return ::send(fd_.get(), data, static_cast<std::size_t>(length), flags);
}

void TCustomAsyncSocket::NoteFailure(int err)
{
    if (err == ECONNRESET || err == EPIPE || err == ECONNABORTED || err == ETIMEDOUT)
        resetError_ = winsock::fromErrno(err);
}

int TCustomAsyncSocket::Receive(void* buffer, int size)
{
    if (!fd_.valid()) {
        lastError_ = 10038;
        return -1;
    }
    const auto n = ::recv(fd_.get(), buffer, static_cast<std::size_t>(size > 0 ? size : 0), 0);
    if (n < 0) {
        const int err = errno;
        lastError_ = winsock::fromErrno(err);
        NoteFailure(err);
    } else {
        readCount_ += n;
        consumed_ += n;
    }
    if (watch_ && (state_ == wsConnected || (IsDatagram() && state_ == wsListening))) watch_->ArmRead();
    return static_cast<int>(n);
}

int TCustomAsyncSocket::ReceiveFrom(void* buffer, int size, sockaddr_in& from)
{
    if (!fd_.valid()) {
        lastError_ = 10038;
        return -1;
    }
    socklen_t len = sizeof from;
    const auto n = ::recvfrom(fd_.get(), buffer, static_cast<std::size_t>(size > 0 ? size : 0), 0,
                              reinterpret_cast<sockaddr*>(&from), &len);
    if (n < 0) {
        lastError_ = winsock::fromErrno(errno);
    } else {
        readCount_ += n;
        consumed_ += n;
    }
    if (watch_ && (state_ == wsConnected || (IsDatagram() && state_ == wsListening))) watch_->ArmRead();
    return static_cast<int>(n);
}

std::string TCustomAsyncSocket::ReceiveStr()
{
    const int waiting = RcvdCount();
    if (waiting <= 0) return {};
    std::string text(static_cast<std::size_t>(waiting), '\0');
    const int n = Receive(text.data(), waiting);
    text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return text;
}

// ---- addresses -----------------------------------------------------------------------------

int TCustomAsyncSocket::GetPeerName(sockaddr_in& name)
{
    socklen_t len = sizeof name;
    return getpeername(fd_.get(), reinterpret_cast<sockaddr*>(&name), &len) == 0 ? 0 : -1;
}

std::string TCustomAsyncSocket::GetPeerAddr()
{
    if (state_ != wsConnected) return "error";
    // A datagram socket has no peer of its own; its peer is where it sends.
    if (IsDatagram()) return DottedAddress(remote_.sin_addr.s_addr);
    sockaddr_in peer{};
    if (GetPeerName(peer) != 0) {
        SocketError(winsock::fromErrno(errno), "GetPeerName");
        return "error";
    }
    return DottedAddress(peer.sin_addr.s_addr);
}

int TCustomAsyncSocket::GetSockName(sockaddr_in& name)
{
    socklen_t len = sizeof name;
    return getsockname(fd_.get(), reinterpret_cast<sockaddr*>(&name), &len) == 0 ? 0 : -1;
}

std::string TCustomAsyncSocket::GetXPort()
{
    sockaddr_in local{};
    if (!fd_.valid() || GetSockName(local) != 0) return "error";
    return std::to_string(ntohs(local.sin_port));
}

// ---- host lookups --------------------------------------------------------------------------

bool TCustomAsyncSocket::PrepareLookup(const std::string& query)
{
    if (query.empty()) {
        RaiseException("DNS lookup: invalid host name.");
        TriggerDnsLookupDone(10022);
        return false;
    }
    CancelDnsLookup();
    dnsResultList_.clear();
    dnsResult_.clear();
    return true;
}

void TCustomAsyncSocket::DnsLookup(const std::string& name)
{
    if (!PrepareLookup(name)) return;
    std::uint32_t a = 0;
    if (ParseDottedAddress(name, a)) {
        dnsResult_ = name;
        TriggerDnsLookupDone(0);
        return;
    }
    StartLookup(name, false);
}

void TCustomAsyncSocket::ReverseDnsLookup(const std::string& address)
{
    if (PrepareLookup(address)) StartLookup(address, true);
}

void TCustomAsyncSocket::StartLookup(const std::string& query, bool reverse)
{
    try {
        const int id = ++lookupId_;
        lookup_ = std::make_unique<netsock::HostLookup>(
            query, reverse, [this, id, reverse](const netsock::HostLookup::Answer& a) { LookupAnswered(id, reverse, a); },
            this);
    } catch (const std::system_error& e) {
        RaiseException(query + ": can't start DNS lookup, error #" +
                       std::to_string(winsock::fromErrno(e.code().value())));
    }
}

void TCustomAsyncSocket::CancelDnsLookup()
{
    if (!lookup_) return;
    lookup_.reset();
    if (!destroying_) TriggerDnsLookupDone(10004);
}

// ---- errors and events ---------------------------------------------------------------------

void TCustomAsyncSocket::SocketError(int error, const std::string& functionName)
{
    const std::string message = "Error " + std::to_string(error) + " in function " + functionName +
                                "\r\n" + ErrorText(error);
    if (error == 10054 || error == 10057) {
        if (fd_.valid()) DropHandle();
        ChangeState(wsClosed);
    }
    lastError_ = error;
    RaiseException(message);
}

void TCustomAsyncSocket::RaiseException(const std::string& message)
{
    if (OnError) {
        TriggerError();
        return;
    }
    throw ESockError(message);
}

void TCustomAsyncSocket::ChangeState(TSocketState newState)
{
    const TSocketState old = state_;
    if (old == newState) return;
    state_ = newState;
    TriggerChangeState(old, newState);
    CheckWait();
}

bool TCustomAsyncSocket::TriggerDataAvailable(std::uint16_t error)
{
    if (!OnDataAvailable) return false;
    OnDataAvailable(this, error);
    return true;
}

void TCustomAsyncSocket::TriggerSessionAvailable(std::uint16_t error)
{
    if (OnSessionAvailable) OnSessionAvailable(this, error);
}

void TCustomAsyncSocket::TriggerSessionConnected(std::uint16_t error)
{
    if (OnSessionConnected) OnSessionConnected(this, error);
}

void TCustomAsyncSocket::TriggerSessionClosed(std::uint16_t error)
{
    if (OnSessionClosed) OnSessionClosed(this, error);
}

void TCustomAsyncSocket::TriggerDataSent(std::uint16_t error)
{
    if (OnDataSent) OnDataSent(this, error);
}

void TCustomAsyncSocket::TriggerChangeState(TSocketState oldState, TSocketState newState)
{
    if (OnChangeState) OnChangeState(this, oldState, newState);
}

void TCustomAsyncSocket::TriggerDnsLookupDone(std::uint16_t error)
{
    if (OnDnsLookupDone) OnDnsLookupDone(this, error);
}

void TCustomAsyncSocket::TriggerError()
{
    if (OnError) OnError(this);
}

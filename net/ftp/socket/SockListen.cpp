// TSockBase: listening for and accepting a data connection.

#include "net/ftp/socket/SockBase.h"

#include "platform/WinsockErrors.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

// Room for the server's connection and any that race it, so Accept sees them all.
constexpr int kListenBacklog = 8;

std::uint32_t peerAddress(int fd)
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (fd < 0 || ::getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
    return address.sin_addr.s_addr;
}

}  // namespace

void TSockBase::Listen(bool dataMessage)
{
    ReportStatus(8, "Listening");
    if (!sock_ && !NewSocket(resetOnClose_)) RaiseSocketError(sockError_);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(Port));
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    // Only where the server can reach us: the address the control connection uses.
    if (control_ && control_->sock_) {
        sockaddr_in local{};
        socklen_t length = sizeof local;
        if (::getsockname(control_->sock_.get(), reinterpret_cast<sockaddr*>(&local), &length) == 0 &&
            local.sin_addr.s_addr != htonl(INADDR_ANY))
            address.sin_addr = local.sin_addr;
    }
    if (::bind(sock_.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(sock_.get(), kListenBacklog) != 0)
        RaiseSocketError(winsock::fromErrno(errno));
    listening_ = true;
    listenMessage_ = dataMessage ? ListenMessage : SocketMessage;
    eventArrived_ = false;
    noError_ = true;
    pending_.reset();
    // Nothing is accepted before Accept asks: the transfer's command has not gone out yet.
    readNotifier_.setEnabled(false);
}

bool TSockBase::RivalWaiting()
{
    bool rival = false;
    for (;;) {
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        FdHandle other(::accept4(sock_.get(), reinterpret_cast<sockaddr*>(&peer), &length, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!other) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            return rival;
        }
        if (AcceptsPeer(peer.sin_addr.s_addr)) rival = true;
    }
}


bool TSockBase::AcceptsPeer(std::uint32_t address) const
{
    if (!control_) return true;
    std::uint32_t expected = peerAddress(control_->sock_.get());
    if (expected == 0) expected = control_->remoteAddress_;
    return expected == 0 || address == expected;
}

void TSockBase::TryAccept()
{
    if (!listening_ || pending_) return;
    for (;;) {
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        FdHandle accepted(::accept4(sock_.get(), reinterpret_cast<sockaddr*>(&peer),
                                                 &length, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!accepted) {
            const int error = errno;
            if (error == EINTR || error == ECONNABORTED) continue;
            if (error == EAGAIN || error == EWOULDBLOCK) {
                readNotifier_.setEnabled(true);
                return;
            }
            HandleMessage(listenMessage_, EvAccept, winsock::fromErrno(error));
            return;
        }
        // Anyone else who reaches the port is turned away; the listener waits on.
        if (!AcceptsPeer(peer.sin_addr.s_addr)) continue;
        pending_ = std::move(accepted);
        remoteAddress_ = peer.sin_addr.s_addr;
        HandleMessage(listenMessage_, EvAccept, 0);
        return;
    }
}

FdHandle TSockBase::Accept()
{
    // A server that cannot connect answers on the control connection (425) instead.
    const auto controlReplied = [this] { return control_ && control_->rxBuf_.holdsLine(); };
    if (!pending_ && listening_ && noError_) TryAccept();
    WaitFor([&] { return eventArrived_ || pending_.valid() || controlReplied(); },
            Timeout > 0 ? Timeout : -1);
    if (canceled_) {
        canceled_ = false;
        throw ESockError("Accepting Canceled");
    }
    // The server may have connected just before its reply was read.
    if (!pending_ && listening_ && noError_) TryAccept();
    if (!pending_) throw ESockError("Error creating Data Connection");
    if (RivalWaiting()) {
        pending_.reset();
        throw ESockError("Data connection refused: a second connection came from the server's address");
    }
    ReportStatus(4, "Accepting");
    FdHandle accepted = std::move(pending_);
    if (canceled_) {
        canceled_ = false;
        throw EAbortError("Socket send aborted");
    }
    return accepted;
}

void TSockBase::AdoptSocket(FdHandle accepted)
{
    if (!accepted) throw ESockError("Error creating Data Connection");
    const bool reset = resetOnClose_;
    DropSocket();
    sock_ = std::move(accepted);
    readNotifier_.setSocket(sock_.get());
    writeNotifier_.setSocket(sock_.get());
    SetLinger(reset);  // as the listener had it
    connected_ = established_ = true;
    noError_ = true;
    sendError_ = closeError_ = 0;
    ArmRead();
}

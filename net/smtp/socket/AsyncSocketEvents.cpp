// The socket's notifications: readiness from the watch and posted events become Winsock-style
// events, dispatched in Winsock's order.

#include "net/smtp/socket/AsyncSocket.h"

#include "platform/HostAddress.h"
#include "net/smtp/socket/SocketWatch.h"
#include "platform/Guard.h"
#include "platform/WinsockErrors.h"

#include <QCoreApplication>
#include <cerrno>
#include <sys/epoll.h>
#include <sys/socket.h>

namespace {

// The notification the socket posts to itself (a write notification after a send that went out
// at once, a connect that failed at once). It names the handle it was meant for.
class SocketNotifyEvent : public QEvent {
public:
    static QEvent::Type eventType()
    {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    SocketNotifyEvent(int serial, int events, int error)
        : QEvent(eventType()), serial(serial), events(events), error(error)
    {
    }
    int serial, events, error;
};

int pendingSocketError(int fd)
{
    int err = 0;
    socklen_t len = sizeof err;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) return errno;
    return err;
}

}  // namespace

void TCustomAsyncSocket::StartWatch(int mask)
{
    // Every notifier runs its handler through the guard: a handler's failure goes to the
    // application's exception handler, never into the event loop.
    auto guarded = [this](void (TCustomAsyncSocket::*handler)()) {
        return [this, handler] { guard::toApplication([&] { (this->*handler)(); }); };
    };
    watch_ = std::make_unique<SocketWatch>(fd_.get(), this, guarded(&TCustomAsyncSocket::ReadReady),
                                           guarded(&TCustomAsyncSocket::WriteReady),
                                           guarded(&TCustomAsyncSocket::CloseReady));
    eventMask_ = mask;
    paused_ = false;
}

void TCustomAsyncSocket::PostNotification(int events, int error)
{
    QCoreApplication::postEvent(this, new SocketNotifyEvent(serial_, events, error));
}

void TCustomAsyncSocket::customEvent(QEvent* event)
{
    if (event->type() == SocketNotifyEvent::eventType()) {
        const auto* ev = static_cast<SocketNotifyEvent*>(event);
        if (ev->serial != serial_ || !fd_.valid() || paused_) return;
        guard::toApplication([&] { WndProc(ev->events, ev->error); });
    }
}

void TCustomAsyncSocket::LookupAnswered(int id, bool reverse, const netsock::HostLookup::Answer& answer)
{
    if (!lookup_ || id != lookupId_) return;  // cancelled or superseded
    lookup_.reset();
    guard::toApplication([&] {
        if (answer.error == 0) {
            std::vector<std::string> results;
            if (reverse) results.push_back(answer.name);
            for (const std::uint32_t a : answer.addresses) results.push_back(DottedAddress(a));
            if (!results.empty()) {
                dnsResultList_ = std::move(results);
                dnsResult_ = dnsResultList_.front();
            }
        }
        TriggerDnsLookupDone(static_cast<std::uint16_t>(answer.error));
    });
}

void TCustomAsyncSocket::ReadReady()
{
    if (state_ == wsListening && !IsDatagram()) return WndProc(FD_ACCEPT, 0);
    if (IsDatagram()) {
        // An empty datagram shows as nothing waiting; taken here so it cannot block the rest.
        char none;
        if (RcvdCount() == 0 && ::recv(fd_.get(), &none, 0, MSG_DONTWAIT) == 0) {
            watch_->ArmRead();
            return;
        }
        return WndProc(FD_READ, 0);
    }
    if (RcvdCount() > 0) return WndProc(FD_READ, 0);
    char c;
    const auto n = ::recv(fd_.get(), &c, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n > 0) return WndProc(FD_READ, 0);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        watch_->ArmRead();  // woke for nothing
        return;
    }
    if (n < 0) NoteFailure(errno);
    // End of stream or an error: the close watch reports it (stays disarmed until a recv).
    if (!watch_->WatchesClose()) WndProc(FD_CLOSE, resetError_);
}

void TCustomAsyncSocket::WriteReady()
{
    if (state_ == wsConnecting) {
        const int err = winsock::fromErrno(pendingSocketError(fd_.get()));
        // As with Winsock, a connected socket is writable at once: FD_WRITE follows FD_CONNECT.
        return WndProc(err == 0 ? (FD_CONNECT | FD_WRITE) : FD_CONNECT, err);
    }
    WndProc(FD_WRITE, 0);
}

void TCustomAsyncSocket::CloseReady()
{
    const unsigned ev = watch_->TakeCloseEvents();
    if (ev == 0) {
        watch_->ArmClose();
        return;
    }
    int err = (ev & EPOLLERR) ? winsock::fromErrno(pendingSocketError(fd_.get())) : 0;
    if (err == 0) err = resetError_;
    WndProc(FD_CLOSE, err);
}

void TCustomAsyncSocket::WndProc(int events, int error)
{
    if (paused_ || !fd_.valid()) return;
    events &= eventMask_;
    QPointer<TCustomAsyncSocket> self(this);
    const int serial = serial_;
    auto current = [&] { return self && serial_ == serial && fd_.valid(); };
    // Each step runs guarded on its own, so a failing handler cannot skip the bookkeeping after it.
    auto step = [&](auto&& body) {
        if (current()) guard::toApplication(body);
    };
    const auto err = static_cast<std::uint16_t>(error);

    if (events & FD_CONNECT) {
        step([&] {
            ChangeState(wsConnected);
            if (!current()) return;
            if (error == 0) {
                watch_->ArmRead();
                watch_->ArmClose();
            }
            TriggerSessionConnected(err);
        });
        if (error != 0) step([&] { Close(); });
    }
    if (events & FD_READ) step([&] { ReadLoop(error); });
    if (events & FD_WRITE) {
        step([&] {
            TryToSend();
            if (current() && allSent_ && OnDataSent) TriggerDataSent(err);
        });
    }
    if (events & FD_ACCEPT) step([&] { TriggerSessionAvailable(err); });
    if ((events & FD_CLOSE) && state_ != wsConnecting) {
        step([&] { ReadLoop(error); });  // the data that came with the close goes first
        step([&] {
            lineReading_ = false;
            dropUntilClose_ = false;
            if (!closedEventFired_) {
                closedEventFired_ = true;
                TriggerSessionClosed(err);
            }
        });
        step([&] {
            if (state_ != wsClosed) Close();
        });
    }
    if (self) CheckWait();
}

void TCustomAsyncSocket::ReadLoop(int error)
{
    QPointer<TCustomAsyncSocket> self(this);
    const int serial = serial_;
    while (self && serial_ == serial && fd_.valid() && RcvdCount() > 0) {
        lastError_ = 0;
        const std::int64_t before = consumed_;
        try {
            if (lineReading_) {
                ReadLineBytes();
            } else if (dropUntilClose_ || !TriggerDataAvailable(static_cast<std::uint16_t>(error))) {
                char drop[1024];
                Receive(drop, sizeof drop);
            }
        } catch (...) {
            guard::handleApplicationException(std::current_exception());
            break;
        }
        if (!self) return;
        if (lastError_ != 0 && lastError_ != 10035) break;
        // A handler that took nothing (its buffer is full) would make this spin for ever; the
        // bytes wait for its next Receive.
        if (consumed_ == before) break;
    }
}

void TCustomAsyncSocket::TryToSend()
{
    if (!fd_.valid()) return;
    if (!queue_.HasUnread()) {
        queue_.Clear();
        allSent_ = true;
        return;
    }
    for (;;) {
        TBuffer* block = queue_.Front();
        const char* data = nullptr;
        const int len = block ? block->Peek(data) : 0;
        if (len == 0) {
            if (queue_.DropEmptyFront()) continue;
            allSent_ = true;
            break;
        }
        const std::int64_t n = RealSend(data, len);
        if (n < 0) {
            const int sysErr = errno;
            const int e = winsock::fromErrno(sysErr);
            if (sysErr == EAGAIN || sysErr == EWOULDBLOCK || sysErr == EINTR) {
                watch_->ArmWrite();  // the next write notification resumes
                return;
            }
            if (e == 10022 || e == 10038 || e == 10054 || e == 10057) {
                NoteFailure(sysErr);
                lastError_ = e;
                InternalClose(false, e);
                return;
            }
            SocketError(e, "TryToSend failed");
            return;
        }
        block->Remove(static_cast<int>(n));
        if (n < len) {
            // The platform took part of it: its buffer is full, so the rest waits for room.
            watch_->ArmWrite();
            return;
        }
    }
    CheckWait();
}

void TCustomAsyncSocket::Pause()
{
    paused_ = true;
    if (watch_) watch_->Suspend();
}

void TCustomAsyncSocket::Resume()
{
    paused_ = false;
    eventMask_ = FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE;
    if (!watch_) return;
    watch_->Resume();
    // Selecting again reports what is pending now, as Winsock does: data to read, room to write.
    if (state_ == wsConnected || (IsDatagram() && state_ == wsListening)) watch_->ArmRead();
    if (state_ == wsConnected || state_ == wsConnecting) watch_->ArmWrite();
}

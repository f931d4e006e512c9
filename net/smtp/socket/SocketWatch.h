#pragma once
// Readiness of one socket, delivered the way Winsock does it: each event once, until the call that
// re-enables it (recv for read, a send that would block for write, accept for accept). Qt's
// notifiers are level-triggered, so each is disabled when it fires and armed again by that call;
// otherwise an idle socket with unread data would spin the CPU. The peer's close (FIN or reset)
// is watched on its own, through a one-shot epoll registration, so it is noticed even while
// unread data keeps the read side disarmed.

#include "platform/FdHandle.h"

#include <QObject>
#include <functional>

class QSocketNotifier;

class SocketWatch {
public:
    // Notifiers are children of `parent`; callbacks run from the event loop.
    SocketWatch(int fd, QObject* parent, std::function<void()> onRead, std::function<void()> onWrite,
                std::function<void()> onClose);
    ~SocketWatch();
    SocketWatch(const SocketWatch&) = delete;
    SocketWatch& operator=(const SocketWatch&) = delete;

    void ArmRead();
    void ArmWrite();
    // One delivery of the peer's close; later calls re-arm after a spurious wake-up.
    void ArmClose();
    void DisarmAll();

    // Pause: nothing fires; what is armed stays remembered for Resume.
    void Suspend();
    void Resume();

    // The epoll flags of a pending close (EPOLLRDHUP, EPOLLHUP, EPOLLERR), 0 when none.
    unsigned TakeCloseEvents();
    bool WatchesClose() const { return close_ != nullptr; }

private:
    void Update();

    int fd_;
    FdHandle epoll_;
    bool closeRegistered_ = false;
    QSocketNotifier* read_ = nullptr;
    QSocketNotifier* write_ = nullptr;
    QSocketNotifier* close_ = nullptr;
    bool wantRead_ = false, wantWrite_ = false, wantClose_ = false;
    bool suspended_ = false;
};

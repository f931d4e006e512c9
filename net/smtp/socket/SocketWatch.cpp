#include "net/smtp/socket/SocketWatch.h"

#include <QSocketNotifier>
#include <sys/epoll.h>

SocketWatch::SocketWatch(int fd, QObject* parent, std::function<void()> onRead,
                         std::function<void()> onWrite, std::function<void()> onClose)
    : fd_(fd), epoll_(epoll_create1(EPOLL_CLOEXEC))
{
    auto make = [&](int watched, QSocketNotifier::Type type, bool& want, std::function<void()> cb) {
        auto* n = new QSocketNotifier(watched, type, parent);
        n->setEnabled(false);
        QObject::connect(n, &QSocketNotifier::activated, n, [this, &want, cb = std::move(cb)] {
            // One-shot: off until the matching call arms it again.
            want = false;
            Update();
            cb();
        });
        return n;
    };
    read_ = make(fd, QSocketNotifier::Read, wantRead_, std::move(onRead));
    write_ = make(fd, QSocketNotifier::Write, wantWrite_, std::move(onWrite));
    if (epoll_.valid()) close_ = make(epoll_.get(), QSocketNotifier::Read, wantClose_, std::move(onClose));
}

SocketWatch::~SocketWatch()
{
    // Disabled at once (the descriptor is about to close, and its number may be reused); deleted
    // later, since this may run inside one of the notifiers' own signals.
    for (QSocketNotifier* n : {read_, write_, close_}) {
        if (!n) continue;
        n->setEnabled(false);
        QObject::disconnect(n, nullptr, nullptr, nullptr);
        n->deleteLater();
    }
}

void SocketWatch::ArmRead()
{
    wantRead_ = true;
    Update();
}

void SocketWatch::ArmWrite()
{
    wantWrite_ = true;
    Update();
}

void SocketWatch::ArmClose()
{
    if (!close_) return;
    epoll_event ev{};
    ev.events = EPOLLRDHUP | EPOLLONESHOT;
    ev.data.fd = fd_;
    const int op = closeRegistered_ ? EPOLL_CTL_MOD : EPOLL_CTL_ADD;
    if (epoll_ctl(epoll_.get(), op, fd_, &ev) != 0) return;
    closeRegistered_ = true;
    wantClose_ = true;
    Update();
}

void SocketWatch::DisarmAll()
{
    wantRead_ = wantWrite_ = wantClose_ = false;
    Update();
}

void SocketWatch::Suspend()
{
    suspended_ = true;
    Update();
}

void SocketWatch::Resume()
{
    suspended_ = false;
    Update();
}

unsigned SocketWatch::TakeCloseEvents()
{
    if (!epoll_.valid()) return 0;
    epoll_event ev{};
    return epoll_wait(epoll_.get(), &ev, 1, 0) == 1 ? ev.events : 0;
}

void SocketWatch::Update()
{
    read_->setEnabled(wantRead_ && !suspended_);
    write_->setEnabled(wantWrite_ && !suspended_);
    if (close_) close_->setEnabled(wantClose_ && !suspended_);
}

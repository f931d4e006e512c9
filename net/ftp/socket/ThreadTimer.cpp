#include "net/ftp/socket/ThreadTimer.h"

#include "platform/Errors.h"
#include "platform/Guard.h"

#include <climits>

TThreadTimer::TThreadTimer(QObject* owner) : QObject(owner)
{
    timer_.setTimerType(Qt::PreciseTimer);
    // Raised inside a timer event: the application's exception handler gets it.
    connect(&timer_, &QTimer::timeout, this, [this] {
        guard::toApplication([this] {
            if (onTimer_) onTimer_(this);
        });
    });
}

TThreadTimer::~TThreadTimer() { timer_.stop(); }

void TThreadTimer::SetEnabled(bool enabled)
{
    if (enabled == enabled_) return;
    enabled_ = enabled;
    UpdateTimer();
}

void TThreadTimer::SetInterval(unsigned interval)
{
    if (interval == interval_) return;
    interval_ = interval;
    UpdateTimer();
}

void TThreadTimer::SetOnTimer(TNotifyEvent handler)
{
    onTimer_ = std::move(handler);
    UpdateTimer();
}

void TThreadTimer::UpdateTimer()
{
    timer_.stop();
    if (interval_ == 0 || !enabled_ || !onTimer_) return;
    if (interval_ > static_cast<unsigned>(INT_MAX)) throw Exception("No Timer");
    timer_.start(static_cast<int>(interval_));
}

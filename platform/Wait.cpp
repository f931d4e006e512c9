#include "platform/Wait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <cstdio>

namespace waiting {

namespace {
std::atomic<bool> gQuit{false};
}

WaitResult waitUntil(const std::function<bool()>& condition, int timeoutMs,
                     const std::function<bool()>& cancelled)
{
    const QDeadlineTimer deadline =
        timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(timeoutMs);
    // A timer wakes the loop when the deadline passes, so WaitForMoreEvents cannot sleep past it.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    QObject::connect(&wake, &QTimer::timeout, [] {});
    // Buffered output shows what was done before the program sits waiting.
    std::fflush(stdout);
    for (;;) {
        if (condition && condition()) return WaitResult::Condition;
        if (gQuit.load()) return WaitResult::Quit;
        if (cancelled && cancelled()) return WaitResult::Cancelled;
        if (deadline.hasExpired()) return WaitResult::TimedOut;
        // Re-armed whenever idle: a timer may fire a little before the deadline.
        if (timeoutMs >= 0 && !wake.isActive()) wake.start(static_cast<int>(deadline.remainingTime()) + 1);
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

WaitResult pauseFor(int ms, const std::function<bool()>& cancelled)
{
    const WaitResult r = waitUntil({}, ms < 0 ? 0 : ms, cancelled);
    return r == WaitResult::TimedOut ? WaitResult::Condition : r;
}

void pumpMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void requestQuit()
{
    gQuit.store(true);
    // Wake a wait that sleeps in WaitForMoreEvents.
    if (auto* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, [] {}, Qt::QueuedConnection);
}

bool quitRequested() { return gQuit.load(); }

void resetQuitForTesting() { gQuit.store(false); }

}  // namespace waiting

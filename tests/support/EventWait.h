#pragma once
// Waits for real windows: events are handled until a condition holds or a time-out passes.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <functional>

// False when `done` did not hold within 10 seconds.
inline bool WaitFor(const std::function<bool()>& done)
{
    QDeadlineTimer deadline(10000);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

// Handles events for a while, so that whatever the window manager or a late handler would still
// do has happened.
inline void Settle()
{
    QDeadlineTimer settle(700);
    while (!settle.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

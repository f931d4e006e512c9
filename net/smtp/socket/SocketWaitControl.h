#pragma once
// What the socket's modal waits need of a wait control. TWait (a widget, in its own library)
// provides it; the socket sees only this, so it needs no widgets.

#include <string>

class QObject;

class TSocketWaitControl {
public:
    // The seconds to count down, as text.
    virtual void SetCaption(const std::string& caption) = 0;
    // Counts down in the event loop until Stop or the time-out.
    virtual void Wait() = 0;
    virtual void Stop() = 0;
    // The control itself, so the socket notices when it is freed.
    virtual QObject* WaitObject() = 0;

protected:
    ~TSocketWaitControl() = default;
};

#pragma once
// A repeating timer of its own (the owner's time-outs), independent of any window.

#include <QObject>
#include <QTimer>
#include <functional>

class TThreadTimer : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(QObject* sender)>;

    explicit TThreadTimer(QObject* owner = nullptr);
    ~TThreadTimer() override;

    bool Enabled() const { return enabled_; }
    unsigned Interval() const { return interval_; }
    const TNotifyEvent& OnTimer() const { return onTimer_; }

    void SetEnabled(bool enabled);
    void SetInterval(unsigned interval);
    void SetOnTimer(TNotifyEvent handler);

private:
    // Restarts the timer from the current settings; raises "No Timer" for an interval the
    // platform's timer cannot hold.
    void UpdateTimer();

    QTimer timer_;
    bool enabled_ = true;
    unsigned interval_ = 1000;
    TNotifyEvent onTimer_;
};

#pragma once
// TWait: a visible count-down of seconds with a bar. Its modal Wait keeps the event loop running
// and refuses keyboard and mouse-button input with a beep, for programs that must wait for a
// socket without an event loop of their own.

#include "net/smtp/socket/SocketWaitControl.h"

#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>

class QTimer;
class TCustomWait;

using TWaitEvent = std::function<void(TCustomWait* Sender, int Count)>;
using TWaitNotifyEvent = std::function<void(TCustomWait* Sender)>;

class TCustomWait : public QWidget, public TSocketWaitControl {
    Q_OBJECT
public:
    enum : int { mrNone = 0, mrOk = 1, mrCancel = 2 };

    explicit TCustomWait(QWidget* parent = nullptr);
    ~TCustomWait() override;

    // The seconds left, as decimal text.
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption) override;
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int value) { modalResult_ = value; }
    // Milliseconds per tick; 0 means the count never advances.
    std::uint16_t Interval() const { return interval_; }
    void SetInterval(std::uint16_t ms);
    bool Running() const { return running_; }

    TWaitEvent OnWait;
    TWaitNotifyEvent OnWaiting;
    TWaitNotifyEvent OnWaitStart;
    TWaitNotifyEvent OnWaitStop;
    TWaitNotifyEvent OnTimeout;

    virtual void Start();
    void Stop() override;
    void Wait() override;
    virtual void Restart();

    QObject* WaitObject() override { return this; }

protected:
    void paintEvent(QPaintEvent* event) override;
    // Refused input is answered with this.
    virtual void Beep();

private:
    class InputRefuser;
    void Tick();
    void StopTimer();

    std::string caption_ = "60";
    QTimer* timer_;
    std::uint16_t interval_ = 1000;
    bool running_ = false;
    int modalResult_ = mrNone;
    int initialCount_ = 60;
};

class TWait : public TCustomWait {
    Q_OBJECT
public:
    using TCustomWait::TCustomWait;
};

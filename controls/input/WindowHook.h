#pragma once
// Hooks on a control's events, so any number of components can watch and alter them without
// each replacing the control's handling: one event filter per control (TControlHook) calls every
// attached TIcWindowHook before the control's own handler, newest first, and the program's
// application object (THookedApplication) calls them again once the control and every filter
// installed before the hooks have handled the event.

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class TControlHook;

// One event as the hooks see it. Result is what the handler answered (after-hooks may change it).
struct THookMessage {
    QEvent* Event = nullptr;
    bool Result = false;
};

class TIcWindowHook;
using THookMessageEvent = std::function<void(TIcWindowHook* sender, THookMessage& message, bool& handled)>;

class TIcWindowHook : public QObject {
    Q_OBJECT
public:
    explicit TIcWindowHook(QObject* owner = nullptr);
    ~TIcWindowHook() override;

    // Attached while active and a control is set.
    bool Active() const { return active_; }
    void SetActive(bool value);
    QWidget* WinControl() const { return control_; }
    void SetWinControl(QWidget* control);
    bool Attached() const { return attachedTo_ != nullptr; }

    THookMessageEvent BeforeMessage;
    THookMessageEvent AfterMessage;

protected:
    virtual void DoBeforeMessage(THookMessage& message, bool& handled);
    virtual void DoAfterMessage(THookMessage& message, bool& handled);

private:
    friend class TControlHook;
    bool active_ = true;
    bool destroying_ = false;
    QWidget* control_ = nullptr;  // cleared by the control's destroyed signal, never read after it
    QPointer<TControlHook> attachedTo_;
    QMetaObject::Connection controlWatch_;
};

// The event filter of one control, shared by every hook on it. Owned by the process-wide list.
class TControlHook : public QObject {
    Q_OBJECT
public:
    explicit TControlHook(QWidget* control);
    ~TControlHook() override;

    QWidget* Control() const { return control_.data(); }
    bool HasHooks() const { return !hooks_.empty(); }
    void Add(TIcWindowHook* hook);
    void Remove(TIcWindowHook* hook);
    // The control's own destruction has begun: no hook runs any more.
    void ControlDestroying() { controlDestroying_ = true; }
    // Runs the after-hooks; returns the handler's answer as they leave it.
    bool RunAfterHooks(QEvent* event, bool result);
    // Whether the control's handler got the event after the before-hooks (a Handled before-hook
    // keeps it, except for the events always passed on).
    static bool PassedOn(const QEvent* event, bool handled);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Phase { Before, After };
    // Newest first over a snapshot, skipping hooks that left meanwhile; stops at Handled. False
    // when the control was deleted by a hook.
    bool dispatch(Phase phase, THookMessage& message, bool& handled);
    bool canDispatch() const;
    void subclass();
    void unsubclass();

    QPointer<QWidget> control_;
    std::vector<QPointer<TIcWindowHook>> hooks_;
    bool subclassed_ = false;
    bool destroying_ = false;
    bool controlDestroying_ = false;
};

namespace hookchain {
// The control's hook object, or none.
TControlHook* find(QWidget* control);
// Tells the control's hook object that the control is being destroyed.
void controlDestroying(QWidget* control);
}  // namespace hookchain

// The application object of a program with hooked windows: every event, once delivered, goes
// through the after-hooks of its control when the before-hooks passed it on. A control's
// handler is its event filters and its own event handling, as Qt runs them; so after-hooks see
// what a window procedure's caller would see. Without this object only before-hooks run.
class THookedApplication : public QApplication {
    Q_OBJECT
public:
    THookedApplication(int& argc, char** argv);
    ~THookedApplication() override;
    bool notify(QObject* receiver, QEvent* event) override;
    static bool Running();
};

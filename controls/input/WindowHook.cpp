#include "controls/input/WindowHook.h"

#include <algorithm>
#include <optional>

namespace {

// The process-wide list of hook objects. Empty ones are freed later, through a queued call, so
// none is freed while its own filter runs.
class THookList : public QObject {
public:
    static THookList& instance()
    {
        static THookList list;
        return list;
    }
    ~THookList() override
    {
        while (!hooks_.empty()) hooks_.pop_back();  // from the last
    }

    TControlHook* find(QWidget* control) const
    {
        if (!control) return nullptr;
        for (const auto& h : hooks_)
            if (h->Control() == control) return h.get();
        return nullptr;
    }
    TControlHook* findOrCreate(QWidget* control)
    {
        if (TControlHook* h = find(control)) return h;
        hooks_.push_back(std::make_unique<TControlHook>(control));
        return hooks_.back().get();
    }
    void postRelease(TControlHook* hook)
    {
        QMetaObject::invokeMethod(this, [this, hook] { releaseIfEmpty(hook); }, Qt::QueuedConnection);
    }

private:
    void releaseIfEmpty(TControlHook* hook)
    {
        const auto it = std::find_if(hooks_.begin(), hooks_.end(), [hook](const auto& h) { return h.get() == hook; });
        if (it != hooks_.end() && !(*it)->HasHooks()) hooks_.erase(it);
    }
    std::vector<std::unique_ptr<TControlHook>> hooks_;
};

// Events whose handling nobody may take away: a Handled before-hook still lets them through.
bool alwaysPassedOn(const QEvent* event) { return event->type() == QEvent::DeferredDelete; }

// The events the before-hooks have seen while their delivery goes on, innermost last: each
// delivery the application object watches takes its own entries off again (also those of
// parents an event was passed on to, which run no after-hooks of their own).
struct TPendingEvent {
    const TControlHook* hook;
    const QEvent* event;
    bool handled;
};
std::vector<TPendingEvent> pendingEvents;
THookedApplication* hookedApplication = nullptr;

}  // namespace

TIcWindowHook::TIcWindowHook(QObject* owner) : QObject(owner) {}

TIcWindowHook::~TIcWindowHook()
{
    destroying_ = true;
    SetActive(false);
    SetWinControl(nullptr);
}

void TIcWindowHook::SetActive(bool value)
{
    if (value) {
        if (control_ && !destroying_ && !attachedTo_) THookList::instance().findOrCreate(control_)->Add(this);
    } else if (attachedTo_) {
        attachedTo_->Remove(this);
    }
    active_ = value;
}

void TIcWindowHook::SetWinControl(QWidget* control)
{
    if (control == control_) return;
    TControlHook* left = attachedTo_;
    if (left) left->Remove(this);
    disconnect(controlWatch_);
    control_ = control;
    if (control) controlWatch_ = connect(control, &QObject::destroyed, this, [this] { SetWinControl(nullptr); });
    if (active_) SetActive(true);
}

void TIcWindowHook::DoBeforeMessage(THookMessage& message, bool& handled)
{
    if (BeforeMessage) BeforeMessage(this, message, handled);
}

void TIcWindowHook::DoAfterMessage(THookMessage& message, bool& handled)
{
    if (AfterMessage) AfterMessage(this, message, handled);
}

TControlHook::TControlHook(QWidget* control) : control_(control) {}

TControlHook::~TControlHook()
{
    destroying_ = true;
    while (!hooks_.empty()) {
        TIcWindowHook* hook = hooks_.back();
        if (hook) Remove(hook);
        else hooks_.pop_back();
    }
    unsubclass();
}

void TControlHook::Add(TIcWindowHook* hook)
{
    if (std::find(hooks_.begin(), hooks_.end(), hook) != hooks_.end()) return;
    hooks_.emplace_back(hook);
    hook->attachedTo_ = this;
    subclass();
}

void TControlHook::Remove(TIcWindowHook* hook)
{
    hook->attachedTo_ = nullptr;
    hooks_.erase(std::remove(hooks_.begin(), hooks_.end(), hook), hooks_.end());
    if (hooks_.empty()) {
        unsubclass();
        // Freed once the queue runs, whichever way its last hook left; a hook attaching before
        // then keeps it.
        if (!destroying_) THookList::instance().postRelease(this);
    }
}

void TControlHook::subclass()
{
    if (!control_ || controlDestroying_ || destroying_ || subclassed_) return;
    control_->installEventFilter(this);
    subclassed_ = true;
}

void TControlHook::unsubclass()
{
    // A filter another component installed stays where it is; only this one leaves.
    if (subclassed_ && control_) control_->removeEventFilter(this);
    subclassed_ = false;
}

bool TControlHook::canDispatch() const
{
    return subclassed_ && control_ && !hooks_.empty() && !destroying_ && !controlDestroying_;
}

bool TControlHook::dispatch(Phase phase, THookMessage& message, bool& handled)
{
    const QPointer<QWidget> control = control_;
    const QPointer<TControlHook> self(this);
    const std::vector<QPointer<TIcWindowHook>> snapshot = hooks_;
    for (auto it = snapshot.rbegin(); it != snapshot.rend(); ++it) {
        TIcWindowHook* hook = *it;
        if (!hook || hook->attachedTo_ != this) continue;
        if (phase == Phase::Before) hook->DoBeforeMessage(message, handled);
        else hook->DoAfterMessage(message, handled);
        if (!control) return false;
        if (!self || handled) break;
    }
    return true;
}

bool TControlHook::PassedOn(const QEvent* event, bool handled) { return !handled || alwaysPassedOn(event); }

bool TControlHook::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != control_ || !canDispatch()) return false;
    THookMessage message{event, false};
    bool handled = false;
    const QPointer<TControlHook> self(this);
    // A control deleted by a hook must not receive the event.
    if (!dispatch(Phase::Before, message, handled)) return true;
    if (self && THookedApplication::Running()) pendingEvents.push_back({this, event, handled});
    return !PassedOn(event, handled);
}

bool TControlHook::RunAfterHooks(QEvent* event, bool result)
{
    THookMessage message{event, result};
    if (!canDispatch()) return result;
    bool handled = false;
    dispatch(Phase::After, message, handled);
    return message.Result;
}

namespace hookchain {

TControlHook* find(QWidget* control) { return THookList::instance().find(control); }

void controlDestroying(QWidget* control)
{
    if (TControlHook* hook = find(control)) hook->ControlDestroying();
}

}  // namespace hookchain

THookedApplication::THookedApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    hookedApplication = this;
}

THookedApplication::~THookedApplication()
{
    hookedApplication = nullptr;
    pendingEvents.clear();
}

bool THookedApplication::Running() { return hookedApplication != nullptr; }

bool THookedApplication::notify(QObject* receiver, QEvent* event)
{
    if (!receiver || !receiver->isWidgetType()) return QApplication::notify(receiver, event);
    const std::size_t mark = pendingEvents.size();
    const QPointer<QWidget> control(static_cast<QWidget*>(receiver));
    bool result = QApplication::notify(receiver, event);
    // Only this delivery's own entry counts: the before-hooks of this control saw it and either
    // passed it on or kept it. A filter that took it before them leaves none.
    std::optional<TPendingEvent> own;
    TControlHook* hook = control ? hookchain::find(control) : nullptr;
    for (std::size_t i = mark; hook && i < pendingEvents.size(); ++i)
        if (pendingEvents[i].hook == hook && pendingEvents[i].event == event) own = pendingEvents[i];
    if (pendingEvents.size() > mark) pendingEvents.resize(mark);
    if (own && TControlHook::PassedOn(event, own->handled)) result = hook->RunAfterHooks(event, result);
    return result;
}

#include "controls/input/WindowHook.h"

#include <QApplication>
#include <QCoreApplication>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const QEvent::Type kProbe = static_cast<QEvent::Type>(QEvent::User + 7);
using Log = std::vector<std::string>;

// A widget that notes when its own handler sees the probe event.
class Recording : public QWidget {
public:
    explicit Recording(Log* log) : log_(log) {}

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == kProbe) log_->push_back("own");
        return QWidget::event(e);
    }
    Log* log_;
};

using RecordingForm = Recording;

class WindowHookTest : public ::testing::Test {
protected:
    // A hook on `control` that logs "<name>.before" and "<name>.after" for probes; `before` and
    // `after` run after logging (they may set Handled or act on the chain).
    TIcWindowHook* hook(QWidget* control, const std::string& name, std::function<void(bool&)> before = {},
                        std::function<void(bool&)> after = {})
    {
        auto* h = new TIcWindowHook(&owner);
        h->BeforeMessage = [this, name, before](TIcWindowHook*, THookMessage& m, bool& handled) {
            if (m.Event->type() != kProbe) return;
            log.push_back(name + ".before");
            if (before) before(handled);
        };
        h->AfterMessage = [this, name, after](TIcWindowHook*, THookMessage& m, bool& handled) {
            if (m.Event->type() != kProbe) return;
            log.push_back(name + ".after");
            if (after) after(handled);
        };
        h->SetWinControl(control);
        return h;
    }
    bool probe(QWidget* w)
    {
        QEvent e(kProbe);
        return QCoreApplication::sendEvent(w, &e);
    }

    Log log;
    QObject owner;
};

const auto setHandled = [](bool& handled) { handled = true; };

}  // namespace

TEST_F(WindowHookTest, BeforeHooksNewestFirstThenTheControlThenAfterHooks)
{
    RecordingForm form(&log);
    hook(&form, "first");
    hook(&form, "second");
    probe(&form);
    EXPECT_EQ(log, (Log{"second.before", "first.before", "own", "second.after", "first.after"}));
}

TEST_F(WindowHookTest, HandledStopsTheWalk)
{
    const struct {
        const char* name;
        bool secondBeforeHandles, secondAfterHandles;
        Log expected;
    } cases[] = {
        {"before-hook handles", true, false, {"second.before"}},
        {"after-hook handles", false, true, {"second.before", "first.before", "own", "second.after"}},
    };
    for (const auto& c : cases) {
        log.clear();
        RecordingForm form(&log);
        TIcWindowHook* first = hook(&form, "first");
        TIcWindowHook* second = hook(&form, "second", c.secondBeforeHandles ? std::function<void(bool&)>(setHandled) : nullptr,
                                     c.secondAfterHandles ? std::function<void(bool&)>(setHandled) : nullptr);
        probe(&form);
        EXPECT_EQ(log, c.expected) << c.name;
        delete first;
        delete second;
    }
}

TEST_F(WindowHookTest, AfterHooksCanChangeTheAnswer)
{
    RecordingForm form(&log);
    TIcWindowHook* h = hook(&form, "h");
    bool seen = false;
    h->AfterMessage = [&](TIcWindowHook*, THookMessage& m, bool&) {
        if (m.Event->type() != kProbe) return;
        seen = m.Result;  // the handler takes custom events
        m.Result = false;
    };
    EXPECT_FALSE(probe(&form));
    EXPECT_TRUE(seen);
    h->AfterMessage = nullptr;
    EXPECT_TRUE(probe(&form));
}

TEST_F(WindowHookTest, HandledDeferredDeleteStillDeletesTheControl)
{
    QPointer<RecordingForm> form = new RecordingForm(&log);
    TIcWindowHook* h = hook(form, "h");
    h->BeforeMessage = [](TIcWindowHook*, THookMessage&, bool& handled) { handled = true; };
    form->deleteLater();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull());
    EXPECT_EQ(h->WinControl(), nullptr);  // the hook was told
    EXPECT_FALSE(h->Attached());
}

TEST_F(WindowHookTest, HandlersThatDetachHooksSkipNothing)
{
    // Each row: which hook the newest one ("third") detaches while the probe is dispatched.
    const struct {
        const char* name;
        int detach;  // 0 first, 1 second, 2 itself
        bool byDeleting;
        Log expected;
    } cases[] = {
        {"detaches itself", 2, false, {"third.before", "second.before", "first.before", "own", "second.after", "first.after"}},
        {"deletes itself", 2, true, {"third.before", "second.before", "first.before", "own", "second.after", "first.after"}},
        {"detaches the next", 1, false, {"third.before", "first.before", "own", "third.after", "first.after"}},
        {"deletes the next", 1, true, {"third.before", "first.before", "own", "third.after", "first.after"}},
        {"detaches the last", 0, false, {"third.before", "second.before", "own", "third.after", "second.after"}},
    };
    for (const auto& c : cases) {
        log.clear();
        RecordingForm form(&log);
        TIcWindowHook* hooks[3];
        hooks[0] = hook(&form, "first");
        hooks[1] = hook(&form, "second");
        bool done = false;
        hooks[2] = hook(&form, "third", [&](bool&) {
            if (done) return;
            done = true;
            if (c.byDeleting) delete hooks[c.detach];
            else hooks[c.detach]->SetActive(false);
        });
        probe(&form);
        EXPECT_EQ(log, c.expected) << c.name;
        // The chain goes on working without the one that left.
        Log again = c.expected;
        if (c.detach == 2) again.erase(again.begin());
        log.clear();
        probe(&form);
        EXPECT_EQ(log, again) << c.name;
        for (int i = 0; i < 3; ++i)
            if (!(c.byDeleting && i == c.detach)) delete hooks[i];
    }
}

TEST_F(WindowHookTest, TheLastHookDeletingItselfLeavesTheControlWhole)
{
    RecordingForm form(&log);
    TIcWindowHook* lone = nullptr;
    lone = hook(&form, "lone", [&](bool&) { delete lone; });
    probe(&form);
    EXPECT_EQ(log, (Log{"lone.before", "own"}));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(hookchain::find(&form), nullptr);
    log.clear();
    probe(&form);
    EXPECT_EQ(log, Log{"own"});
}

TEST_F(WindowHookTest, AHookThatDeletesTheControlEndsTheDispatch)
{
    for (bool inAfterHook : {false, true}) {
        log.clear();
        QPointer<RecordingForm> form = new RecordingForm(&log);
        hook(form, "older");
        const auto destroy = [&](bool&) { delete form.data(); };
        TIcWindowHook* newest = inAfterHook ? hook(form, "newest", {}, destroy) : hook(form, "newest", destroy);
        probe(form);
        EXPECT_TRUE(form.isNull());
        EXPECT_EQ(log, inAfterHook ? (Log{"newest.before", "older.before", "own", "newest.after"}) : Log{"newest.before"});
        EXPECT_EQ(newest->WinControl(), nullptr);
    }
}

TEST_F(WindowHookTest, ActiveWinControlAndTheFreedHookObject)
{
    RecordingForm a(&log), b(&log);
    TIcWindowHook* h = hook(&a, "h");
    EXPECT_TRUE(h->Attached());
    EXPECT_NE(hookchain::find(&a), nullptr);

    h->SetActive(false);
    probe(&a);
    EXPECT_EQ(log, Log{"own"});
    EXPECT_EQ(h->WinControl(), &a);  // requested, not attached

    h->SetActive(true);
    h->SetWinControl(&b);  // moves: a's hook object is freed once the queue runs
    log.clear();
    probe(&a);
    probe(&b);
    EXPECT_EQ(log, (Log{"own", "h.before", "own", "h.after"}));
    EXPECT_NE(hookchain::find(&a), nullptr);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(hookchain::find(&a), nullptr);
    EXPECT_NE(hookchain::find(&b), nullptr);

    // A hook set up inactive stays off.
    Recording plain(&log);
    TIcWindowHook* inactive = new TIcWindowHook(&owner);
    inactive->SetActive(false);
    inactive->SetWinControl(&plain);
    EXPECT_FALSE(inactive->Attached());
    hook(&plain, "p");
    log.clear();
    probe(&plain);
    EXPECT_EQ(log, (Log{"p.before", "own", "p.after"}));

    // The last hook leaving frees the hook object too.
    delete h;
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(hookchain::find(&b), nullptr);
}

TEST_F(WindowHookTest, RecreatedWindowAndAnotherFilterKeepWorking)
{
    RecordingForm form(&log);
    TIcWindowHook* h = hook(&form, "h");
    form.show();
    form.setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);  // re-creates the native window
    form.show();
    log.clear();
    probe(&form);
    EXPECT_EQ(log, (Log{"h.before", "own", "h.after"}));

    // A filter installed after the hook stays when the hook leaves.
    struct Other : QObject {
        Log* log;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == kProbe) log->push_back("other");
            return false;
        }
    } other;
    other.log = &log;
    form.installEventFilter(&other);
    delete h;
    log.clear();
    probe(&form);
    EXPECT_EQ(log, (Log{"other", "own"}));
    form.removeEventFilter(&other);
}

// The control's handler is what Qt runs for it: filters installed before the hooks, then its own
// event handling; the after-hooks come once all of that has answered. A filter installed later
// that takes the event keeps it from the hooks, as a window procedure installed on top would.
TEST_F(WindowHookTest, AfterHooksFollowTheWholeHandlerAndOnlyWhatReachedTheHooks)
{
    struct Filter : QObject {
        Filter(Log* log, const char* name, bool take) : log(log), name(name), take(take) {}
        Log* log;
        const char* name;
        bool take;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() != kProbe) return false;
            log->push_back(name);
            return take;
        }
    };
    RecordingForm form(&log);
    Filter older(&log, "older", false);
    form.installEventFilter(&older);
    TIcWindowHook* h = hook(&form, "h");
    probe(&form);
    EXPECT_EQ(log, (Log{"h.before", "older", "own", "h.after"}));

    Filter taker(&log, "taker", true);
    form.installEventFilter(&taker);
    log.clear();
    probe(&form);
    EXPECT_EQ(log, Log{"taker"});
    form.removeEventFilter(&taker);

    // An event posted to the control goes the same way.
    log.clear();
    QCoreApplication::postEvent(&form, new QEvent(kProbe));
    QCoreApplication::sendPostedEvents(&form, kProbe);
    EXPECT_EQ(log, (Log{"h.before", "older", "own", "h.after"}));
    delete h;
}

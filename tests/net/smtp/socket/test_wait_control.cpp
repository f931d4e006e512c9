// The count-down control and its modal wait (offscreen), and the socket waiting through it.
#include "LoopbackPeer.h"
#include "net/smtp/socket/AsyncSocket.h"
#include "controls/input/WaitControl.h"
#include "platform/Wait.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

// Counts the beeps instead of making them.
class CountingWait : public TWait {
public:
    int beeps = 0;

protected:
    void Beep() override { ++beeps; }
};

TEST(WaitControl, CreatedAsDesigned)
{
    TWait w;
    EXPECT_EQ(w.width(), 192);
    EXPECT_EQ(w.height(), 32);
    EXPECT_EQ(w.Caption(), "60");
    EXPECT_EQ(w.Interval(), 1000);
    EXPECT_FALSE(w.Running());
    EXPECT_TRUE(w.font().fixedPitch());
}

TEST(WaitControl, CaptionGivesTheCount)
{
    struct Case {
        const char* caption;
        const char* initial;  // what Stop puts back
    } cases[] = {{"0", "15"}, {"abc", "15"}, {"", "15"}, {"  7x", "7"}, {"3", "3"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caption);
        TWait w;
        w.SetCaption(c.caption);
        int started = 0, stopped = 0;
        w.OnWaitStart = [&](TCustomWait*) { ++started; };
        w.OnWaitStop = [&](TCustomWait*) { ++stopped; };
        w.Start();
        EXPECT_TRUE(w.Running());
        w.Stop();
        EXPECT_FALSE(w.Running());
        EXPECT_EQ(w.Caption(), c.initial);
        EXPECT_EQ(w.ModalResult(), TCustomWait::mrOk);
        EXPECT_EQ(started, 1);
        EXPECT_EQ(stopped, 1);
    }
}

TEST(WaitControl, CountsDownToTheTimeout)
{
    struct Case {
        const char* caption;
        std::vector<int> ticks;
        std::vector<std::string> captions;  // seen by each tick
    } cases[] = {
        {"3", {2, 1, 0}, {"3", "2", "1"}},
        {"1", {0}, {"1"}},  // times out on the first tick
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caption);
        TWait w;
        w.SetInterval(5);
        w.SetCaption(c.caption);
        std::vector<int> ticks;
        std::vector<std::string> captions;
        int timeouts = 0, waiting = 0;
        w.OnWait = [&](TCustomWait* s, int n) {
            ticks.push_back(n);
            captions.push_back(s->Caption());
            EXPECT_EQ(timeouts, 0);
        };
        w.OnTimeout = [&](TCustomWait*) { ++timeouts; };
        w.OnWaiting = [&](TCustomWait*) { ++waiting; };
        w.Wait();
        EXPECT_EQ(ticks, c.ticks);
        EXPECT_EQ(captions, c.captions);
        EXPECT_EQ(timeouts, 1);
        EXPECT_GT(waiting, 0);
        EXPECT_EQ(w.ModalResult(), TCustomWait::mrCancel);
        EXPECT_EQ(w.Caption(), c.caption);
        EXPECT_FALSE(w.Running());
    }
}

TEST(WaitControl, StopEndsTheWait)
{
    TWait w;
    w.SetInterval(5);
    w.SetCaption("10");
    int timeouts = 0, stops = 0;
    w.OnWait = [&](TCustomWait* s, int n) {
        if (n == 8) s->Stop();
    };
    w.OnTimeout = [&](TCustomWait*) { ++timeouts; };
    w.OnWaitStop = [&](TCustomWait*) { ++stops; };
    w.Wait();
    EXPECT_EQ(w.ModalResult(), TCustomWait::mrOk);
    EXPECT_EQ(timeouts, 0);
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(w.Caption(), "10");
}

TEST(WaitControl, InputIsSwallowedWhileTimersRun)
{
    CountingWait w;
    QLineEdit edit;
    QPushButton button("OK");
    edit.show();
    button.show();
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] { ++clicks; });

    auto typeA = [&] {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
        QApplication::sendEvent(&edit, &press);
    };
    auto click = [&](Qt::MouseButton b) {
        const QPointF at(5, 5);
        QMouseEvent press(QEvent::MouseButtonPress, at, button.mapToGlobal(at), b, b, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, button.mapToGlobal(at), b, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(&button, &press);
        QApplication::sendEvent(&button, &release);
    };

    int ticks = 0;
    w.SetInterval(10);
    w.SetCaption("3");
    w.OnWait = [&](TCustomWait*, int) {
        if (++ticks == 1) {
            typeA();
            click(Qt::LeftButton);
            click(Qt::RightButton);
        }
    };
    w.Wait();
    EXPECT_EQ(ticks, 3);  // the timer kept running
    EXPECT_EQ(edit.text(), "");
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(w.beeps, 3);

    // After the wait, input goes through again.
    typeA();
    click(Qt::LeftButton);
    EXPECT_EQ(edit.text(), "a");
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(w.beeps, 3);
}

TEST(WaitControl, BarShowsTheShareLeft)
{
    TWait w;
    w.SetCaption("60");
    w.Start();  // initial count 60
    w.SetCaption("30");
    QImage img(w.size(), QImage::Format_RGB32);
    w.render(&img);
    const QRgb highlight = w.palette().color(QPalette::Highlight).rgb();
    // The bar ends at 3 + 30 * (192 - 7) / 60 = 95, below the text line.
    EXPECT_EQ(img.pixel(60, 26), highlight);
    EXPECT_EQ(img.pixel(94, 26), highlight);
    EXPECT_EQ(img.pixel(96, 26), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(1, 1), qRgb(255, 255, 255));
    w.Stop();
}

TEST(SocketWaitControl, ReadLineStopsTheCountDown)
{
    loopback::Listener listener;
    auto wait = std::make_unique<TWait>();
    TAsyncSocket s;
    s.SetWaitCtrl(wait.get());
    s.SetAddr("127.0.0.1");
    s.SetPort(listener.portText());
    s.Connect();
    ASSERT_TRUE(s.WaitForState(5, wsConnected));
    EXPECT_EQ(wait->ModalResult(), TCustomWait::mrOk);  // stopped by the state, not timed out
    FdHandle peer = listener.accept();
    ASSERT_TRUE(peer.valid());

    QTimer::singleShot(20, [&] { loopback::sendAll(peer.get(), "250 ok\r\n"); });
    EXPECT_EQ(s.ReadLine(5), "250 ok");
    EXPECT_EQ(wait->ModalResult(), TCustomWait::mrOk);

    // A state that never comes: the count-down ends the wait.
    wait->SetInterval(5);
    EXPECT_FALSE(s.WaitForState(2, wsListening));
    EXPECT_EQ(wait->ModalResult(), TCustomWait::mrCancel);

    wait.reset();
    EXPECT_EQ(s.WaitCtrl(), nullptr);  // cleared when the control is freed
}

}  // namespace

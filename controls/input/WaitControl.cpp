#include "controls/input/WaitControl.h"

#include "platform/Guard.h"
#include "platform/Wait.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <climits>

namespace {

// The number at the start of a caption: leading blanks skipped, then decimal digits.
int captionNumber(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    long long n = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        n = std::min<long long>(n * 10 + (text[i] - '0'), INT_MAX);
    return static_cast<int>(n);
}

}  // namespace

// Swallows key presses, shortcuts and left or right button presses and double-clicks while a
// wait runs; everything else (timers, paint) goes on.
class TCustomWait::InputRefuser : public QObject {
public:
    explicit InputRefuser(TCustomWait* owner) : owner_(owner) { qApp->installEventFilter(this); }
    ~InputRefuser() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject*, QEvent* event) override
    {
        bool refuse = false;
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::Shortcut:
            refuse = true;
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            const auto b = static_cast<QMouseEvent*>(event)->button();
            refuse = b == Qt::LeftButton || b == Qt::RightButton;
            break;
        }
        default:
            break;
        }
        if (refuse) guard::absorb([this] { owner_->Beep(); });
        return refuse;
    }

private:
    TCustomWait* owner_;
};

TCustomWait::TCustomWait(QWidget* parent) : QWidget(parent), timer_(new QTimer(this))
{
    resize(192, 32);
    QFont f("Courier");
    f.setPointSize(8);
    f.setFixedPitch(true);
    f.setStyleHint(QFont::TypeWriter);
    setFont(f);
    timer_->setInterval(interval_);
    connect(timer_, &QTimer::timeout, this, [this] { guard::toApplication([this] { Tick(); }); });
}

TCustomWait::~TCustomWait() = default;

void TCustomWait::SetCaption(const std::string& caption)
{
    caption_ = caption;
    update();
}

void TCustomWait::SetInterval(std::uint16_t ms)
{
    interval_ = ms;
    timer_->setInterval(ms);
    // A timer of interval 0 never fires, as a Windows timer of interval 0 does not run.
    if (running_) {
        if (ms > 0)
            timer_->start();
        else
            timer_->stop();
    }
}

void TCustomWait::Start()
{
    initialCount_ = captionNumber(caption_);
    if (initialCount_ == 0) {
        initialCount_ = 15;
        SetCaption("15");
    }
    running_ = true;
    if (interval_ > 0) timer_->start(interval_);
    if (OnWaitStart) OnWaitStart(this);
}

void TCustomWait::StopTimer()
{
    running_ = false;
    timer_->stop();
}

void TCustomWait::Stop()
{
    modalResult_ = mrOk;
    StopTimer();
    SetCaption(std::to_string(initialCount_));
    if (OnWaitStop) OnWaitStop(this);
}

void TCustomWait::Restart() { SetCaption(std::to_string(initialCount_)); }

void TCustomWait::Wait()
{
    InputRefuser refuser(this);
    modalResult_ = mrNone;
    Start();
    QPointer<TCustomWait> self(this);
    const auto result = waiting::waitUntil([&] {
        if (!self || !running_) return true;
        if (OnWaiting) guard::toApplication([&] { OnWaiting(this); });
        return !self || !running_;
    });
    // Quit ends the wait too; it counts as not stopped.
    if (result == waiting::WaitResult::Quit && self && running_) {
        StopTimer();
        modalResult_ = mrCancel;
        SetCaption(std::to_string(initialCount_));
    }
}

void TCustomWait::Tick()
{
    const int n = captionNumber(caption_);
    if (OnWait) OnWait(this, n - 1);
    if (!running_) {
        update();
        return;  // stopped from the handler
    }
    if (n >= 2) {
        SetCaption(std::to_string(n - 1));
    } else {
        StopTimer();
        modalResult_ = mrCancel;
        SetCaption(std::to_string(initialCount_));
        if (OnTimeout) OnTimeout(this);
    }
    update();
}

void TCustomWait::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const int n = captionNumber(caption_);
    const int initial = initialCount_ > 0 ? initialCount_ : 1;
    const int right = 3 + static_cast<int>(static_cast<long long>(n) * (width() - 7) / initial);
    // Right and bottom edges excluded, as in GDI rectangles.
    const QRect bar(QPoint(3, 3), QPoint(std::min(right, width()) - 1, height() - 4 - 1));
    if (bar.width() > 0) p.fillRect(bar, palette().color(QPalette::Highlight));
    p.setPen(palette().color(QPalette::WindowText));
    p.setFont(font());
    const int top = height() / 2 - 8;
    p.drawText(QRect(4, top, width() - 4, height() - top), Qt::AlignLeft | Qt::AlignTop,
               QString::fromStdString(caption_));
}

void TCustomWait::Beep() { QApplication::beep(); }

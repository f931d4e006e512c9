#include "controls/effects/EffScreen.h"

#include "controls/effects/EffText.h"
#include "controls/effects/EffUtils.h"
#include "platform/Painting.h"

#include <QCursor>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWidget>

namespace {

// A click-through window above the desktop that shows one dotted rectangle at a time.
class TExplodeOverlay : public QWidget {
public:
    explicit TExplodeOverlay(const QRect& area)
        : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                               Qt::WindowStaysOnTopHint)
    {
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAccessibleName(QStringLiteral("Opening effect"));
        setGeometry(area);
    }
    void Show(const TRect& rect)
    {
        shown_ = painting::GdiRect(rect.Left, rect.Top, rect.Right, rect.Bottom).translated(-pos());
        repaint();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painting::BeginPlainPaint(painter);
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        if (shown_.width() > 1 && shown_.height() > 1) painter.drawRect(shown_.adjusted(0, 0, -1, -1));
    }

private:
    QRect shown_;
};

bool canPlaceWindows()
{
    const QString platform = QGuiApplication::platformName();
    return QGuiApplication::primaryScreen() && platform != QLatin1String("offscreen") &&
           platform != QLatin1String("minimal") && !platform.startsWith(QLatin1String("wayland"));
}

void runExplode(QWidget* form, const std::vector<TRect>& rects)
{
    if (rects.empty()) return;
    const QRect frame = form->frameGeometry();
    const QPoint cursor = QCursor::pos();
    TExplodeOverlay overlay(frame.united(QRect(cursor, QSize(1, 1))));
    overlay.show();
    for (const TRect& r : rects) {
        overlay.Show(r);
        // A few milliseconds a step; the whole effect stays well under a second.
        QElapsedTimer step;
        step.start();
        while (step.elapsed() < 5) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

TRect frameOf(const QWidget* form)
{
    const QRect f = form->frameGeometry();
    return {f.left(), f.top(), f.left() + f.width(), f.top() + f.height()};
}

}  // namespace

int GetColorDepth()
{
    const QScreen* screen = qGuiApp ? QGuiApplication::primaryScreen() : nullptr;
    return screen ? screen->depth() : 24;
}

void CenterOnScreen(QWidget* form)
{
    if (!form) return;
    const QScreen* screen = form->screen() ? form->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QSize s = screen->geometry().size(), own = form->frameGeometry().size();
    form->move((s.width() - own.width()) / 2, (s.height() - own.height()) / 2);
}

void ExplodeEffect(QWidget* form, int steps)
{
    if (!form || !canPlaceWindows()) return;
    const QPoint c = QCursor::pos();
    runExplode(form, ExplodeRects(c.x(), c.y(), frameOf(form), steps));
}

void ExplodeExtEffect(QWidget* form, int steps)
{
    if (!form || !canPlaceWindows()) return;
    const QPoint c = QCursor::pos();
    runExplode(form, ExplodeExtRects(c.x(), c.y(), frameOf(form), steps));
}

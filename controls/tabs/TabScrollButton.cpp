#include "controls/tabs/TabScrollButton.h"

#include "controls/tabs/TabDrawing.h"
#include "platform/Painting.h"

#include <QPainter>

TTabScrollButton::TTabScrollButton(bool forward, QWidget* parent) : QAbstractButton(parent), forward_(forward)
{
    // Scrolling leaves the focus where it was, on the tabs or on the page.
    setFocusPolicy(Qt::NoFocus);
    setAutoRepeat(true);
    setAutoRepeatDelay(400);
    setAutoRepeatInterval(100);
    setAccessibleName(forward ? tr("Next tabs") : tr("Previous tabs"));
    hide();
}

void TTabScrollButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painting::BeginPlainPaint(painter);
    painter.fillRect(rect(), painting::ToQColor(clBtnFace));
    const bool down = isDown();
    DrawTabEdges(painter, rect(), down);
    // A solid triangle four columns deep, pointing the way the row scrolls.
    const QColor ink = painting::ToQColor(isEnabled() ? clBtnText : clGrayText);
    const int shift = down ? 1 : 0;
    const int cx = width() / 2 + shift, cy = height() / 2 + shift;
    for (int i = 0; i < 4; ++i) {
        const int x = forward_ ? cx + 1 - i : cx - 2 + i;
        painter.fillRect(x, cy - i, 1, 2 * i + 1, ink);
    }
}

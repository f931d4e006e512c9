#include "controls/input/IcSpinButton.h"

#include "controls/input/VisualRoutines.h"
#include "platform/Guard.h"
#include "platform/Painting.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

namespace {

// The 6 x 6 arrows: a triangle pointing up or down, black on transparent.
QImage defaultArrow(bool up)
{
    QImage arrow(6, 6, QImage::Format_ARGB32);
    arrow.fill(Qt::transparent);
    for (int row = 0; row < 3; ++row) {
        const int y = up ? 1 + row : 4 - row;
        for (int x = 2 - row; x <= 3 + row; ++x) arrow.setPixel(x, y, qRgb(0, 0, 0));
    }
    return arrow;
}

bool leftHeld() { return QGuiApplication::mouseButtons() & Qt::LeftButton; }

}  // namespace

TIcSpinButton::TIcSpinButton(QWidget* parent)
    : QWidget(parent), upGlyph_(defaultArrow(true)), downGlyph_(defaultArrow(false))
{
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(tr("Up and down"));
    resize(20, 20);
}

TIcSpinButton::~TIcSpinButton()
{
    if (repeatTimer_) repeatTimer_->stop();
}

void TIcSpinButton::SetUpGlyph(const QImage& value)
{
    upGlyph_ = value.isNull() ? defaultArrow(true) : value.convertToFormat(QImage::Format_ARGB32);
    invalidate_ = true;
    update();
}

void TIcSpinButton::SetDownGlyph(const QImage& value)
{
    downGlyph_ = value.isNull() ? defaultArrow(false) : value.convertToFormat(QImage::Format_ARGB32);
    invalidate_ = true;
    update();
}

QImage TIcSpinButton::face(TSpinButtonState state) const
{
    const int w = width(), h = height();
    QImage image(size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(ToQColor(clBtnFace));
    QPainter p(&image);
    painting::BeginPlainPaint(p);
    const auto line = [&p](TColor colour, int x0, int y0, int x1, int y1) {
        p.setPen(ToQColor(colour));
        painting::DrawLineTo(p, x0, y0, x1, y1);
    };
    const bool top = state == sbTopDown, bottom = state == sbBottomDown;
    p.setPen(ToQColor(clWindowFrame));
    p.drawRect(0, 0, w - 1, h - 1);
    line(clWindowFrame, -1, h, w, -1);
    // The upper half.
    line(top ? clBtnShadow : clBtnHighlight, 1, h - 4, 1, 1);
    line(top ? clBtnShadow : clBtnHighlight, 1, 1, w - 3, 1);
    if (!top) line(clBtnShadow, 1, h - 3, w - 2, 0);
    // The lower half.
    line(bottom ? clBtnHighlight : clBtnShadow, 2, h - 2, w - 2, h - 2);
    line(bottom ? clBtnHighlight : clBtnShadow, w - 2, h - 2, w - 2, 1);
    line(bottom ? clBtnShadow : clBtnHighlight, 2, h - 2, w - 1, 1);
    const TPoint up = spin::UpGlyphAt(w, h, upGlyph_.width(), upGlyph_.height(), top);
    const TPoint down = spin::DownGlyphAt(w, h, downGlyph_.width(), downGlyph_.height());
    p.drawImage(up.X, up.Y, upGlyph_);
    p.drawImage(down.X, down.Y, downGlyph_);
    if (bottom) line(clBtnShadow, 3, h - 2, w - 1, 2);
    return image;
}

void TIcSpinButton::drawFaces()
{
    if (!invalidate_ && faces_[0].size() == size()) return;
    for (int s = 0; s < 3; ++s) faces_[s] = face(static_cast<TSpinButtonState>(s));
    invalidate_ = false;
}

void TIcSpinButton::paintEvent(QPaintEvent*)
{
    if (!isEnabled()) dragging_ = false;
    drawFaces();
    QPainter(this).drawImage(0, 0, faces_[state_]);
}

void TIcSpinButton::setState(TSpinButtonState state)
{
    if (state == state_) return;
    state_ = state;
    update();
}

void TIcSpinButton::clickHalf(TSpinButtonState half)
{
    if (half == sbTopDown)
        emit TopClick();
    else if (half == sbBottomDown)
        emit BottomClick();
}

void TIcSpinButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !isEnabled()) return;
    if (focusControl_ && focusControl_->focusPolicy() & Qt::TabFocus && focusControl_->isEnabled() &&
        !focusControl_->hasFocus())
        focusControl_->setFocus(Qt::MouseFocusReason);
    if (state_ == sbNotDown) {
        const QPoint at = event->position().toPoint();
        const TSpinButtonState half = spin::HalfAt(at.x(), at.y(), width(), height());
        lastState_ = half;
        setState(half);
        const QPointer<TIcSpinButton> self(this);
        clickHalf(half);
        if (!self) return;
        // A handler that took the mouse away (a message box) ends the press.
        if (!leftHeld()) {
            setState(sbNotDown);
            return;
        }
    }
    if (!repeatTimer_) {
        repeatTimer_ = new QTimer(this);
        repeatTimer_->setSingleShot(true);
        connect(repeatTimer_, &QTimer::timeout, this, &TIcSpinButton::TimerExpired);
    }
    repeatTimer_->start(400);
    dragging_ = true;
}

void TIcSpinButton::TimerExpired()
{
    if (!repeatTimer_) return;
    if (!dragging_ || !leftHeld() || !isVisible() || !isEnabled()) {
        cancelDrag();
        return;
    }
    // No tick comes while a click runs; a failing click stops the repeat.
    repeatTimer_->stop();
    const QPointer<TIcSpinButton> self(this);
    bool failed = true;
    if (state_ != sbNotDown) {
        guard::toApplication([&] {
            clickHalf(state_);
            failed = false;
        });
    } else {
        failed = false;
    }
    if (!self) return;
    if (!failed && dragging_ && leftHeld() && isVisible() && isEnabled())
        repeatTimer_->start(100);
    else
        cancelDrag();
}

void TIcSpinButton::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging_) return;
    const QPoint at = event->position().toPoint();
    if (!rect().contains(at)) {
        setState(sbNotDown);
        return;
    }
    const TSpinButtonState half = spin::HalfAt(at.x(), at.y(), width(), height());
    setState(half == lastState_ ? lastState_ : sbNotDown);
}

void TIcSpinButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !dragging_) return;
    cancelDrag();
}

void TIcSpinButton::cancelDrag()
{
    if (repeatTimer_) repeatTimer_->stop();
    dragging_ = false;
    lastState_ = sbNotDown;
    setState(sbNotDown);
}

void TIcSpinButton::hideEvent(QHideEvent* event)
{
    cancelDrag();
    QWidget::hideEvent(event);
}

void TIcSpinButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled()) cancelDrag();
        invalidate_ = true;
        update();
    } else if (event->type() == QEvent::PaletteChange) {
        invalidate_ = true;
        update();
    }
    QWidget::changeEvent(event);
}

#include "controls/input/IcLabel.h"

#include "controls/input/VisualRoutines.h"
#include "platform/Painting.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

QRect DrawShadowText(QPainter& painter, const QString& text, const QRect& rect, int flags, int shadowSize,
                     const QColor& shadowColor, const QColor& textColor, TShadowPosition position)
{
    const TPoint offset = speedbutton::ShadowOffset(position, shadowSize);
    const QRect shadowRect = rect.translated(offset.X, offset.Y);
    QRect drawnShadow, drawnText;
    if (flags & Qt::TextDontPrint) {
        const int measure = flags & ~Qt::TextDontPrint;
        drawnText = painter.fontMetrics().boundingRect(rect, measure, text);
        // Measured text starts at the rectangle's corner, as a measuring call answers.
        drawnText.moveTopLeft(rect.topLeft());
        drawnShadow = drawnText.translated(offset.X, offset.Y);
    } else {
        painter.setPen(shadowColor);
        painter.drawText(shadowRect, flags, text, &drawnShadow);
        painter.setPen(textColor);
        painter.drawText(rect, flags, text, &drawnText);
    }
    return shadowSize > 0 ? drawnText.united(drawnShadow) : drawnText;
}

TIcCustomLabel::TIcCustomLabel(QWidget* parent) : QLabel(parent)
{
    setAttribute(Qt::WA_Hover);
    resize(65, 17);
    connect(qApp, &QApplication::focusChanged, this, [this] {
        if (showFocus_) update();
    });
}

void TIcCustomLabel::SetCaption(const QString& value)
{
    if (value == text()) return;
    setText(value);
    adjustBounds();
    update();
}

void TIcCustomLabel::SetAlignment(TAlignment value)
{
    if (!speedbutton::StoreChanged(alignment_, value)) return;
    update();
}

void TIcCustomLabel::SetAutoSize(bool value)
{
    if (!speedbutton::StoreChanged(autoSize_, value)) return;
    adjustBounds();
}

void TIcCustomLabel::SetColor(TColor value)
{
    const bool hadParent = parentColor_;
    parentColor_ = false;
    if (!speedbutton::StoreChanged(color_, value) && !hadParent) return;
    update();
}

void TIcCustomLabel::SetParentColor(bool value)
{
    if (!speedbutton::StoreChanged(parentColor_, value)) return;
    update();
}

void TIcCustomLabel::SetFocusControl(QWidget* value)
{
    if (!speedbutton::StoreChanged(focusControl_, value)) return;
    syncBuddy();
    update();
}

void TIcCustomLabel::SetLayout(TTextLayout value)
{
    if (!speedbutton::StoreChanged(layout_, value)) return;
    update();
}

void TIcCustomLabel::SetShadowColor(TColor value)
{
    if (!speedbutton::StoreChanged(shadowColor_, value)) return;
    update();
}

void TIcCustomLabel::SetShadowSize(int value)
{
    if (!speedbutton::StoreChanged(shadowSize_, std::clamp(value, 0, 255))) return;
    adjustBounds();
    update();
}

void TIcCustomLabel::SetShadowPos(TShadowPosition value)
{
    if (!speedbutton::StoreChanged(shadowPos_, value)) return;
    update();
}

void TIcCustomLabel::SetShowAccelChar(bool value)
{
    if (!speedbutton::StoreChanged(showAccelChar_, value)) return;
    syncBuddy();
    adjustBounds();
    update();
}

void TIcCustomLabel::SetShowFocus(bool value)
{
    if (!speedbutton::StoreChanged(showFocus_, value)) return;
    update();
}

void TIcCustomLabel::SetTransparent(bool value)
{
    if (!speedbutton::StoreChanged(transparent_, value)) return;
    update();
}

void TIcCustomLabel::SetWordWrap(bool value)
{
    if (!speedbutton::StoreChanged(wordWrap_, value)) return;
    adjustBounds();
    update();
}

// The accelerator focuses the focus control; without accelerators shown there is none.
void TIcCustomLabel::syncBuddy() { setBuddy(showAccelChar_ ? focusControl_.data() : nullptr); }

int TIcCustomLabel::textFlags() const
{
    int flags = Qt::TextExpandTabs | (wordWrap_ ? int(Qt::TextWordWrap) : 0);
    switch (alignment_) {
    case taLeftJustify: flags |= Qt::AlignLeft; break;
    case taRightJustify: flags |= Qt::AlignRight; break;
    case taCenter: flags |= Qt::AlignHCenter; break;
    }
    return flags;
}

QRect TIcCustomLabel::drawText(QPainter& painter, QRect rect, int flags) const
{
    QString caption = text();
    const bool measuring = flags & Qt::TextDontPrint;
    if (measuring && (caption.isEmpty() || (showAccelChar_ && caption == QLatin1String("&"))))
        caption += QLatin1Char(' ');
    if (showAccelChar_) flags |= Qt::TextShowMnemonic;
    int size = shadowSize_;
    TShadowPosition position = shadowPos_;
    TColor shadow = shadowColor_;
    QColor colour = palette().color(QPalette::WindowText);
    if (!isEnabled()) {
        colour = ToQColor(clGrayText);
        shadow = clBtnHighlight;
        if (size == 0) {
            size = 1;
            position = spRightBottom;
        }
    }
    return DrawShadowText(painter, caption, rect, flags, size, ToQColor(shadow), colour, position);
}

QSize TIcCustomLabel::TextExtent(int width) const
{
    QImage scratch(1, 1, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&scratch);
    painter.setFont(font());
    const QRect measured = drawText(painter, QRect(0, 0, width, 1 << 20), textFlags() | Qt::TextDontPrint);
    return measured.size();
}

QSize TIcCustomLabel::sizeHint() const
{
    if (!autoSize_) return size();
    const QSize extent = TextExtent(wordWrap_ ? width() - 2 : 1 << 20);
    return QSize(extent.width() + 2 + leftMargin_ + rightMargin_, extent.height());
}

void TIcCustomLabel::adjustBounds()
{
    updateGeometry();
    if (!autoSize_) return;
    const QSize wanted = sizeHint();
    const int right = x() + width();
    resize(wanted);
    if (alignment_ == taRightJustify) move(right - wanted.width(), y());
}

void TIcCustomLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painting::BeginPlainPaint(painter);
    if (!transparent_) {
        const QWidget* parent = parentWidget();
        const QColor parentFace = parent ? parent->palette().color(parent->backgroundRole()) : palette().color(QPalette::Window);
        painter.fillRect(rect(), parentColor_ ? parentFace : ToQColor(color_));
    }
    const int flags = textFlags();
    QRect r = rect().adjusted(1 + leftMargin_, 0, -1 - rightMargin_, 0);
    if (layout_ != tlTop) {
        const QRect measured = drawText(painter, r, flags | Qt::TextDontPrint);
        const int free = height() - measured.bottom() - 1;
        r.translate(0, layout_ == tlCenter ? free / 2 : free);
    }
    const QRect drawn = drawText(painter, r, flags);
    if (showFocus_ && focusControl_ && focusControl_->hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = drawn.adjusted(-1, 0, 1, 0);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void TIcCustomLabel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) dragging_ = true;
    QLabel::mousePressEvent(event);
}

void TIcCustomLabel::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) {
        dragging_ = false;
        if (!rect().contains(event->position().toPoint())) DoMouseLeave();
    } else if (event->button() == Qt::RightButton) {
        compareMouse();
    }
}

void TIcCustomLabel::enterEvent(QEnterEvent* event)
{
    QLabel::enterEvent(event);
    DoMouseEnter();
}

void TIcCustomLabel::leaveEvent(QEvent* event)
{
    QLabel::leaveEvent(event);
    DoMouseLeave();
}

void TIcCustomLabel::DoMouseEnter()
{
    if (mouseInControl_ || !isEnabled() || !IsForegroundTask()) return;
    mouseInControl_ = true;
    emit MouseEnter();
}

void TIcCustomLabel::DoMouseLeave()
{
    if (!mouseInControl_ || dragging_) return;
    mouseInControl_ = false;
    emit MouseLeave();
}

// After a right click, enabling or showing, the state follows what is under the cursor now.
void TIcCustomLabel::compareMouse()
{
    if (underMouse() && isEnabled())
        DoMouseEnter();
    else
        DoMouseLeave();
}

void TIcCustomLabel::showEvent(QShowEvent* event)
{
    QLabel::showEvent(event);
    compareMouse();
}

void TIcCustomLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled()) dragging_ = false;
        compareMouse();
        update();
    } else if (event->type() == QEvent::FontChange) {
        adjustBounds();
    }
}

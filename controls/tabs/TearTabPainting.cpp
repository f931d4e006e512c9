// How the tab strip paints itself: the frame around the pages, the edges of each tab or button,
// and each tab's face, caption and image.

#include "controls/tabs/ImageList.h"
#include "controls/tabs/TabDrawing.h"
#include "controls/tabs/TearTabControl.h"
#include "platform/Painting.h"

#include <QFontMetrics>
#include <QPainter>

using painting::ToQColor;

namespace {

void Line(QPainter& p, TColor color, int x0, int y0, int x1, int y1)
{
    p.setPen(ToQColor(color));
    p.drawLine(x0, y0, x1, y1);
}

}  // namespace

void TCustomTearTabControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painting::BeginPlainPaint(painter);
    painter.fillRect(rect(), ToQColor(clBtnFace));
    if (!buttonStyle_) DrawFrame(painter);
    // Tabs scrolled under the arrows stay hidden. The selected tab last: it lies over its
    // neighbours and the frame.
    painter.setClipRect(layout_.tabClip);
    for (int i = 0; i < int(items_.size()); ++i)
        if (i != tabIndex_) DrawTabEdge(painter, i);
    if (tabIndex_ >= 0) DrawTabEdge(painter, tabIndex_);
}

void TCustomTearTabControl::DrawFrame(QPainter& painter) const
{
    const QRect frame = layout_.display.adjusted(-4, -4, 3, 3);
    painter.fillRect(frame, ToQColor(color_));
    DrawTabEdges(painter, frame, false);
}

void TCustomTearTabControl::DrawTabEdge(QPainter& painter, int index) const
{
    const QRect shown = TabRect(index);
    const bool selected = index == tabIndex_;
    const TTabStripShape shape = Shape();
    QRect inner = shown.adjusted(2, 2, -2, -2);
    if (buttonStyle_) {
        const bool hot = hotTrack_ && index == hotTab_;
        const bool down = selected || items_[index].pressed;
        if (down || !flatButtons_ || hot) DrawTabEdges(painter, shown, down);
        if (flatButtons_ && flatSeperators_ && index + 1 < int(items_.size())) {
            const int x = shown.right() + kButtonGap / 2 + 1;
            Line(painter, clBtnShadow, x, shown.top() + 1, x, shown.bottom() - 1);
            Line(painter, clBtnHighlight, x + 1, shown.top() + 1, x + 1, shown.bottom() - 1);
        }
    } else {
        const TEdgeSide open = OpenSide(shape, layout_.opposite[index]);
        DrawTabEdges(painter, shown, false, &open);
        // The tab runs into the page: its open side reaches the frame, and the selected one
        // covers the frame line.
        const int reach = selected ? 2 : 0;
        switch (open) {
        case TEdgeSide::Bottom: inner.setBottom(shown.bottom() + reach); break;
        case TEdgeSide::Top: inner.setTop(shown.top() - reach); break;
        case TEdgeSide::Right: inner.setRight(shown.right() + reach); break;
        case TEdgeSide::Left: inner.setLeft(shown.left() - reach); break;
        }
    }
    auto* self = const_cast<TCustomTearTabControl*>(this);
    painter.save();
    self->DrawItem(painter, index, inner);
    painter.restore();
}

void TCustomTearTabControl::DrawItem(QPainter& painter, int index, QRect rect)
{
    if (index != tabIndex_ && !buttonStyle_) {
        // Away from the pages: a row on their far side shifts the other way.
        const bool nearSide = (tabPosition_ == tpTopLeft) != layout_.opposite[index];
        if (verticalTabs_) rect.translate(nearSide ? 1 : -2, 0);
        else rect.translate(0, nearSide ? 1 : -2);
    }
    painter.setFont(font());
    DrawTab(painter, tabs_.Get(index), index, rect);
    if (index == tabIndex_ && hasFocus()) {
        QPen pen(ToQColor(clWindowText));
        pen.setStyle(Qt::DotLine);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect.adjusted(1, 1, -2, -2));
    }
}

void TCustomTearTabControl::DrawTab(QPainter& painter, const QString& caption, int index, QRect rect)
{
    if (OnDrawTab) {
        OnDrawTab(*this, painter, caption, index, rect);
        return;
    }
    const bool selected = index == tabIndex_;
    const TColor face = selected ? color_ : inactiveColor_;
    const QFont textFont = selected ? font() : inactiveFont_;
    TColor textColor = selected ? fontColor_ : inactiveFontColor_;
    if (hotTrack_ && index == hotTab_) textColor = clHighlight;
    painter.fillRect(rect, ToQColor(face));
    const QString text = caption.trimmed();

    const int image = items_[index].image;
    if (images_ && image != -1) {
        const int extent = images_->Height();
        if (verticalTabs_) {
            const int x = rect.left() + rect.width() / 2 - extent / 2 + 1, y = rect.top() + 5;
            images_->Draw(painter, x, y, image);
            rect.setTop(y + extent);
        } else {
            const int x = rect.left() + 5, y = rect.top() + rect.height() / 2 - extent / 2 + 1;
            images_->Draw(painter, x, y, image);
            rect.setLeft(x + extent);
        }
    }

    if (textRotation_ == trVertical) {
        const int angle = tabPosition_ == tpTopLeft ? 90 : 270;
        DrawRotatedText(painter, rect, text, angle, textFont, ToQColor(textColor), ToQColor(face),
                        painting::IsTrueTypeFont(textFont));
        return;
    }
    const QFontMetrics fm(textFont);
    const int x = rect.left() + rect.width() / 2 - fm.horizontalAdvance(text) / 2;
    const int y = rect.top() + rect.height() / 2 - fm.height() / 2;
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.setFont(textFont);
    painter.setPen(ToQColor(textColor));
    painting::DrawTextAt(painter, x, y, text);
    painter.restore();
}

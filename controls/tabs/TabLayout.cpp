#include "controls/tabs/TabLayout.h"

#include <algorithm>

namespace {

constexpr int kStripMargin = 2;  // before the first tab, and outside the outermost row
constexpr int kFrameInset = 4;   // frame lines and the space inside them

}  // namespace

TTabStripLayout LayOutTabStrip(const TTabStripShape& shape, QSize client, const std::vector<int>& lengths,
                               int breadth)
{
    TTabStripLayout out;
    const int along = shape.vertical ? client.height() : client.width();
    const int margin = shape.buttons ? 0 : kStripMargin;
    const int gap = shape.buttons ? kButtonGap : 0;

    // Positions along the strip and rows, before turning them to the strip's side.
    std::vector<int> starts;
    int pos = margin, row = 0;
    for (int len : lengths) {
        if (shape.multiLine && pos > margin && pos + len > along - margin) {
            ++row;
            pos = margin;
        }
        starts.push_back(pos);
        out.rowOf.push_back(row);
        pos += len + gap;
    }
    out.rows = row + 1;
    const int bandDepth = margin + out.rows * breadth;

    for (std::size_t i = 0; i < lengths.size(); ++i) {
        const int fromOuter = margin + (out.rows - 1 - out.rowOf[i]) * breadth;
        const int len = lengths[i];
        QRect r;
        if (!shape.vertical) {
            const int y = shape.position == tpTopLeft ? fromOuter : client.height() - fromOuter - breadth;
            r = QRect(starts[i], y, len, breadth);
        } else {
            const int x = shape.position == tpTopLeft ? fromOuter : client.width() - fromOuter - breadth;
            r = QRect(x, starts[i], breadth, len);
        }
        out.tabs.push_back(r);
    }

    const QRect all(QPoint(0, 0), client);
    QRect rest = all;
    if (!shape.vertical) {
        if (shape.position == tpTopLeft) {
            out.band = QRect(0, 0, client.width(), bandDepth);
            rest.setTop(bandDepth);
        } else {
            out.band = QRect(0, client.height() - bandDepth, client.width(), bandDepth);
            rest.setBottom(client.height() - bandDepth - 1);
        }
    } else if (shape.position == tpTopLeft) {
        out.band = QRect(0, 0, bandDepth, client.height());
        rest.setLeft(bandDepth);
    } else {
        out.band = QRect(client.width() - bandDepth, 0, bandDepth, client.height());
        rest.setRight(client.width() - bandDepth - 1);
    }
    if (shape.buttons) rest.setTop(rest.top() + kButtonGap);
    else rest.adjust(kFrameInset, kFrameInset, -kFrameInset, -kFrameInset);
    if (rest.width() < 0) rest.setWidth(0);
    if (rest.height() < 0) rest.setHeight(0);
    out.display = rest;
    return out;
}

QRect ShownTabRect(const TTabStripShape& shape, const QRect& tab, bool selected)
{
    if (!selected || shape.buttons) return tab;
    const int g = kSelectedGrowth;
    if (!shape.vertical)
        return shape.position == tpTopLeft ? tab.adjusted(-g, -g, g, 0) : tab.adjusted(-g, 0, g, g);
    return shape.position == tpTopLeft ? tab.adjusted(-g, -g, 0, g) : tab.adjusted(0, -g, g, g);
}

int TabAtPoint(const TTabStripShape& shape, const TTabStripLayout& layout, int selected, QPoint point)
{
    const int n = int(layout.tabs.size());
    if (selected >= 0 && selected < n && ShownTabRect(shape, layout.tabs[selected], true).contains(point))
        return selected;
    for (int i = 0; i < n; ++i)
        if (layout.tabs[i].contains(point)) return i;
    return -1;
}

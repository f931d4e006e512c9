#include "controls/tabs/TabLayout.h"

#include <algorithm>

namespace {

constexpr int kStripMargin = 2;  // before the first tab, and outside the outermost row
constexpr int kFrameInset = 4;   // frame lines and the space inside them

// Where each row goes: on which side of the pages and how many rows lie between it and them.
struct RowPlaces {
    std::vector<bool> opposite;
    std::vector<int> slot;
    int mainRows = 0, oppositeRows = 0;
};

RowPlaces PlaceRows(const TTabStripShape& shape, int rows, int front)
{
    RowPlaces out;
    for (int r = 0; r < rows; ++r) {
        if (shape.scrollOpposite && r < front) {
            // The rows in front went through to the far side: the nearest of them lies next to the pages.
            out.opposite.push_back(true);
            out.slot.push_back(front - 1 - r);
        } else {
            // Without ScrollOpposite the rows turn round, keeping their order.
            out.opposite.push_back(false);
            out.slot.push_back(shape.scrollOpposite ? r - front : (r - front + rows) % rows);
        }
    }
    out.oppositeRows = shape.scrollOpposite ? front : 0;
    out.mainRows = rows - out.oppositeRows;
    return out;
}

// Makes the tabs of a single row that runs past the edge scroll, and places its arrows.
void ScrollSingleRow(TTabStripLayout& out, std::vector<int>& starts, const std::vector<int>& lengths, int along,
                     int margin, int breadth, int firstVisible)
{
    const int n = int(lengths.size());
    if (n == 0 || starts.back() + lengths.back() <= along) return;
    const int arrowsAt = std::max(0, along - 2 * breadth);
    const int end = starts.back() + lengths.back();
    out.lastFirstVisible = n - 1;
    for (int i = 0; i < n; ++i)
        if (end - starts[i] + margin <= arrowsAt) {
            out.lastFirstVisible = i;
            break;
        }
    out.firstVisible = std::clamp(firstVisible, 0, out.lastFirstVisible);
    const int shift = starts[out.firstVisible] - margin;
    for (int& s : starts) s -= shift;
    out.tabClip.setRight(arrowsAt - 1);
    out.scrollBack = QRect(arrowsAt, 0, breadth, breadth);
    out.scrollForward = QRect(arrowsAt + breadth, 0, breadth, breadth);
}

}  // namespace

TTabStripLayout LayOutTabStrip(const TTabStripShape& shape, QSize client, const std::vector<int>& lengths,
                               int breadth, int selected, int firstVisible)
{
    TTabStripLayout out;
    const int n = int(lengths.size());
    const int along = shape.vertical ? client.height() : client.width();
    const int margin = shape.buttons ? 0 : kStripMargin;
    const int gap = shape.buttons ? kButtonGap : 0;
    out.tabClip = QRect(QPoint(0, 0), client);

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
    if (!shape.multiLine && !shape.vertical) ScrollSingleRow(out, starts, lengths, along, margin, breadth, firstVisible);

    const bool rowsMove = shape.multiLine && !shape.buttons && selected >= 0 && selected < n;
    const RowPlaces places = PlaceRows(shape, out.rows, rowsMove ? out.rowOf[selected] : 0);
    const int mainDepth = margin + places.mainRows * breadth;
    const int oppositeDepth = places.oppositeRows > 0 ? margin + places.oppositeRows * breadth : 0;

    for (int i = 0; i < n; ++i) {
        const int r = out.rowOf[i];
        const bool opp = places.opposite[r];
        const int fromOuter = margin + ((opp ? places.oppositeRows : places.mainRows) - 1 - places.slot[r]) * breadth;
        const bool farSide = (shape.position == tpBottomRight) != opp;
        const int len = lengths[i];
        QRect rect;
        if (!shape.vertical) {
            const int y = farSide ? client.height() - fromOuter - breadth : fromOuter;
            rect = QRect(starts[i], y, len, breadth);
        } else {
            const int x = farSide ? client.width() - fromOuter - breadth : fromOuter;
            rect = QRect(x, starts[i], breadth, len);
        }
        out.tabs.push_back(rect);
        out.opposite.push_back(opp);
    }
    if (!out.scrollBack.isEmpty()) {
        out.scrollBack.moveTop(out.tabs[0].top());
        out.scrollForward.moveTop(out.tabs[0].top());
    }

    // Cuts a strip of `depth` from the near (top/left) or far side of the client.
    QRect rest(QPoint(0, 0), client);
    const auto cut = [&](int depth, bool farSide) {
        if (depth == 0) return QRect();
        if (!shape.vertical) {
            if (!farSide) {
                rest.setTop(depth);
                return QRect(0, 0, client.width(), depth);
            }
            rest.setBottom(client.height() - depth - 1);
            return QRect(0, client.height() - depth, client.width(), depth);
        }
        if (!farSide) {
            rest.setLeft(depth);
            return QRect(0, 0, depth, client.height());
        }
        rest.setRight(client.width() - depth - 1);
        return QRect(client.width() - depth, 0, depth, client.height());
    };
    const bool mainFar = shape.position == tpBottomRight;
    out.band = cut(mainDepth, mainFar);
    out.oppositeBand = cut(oppositeDepth, !mainFar);
    if (shape.buttons) rest.setTop(rest.top() + kButtonGap);
    else rest.adjust(kFrameInset, kFrameInset, -kFrameInset, -kFrameInset);
    if (rest.width() < 0) rest.setWidth(0);
    if (rest.height() < 0) rest.setHeight(0);
    out.display = rest;
    return out;
}

int FirstVisibleShowing(const TTabStripLayout& layout, int tab)
{
    const int first = layout.firstVisible;
    if (layout.scrollBack.isEmpty() || tab < 0 || tab >= int(layout.tabs.size())) return first;
    if (tab < first) return tab;
    const int room = layout.tabClip.right() + 1;
    const int end = layout.tabs[tab].right() + 1;
    int f = first;
    while (f < tab && end - (layout.tabs[f].left() - layout.tabs[first].left()) > room) ++f;
    return std::min(f, layout.lastFirstVisible);
}

TEdgeSide OpenSide(const TTabStripShape& shape, bool opposite)
{
    const bool farSide = (shape.position == tpBottomRight) != opposite;
    if (!shape.vertical) return farSide ? TEdgeSide::Top : TEdgeSide::Bottom;
    return farSide ? TEdgeSide::Left : TEdgeSide::Right;
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
    if (!layout.tabClip.contains(point)) return -1;
    const int n = int(layout.tabs.size());
    if (selected >= 0 && selected < n && ShownTabRect(shape, layout.tabs[selected], true).contains(point))
        return selected;
    for (int i = 0; i < n; ++i)
        if (layout.tabs[i].contains(point)) return i;
    return -1;
}

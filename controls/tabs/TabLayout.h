#pragma once
// Where the tabs of a tab strip lie and what is left for the pages: plain geometry, no painting.

#include <QRect>
#include <QSize>
#include <vector>

enum TTearTabPosition { tpTopLeft, tpBottomRight };
enum TTextRotation { trHorizontal, trVertical };

struct TTabStripShape {
    TTearTabPosition position = tpTopLeft;
    bool vertical = false;   // tabs along the left or right edge
    bool multiLine = false;  // rows wrap instead of running past the end
    bool buttons = false;    // buttons on the top edge, no frame around the pages
};

struct TTabStripLayout {
    std::vector<QRect> tabs;  // one per tab, in tab order
    std::vector<int> rowOf;   // the row of each tab; row 0 lies next to the pages
    int rows = 0;
    QRect band;     // the strip the tabs take
    QRect display;  // the pages' area, inside the frame
};

// Gap between buttons, and the margin the selected tab grows into on each side.
inline constexpr int kButtonGap = 3;
inline constexpr int kSelectedGrowth = 2;

// `lengths` are the tabs' sizes along the strip, `breadth` the size of one row across it.
TTabStripLayout LayOutTabStrip(const TTabStripShape& shape, QSize client, const std::vector<int>& lengths,
                               int breadth);

// The rectangle a tab takes on screen: the selected one of a tab strip (not buttons) grows by
// kSelectedGrowth along the strip and away from the pages.
QRect ShownTabRect(const TTabStripShape& shape, const QRect& tab, bool selected);

// The tab under the point (the selected one first, as it lies on top), or -1.
int TabAtPoint(const TTabStripShape& shape, const TTabStripLayout& layout, int selected, QPoint point);

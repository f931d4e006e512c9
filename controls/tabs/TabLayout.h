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
    // The rows in front of the selected tab's row move to the far side of the pages.
    bool scrollOpposite = false;
};

struct TTabStripLayout {
    std::vector<QRect> tabs;       // one per tab, in tab order
    std::vector<int> rowOf;        // the row each tab wrapped into, counted in tab order
    std::vector<bool> opposite;    // whether the tab's row lies on the far side of the pages
    int rows = 0;
    QRect band;          // the strip the tabs take
    QRect oppositeBand;  // the strip on the far side, empty unless rows went there
    QRect display;       // the pages' area, inside the frame
    // A single row that runs past the edge scrolls: its tabs show from `firstVisible` on, inside
    // `tabClip`, and two arrows at the end of the row scroll it.
    QRect tabClip;
    QRect scrollBack, scrollForward;  // empty while every tab fits
    int firstVisible = 0;
    int lastFirstVisible = 0;  // scrolled this far, the last tab shows whole
};

// Gap between buttons, and the margin the selected tab grows into on each side.
inline constexpr int kButtonGap = 3;
inline constexpr int kSelectedGrowth = 2;

// `lengths` are the tabs' sizes along the strip, `breadth` the size of one row across it. The
// selected tab's row lies next to the pages (tabs reach into their page; buttons do not move).
// `firstVisible` asks for a scroll position of a single row; it is kept within range.
TTabStripLayout LayOutTabStrip(const TTabStripShape& shape, QSize client, const std::vector<int>& lengths,
                               int breadth, int selected = -1, int firstVisible = 0);

// The scroll position that shows `tab` whole (or from its start when it is longer than the
// room), moving as little as possible from the layout's own.
int FirstVisibleShowing(const TTabStripLayout& layout, int tab);

// Which side of its tab runs into the pages.
enum class TEdgeSide { Top, Bottom, Left, Right };
TEdgeSide OpenSide(const TTabStripShape& shape, bool opposite);

// The rectangle a tab takes on screen: the selected one of a tab strip (not buttons) grows by
// kSelectedGrowth along the strip and away from the pages.
QRect ShownTabRect(const TTabStripShape& shape, const QRect& tab, bool selected);

// The tab under the point (the selected one first, as it lies on top), or -1. Tabs scrolled out
// of sight or under the arrows are not hit.
int TabAtPoint(const TTabStripShape& shape, const TTabStripLayout& layout, int selected, QPoint point);

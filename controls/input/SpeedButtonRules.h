#pragma once
// The rules of labels and speed buttons that need no window: states, frames, glyph slices, the
// placement of glyph, caption and drop-down mark, menu anchors and shadow offsets.

#include "controls/input/GdiTypes.h"

#include <vector>

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonStyle { bsAutoDetect, bsWin31, bsNew };
enum TShadowPosition { spLeftTop, spLeftBottom, spRightBottom, spRightTop };
enum TIcDropDownMenuPos { dmpBottom, dmpRight };
enum TPopupAlignment { paLeft, paRight, paCenter };

// The button states in the order they index a glyph strip.
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive, bsInactive };

struct TPoint {
    int X = 0, Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
    int Width = 0, Height = 0;
    friend bool operator==(const TSize&, const TSize&) = default;
};

namespace speedbutton {

// A property setter's first step: stores a different value and says so; an equal one changes
// nothing.
template <class Field, class Value>
bool StoreChanged(Field& field, const Value& value)
{
    if (field == value) return false;
    field = value;
    return true;
}

// What is painted: a flat button without the mouse over it looks inactive.
TButtonState PaintedState(TButtonState state, bool flat, bool mouseInControl);

// One ring of a 3-D frame: top and left edges in one colour, right and bottom in the other.
struct TFrameRing {
    TColor TopLeft = clBlack;
    TColor BottomRight = clBlack;
    friend bool operator==(const TFrameRing&, const TFrameRing&) = default;
};

struct TFrame {
    std::vector<TFrameRing> Rings;  // outermost first
    bool ShadowLine = false;        // old look pressed: a clBtnShadow line along the left and top
    bool Drawn() const { return !Rings.empty(); }
};

// The frame of the painted state; none for an inactive (flat, not hovered) button unless it
// stays down.
TFrame ButtonFrame(TButtonState state, TButtonState paintedState, bool newLook, bool flat);

// How the image of a state is made from the strip.
struct TGlyphSource {
    enum Kind { Slice, Embossed, Grey } How = Slice;
    int Index = 0;  // the slice taken (Embossed and Grey start from it)
    friend bool operator==(const TGlyphSource&, const TGlyphSource&) = default;
};
TGlyphSource GlyphSourceFor(TButtonState state, int numGlyphs);

// The number of images a strip of that size holds: width / height when it divides and gives
// 1 .. 5, else 1.
int GlyphCountOf(int width, int height);
int ClampNumGlyphs(int value);

// Luminance grey of an inactive glyph pixel.
constexpr int GreyLevel(int r, int g, int b) { return (77 * r + 150 * g + 29 * b) >> 8; }

// The room the caption has beside or under the glyph.
TSize TextRoom(TSize client, TSize glyph, TButtonLayout layout, int margin, int spacing, bool dropMark);

struct TButtonPlacement {
    TPoint Glyph;
    TRect Text;
    TPoint Mark;  // the drop-down mark's point (valid when a mark is drawn)
};

// Places glyph, caption and mark within `client` (its origin included); textSize is the measured
// caption (0 x 0 when empty). margin and spacing of -1 are worked out.
TButtonPlacement PlaceGlyphAndText(const TRect& client, TSize glyph, TSize textSize, TButtonLayout layout,
                                   int margin, int spacing, bool dropMark);

// The drop-down mark: four rows of 7, 5, 3 and 1 pixels, the top row one pixel above the point.
struct TMarkRow {
    int Left = 0, Y = 0, Width = 0;
    friend bool operator==(const TMarkRow&, const TMarkRow&) = default;
};
std::vector<TMarkRow> DropMarkRows(TPoint point);

// Where the drop-down menu is popped up, in button coordinates.
TPoint DropDownMenuPoint(TIcDropDownMenuPos position, TPopupAlignment alignment, int width, int height);

// The offset of a shadow of `size` pixels.
TPoint ShadowOffset(TShadowPosition position, int size);

// A release at x, y counts as inside the button (the bottom edge included, as the original does).
constexpr bool ReleasedInside(int x, int y, int width, int height)
{
    return x >= 0 && x < width && y >= 0 && y <= height;
}

}  // namespace speedbutton

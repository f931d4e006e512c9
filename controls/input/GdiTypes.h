#pragma once
// The rectangle values and integer helpers the drawing routines take, plain and without Qt.

#include "platform/Colors.h"

// A rectangle whose right and bottom edges lie outside it.
struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    friend bool operator==(const TRect&, const TRect&) = default;
};

constexpr int RectWidth(const TRect& r) { return r.Right - r.Left; }
constexpr int RectHeight(const TRect& r) { return r.Bottom - r.Top; }

// a * b / c with a 64-bit product, rounded half away from zero; -1 when c is 0 or the result
// does not fit.
int MulDiv(int a, int b, int c);

// Screen placement: the window moved to the centre of the screen ((screen - size) div 2 on each
// axis), then into it.
TRect CenteredRect(const TRect& window, const TRect& screen);
// A rectangle past the right or bottom edge moved back to end there, then one past the left or
// top edge moved to start there; the size is kept.
TRect FitRectIntoScreen(const TRect& rect, const TRect& screen);

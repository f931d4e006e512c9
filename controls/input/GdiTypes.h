#pragma once
// The colour and rectangle values the drawing routines take, plain and without Qt. A shared
// painting module may hold the full system-colour table; this holds only what these routines use.

#include <cstdint>

// 0x00BBGGRR; the high bit marks a system colour (its index in the low byte).
using TColor = std::uint32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clBtnFace = 0x8000000F;
constexpr TColor clBtnShadow = 0x80000010;
constexpr TColor clBtnHighlight = 0x80000014;

// The RGB value of a colour: system colours from their classic values.
TColor ColorToRGB(TColor color);

constexpr int GetRValue(TColor c) { return static_cast<int>(c & 0xFF); }
constexpr int GetGValue(TColor c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int GetBValue(TColor c) { return static_cast<int>((c >> 16) & 0xFF); }
constexpr TColor RGB(int r, int g, int b)
{
    return static_cast<TColor>(r & 0xFF) | static_cast<TColor>(g & 0xFF) << 8 | static_cast<TColor>(b & 0xFF) << 16;
}

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

#pragma once
// Painting conventions shared by every control: colours keep their 0x00BBGGRR value (high bit:
// a system colour) until they are painted; rectangles exclude their right and bottom edges;
// lines leave out their last pixel; text is placed by the top-left of its cell.

#include <QColor>
#include <QPalette>
#include <QRect>
#include <cstdint>

class QImage;
class QPainter;
class QPoint;
class QString;

using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                        clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                        clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                        clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF;

inline constexpr TColor kSystemColor = 0x80000000;
inline constexpr TColor clScrollBar = kSystemColor | 0, clBackground = kSystemColor | 1,
                        clActiveCaption = kSystemColor | 2, clInactiveCaption = kSystemColor | 3,
                        clMenu = kSystemColor | 4, clWindow = kSystemColor | 5,
                        clWindowFrame = kSystemColor | 6, clMenuText = kSystemColor | 7,
                        clWindowText = kSystemColor | 8, clCaptionText = kSystemColor | 9,
                        clActiveBorder = kSystemColor | 10, clInactiveBorder = kSystemColor | 11,
                        clAppWorkSpace = kSystemColor | 12, clHighlight = kSystemColor | 13,
                        clHighlightText = kSystemColor | 14, clBtnFace = kSystemColor | 15,
                        clBtnShadow = kSystemColor | 16, clGrayText = kSystemColor | 17,
                        clBtnText = kSystemColor | 18, clInactiveCaptionText = kSystemColor | 19,
                        clBtnHighlight = kSystemColor | 20, cl3DDkShadow = kSystemColor | 21,
                        cl3DLight = kSystemColor | 22, clInfoText = kSystemColor | 23,
                        clInfoBk = kSystemColor | 24;

namespace painting {

inline constexpr TColor RGB(int r, int g, int b)
{
    return TColor(r & 0xFF) | TColor(g & 0xFF) << 8 | TColor(b & 0xFF) << 16;
}

// The plain 0x00BBGGRR value: a system colour through the application's palette where it has a
// matching role, else the classic colour of that entry; unknown system colours give black.
TColor ColorToRGB(TColor color);
QColor ToQColor(TColor color);
TColor FromQColor(const QColor& color);

// A rectangle given by its edges, right and bottom outside it.
inline QRect GdiRect(int left, int top, int right, int bottom)
{
    return QRect(left, top, right - left, bottom - top);
}

// A painter set up for exact pixels: no antialiasing, so colours can be compared.
void BeginPlainPaint(QPainter& painter);
// A line from (x0, y0) towards (x1, y1) without its last pixel, in the pen's colour.
void DrawLineTo(QPainter& painter, int x0, int y0, int x1, int y1);
// Text whose cell's top-left corner is (x, y).
void DrawTextAt(QPainter& painter, int x, int y, const QString& text);

// Replaces the 4-connected area of exactly `surface` around `start` with `fill`; a start pixel of
// another colour (or outside the image) changes nothing. Works on 32-bit images, alpha kept.
void FloodFillSurface(QImage& image, const QPoint& start, TColor surface, TColor fill);

}  // namespace painting

#pragma once
// Painting conventions shared by every control: colours keep their 0x00BBGGRR value (high bit:
// a system colour) until they are painted; rectangles exclude their right and bottom edges;
// lines leave out their last pixel; text is placed by the top-left of its cell.

#include <QColor>
#include <QPalette>
#include <QRect>
#include "platform/Colors.h"

class QFont;
class QImage;
class QPainter;
class QPoint;
class QString;

namespace painting {

// The plain 0x00BBGGRR value: a system colour through the application's palette where it has a
// matching role, else its classic colour (ClassicColorToRGB).
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

// Whether text in this font can be turned: the face that is really drawn must be an outline
// face. A family the system substitutes counts by the face standing in for it; the classic
// raster faces ("MS Sans Serif", "System", ...) count as raster by name wherever they are drawn
// from, since stored forms name them and expect them to be replaced.
bool IsTrueTypeFont(const QFont& font);
// The outline family a control switches to when a turned text has no outline face.
inline constexpr const char* TrueTypeReplacement = "Arial";

}  // namespace painting

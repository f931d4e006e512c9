#pragma once
// Drawing and window routines of the input controls, on Qt's painter, images and widgets.

#include "controls/input/GdiTypes.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QRect>
#include <string>
#include <string_view>

class QFontMetrics;
class QPainter;
class QWidget;

QColor ToQColor(TColor color);
QRect ToQRect(const TRect& rect);

// MinimizeText measured in the font of the canvas; the bytes are shown as UTF-8 when valid,
// else as Latin-1.
std::string MinimizeText(std::string_view text, const QFontMetrics& metrics, int width);

// Moves the window (frame included) to the centre of its screen and into it; size, stacking
// and activation stay.
void CenterWindow(QWidget* window);
// True when one of this program's windows is the active window.
bool IsForegroundTask();

// An 8 x 8 dither: colour 1, with colour 2 where x and y are both even or both odd.
QImage CreateTwoColorsBrushPattern(TColor color1, TColor color2);

// The embossed look of a disabled glyph: a new image filled with `background`; the pixels of
// the bitmap that have the outline colour are drawn in `highlight` one pixel right and down (when
// asked), then in `shadow` where they are.
QImage CreateDisabledBitmap(const QImage& bitmap, TColor outline, TColor background, TColor highlight,
                            TColor shadow, bool drawHighlight);
QImage CreateDisabledBitmap(const QImage& bitmap, TColor outline);
// The same embossing of one image of a list onto the canvas at x, y: its opaque pixels are the
// shape. An index outside the list draws nothing.
void ImageListDrawDisabled(const QList<QImage>& images, QPainter& canvas, int x, int y, int index,
                           TColor highlight, TColor shadow, bool drawHighlight);

enum TGradientDirection { gdTopToBottom, gdBottomToTop, gdLeftToRight, gdRightToLeft };

// Fills the rectangle with `colours` bands (1 .. its extent) running from the start to the end
// colour; the pixels left over at the far end take the colour that ends there.
void GradientFillRect(QPainter& canvas, const TRect& rect, TColor startColor, TColor endColor,
                      TGradientDirection direction, int colours);

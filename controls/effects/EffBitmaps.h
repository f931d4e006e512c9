#pragma once
// Bitmap drawing of the effect controls on Qt's painter: placement (own size, centred,
// stretched, aspect kept, tiled), a key colour or a mask for transparency, and the two-pass
// transparent copy. Masks are images of black (drawn) and white (left as it is).

#include "controls/effects/EffTypes.h"
#include "controls/input/GdiTypes.h"

#include <QImage>
#include <QPoint>

class QPainter;

inline constexpr TColor kNoTransparentColor = 0xFFFFFFFF;  // -1: draw opaque
inline constexpr TColor kNoColor = kNoTransparentColor;      // a colour that is not set

// DrawBitmap flags.
inline constexpr int kBmpClip = 0x1, kBmpCenter = 0x8, kBmpStretch = 0x10, kBmpTile = 0x20,
                     kBmpTransparent = 0x40, kBmpBrushCopy = 0x80, kBmpMask = 0x100,
                     kBmpKeepWidth = 0x200, kBmpKeepHeight = 0x400, kBmpPalette = 0x1000;
inline constexpr int kBmpAspect = kBmpKeepWidth | kBmpKeepHeight;
// The placement flags of a bitmap style: all clip but plain stretching and the kept aspect ratio.
int BitmapStyleFlags(TEffBitmapStyle style);

// Draws the bitmap into Rect by the flags: clip (to Rect moved by Offset), centre, stretch (with
// both keep flags the aspect ratio is kept, with one that side fills Rect and the other follows in
// proportion), tile from Rect's top-left, or the bitmap's own size at Rect's top-left. Key colour
// transparency (kBmpTransparent), the brush copy (the bitmap's own transparent colour, its
// bottom-left pixel, replaced by TransparentColor) or a plain copy. Palettes do not exist here:
// kBmpPalette is accepted and ignored. An empty bitmap draws nothing.
void DrawBitmap(QPainter& canvas, const TRect& rect, const QImage& bitmap, TColor transparentColor, QPoint offset,
                int flags);
// Area with its left and top moved back so tiles drawn from there lie on the grid of the parent,
// `at` being the area's position in it: neighbouring controls then show one pattern.
TRect TileGridRect(const TRect& area, QPoint at, int tileWidth, int tileHeight);
// The core behind DrawBitmap; with kBmpMask the caller's mask (the bitmap's size) says what is drawn.
void DrawBitmapStyled(QPainter& canvas, const TRect& rect, const QImage& source, const QImage* mask,
                      TColor transparentColor, QPoint offset, int flags);
// The bitmap drawn through its key-colour mask into Buffer (filled with BackColor first), then
// Buffer drawn onto the canvas with BackColor as its key colour.
void DrawBitmapBuffered(QPainter& canvas, const TRect& rect, const QImage& bitmap, TColor backColor,
                        TColor transparentColor, QImage& buffer);
// The area of Source copied into Image and Mask: Mask white where the pixel has the transparent
// colour, black elsewhere; Image black where Mask is white.
void CreateMaskBitmaps(const QImage& source, const TRect& area, QImage& mask, TColor transparentColor, QImage& image);
// The two-pass copy at `at`: the mask ANDed onto the destination, then the image ORed onto it.
void DrawTransparent(QPainter& canvas, QPoint at, const QImage& mask, const QImage& image);
// Sizes the bitmap to the rectangle and fills it with the colour.
void FillBitmapArea(QImage& bitmap, const TRect& rect, TColor color);

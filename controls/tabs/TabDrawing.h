#pragma once
// Rotated tab captions: through the font itself for outline fonts, else by turning a bitmap of
// the text pixel by pixel (bitmap fonts cannot be drawn at an angle).

#include "controls/tabs/TabLayout.h"
#include "platform/Colors.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>

class QPainter;

// The byte value of every destination pixel whose source lies outside the bitmap.
inline constexpr int kUncoveredByte = 192;

// `source` turned by `angle` degrees (counter-clockwise on screen) about its centre, pixel by
// pixel: each destination pixel takes the nearest source pixel, or kUncoveredByte in every
// channel where that lies outside. The result has the source's size and a 32-bit format.
QImage RotateBitmap(const QImage& source, int angle);

// Draws `text` turned by 90 (reading upwards) or 270 degrees (reading downwards), centred on
// `rect`. Outline fonts are turned by the painter; otherwise the text is written into a square
// bitmap of `brush` colour, turned with RotateBitmap and copied with the brush colour transparent.
void DrawRotatedText(QPainter& painter, const QRect& rect, const QString& text, int angle, const QFont& font,
                     const QColor& textColor, const QColor& brush, bool outlineFont);

// Raised (or sunken) edges two pixels deep, as tabs, buttons and the frame have; `open`, when
// given, names a side left undrawn (where a tab runs into its page).
void DrawTabEdges(QPainter& painter, const QRect& rect, bool sunken, const TEdgeSide* open = nullptr);


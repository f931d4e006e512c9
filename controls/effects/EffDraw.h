#pragma once
// Stateless painters of the effect controls on Qt's painter: bevel frames, three-dimensional
// edges over the four 3-D colours, standard borders and gradient fills. Rectangles exclude their
// right and bottom edges; every routine paints without antialiasing.

#include "controls/effects/EffTypes.h"
#include "controls/input/GdiTypes.h"

#include <QPoint>
#include <span>

class QPainter;

// Edge kinds: one ring each for the outer and the inner pixel.
inline constexpr int BDR_RAISEDOUTER = 0x1, BDR_SUNKENOUTER = 0x2, BDR_RAISEDINNER = 0x4, BDR_SUNKENINNER = 0x8;
inline constexpr int EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER, EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
                     EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER, EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
// Sides and options of an edge.
inline constexpr int BF_LEFT = 0x1, BF_TOP = 0x2, BF_RIGHT = 0x4, BF_BOTTOM = 0x8, BF_TOPLEFT = BF_LEFT | BF_TOP,
                     BF_BOTTOMRIGHT = BF_RIGHT | BF_BOTTOM, BF_RECT = BF_TOPLEFT | BF_BOTTOMRIGHT,
                     BF_SOFT = 0x1000, BF_ADJUST = 0x2000;

// The three-dimensional edge: each ring's top and left sides in its light colour, right and
// bottom in its dark one (raised outer cl3DLight/cl3DDkShadow, raised inner
// clBtnHighlight/clBtnShadow, sunken the reverse); BF_SOFT swaps the outer and inner light
// colours. With BF_ADJUST the rectangle shrinks by one per ring on each side drawn.
void DrawEdge(QPainter& canvas, TRect& rect, int edge, int flags);

// One bevel frame; Rect shrinks to its inside; false when nothing was drawn.
bool DrawBevelFrame(QPainter& canvas, TRect& rect, TEffBevelStyle style, int width, TColor shadowColor,
                    TColor lightColor);
// The shadow bevel: a dropped shadow under a framed face.
bool DrawShadowFrame(QPainter& canvas, TRect& rect, TColor penColor, bool transparent, int penWidth,
                     int shadowOffset, TColor faceColor, TColor shadowColor);
// A border built from edges; Rect shrinks by it. A style out of range draws nothing.
bool DrawStandardBorder(QPainter& canvas, TRect& rect, TEffBorderStyle style);
int BorderStyleWidth(TEffBorderStyle style);

// The rectangle outline of width 1 in the colour, inside the rectangle (the framework's FrameRect).
void FrameRect(QPainter& canvas, const TRect& rect, TColor color);
void FillSolidRect(QPainter& canvas, const TRect& rect, TColor color);

// FillGradient flags: clip to the rectangle (moved by the offset); paint into an off-screen image
// first; realize the palette (no palettes here: accepted and ignored).
inline constexpr int kGradientClip = 0x1, kGradientBuffered = 0x4, kGradientPalette = 0x1000;
void FillGradient(QPainter& canvas, const TRect& rect, TEffGradientStyle style, int flags,
                  std::span<const TColor> colors, QPoint offset = {});

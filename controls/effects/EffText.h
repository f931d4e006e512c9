#pragma once
// Text of the effect controls: the DrawText layout, three-dimensional and rotated text with its
// measuring, and the font text stored forms keep ("name,size,colour,bold,italic,underline,strikeout").

#include "controls/effects/EffTypes.h"
#include "controls/input/GdiTypes.h"
#include "platform/Painting.h"

#include <QString>
#include <string>
#include <string_view>

class QFont;
class QPainter;
class QWidget;
class TEff3DCaption;
class TFont;

// Text layout flags.
inline constexpr int DT_LEFT = 0x0, DT_TOP = 0x0, DT_CENTER = 0x1, DT_RIGHT = 0x2, DT_VCENTER = 0x4,
                     DT_BOTTOM = 0x8, DT_WORDBREAK = 0x10, DT_SINGLELINE = 0x20, DT_EXPANDTABS = 0x40,
                     DT_NOCLIP = 0x100, DT_CALCRECT = 0x400, DT_NOPREFIX = 0x800;

// The layout flags of an alignment's column and row.
int AlignmentTextFlags(TEffAlignment alignment);

// The text laid out in Rect by the flags, in the canvas's font and pen; "&" marks a mnemonic unless
// DT_NOPREFIX. With DT_CALCRECT nothing is drawn and Rect becomes the text's size at its top-left.
// Returns the text's height.
int DrawTextRect(QPainter& canvas, const QString& text, TRect& rect, int flags);

// DrawFxText flags: the control is enabled; a disabled control draws sunken text (dsAuto); clip to ClipRect.
inline constexpr int kFxEnabled = 0x2, kFxAuto3D = 0x4, kFxClip = 0x8;
inline constexpr int kFxMaxLength = 255;

// The text's layers by the caption's style (none: the text as it is). The face is the canvas pen's
// colour (the brush's for the colour-sunken and -raised styles); a TEffFxCaption moves the text by
// its position and turns it by its angle.
void DrawFxText(QPainter& canvas, const QString& text, const TEff3DCaption* fx, const TRect& clipRect, int flags,
                int textFlags, const TRect& rect);
// The rectangle the text needs in the font, widened by the layers' depth and aligned in Rect. For
// rotated text it stores the start point in the caption's position.
void DrawFxTextCalc(const QFont& font, TEffAlignment alignment, const QString& text, TEff3DCaption* fx,
                    TRect& result, int textFlags, const TRect& rect);

// Outline fonts: the only ones that turn (one rule for every control).
using painting::IsTrueTypeFont;
bool CanvasIsTrueType(const QPainter& canvas);

std::string FontToString(const TFont& font);
// Only a text of exactly seven fields changes the font; a size that is no number is 10; an
// unknown colour keeps the font's colour.
void StringToFont(std::string_view text, TFont& font);

// The form at the centre of its screen, size unchanged (EffScreen.cpp, with the effects below).
void CenterOnScreen(QWidget* form);
// The opening effect: focus rectangles growing from the mouse cursor to the form's frame, on an
// overlay above the desktop. Skipped where windows cannot be placed (offscreen, Wayland).
void ExplodeEffect(QWidget* form, int steps = 40);
void ExplodeExtEffect(QWidget* form, int steps = 40);

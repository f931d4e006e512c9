#pragma once
// Where the pieces of a painted title bar go: plain functions of the texts, the room and the
// text widths, so every dropping and shortening rule is tested without a window. Texts are
// UTF-8 bytes; widths come from the caller's fonts.

#include "controls/input/TextRoutines.h"
#include "platform/Colors.h"

#include <string>
#include <vector>

// ---- Segmented caption (the gradient caption) ----

enum THideDirection { hdLeftToRight, hdRightToLeft };

struct TCaptionSegmentText {
    std::string Text;
    bool Visible = true;
    bool GlueNext = false;            // kept or dropped together with the next segment
    TextWidthFunction Width;          // in the segment's own font
};

// One text to draw, left to right.
struct TCaptionPieceDraw {
    static constexpr int kFormCaption = -1;
    int Piece = kFormCaption;         // segment index, or the form caption
    std::string Text;
    int Left = 0;                     // where the text starts
    // A closing "..." is drawn in the component font; ColourOf names the segment whose colour
    // it takes (-1: the piece's own colour).
    bool ComponentFont = false;
    int ColourOf = -1;
};

// The pieces for segments, then the form caption, between left and right (text already moved
// 2 pixels in). `componentWidth` measures in the component font, which the form caption uses.
std::vector<TCaptionPieceDraw> LayoutSegmentedCaption(const std::vector<TCaptionSegmentText>& segments,
                                                      const std::string& formCaption,
                                                      const TextWidthFunction& componentWidth, int left,
                                                      int right, THideDirection direction);

// ---- Three-part application caption (the painted caption) ----

enum TJustification { jAuto, jLeft, jCenter, jRight };

struct TCaptionPartText {
    std::string Text;
    bool Visible = true;
    TextWidthFunction Width;          // in the part's own font
};

struct TCaptionPartDraw {
    int Part = 0;                     // 0 company, 1 application, 2 caption
    int Left = 0;                     // the text's left edge; it ends with "..." at the area's right
};

// Company, application and caption parts laid out in [left, right): all three when they fit,
// else without the company part, else the caption part alone. jAuto is left (captions here are
// the new style).
std::vector<TCaptionPartDraw> LayoutPartCaption(const TCaptionPartText (&parts)[3], int left, int right,
                                                TJustification justification);

// The window text of three parts: each visible part, one blank after a visible non-empty part
// that a visible later part follows.
std::string ComposeCaptionText(const TCaptionPartText (&parts)[3]);
// The caption part read back from a window text made by ComposeCaptionText.
std::string CaptionPartFromText(const std::string& windowText, const TCaptionPartText& company,
                                const TCaptionPartText& application);

// ---- Gradient bands ----

struct TGradientBand {
    int Left = 0, Right = 0;          // Right excluded
    TColor Color = clBlack;
};

// `numColors` bands across [left, right) from the left to the right colour (plain RGB values);
// with one colour the single band is the left colour.
std::vector<TGradientBand> GradientBands(int left, int right, int numColors, TColor leftColor, TColor rightColor);

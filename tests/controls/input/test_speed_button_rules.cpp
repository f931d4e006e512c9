#include "controls/input/SpeedButtonRules.h"

#include <gtest/gtest.h>

using namespace speedbutton;

TEST(SpeedButtonRules, GlyphSourceOfEachStateAndStripLength)
{
    using G = TGlyphSource;
    struct Row {
        TButtonState state;
        int glyphs;
        G expected;
    };
    const Row rows[] = {
        {bsUp, 1, {G::Slice, 0}},         {bsDisabled, 1, {G::Embossed, 0}}, {bsDown, 1, {G::Slice, 0}},
        {bsExclusive, 1, {G::Slice, 0}},  {bsInactive, 1, {G::Grey, 0}},
        // a two-image strip: disabled takes image 2, down the up image
        {bsDisabled, 2, {G::Slice, 1}},   {bsDown, 2, {G::Slice, 0}},        {bsExclusive, 2, {G::Slice, 0}},
        {bsInactive, 2, {G::Grey, 0}},    {bsDown, 3, {G::Slice, 2}},        {bsExclusive, 3, {G::Slice, 0}},
        {bsExclusive, 4, {G::Slice, 3}},  {bsInactive, 4, {G::Grey, 0}},     {bsInactive, 5, {G::Slice, 4}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(GlyphSourceFor(row.state, row.glyphs), row.expected) << "state " << row.state << ", " << row.glyphs;
}

TEST(SpeedButtonRules, StripLengthFollowsItsShape)
{
    EXPECT_EQ(GlyphCountOf(32, 16), 2);
    EXPECT_EQ(GlyphCountOf(80, 16), 5);
    EXPECT_EQ(GlyphCountOf(96, 16), 1);  // six images are more than a strip holds
    EXPECT_EQ(GlyphCountOf(30, 16), 1);
    EXPECT_EQ(GlyphCountOf(0, 0), 1);
    EXPECT_EQ(ClampNumGlyphs(9), 5);
    EXPECT_EQ(ClampNumGlyphs(0), 1);
    EXPECT_EQ(GreyLevel(255, 255, 255), 255);
    EXPECT_EQ(GreyLevel(255, 0, 0), 76);
}

TEST(SpeedButtonRules, FramesByLookFlatnessAndState)
{
    struct Row {
        const char* name;
        TButtonState state;
        bool flat, hovered, newLook;
        std::vector<TFrameRing> rings;
        bool shadowLine;
    };
    const Row rows[] = {
        {"flat up without the mouse", bsUp, true, false, true, {}, false},
        {"flat up under the mouse", bsUp, true, true, true, {{clBtnHighlight, clBtnShadow}}, false},
        {"flat down stays framed", bsExclusive, true, false, true, {{clWindowFrame, clBtnHighlight}}, false},
        {"raised", bsUp, false, false, true, {{clBtnHighlight, clWindowFrame}, {clBtnFace, clBtnShadow}}, false},
        {"disabled looks raised", bsDisabled, false, false, true,
         {{clBtnHighlight, clWindowFrame}, {clBtnFace, clBtnShadow}}, false},
        {"pressed", bsDown, false, true, true, {{clWindowFrame, clBtnHighlight}, {clBtnShadow, clBtnFace}}, false},
        {"old raised", bsUp, false, false, false, {{clWindowFrame, clWindowFrame}, {clBtnHighlight, clBtnShadow}}, false},
        {"old pressed", bsDown, false, false, false, {{clWindowFrame, clWindowFrame}}, true},
        {"old flat up", bsUp, true, true, false, {{clBtnHighlight, clWindowFrame}}, false},
        {"old flat down", bsDown, true, true, false, {{clWindowFrame, clBtnHighlight}}, false},
    };
    for (const Row& row : rows) {
        const TButtonState painted = PaintedState(row.state, row.flat, row.hovered);
        const TFrame frame = ButtonFrame(row.state, painted, row.newLook, row.flat);
        EXPECT_EQ(frame.Rings, row.rings) << row.name;
        EXPECT_EQ(frame.ShadowLine, row.shadowLine) << row.name;
    }
}

TEST(SpeedButtonRules, RoomForTheCaption)
{
    EXPECT_EQ(TextRoom({60, 40}, {16, 16}, blGlyphTop, -1, 1, false), (TSize{58, 21}));
    EXPECT_EQ(TextRoom({60, 40}, {16, 16}, blGlyphLeft, 2, -1, true), (TSize{31, 38}));
    EXPECT_EQ(TextRoom({10, 10}, {16, 16}, blGlyphLeft, -1, -1, false), (TSize{0, 8}));
}

TEST(SpeedButtonRules, GlyphAndCaptionPlacement)
{
    struct Row {
        const char* name;
        TRect client;
        TSize glyph, text;
        TButtonLayout layout;
        int margin, spacing;
        bool mark;
        TPoint glyphAt;
        TRect textAt;
        TPoint markAt;
    };
    const Row rows[] = {
        {"glyph only, centred", {2, 2, 23, 23}, {16, 16}, {}, blGlyphTop, -1, 1, false, {4, 4}, {12, 21, 12, 21}, {}},
        {"glyph over caption", {0, 0, 60, 40}, {16, 16}, {30, 13}, blGlyphTop, -1, 1, false, {22, 5}, {15, 22, 45, 35}, {}},
        {"glyph left, automatic spacing", {0, 0, 60, 20}, {16, 16}, {20, 10}, blGlyphLeft, -1, -1, false,
         {8, 2}, {32, 5, 52, 15}, {}},
        {"glyph right, fixed margin", {0, 0, 60, 20}, {16, 16}, {20, 10}, blGlyphRight, 4, -1, false,
         {40, 2}, {10, 5, 30, 15}, {}},
        {"glyph with mark", {0, 0, 40, 25}, {16, 16}, {}, blGlyphTop, -1, 1, true, {9, 4}, {20, 21, 20, 21}, {26, 12}},
        {"caption with mark", {0, 0, 60, 20}, {}, {20, 10}, blGlyphLeft, -1, 1, true, {15, 10}, {16, 5, 36, 15}, {39, 10}},
        {"mark alone", {0, 0, 25, 25}, {}, {}, blGlyphTop, -1, 1, true, {12, 12}, {8, 13, 8, 13}, {9, 13}},
    };
    for (const Row& row : rows) {
        const auto placed = PlaceGlyphAndText(row.client, row.glyph, row.text, row.layout, row.margin, row.spacing, row.mark);
        EXPECT_EQ(placed.Glyph, row.glyphAt) << row.name;
        EXPECT_EQ(placed.Text, row.textAt) << row.name;
        if (row.mark) {
            EXPECT_EQ(placed.Mark, row.markAt) << row.name;
        }
    }
}

TEST(SpeedButtonRules, DropMarkIsATriangleBelowItsPoint)
{
    const std::vector<TMarkRow> expected = {{10, 4, 7}, {11, 5, 5}, {12, 6, 3}, {13, 7, 1}};
    EXPECT_EQ(DropMarkRows({10, 5}), expected);
}

TEST(SpeedButtonRules, MenuAnchors)
{
    struct Row {
        TIcDropDownMenuPos position;
        TPopupAlignment alignment;
        TPoint expected;
    };
    const Row rows[] = {
        {dmpBottom, paLeft, {-1, 25}}, {dmpBottom, paRight, {41, 25}}, {dmpBottom, paCenter, {20, 25}},
        {dmpRight, paLeft, {40, -1}},  {dmpRight, paRight, {-1, -1}},  {dmpRight, paCenter, {20, 25}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(DropDownMenuPoint(row.position, row.alignment, 40, 25), row.expected)
            << row.position << "/" << row.alignment;
}

TEST(SpeedButtonRules, ShadowOffsetsAndReleaseArea)
{
    EXPECT_EQ(ShadowOffset(spLeftTop, 2), (TPoint{-2, -2}));
    EXPECT_EQ(ShadowOffset(spLeftBottom, 2), (TPoint{-2, 2}));
    EXPECT_EQ(ShadowOffset(spRightBottom, 2), (TPoint{2, 2}));
    EXPECT_EQ(ShadowOffset(spRightTop, 2), (TPoint{2, -2}));
    EXPECT_TRUE(ReleasedInside(0, 0, 25, 25));
    EXPECT_TRUE(ReleasedInside(24, 25, 25, 25));  // the bottom edge counts, the right edge does not
    EXPECT_FALSE(ReleasedInside(25, 10, 25, 25));
    EXPECT_FALSE(ReleasedInside(-1, 10, 25, 25));
}

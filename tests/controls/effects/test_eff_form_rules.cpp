// The form helper's arithmetic: limits as screen fractions, their refusals, the stored placement.

#include "controls/effects/EffFormRules.h"

#include <gtest/gtest.h>

TEST(EffFormLimits, ValuesAsPixelsOrScreenFractions)
{
    struct Case {
        int value, screen, pixels;
    };
    const Case cases[] = {
        {0, 800, 0},      {350, 800, 350}, {-1, 800, 800}, {-2, 800, 400}, {-3, 800, 266},
        {-4, 600, 150},   {-100, 800, 8},  {-101, 800, 0}, {-2, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ConvertFormLimit(c.value, c.screen), c.pixels) << c.value << " of " << c.screen;
    EXPECT_TRUE(IsVerticalLimit(flMaxTrackHeight));
    EXPECT_TRUE(IsVerticalLimit(flMaximizedTop));
    EXPECT_FALSE(IsVerticalLimit(flMaximizedLeft));
    EXPECT_FALSE(IsVerticalLimit(flMinTrackWidth));
}

TEST(EffFormLimits, AMaximumBelowTheMinimumIsRefused)
{
    TEffFormLimits limits;
    EXPECT_FALSE(limits.Any());
    ASSERT_TRUE(limits.Set(flMaxTrackWidth, -2, 800, 600));  // half the width
    EXPECT_EQ(limits.Converted(flMaxTrackWidth), 400);
    EXPECT_FALSE(limits.Set(flMinTrackWidth, 500, 800, 600));
    EXPECT_FALSE(limits.Set(flMinTrackWidth, -1, 800, 600));  // the whole width is above it too
    EXPECT_EQ(limits.Value(flMinTrackWidth), 0);
    ASSERT_TRUE(limits.Set(flMinTrackWidth, 300, 800, 600));
    EXPECT_FALSE(limits.Set(flMaxTrackWidth, 200, 800, 600));
    EXPECT_EQ(limits.Value(flMaxTrackWidth), -2);
    EXPECT_TRUE(limits.Set(flMaxTrackWidth, 0, 800, 600));  // no limit is never below
    // Heights go by the screen's height and are checked on their own.
    ASSERT_TRUE(limits.Set(flMinTrackHeight, -2, 800, 600));
    EXPECT_EQ(limits.Converted(flMinTrackHeight), 300);
    EXPECT_FALSE(limits.Set(flMaxTrackHeight, 250, 800, 600));
    EXPECT_TRUE(limits.Set(flMaxTrackHeight, 300, 800, 600));
    EXPECT_TRUE(limits.Any());
    EXPECT_FALSE(limits.Set(flMaxTrackHeight, -200, 800, 600));  // ignored, not "no limit"
    EXPECT_EQ(limits.Value(flMaxTrackHeight), 300);
    EXPECT_EQ(limits.Converted(flMaxTrackHeight), 300);
}

TEST(EffFormLimits, ANewScreenRecomputesAndClamps)
{
    TEffFormLimits limits;
    ASSERT_TRUE(limits.Set(flMaxTrackWidth, -2, 800, 600));
    ASSERT_TRUE(limits.Set(flMinTrackWidth, 300, 800, 600));
    ASSERT_TRUE(limits.Set(flMaxTrackHeight, 1000, 800, 600));
    ASSERT_TRUE(limits.Set(flMaximizedTop, -4, 800, 600));
    limits.Recompute(500, 800);
    EXPECT_EQ(limits.Converted(flMaxTrackWidth), 250);
    EXPECT_EQ(limits.Converted(flMinTrackWidth), 250);  // pulled down to the maximum
    EXPECT_EQ(limits.Value(flMinTrackWidth), 300);      // the published value stays
    EXPECT_EQ(limits.Converted(flMaxTrackHeight), 800);  // no larger than the screen
    EXPECT_EQ(limits.Converted(flMaximizedTop), 200);
}

TEST(EffPlacement, WrittenAndReadBack)
{
    const TEffPlacement placement{0, 3, {120, 80, 440, 320}};
    EXPECT_EQ(PlacementString(placement), "200,0,3,120,80,440,320");
    TEffPlacement read;
    ASSERT_TRUE(ParsePlacement(PlacementString(placement), read));
    EXPECT_EQ(read, placement);
    ASSERT_TRUE(ParsePlacement("200,2,1,-5000,-40,-4700,260", read));
    EXPECT_EQ(read, (TEffPlacement{2, 1, {-5000, -40, -4700, 260}}));

    struct Bad {
        const char* name;
        const char* text;
    };
    const Bad bad[] = {
        {"empty", ""},
        {"six items", "200,0,1,10,10,300"},
        {"eight items", "200,0,1,10,10,300,300,1"},
        {"not 200 first", "199,0,1,10,10,300,300"},
        {"a word", "200,0,1,ten,10,300,300"},
        {"an empty item", "200,0,1,,10,300,300"},
    };
    for (const Bad& b : bad) {
        TEffPlacement untouched{7, 7, {1, 2, 3, 4}};
        EXPECT_FALSE(ParsePlacement(b.text, untouched)) << b.name;
        EXPECT_EQ(untouched, (TEffPlacement{7, 7, {1, 2, 3, 4}})) << b.name;
    }
}

TEST(EffPlacement, RestoredRectTakesWhatTheOptionsSay)
{
    const TRect saved{100, 50, 400, 250}, current{10, 20, 210, 120};
    struct Case {
        const char* name;
        bool position, size;
        TRect expected;
    };
    const Case cases[] = {
        {"both", true, true, saved},
        {"position only: the current size there", true, false, {100, 50, 300, 150}},
        {"size only: the saved size here", false, true, {10, 20, 310, 220}},
        {"neither", false, false, current},
    };
    for (const Case& c : cases) EXPECT_EQ(RestoredRect(saved, current, c.position, c.size), c.expected) << c.name;
}

#include "controls/effects/EffUtils.h"
#include "platform/AppPaths.h"

#include <gtest/gtest.h>

TEST(EffPaths, SeparatorRoutines)
{
    struct Case {
        const char* in;
        const char* added;
        const char* removed;
    };
    const Case cases[] = {
        {"/tmp/x/", "/tmp/x/", "/tmp/x"},
        {"/tmp/x", "/tmp/x/", "/tmp/x"},
        {"", "/", ""},
        {"   ", "   /", "   "},
        {"/", "/", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AddBackslash(c.in), c.added) << c.in;
        EXPECT_EQ(RemoveBackslash(c.in), c.removed) << c.in;
    }
    EXPECT_TRUE(IsBlankStr("   "));
    EXPECT_TRUE(IsBlankStr(""));
    EXPECT_FALSE(IsBlankStr("\t"));
    EXPECT_FALSE(IsBlankStr(" a "));
}

TEST(EffPaths, SpecialPaths)
{
    apppaths::setProgramFolderForTesting("/opt/vantrel");
    EXPECT_EQ(GetProgramDir(), "/opt/vantrel/");
    EXPECT_EQ(GetSpecialPath(ppProgram, false), "/opt/vantrel");
    EXPECT_EQ(GetSpecialPath(ppProgram, true), "/opt/vantrel/");
    EXPECT_EQ(GetSpecialPath(ppFixed, true), "");
    EXPECT_EQ(GetSpecialPath(ppWindows, false), apppaths::configFolder());
    apppaths::setProgramFolderForTesting("");
    EXPECT_NE(GetUserName(), "");
}

TEST(EffLists, JoinSplitMinMax)
{
    const int numbers[] = {3, -7, 12};
    EXPECT_EQ(MaxIntValue(numbers), 12);
    EXPECT_EQ(MinIntValue(numbers), -7);
    EXPECT_EQ(MaxIntValue({}), 0);
    const double floats[] = {2.5, -1.25};
    EXPECT_EQ(MinExtValue(floats), -1.25);
    EXPECT_EQ(JoinIntegers(numbers, ','), "3,-7,12");
    std::vector<std::string> parts;
    SplitString("a,,b,", ',', parts);
    EXPECT_EQ(parts, (std::vector<std::string>{"a", "", "b", ""}));
    EXPECT_EQ(JoinStrings(parts, ';'), "a;;b;");
    SplitString("", ',', parts);
    EXPECT_EQ(parts, (std::vector<std::string>{""}));
}

TEST(EffRects, AlignRect)
{
    const TRect inner{0, 0, 10, 6};
    const TRect outer{5, 5, 26, 20};  // 21 x 15: the halves truncate
    struct Case {
        TEffAlignment alignment;
        TRect expected;
    };
    const Case cases[] = {
        {agTopLeft, {5, 5, 15, 11}},      {agTopCenter, {10, 5, 20, 11}},     {agTopRight, {16, 5, 26, 11}},
        {agCenterLeft, {5, 9, 15, 15}},   {agCenter, {10, 9, 20, 15}},        {agCenterRight, {16, 9, 26, 15}},
        {agBottomLeft, {5, 14, 15, 20}},  {agBottomCenter, {10, 14, 20, 20}}, {agBottomRight, {16, 14, 26, 20}},
    };
    for (const Case& c : cases) EXPECT_EQ(AlignRect(c.alignment, inner, outer), c.expected) << c.alignment;
    // Larger than the outer rectangle: negative halves truncate toward zero.
    EXPECT_EQ(AlignRect(agCenter, {0, 0, 13, 13}, {0, 0, 10, 10}), (TRect{-1, -1, 12, 12}));
}

TEST(EffRects, RotateAndFit)
{
    struct Case {
        TRect in;
        double angle;
        TRect expected;
    };
    const Case cases[] = {
        {{10, 10, 50, 30}, 0, {0, 0, 40, 20}},   {{10, 10, 50, 30}, 90, {0, 0, 20, 40}},
        {{0, 0, 40, 20}, 180, {0, 0, 40, 20}},   {{0, 0, 40, 20}, 270, {0, 0, 20, 40}},
        {{0, 0, 10, 10}, 45, {0, 0, 14, 14}},    {{0, 0, 40, 20}, 360, {0, 0, 40, 20}},
    };
    for (const Case& c : cases) {
        TRect r = c.in;
        RotateRect(r, c.angle);
        EXPECT_EQ(r, c.expected) << c.angle;
    }
    int x = 0, y = 0;
    RotatedStartPoint(40, 20, 90, x, y);  // turned up: the text starts at the bottom-left
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 40);
    RotatedStartPoint(40, 20, 0, x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(FitRect({0, 0, 40, 20}, {5, 5, 25, 105}), (TRect{5, 5, 25, 15}));
    EXPECT_EQ(FitRect({0, 0, 0, 20}, {5, 5, 25, 105}), (TRect{5, 5, 5, 5}));
}

TEST(EffColors, NamesAndNumbers)
{
    EXPECT_EQ(ColorToString(clBtnFace), "clBtnFace");
    EXPECT_EQ(ColorToString(clBlack), "clBlack");
    EXPECT_EQ(ColorToString(RGB(1, 2, 3)), "$00030201");
    struct Case {
        const char* text;
        bool ok;
        TColor color;
    };
    const Case cases[] = {
        {"clBlack", true, clBlack},   {"CLWINDOWTEXT", true, clWindowText}, {"$00030201", true, RGB(1, 2, 3)},
        {"0xFF", true, 0xFF},         {"255", true, 255},                   {"clNoSuchColour", false, 0},
        {"", false, 0},               {"$", false, 0},                      {"$123456789", false, 0},
    };
    for (const Case& c : cases) {
        TColor color = 0x12345678;
        EXPECT_EQ(StringToColor(c.text, color), c.ok) << c.text;
        EXPECT_EQ(color, c.ok ? c.color : 0x12345678u) << c.text;
    }
}

TEST(EffExplode, StepsGrowFromThePointToTheTarget)
{
    const TRect target{100, 50, 300, 250};
    const auto rects = ExplodeRects(200, 150, target, 2);  // below 4: 40 steps
    ASSERT_EQ(rects.size(), 40u);
    EXPECT_EQ(rects.back(), target);
    for (std::size_t i = 1; i < rects.size(); ++i) EXPECT_LE(rects[i].Left, rects[i - 1].Left);
    const auto ext = ExplodeExtRects(200, 150, target, 40);
    ASSERT_EQ(ext.size(), 40u);
    EXPECT_EQ(ext[19], (TRect{100, 150, 300, 151}));
    EXPECT_EQ(ext.back(), target);
}

TEST(EffSystem, OperatingSystemFlags)
{
    const struct {
        const char* name;
        int platform;
        unsigned minor;
        bool win95, win98, winNT;
    } cases[] = {
        {"95", kPlatformWin95, 0, true, false, false},
        {"98 and later in that family", kPlatformWin95, 10, true, true, false},
        {"NT", kPlatformWinNT, 10, false, false, true},
        {"neither", kPlatformHere, 10, false, false, false},
    };
    for (const auto& c : cases) {
        const TEffOSFlags flags = OSFlagsFor(c.platform, c.minor, false);
        EXPECT_EQ(flags.IsWin95, c.win95) << c.name;
        EXPECT_EQ(flags.IsWin98, c.win98) << c.name;
        EXPECT_EQ(flags.IsWinNT, c.winNT) << c.name;
    }
    // What start-up records here: no Windows family, controls drawn the new way.
    const TEffOSFlags& here = EffOSFlags();
    EXPECT_FALSE(here.IsWin95 || here.IsWin98 || here.IsWinNT);
    EXPECT_TRUE(here.NewStyleControls);
}

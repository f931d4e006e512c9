#include "printing/RichPrintLayout.h"

#include <gtest/gtest.h>

using namespace richlayout;

namespace {
std::u32string U(std::string_view ascii) { return {ascii.begin(), ascii.end()}; }
std::string A(std::u32string_view text) { return {text.begin(), text.end()}; }
}  // namespace

TEST(RichPrintLayout, LengthsBecomeTruncatedPixelsAndBack)
{
    EXPECT_EQ(LengthToPixels(25.4, TMeasureUnit::muMillimeters, 600), 600);
    EXPECT_EQ(LengthToPixels(10, TMeasureUnit::muMillimeters, 600), 236);  // 236.2
    EXPECT_EQ(LengthToPixels(1.5, TMeasureUnit::muInches, 300), 450);
    EXPECT_EQ(LengthToPixels(1e300, TMeasureUnit::muInches, 600), 100000000);  // a format's "1e300"
    EXPECT_DOUBLE_EQ(PixelsToLength(600, TMeasureUnit::muMillimeters, 600), 25.4);
    EXPECT_DOUBLE_EQ(ConvertLength(1, TMeasureUnit::muInches, TMeasureUnit::muMillimeters), 25.4);
    EXPECT_DOUBLE_EQ(ConvertLength(25.4, TMeasureUnit::muMillimeters, TMeasureUnit::muInches), 1);
    EXPECT_EQ(LineStep(40, TLineSpacing::lsHalfSpace), 20);
    EXPECT_EQ(LineStep(40, TLineSpacing::lsSingleAndAHalf), 60);
    EXPECT_EQ(LineStep(40, TLineSpacing::lsDoubleSpace), 80);
}

TEST(RichPrintLayout, TabsExpandToTheNextStop)
{
    struct Case {
        const char* name;
        const char* text;
        unsigned tabSize;
        std::size_t startColumn;
        const char* expanded;
    } cases[] = {
        {"tab at column 3 gives five blanks", "abc\tx", 8, 0, "abc     x"},
        {"tab at a stop gives a full tab", "\tx", 8, 0, "        x"},
        {"tab right after a stop", "abcdefgh\tx", 8, 0, "abcdefgh        x"},
        {"two tabs", "a\t\tb", 4, 0, "a       b"},
        {"column carried from an earlier run", "\tx", 4, 3, " x"},
        {"tab size 0 counts as 1", "a\tb", 0, 0, "a b"},
        {"no tabs", "plain", 8, 0, "plain"},
    };
    for (const Case& c : cases) {
        std::size_t column = c.startColumn;
        EXPECT_EQ(A(ExpandTabs(U(c.text), c.tabSize, column)), c.expanded) << c.name;
        EXPECT_EQ(column, c.startColumn + std::string_view(c.expanded).size()) << c.name;
    }
}

TEST(RichPrintLayout, FitsAndWrapsWithFixedMetrics)
{
    // Every character 10 pixels wide.
    const auto measure = [](std::size_t, std::size_t n) { return static_cast<int>(n) * 10; };
    struct Case {
        const char* name;
        const char* text;
        int width;
        bool wordWrap;
        std::vector<std::string> lines;
    } cases[] = {
        {"fits as it is", "GET a b", 70, true, {"GET a b"}},
        {"wraps after the last fitting blank", "one two three", 90, true, {"one two ", "three"}},
        {"a blank right after the fit is consumed", "one two three", 70, true, {"one two", "three"}},
        {"a word longer than the line is cut", "abcdefghij", 40, true, {"abcd", "efgh", "ij"}},
        {"without word wrap only the fitting prefix", "one two three", 90, false, {"one two t"}},
        {"too narrow for one character still ends", "abc", 5, true, {"a", "b", "c"}},
        {"a tab-expanded run of blanks", "a       b", 50, true, {"a    ", "  b"}},
        {"empty line", "", 50, true, {""}},
    };
    for (const Case& c : cases) {
        const std::u32string text = U(c.text);
        std::vector<std::string> got;
        for (const LinePiece& p : BreakLines(text, c.width, c.wordWrap, measure))
            got.push_back(A(std::u32string_view(text).substr(p.start, p.length)));
        EXPECT_EQ(got, c.lines) << c.name;
    }
}

TEST(RichPrintLayout, FittingLengthIsTheLongestPrefixNotWider)
{
    // Uneven widths: 5, 15, 30, 50, 75 for prefixes of 1..5.
    const int widths[] = {0, 5, 15, 30, 50, 75};
    const auto measure = [&](std::size_t n) { return widths[n]; };
    EXPECT_EQ(FittingLength(5, 4, measure), 0u);
    EXPECT_EQ(FittingLength(5, 5, measure), 1u);
    EXPECT_EQ(FittingLength(5, 49, measure), 3u);
    EXPECT_EQ(FittingLength(5, 50, measure), 4u);
    EXPECT_EQ(FittingLength(5, 1000, measure), 5u);
    EXPECT_EQ(FittingLength(0, 10, measure), 0u);
}

TEST(RichPrintLayout, ColumnsFollowTheFormatGrammar)
{
    struct Col {
        TColumnAlign align;
        double width;
        std::string text;
        bool operator==(const Col&) const = default;
    };
    using L = TColumnAlign;
    struct Case {
        const char* name;
        const char* texts;
        const char* formats;
        std::vector<Col> columns;
    } cases[] = {
        {"the editor's header", "{$TITLE}", ">100", {{L::Right, 100, "{$TITLE}"}}},
        {"two texts, one format", "a|b", "<50", {{L::Left, 50, "a"}, {L::Left, 0, "b"}}},
        {"centred and a lone alignment", "a|b", "^30|>", {{L::Center, 30, "a"}, {L::Right, 0, "b"}}},
        {"no alignment character: left, nothing removed", "a", "40", {{L::Left, 40, "a"}}},
        {"an unknown alignment character is the width's", "a", "x40", {{L::Left, 0, "a"}}},
        {"more formats than texts", "a", "<10|<20", {{L::Left, 10, "a"}, {L::Left, 20, ""}}},
        {"an empty text is one empty column", "", "", {{L::Left, 0, ""}}},
        {"empty formats between bars", "a|b|c", "|^12.5|", {{L::Left, 0, "a"}, {L::Center, 12.5, "b"}, {L::Left, 0, "c"}}},
    };
    for (const Case& c : cases) {
        std::vector<Col> got;
        for (const TColumn& col : ParseColumns(c.texts, c.formats, 0)) got.push_back({col.align, col.width, col.text});
        EXPECT_EQ(got, c.columns) << c.name;
    }
}

TEST(RichPrintLayout, MacrosAreReplacedInTheirOrder)
{
    const MacroValues v{"7", "2", "2026-12-10", "23:15:00", "Night run"};
    struct Case {
        const char* name;
        MacroValues values;
        const char* text;
        const char* expanded;
    } cases[] = {
        {"all of them", v, "{$LINE}/{$PAGE} {$DATE} {$TIME} {$TITLE}", "7/2 2026-12-10 23:15:00 Night run"},
        {"every occurrence", v, "{$PAGE}-{$PAGE}", "2-2"},
        {"case-sensitive", v, "{$page}", "{$page}"},
        {"a title holding a page macro is not expanded again", {"1", "3", "d", "t", "see {$PAGE}"}, "{$TITLE}",
         "see {$PAGE}"},
        {"a page text is expanded by the later title", {"1", "{$TITLE}", "d", "t", "T"}, "{$PAGE}", "T"},
        {"a title holding itself stays a macro", {"1", "1", "d", "t", "x{$TITLE}"}, "[{$TITLE}]", "[{$TITLE}]"},
        {"no macro", v, "Page", "Page"},
    };
    for (const Case& c : cases) EXPECT_EQ(ExpandMacros(c.text, c.values), c.expanded) << c.name;
}

#include "controls/input/SpinRules.h"

#include <gtest/gtest.h>
#include <limits>

using namespace spin;

TEST(SpinRules, WritingRoundsBoundsAndFormats)
{
    struct Row {
        long double value;
        TValueType type;
        int decimals;
        long double min, max;
        char separator;
        const char* text;
    };
    const Row rows[] = {
        {2.5, vtInteger, 2, 0, 0, '.', "2"},     // halves go to the even neighbour
        {3.5, vtInteger, 2, 0, 0, '.', "4"},
        {-2.5, vtInteger, 2, 0, 0, '.', "-2"},
        {2.6, vtInteger, 2, 0, 0, '.', "3"},
        {1, vtFloat, 2, 0, 0, '.', "1.00"},
        {1, vtFloat, 2, 0, 0, ',', "1,00"},
        {-0.125, vtFloat, 1, 0, 0, '.', "-0.1"},
        // beyond 15 significant digits only zeros, not the binary value's noise
        {1e30L, vtFloat, 2, 0, 0, '.', "1000000000000000000000000000000.00"},
        {-1.5e20L, vtFloat, 0, 0, 0, '.', "-150000000000000000000"},
        {1234567890123456789.0L, vtFloat, 1, 0, 0, ',', "1234567890123460000,0"},
        {11, vtInteger, 2, 0, 10, '.', "10"},     // bounded first
        {-3, vtInteger, 2, 0, 10, '.', "0"},
        {-3, vtInteger, 2, 5, 5, '.', "-3"},      // equal bounds bound nothing
        // past 64 bits the value stays at the edge instead of wrapping
        {9223372036854775808.0L, vtInteger, 0, 0, 0, '.', "9223372036854775807"},
        {-1e30L, vtInteger, 0, 0, 0, '.', "-9223372036854775808"},
        {2147483648.0L, vtInteger, 0, 0, 0, '.', "2147483648"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(WriteValue(row.value, row.type, row.decimals, row.min, row.max, row.separator), row.text)
            << static_cast<double>(row.value);
}

TEST(SpinRules, ReadingFallsBackToTheMinimum)
{
    struct Row {
        const char* text;
        TValueType type;
        long double min;
        char separator;
        long double value;
    };
    const Row rows[] = {
        {"42", vtInteger, 0, '.', 42},
        {" -7 ", vtInteger, 0, '.', -7},
        {"+3", vtInteger, 0, '.', 3},
        {"9223372036854775807", vtInteger, 0, '.', 9223372036854775807.0L},
        {"abc", vtInteger, 3.7L, '.', 3},  // the minimum, truncated
        {"", vtInteger, -2.5L, '.', -2},
        {"1.5", vtInteger, 0, '.', 0},
        {"1.5", vtFloat, 0, '.', 1.5},
        {"2,25", vtFloat, 0, ',', 2.25},
        {"2.25", vtFloat, 1, ',', 1},  // a point is no separator where the comma is
        {"1e400000", vtFloat, 0, '.', 0},
        {"x", vtFloat, 0.5, '.', 0.5},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ReadValue(row.text, row.type, row.min, row.separator), row.value) << row.text;
}

TEST(SpinRules, IncrementAndKeys)
{
    EXPECT_EQ(IntegerIncrement(0.4L), 1);
    EXPECT_EQ(IntegerIncrement(2.5L), 2);
    EXPECT_EQ(IntegerIncrement(-3.2L), -3);

    struct Row {
        char32_t ch;
        TValueType type;
        bool editor;
        char separator;
        bool valid;
    };
    const Row rows[] = {
        {'5', vtInteger, true, '.', true},  {'-', vtInteger, true, '.', true}, {'+', vtInteger, true, '.', true},
        {'.', vtInteger, true, '.', false}, {'.', vtFloat, true, '.', true},   {',', vtFloat, true, '.', false},
        {',', vtFloat, true, ',', true},    {'a', vtFloat, true, '.', false},  {8, vtInteger, true, '.', true},
        {3, vtInteger, false, '.', true},   {8, vtInteger, false, '.', false}, {'5', vtInteger, false, '.', false},
        {U'\u00e9', vtFloat, true, '.', false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ValidChar(row.ch, row.type, row.editor, row.separator), row.valid) << static_cast<int>(row.ch);
}

TEST(SpinRules, DiagonalHalvesAndArrowPlaces)
{
    struct Row {
        int x, y;
        TSpinButtonState half;
    };
    // 20 x 20: the diagonal runs from (0, 20) to (20, 0); a point on it is in the upper half.
    const Row rows[] = {{2, 2, sbTopDown}, {17, 17, sbBottomDown}, {10, 10, sbTopDown}, {10, 11, sbBottomDown},
                        {0, 19, sbTopDown}, {19, 2, sbBottomDown}};
    for (const Row& row : rows) EXPECT_EQ(HalfAt(row.x, row.y, 20, 20), row.half) << row.x << "," << row.y;
    EXPECT_EQ(HalfAt(5, 5, 0, 20), sbTopDown);

    EXPECT_EQ(UpGlyphAt(20, 20, 6, 6, false), (TPoint{3, 3}));
    EXPECT_EQ(UpGlyphAt(20, 20, 6, 6, true), (TPoint{4, 4}));
    EXPECT_EQ(DownGlyphAt(20, 20, 6, 6), (TPoint{11, 11}));
    EXPECT_EQ(UpGlyphAt(18, 18, 6, 6, false), (TPoint{3, 3}));  // 1.5 rounds to 2
}

TEST(SpinRules, DiagonalButtonPlace)
{
    // Inside a 3-D frame: (height - 3) square, one pixel into the frame at the top.
    EXPECT_EQ(DiagonalButtonPlace(120, 24, true), (TRect{97, 1, 118, 22}));
    EXPECT_EQ(DiagonalButtonPlace(120, 24, false), (TRect{96, 0, 120, 24}));
    EXPECT_EQ(DiagonalButtonPlace(10, 2, true), (TRect{9, 1, 9, 1}));
}

#include "controls/input/FileRoutines.h"
#include "controls/input/GdiTypes.h"
#include "controls/input/TextRoutines.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {
const TCharSet blankComma = MakeCharSet(" ,");
}

TEST(ReplaceStr, ReplacesLeftToRightOnTheRest)
{
    const struct {
        const char *text, *search, *replacement, *expected;
    } cases[] = {
        {"a-b-c", "-", "+", "a+b+c"},
        {"abc", "x", "y", "abc"},       // absent: unchanged
        {"aaaa", "aa", "a", "aa"},      // no rescan of what was replaced
        {"aa", "a", "aa", "aaaa"},      // a replacement holding the search text cannot loop
        {"Abc", "a", "x", "Abc"},       // case matters
        {"abc", "", "x", "abc"},
        {"", "a", "b", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ReplaceStr(c.text, c.search, c.replacement), c.expected) << c.text;
}

TEST(WordRoutines, CountPositionAndExtract)
{
    const struct {
        const char* text;
        int n;
        int count, position;
        const char* word;
    } cases[] = {
        {"a,, b", 2, 2, 5, "b"},
        {"a,, b", 1, 2, 1, "a"},
        {" ,a b, ", 2, 2, 5, "b"},  // leading and trailing delimiters ignored
        {"a b", 3, 2, 0, ""},       // past the last word
        {"a b", 0, 2, 0, ""},
        {"a b", -1, 2, 0, ""},
        {"", 1, 0, 0, ""},
        {" ,, ", 1, 0, 0, ""},
        {"word", 1, 1, 1, "word"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WordCount(c.text, blankComma), c.count) << c.text;
        EXPECT_EQ(WordPosition(c.n, c.text, blankComma), c.position) << c.text << " " << c.n;
        EXPECT_EQ(ExtractWord(c.n, c.text, blankComma), c.word) << c.text << " " << c.n;
    }
    // 8-bit bytes are word characters unless listed.
    EXPECT_EQ(ExtractWord(2, "x \xE4\xFF", blankComma), "\xE4\xFF");
    EXPECT_EQ(WordCount("a\xFF" "b", MakeCharSet("\xFF")), 2);
}

TEST(WordRoutines, ExtractSubstrMovesPastOneDelimiter)
{
    const struct {
        const char* text;
        int position;
        const char* piece;
        int next;
    } cases[] = {
        {"ab,,cd", 1, "ab", 4},
        {"ab,,cd", 4, "", 5},   // a second delimiter: an empty piece
        {"ab,,cd", 5, "cd", 7},
        {"ab,,cd", 7, "", 7},   // past the end stays
        {"ab,,cd", 99, "", 99},
        {"ab,cd", 0, "ab", 4},  // below 1 reads from the start
        {"ab,cd", -5, "ab", 4},
        {"", 1, "", 1},
    };
    for (const auto& c : cases) {
        int position = c.position;
        EXPECT_EQ(ExtractSubstr(c.text, position, blankComma), c.piece) << c.text << " " << c.position;
        EXPECT_EQ(position, c.next) << c.text << " " << c.position;
    }
}

TEST(SplitCommandLine, ProgramAndRequotedParameters)
{
    const struct {
        const char *line, *program, *parameters;
    } cases[] = {
        {"prog a b", "prog", "a b"},
        {"  \t prog   a\t\tb  ", "prog", "a b"},
        {"\"/opt/my tools/prog\" \"one two\" three", "/opt/my tools/prog", "\"one two\" three"},
        {"prog x\"y z\"w", "prog", "\"xy zw\""},      // quotes inside a token join
        {"\"\"prog a", "prog", "a"},                  // a leading pair is skipped
        {"prog \"open rest", "prog", "\"open rest\""},  // an open quote takes the rest
        {"prog \"", "prog", ""},
        {"prog \"a\tb\"", "prog", "\"a\tb\""},        // control bytes inside are kept quoted
        {"", "", ""},
        {"   ", "", ""},
        {"\"my prog\"", "my prog", ""},
        {"prog \xE4\xFF", "prog", "\xE4\xFF"},
    };
    for (const auto& c : cases) {
        std::string program = "stale", parameters = "stale";
        SplitCommandLine(c.line, program, parameters);
        EXPECT_EQ(program, c.program) << c.line;
        EXPECT_EQ(parameters, c.parameters) << c.line;
    }
}

TEST(MinimizeText, ShortensWithAFakeFont)
{
    // Ten pixels a character; a UTF-8 sequence is one character.
    const TextWidthFunction font = [](std::string_view t) {
        int chars = 0;
        for (char c : t) chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        return chars * 10;
    };
    const TextWidthFunction bytes = [](std::string_view t) { return static_cast<int>(t.size()) * 10; };
    const struct {
        const char* text;
        int width;
        const char* expected;
    } cases[] = {
        {"abcdef", 60, "abcdef"},  // fits
        {"abcdefgh", 79, "abcd..."},  // the first cut drops two characters
        {"abcdef", 50, "ab..."},
        {"abcdef", 30, "..."},
        {"abcdef", 0, "..."},       // never narrower than the dots
        {"a", 5, "..."},
        {"", 0, ""},
        {"\xC3\xA4\xC3\xB6\xC3\xBC\xC3\xA4\xC3\xB6", 40, "\xC3\xA4..."},  // cut between characters
    };
    for (const auto& c : cases) EXPECT_EQ(MinimizeText(c.text, font, c.width), c.expected) << c.text << " " << c.width;
    // Not valid UTF-8: bytes are characters.
    EXPECT_EQ(MinimizeText("\xE4\xFF\xE4\xFF\xE4", bytes, 40), "\xE4...");
}

TEST(FileRoutines, ValidFileNameAndDirExists)
{
    const struct {
        std::string name;
        bool valid;
    } cases[] = {
        {"report.txt", true}, {"/tmp/a b/c.ftp", true}, {"\xE4\xFF.txt", true}, {"", false},
        {"a<b", false},       {"a>b", false},           {"a\"b", false},         {"a[b", false},
        {"a]b", false},       {"a|b", false},           {std::string("a\0b", 3), false},
    };
    for (const auto& c : cases) EXPECT_EQ(ValidFileName(c.name), c.valid) << c.name;

    TempDir dir;
    const std::string file = dir.write("f.txt", "x");
    EXPECT_TRUE(DirExists(dir.path()));
    EXPECT_FALSE(DirExists(file));
    EXPECT_FALSE(DirExists(dir.file("missing")));
    EXPECT_FALSE(DirExists(""));
    EXPECT_FALSE(DirExists(dir.path() + std::string("\0/x", 3)));
    EXPECT_EQ(ShortToLongPath("/a/b c"), "/a/b c");
    EXPECT_EQ(LongToShortPath("/a/b c"), "/a/b c");
}

TEST(GdiTypes, MulDivRoundsHalfAwayFromZero)
{
    const struct {
        int a, b, c, expected;
    } cases[] = {
        {1, 1, 2, 1},    {1, -1, 2, -1}, {-1, -1, 2, 1}, {1, 1, 3, 0},  {2, 1, 3, 1},
        {5, 255, 19, 67}, {0, 7, 3, 0},  {1, 1, 0, -1},  {1, -3, -2, 2},
        {0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF},  // the product needs 64 bits
        {0x7FFFFFFF, 2, 1, -1},                              // the result does not fit
    };
    for (const auto& c : cases) EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
    EXPECT_EQ(ClassicColorToRGB(clBtnFace), RGB(192, 192, 192));
    EXPECT_EQ(ClassicColorToRGB(0x123456), 0x123456u);
}

TEST(GdiTypes, WindowsAreCentredAndKeptOnTheScreen)
{
    const TRect screen{0, 0, 800, 600};
    const struct {
        TRect rect, fitted, centred;
    } cases[] = {
        {{10, 10, 110, 60}, {10, 10, 110, 60}, {350, 275, 450, 325}},
        {{750, 580, 850, 630}, {700, 550, 800, 600}, {350, 275, 450, 325}},  // past right and bottom
        {{-20, -5, 80, 45}, {0, 0, 100, 50}, {350, 275, 450, 325}},          // negative left and top
        {{0, 0, 1000, 700}, {0, 0, 1000, 700}, {0, 0, 1000, 700}},           // larger than the screen
        {{5, 5, 106, 56}, {5, 5, 106, 56}, {349, 274, 450, 325}},            // odd sizes round down
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FitRectIntoScreen(c.rect, screen), c.fitted);
        EXPECT_EQ(CenteredRect(c.rect, screen), c.centred);
    }
    // A screen that does not start at the origin.
    EXPECT_EQ(CenteredRect({0, 0, 100, 50}, {800, 0, 1600, 600}), (TRect{1150, 275, 1250, 325}));
}

#include "net/ftp/listing/ListingWords.h"
#include "net/ftp/listing/ServerTypes.h"
#include "ListingTestSupport.h"

#include <gtest/gtest.h>

using namespace ftplisting;

TEST(ListingWords, Word)
{
    struct Case { const char* text; int n; const char* want; } cases[] = {
        {"a  b   c", 0, "a"},
        {"a  b   c", 1, "b"},
        {"a  b   c", 2, "c"},  // the last word needs no blank after it
        {"a  b   c", 3, ""},
        {" a b", 0, ""},       // a leading blank makes an empty word 0
        {" a b", 1, "a"},
        {"a b ", 2, ""},
        {"a\tb c", 0, "a\tb"},  // only the space splits words
        {"", 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " #" + std::to_string(c.n));
        EXPECT_EQ(Word(c.text, c.n), c.want);
    }
}

TEST(ListingWords, WordAt)
{
    struct Case { const char* text; int n; bool single; const char* want; } cases[] = {
        {"Jan  05 12:30", 0, true, "Jan"},
        {"Jan  05 12:30", 1, true, "05"},
        {"Jan  05 12:30", 2, true, "12:30"},
        {"Jan  05 12:30", 3, true, ""},
        {"a b  c d", 1, false, "b  c d"},
        {"a\t b", 1, true, "b"},     // trimming removes every byte <= 0x20
        {"  x y", 0, true, ""},
        {"  x y", 1, true, "x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " #" + std::to_string(c.n));
        EXPECT_EQ(WordAt(c.text, c.n, c.single), c.want);
    }
}

TEST(ListingWords, TextAfterLinkTargetLastBlankMonthAndNumbers)
{
    EXPECT_EQ(TextAfter("12:30 my file ", "12:30"), "my file");
    EXPECT_EQ(TextAfter("abcdef", "zz"), "cdef");  // key absent: its length is dropped
    EXPECT_EQ(TextAfter("ab", "ab"), "");

    EXPECT_EQ(WithoutLinkTarget("file -> target"), "file");
    EXPECT_EQ(WithoutLinkTarget("plain"), "plain");

    EXPECT_EQ(LastBlank("a b c"), 4u);
    EXPECT_EQ(LastBlank("abc"), 0u);

    EXPECT_EQ(MonthIndex("Jan"), 1);
    EXPECT_EQ(MonthIndex("dEC"), 12);
    EXPECT_EQ(MonthIndex("January"), -1);
    EXPECT_EQ(MonthIndex(""), -1);

    EXPECT_EQ(WordNumber("Mar 3 1998", 1), 3);
    EXPECT_EQ(WordNumber("Mar 3 1998", 2), 1998);
    EXPECT_EQ(WordNumber("Mar x 1998", 1), -1);
    EXPECT_EQ(WordNumber("Mar", 1), -1);
}

TEST(ListingWords, UnixDate)
{
    struct Case { const char* text; CivilTime now; std::optional<CivilTime> want; } cases[] = {
        {"Jan 05 12:30", kNow, at(2026, 1, 5, 12, 30)},
        {"Mar 3 1998", kNow, at(1998, 3, 3)},
        {"jan 05 2000", kNow, at(2000, 1, 5)},
        // Inferred year: more than a day ahead means last year; within a day it stays.
        {"Dec 11 09:00", kNow, at(2026, 12, 11, 9, 0)},
        {"Dec 11 09:07", kNow, at(2025, 12, 11, 9, 7)},
        {"Dec 13 06:00", kNow, at(2025, 12, 13, 6, 0)},
        // A listed year is never moved, even when it lies ahead.
        {"Dec 13 2026", kNow, at(2026, 12, 13)},
        {"Jan 01 2031", kNow, at(2031, 1, 1)},
        // Feb 29 without a year in a common year is last leap year's.
        {"Feb 29 10:00", at(2025, 1, 10), at(2024, 2, 29, 10, 0)},
        // A bad time keeps the date.
        {"Jan 05 25:61", kNow, at(2026, 1, 5)},
        {"Jan 05 ab:cd", kNow, at(2026, 1, 5)},
        {"Foo 05 12:30", kNow, std::nullopt},
        {"Feb 30 1999", kNow, std::nullopt},
        {"Jan 05", kNow, std::nullopt},
        {"", kNow, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(UnixDate(c.text, c.now), c.want);
    }
}

TEST(ListingWords, DosDateTime)
{
    struct Case { const char* text; std::optional<CivilTime> want; } cases[] = {
        {"01-05-99 12:30PM", at(1999, 1, 5, 12, 30)},
        {"01-05-99 12:30AM", at(1999, 1, 5, 0, 30)},
        {"01-05-99 01:02pm", at(1999, 1, 5, 13, 2)},
        {"01-05-2001 23:59", at(2001, 1, 5, 23, 59)},
        {"12-31-26 10:00:15", at(2026, 12, 31, 10, 0, 15)},
        {"01-05-75 10:00", at(2075, 1, 5, 10, 0)},  // two-digit years: 1976 ... 2075 from 2026
        {"01-05-76 10:00", at(1976, 1, 5, 10, 0)},
        {"01-05-99", at(1999, 1, 5)},
        {"13-05-99 10:00", std::nullopt},
        {"02-30-99 10:00", std::nullopt},
        {"01/05/99 10:00", std::nullopt},
        {"01-05-99 13:00PM", std::nullopt},
        {"01-05-99 10:00XM", std::nullopt},
        {"<DIR> x", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(DosDateTime(c.text, kNow), c.want);
    }
}

TEST(ServerTypes, NamesAndCodes)
{
    struct Case { const char* name; int code; } cases[] = {
        {"UNIX", 2}, {"NT/Dos", 16}, {"VMSMultinet", 6}, {"VMSUCX", 7}, {"MVS", 8}, {"Mac", 9},
        {"QVT", 11}, {"NCSA", 12}, {"VM", 14}, {"VMVPS", 15}, {"HP3000", 17},
        {"unix", 1}, {"NT/DOS", 1}, {"Auto", 1}, {"", 1}, {"UNIX ", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ServerTypeFromName(c.name), c.code);
    }
    for (const auto& t : ScriptServerTypes()) EXPECT_EQ(ServerTypeName(t.code), t.name);
    EXPECT_EQ(ServerTypeName(1), "");

    const auto& menu = ServerTypeNames();
    EXPECT_EQ(menu.front(), "Auto");
    EXPECT_EQ(menu[4], "VMSUCX");
    EXPECT_EQ(menu.back(), "HP3000");

    for (int code : {0, 2, 3, 4, 5}) EXPECT_EQ(KindOfStyle(code), StyleKind::Permission) << code;
    for (int code : {9, 10, 11, 12, 13, 18, -1, 255}) EXPECT_EQ(KindOfStyle(code), StyleKind::Nothing) << code;
    EXPECT_EQ(KindOfStyle(1), StyleKind::Detect);
}

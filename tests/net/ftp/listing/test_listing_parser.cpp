#include "net/ftp/listing/ListingParser.h"
#include "ListingTestSupport.h"

#include <gtest/gtest.h>

using namespace ftplisting;

namespace {

struct LineCase {
    int style;
    std::string line;
    bool accepted;
    const char* name;
    bool directory;
    const char* size;
    const char* date;
    const char* attributes;
};

void expectLines(const std::vector<LineCase>& cases, const CivilTime& now = kNow)
{
    for (const auto& c : cases) {
        SCOPED_TRACE("style " + std::to_string(c.style) + ": '" + c.line + "'");
        const ParsedLine p = ParseLine(c.style, c.line, now);
        EXPECT_EQ(p.accepted, c.accepted);
        EXPECT_EQ(p.name, c.name);
        EXPECT_EQ(p.directory, c.directory);
        EXPECT_EQ(p.size, c.size);
        EXPECT_EQ(p.date, c.date);
        EXPECT_EQ(p.attributes, c.attributes);
        EXPECT_EQ(p.owner, "");
    }
}

// A record-based line: the head, then the name from column 62.
std::string record(std::string head, std::string_view name)
{
    head.resize(61, ' ');
    return head + std::string(name);
}

// A date-first line as such servers align it: the size right-aligned to column 38, the name
// from column 40.
std::string dos(std::string_view when, std::string_view field, std::string_view name)
{
    std::string line(when);
    line.append(38 - line.size() - field.size(), ' ');
    return line + std::string(field) + " " + std::string(name);
}

}  // namespace

TEST(ListingParser, PermissionStyles)
{
    const char* now = "2026-12-10 09:06:30";
    expectLines({
        {2, "-rw-r--r--   1 user  group   1234 Jan 05 12:30 report.txt", true, "report.txt", false, "1234",
         "2026-01-05 12:30:00", "-rw-r--r--"},
        {2, "drwxr-xr-x   2 user  group    512 Mar  3  1998 docs", true, "docs", true, "512", "1998-03-03 00:00:00",
         "drwxr-xr-x"},
        // Links are directories here; the arrow goes only when the listing is built.
        {2, "lrwxrwxrwx   1 u g 10 Jan 01 2000 latest -> target", true, "latest -> target", true, "10",
         "2000-01-01 00:00:00", "lrwxrwxrwx"},
        {2, "total 42", true, "", false, "", "", ""},
        {2, "total 4200000000", false, "", false, "", "", ""},
        // The name follows the key word where it stands, not the first "2000" of the line.
        {2, "-rw-r--r--   1 2000     2000        12000 Jan 05  2000 y2k.txt", true, "y2k.txt", false, "12000",
         "2000-01-05 00:00:00", "-rw-r--r--"},
        {2, "-rw-r--r-- 1 u g 2000 Jan 05 2000 2000", true, "2000", false, "2000", "2000-01-05 00:00:00",
         "-rw-r--r--"},
        // Names keep inner and trailing blanks and their bytes.
        {2, "-rw-r--r-- 1 u g 42 Jan 05 2025 two  inner blanks.txt", true, "two  inner blanks.txt", false, "42",
         "2025-01-05 00:00:00", "-rw-r--r--"},
        {2, "-rw-r--r-- 1 u g 7 Dec 01 01:02 trailing ", true, "trailing ", false, "7", "2026-12-01 01:02:00",
         "-rw-r--r--"},
        {2, "-rw-r--r-- 1 u g 9 Oct 10 10:10 caf\xe9.txt", true, "caf\xe9.txt", false, "9", "2026-10-10 10:10:00",
         "-rw-r--r--"},
        {2, "-rw-r--r-- 1 u g 5368709120 Nov 20 23:59 big.iso", true, "big.iso", false, "5368709120",
         "2026-11-20 23:59:00", "-rw-r--r--"},
        // No group column.
        {2, "-rw-r--r--   1 user 1234 Jan 05 12:30 nogroup.txt", true, "nogroup.txt", false, "1234",
         "2026-01-05 12:30:00", "-rw-r--r--"},
        // A marker after the ten attribute columns is cut off.
        {2, "-rw-r--r--+  1 u g 5 Jan 05 2001 acl.txt", true, "acl.txt", false, "5", "2001-01-05 00:00:00",
         "-rw-r--r--"},
        {3, "drwxr-xr-x@ 3 u g 96 Jan 05 2001 mac", true, "mac", true, "96", "2001-01-05 00:00:00", "drwxr-xr-x"},
        {0, "f--------- 1 u g 1 Jan 05 2001 f-type", true, "f-type", false, "1", "2001-01-05 00:00:00", "f---------"},
        // A bracketed attribute column, split by the cut at column 11.
        {5, "d [RWCEAFMS] admin             512 Jan 16 18:53    login", true, "login", true, "512",
         "2026-01-16 18:53:00", "d"},
        {4, "- [R----F--] rhesus             214059       Oct 20  2001    cx.exe", true, "cx.exe", false, "214059",
         "2001-10-20 00:00:00", "-"},
        // An unreadable date is now.
        {2, "-rw-r--r-- 1 u g 5 Foo 05 2001 x", true, "x", false, "5", now, "-rw-r--r--"},
        // Not a file, a directory or a link; no fifth word; no name.
        {2, "crw-rw-rw-   1 root root 1, 3 Jan 05 2001 null", false, "", false, "", "", ""},
        {2, "prw-r--r--   1 root root 0 Jan 05 2001 fifo", false, "", false, "", "", ""},
        {2, "-rw-r--r-- 1 user group", false, "", false, "", "", ""},
        {2, "-rw-r--r-- 1 u g 5 Jan 05 2001", true, "", false, "5", "2001-01-05 00:00:00", "-rw-r--r--"},
    });
}

TEST(ListingParser, InferredYearStepsBackOnlyMoreThanADayAhead)
{
    const std::string line = "-rw-r--r-- 1 u g 1 Jan 05 12:30 a";
    EXPECT_EQ(ParseLine(2, line, at(2026, 1, 4, 13, 0)).date, "2026-01-05 12:30:00");
    EXPECT_EQ(ParseLine(2, line, at(2026, 1, 4, 12, 0)).date, "2025-01-05 12:30:00");
    const ParsedLine p = ParseLine(2, line, at(2026, 1, 4, 12, 0));
    ASSERT_TRUE(p.time);
    EXPECT_EQ(*p.time, at(2025, 1, 5, 12, 30));
}

TEST(ListingParser, VersionedAndDataSetStyles)
{
    const char* today = "2026-12-10";
    expectLines({
        {6, "FOO.TXT;1            12/15      15-JAN-1999 12:30:00  [GROUP,OWNER]  (RWED,RWED,RE,)", true,
         "FOO.TXT;1", false, "12", "1999-01-15", "----------"},
        // A one-digit day, as the listing's padded " 5-JAN-1999" gives after word splitting.
        {7, "DOCS.DIR;1            1/3        5-JAN-1999 08:00:00  [GROUP,OWNER]", true, "DOCS.DIR;1", true, "1",
         "1999-01-05", "----------"},
        {7, "BAR.C;2\t4/6\t01-feb-2000\t10:00", true, "BAR.C;2", false, "4", "2000-02-01", "----------"},
        {6, "Directory DISK$USER:[ME]", false, "", false, "", "", ""},
        {6, "Total of 3 files, 16/18 blocks.", false, "", false, "", "", ""},
        {6, "LONGNAME.TXT;1", true, "LONGNAME.TXT;1", false, "", today, "----------"},
        {6, "X.TXT;1 1/1 ab-JAN-1999 10:00", true, "X.TXT;1", false, "1", today, "----------"},
        {8, "Volume Unit    Referred Ext Used Recfm Lrecl BlkSz Dsorg Dsname", false, "", false, "", "", ""},
        {8, "Migrated                                                USER.OLD", false, "", false, "", "", ""},
        {8, "WYNK01 3380   2000/01/05  1   15  FB      80  6160  PO  USER.CNTL", true, "USER.CNTL", false, "3380",
         "2000-01-05", "----------"},
        {8, "WYNK01 3380   **NONE**    1   15  FB      80  6160  PS  USER.NEW", true, "USER.NEW", false, "3380",
         today, "----------"},
    });
}

TEST(ListingParser, InvalidVersionedAndDataSetDatesFailTheListing)
{
    for (const auto& [style, line] : std::vector<std::pair<int, std::string>>{
             {6, "X.TXT;1 1/1 31-APR-1999 10:00"},
             {7, "X.TXT;1 1/1 15-XYZ-1999 10:00"},
             {8, "WYNK01 3380   2000/13/05  1   15  FB      80  6160  PO  USER.CNTL"},
             {8, "WYNK01 3380   2001/02/29  1   15  FB      80  6160  PO  USER.CNTL"},
         }) {
        SCOPED_TRACE(line);
        EXPECT_THROW(ParseLine(style, line, kNow), EListingDateError);
        EXPECT_THROW(ParseListing(style, "GOOD.TXT;1 1/1 15-JAN-1999\r\n" + line + "\r\n", kNow), EListingDateError);
    }
}

TEST(ListingParser, FixedColumnTrackAndRecordStyles)
{
    const char* today = "2026-12-10";
    expectLines({
        {14, "PROFILE  EXEC     V         80         25          1 1999-01-05 12:30:00", true, "PROFILE.EXEC", false,
         "80", "1999-01-05 12:30:00", ""},
        {14, "LONELY", true, "", false, "", " ", ""},
        {15, "A1 FOO 1234 x y z 12:30 01/05/99", true, ".FOO", false, "1234", "01/05/99 12:30", ""},
        {15, "FILES=3", false, "", false, "", "", ""},
        {15, "A1 totals: 99", false, "", false, "", "", ""},
        {15, "A1 track limit 5", false, "", false, "", "", ""},
        {15, "NAME RF TRKS x rf trks", false, "", false, "", "", ""},
        {17, record("   ABC     80B FA   1234   5678", "ABC.GROUP.ACCT"), true, "ABC.GROUP.ACCT", false, "1234",
         today, "----------"},
        {17, record("SUBDIR         D", "SUBDIR"), true, "SUBDIR", true, "", "", "----------"},
        {17, "   ABC", true, "", true, "", "", "----------"},  // missing columns read as blanks
        {17, record("FILENAME  CODE  ------------LOGICAL RECORD-----------", "x"), false, "", false, "", "", ""},
        {17, "PATH= /SYS/PUB/", false, "", false, "", "", ""},
    });
}

TEST(ListingParser, DateFirstStyle)
{
    const char* now = "2026-12-10 09:06:30";
    expectLines({
        {16, "01-05-99  12:30PM       <DIR>          Old Files", true, "Old Files", true, "0", "1999-01-05 12:30:00",
         ""},
        {16, dos("01-05-99  12:30PM", "1234", "Old Files"), true, "Old Files", false, "1234",
         "1999-01-05 12:30:00", ""},
        {16, dos("12-01-2026  01:02AM", "5368709120", "big  two.iso"), true, "big  two.iso", false, "5368709120",
         "2026-12-01 01:02:00", ""},
        // "<dir>" inside a file's name does not make it a folder.
        {16, dos("01-05-99  12:30PM", "12", "my<dir>file"), true, "my<dir>file", false, "12",
         "1999-01-05 12:30:00", ""},
        // Shorter than 39 columns: the name follows the last blank.
        {16, "01-05-99 12:30PM 5 x", true, "x", false, "5", "1999-01-05 12:30:00", ""},
        {16, "garbage  line that is long enough for column 39", true, "39", false, "0", now, ""},
        {16, "01-05-99  12:30PM       <DIR>          ", false, "", false, "", "", ""},
        // A folder without a name, shorter than the name column: no file named "<DIR>".
        {16, "11-02-09  05:32PM       <DIR>", false, "", false, "", "", ""},
        {16, "11-02-09  05:32PM       <dir>", false, "", false, "", "", ""},
        {16, "nospace", false, "", false, "", "", ""},
    });
}

TEST(ListingParser, StylesWithoutParsingYieldNothing)
{
    const std::string listing = "-rw-r--r-- 1 u g 5 Jan 05 2001 a\r\n01-05-99  12:30PM  5 b\r\nFOO.TXT;1 1/1 15-JAN-1999\r\n";
    for (int style : {1, 9, 10, 11, 12, 13, 18}) {
        SCOPED_TRACE(style);
        const Listing l = ParseListing(style, listing, kNow);
        EXPECT_EQ(l.files.size(), 0u);
        EXPECT_EQ(l.directories.size(), 0u);
        EXPECT_FALSE(ParseLine(style, "-rw-r--r-- 1 u g 5 Jan 05 2001 a", kNow).accepted);
    }
}

TEST(ListingParser, DetectStyle)
{
    struct Case { const char* listing; int style; } cases[] = {
        {"Volume Unit    Referred Ext Used Recfm Lrecl BlkSz Dsorg Dsname\r\n", 8},
        {"VOLUME\r\n", 8},
        {"total 42\r\n-rw-r--r-- 1 u g 5 Jan 05 2001 a\r\n", 2},
        {"TOTAL 1\n", 2},
        {"01-05-99  12:30PM       <DIR>          Old Files\r\n", 16},
        {"-rw-r--r-- 1 u g 5 Jan 05 2001 a\r\n", 2},
        {"\r\n   \r\n\t\r\nVolume Unit\r\n", 8},  // leading blank lines are passed over
        {" 01-05-99 12:30PM 5 x\r\n", 2},           // the first line itself is not trimmed
        {"FOO.TXT;1 1/1 15-JAN-1999\r\n", 2},
        {"", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.listing);
        EXPECT_EQ(DetectStyle(c.listing), c.style);
    }
}

TEST(ListingParser, ListingLines)
{
    using Lines = std::vector<std::string>;
    EXPECT_EQ(ListingLines("a\r\nb\r\nc"), (Lines{"a", "b", "c"}));  // a last line without an end counts
    EXPECT_EQ(ListingLines("a\nb\n"), (Lines{"a", "b"}));
    EXPECT_EQ(ListingLines(""), Lines{});
    EXPECT_EQ(ListingLines("\r\n\r\n"), (Lines{"", ""}));
    // In a CR LF listing a lone LF belongs to a name; in an LF listing a CR does.
    EXPECT_EQ(ListingLines("a\r\nlf\nname\r\nb\r\n"), (Lines{"a", "lf\nname", "b"}));
    EXPECT_EQ(ListingLines("a\nname\r\nb\nc\n"), (Lines{"a", "name\r", "b", "c"}));
}

TEST(ListingParser, ParseListingBuildsParallelLists)
{
    const std::string listing =
        "total 12\r\n"
        "drwxr-xr-x   2 user  group    512 Mar  3  1998 docs\r\n"
        "\r\n"
        "lrwxrwxrwx   1 u g 10 Jan 01 2000 latest -> target\r\n"
        "lrwxrwxrwx   1 u g 10 Jan 01 2000 a->b -> c\r\n"
        "-rw-r--r--   1 u g 3 Jan 05 2001 a->b\r\n"
        "-rw-r--r--      user 1234 Jan 05 12:30 nolinks\r\n"
        "-rw-r--r--   1 u g 5368709120 Nov 20 23:59 big.iso\r\n"
        "-rw-r--r--   1 u g - Nov 20 23:59 odd  size";  // no line end after the last line

    const Listing l = ParseListing(2, listing, kNow);
    EXPECT_EQ(l.directories.names, (std::vector<std::string>{"docs", "latest", "a->b"}));
    EXPECT_EQ(l.directories.attributes, (std::vector<std::string>{"drwxr-xr-x", "lrwxrwxrwx", "lrwxrwxrwx"}));
    EXPECT_EQ(l.directories.sizes, (std::vector<std::string>{"512", "10", "10"}));
    EXPECT_EQ(l.directories.linkNames, (std::vector<std::string>{"", "", ""}));

    EXPECT_EQ(l.files.names, (std::vector<std::string>{"a->b", "nolinks", "big.iso", "odd  size"}));
    EXPECT_EQ(l.files.sizes, (std::vector<std::string>{"3", "1234", "5368709120", "-"}));
    EXPECT_EQ(l.files.sizeValues, (std::vector<std::int64_t>{3, 1234, 5368709120LL, -1}));
    EXPECT_EQ(l.files.dates, (std::vector<std::string>{"2001-01-05 00:00:00", "2026-01-05 12:30:00",
                                                       "2026-11-20 23:59:00", "2026-11-20 23:59:00"}));
    ASSERT_EQ(l.files.times.size(), 4u);
    EXPECT_EQ(l.files.times[2], at(2026, 11, 20, 23, 59));
    EXPECT_EQ(l.files.attributes.size(), 4u);
    EXPECT_EQ(l.files.linkNames.size(), 4u);
    EXPECT_TRUE(l.refusedLines.empty());
}

TEST(ListingParser, MissingLinkCountIsFilledInStyleTwoOnly)
{
    // Without the filled-in count the no-group columns would be read one word off.
    const std::string line = "-rw-r--r--      user 1234 Jan 05 12:30 nolinks";
    EXPECT_NE(ParseLine(2, line, kNow).name, "nolinks");
    EXPECT_EQ(ParseListing(2, line, kNow).files.names, std::vector<std::string>{"nolinks"});
    EXPECT_NE(ParseListing(0, line, kNow).files.names, std::vector<std::string>{"nolinks"});
}

TEST(ListingParser, NamesWithLineBreaksOrNulAreRefused)
{
    using namespace std::string_literals;
    const std::string listing = "-rw-r--r-- 1 u g 2 Dec 05 12:30 cr\rname\r\n"
                                "-rw-r--r-- 1 u g 3 Dec 05 12:30 lf\nname\r\n"
                                "-rw-r--r-- 1 u g 4 Dec 05 12:30 nul\0name\r\n"s
                                "-rw-r--r-- 1 u g 5 Dec 05 12:30 name\r\r\n"
                                "total 5\r\r\n"
                                "-rw-r--r-- 1 u g 1 Dec 05 12:30 plain\r\n";
    const Listing l = ParseListing(2, listing, kNow);
    EXPECT_EQ(l.files.names, std::vector<std::string>{"plain"});
    ASSERT_EQ(l.refusedLines.size(), 4u);
    EXPECT_EQ(l.refusedLines[1], "-rw-r--r-- 1 u g 3 Dec 05 12:30 lf\nname");
    for (const auto& style : {16, 6, 17}) {
        const Listing other = ParseListing(style, "01-05-99 12:30PM 5 a\rb;1\r\nFOO.TXT;1 1/1 15-JAN-1999\r\n", kNow);
        for (const auto* lists : {&other.files, &other.directories})
            for (const auto& name : lists->names) EXPECT_EQ(name.find('\r'), std::string::npos) << style;
    }
}

// A long listing asks now and then whether to go on; stopped, it gives no entries at all, since
// part of a folder must never read as the whole of it.
TEST(ListingParser, ALongListingCanBeCancelled)
{
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "-rw-r--r--   1 ftp ftp 10 Mar 07 12:00 f" + std::to_string(i) + "\r\n";
    int asked = 0;
    bool complete = false;
    Listing l = ParseListing(kStyleUnix, text, kNow, [&] { return ++asked > 2; }, &complete);
    EXPECT_FALSE(complete);
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(l.files.size(), 0u);
    l = ParseListing(kStyleUnix, text, kNow, [&] { return false; }, &complete);
    EXPECT_TRUE(complete);
    EXPECT_EQ(l.files.size(), 20000u);
}

// "LIST *" on servers that list like "ls -l *": the matched files, then each matched folder's
// contents under a heading. Those entries belong to the sub-folder, in every style.
TEST(ListingParser, SubfolderHeadingsAndTheirEntriesAreNoEntriesOfTheFolder)
{
    struct Case {
        const char* what;
        int style;
        std::string listing;
        std::vector<std::string> files, directories;
    } cases[] = {
        {"heading after the files", 2,
         "-rw-r--r-- 1 u g 4 Dec 05 12:30 top.txt\r\n\r\nsub dir:\r\ntotal 8\r\n"
         "-rw-r--r-- 1 u g 9 Dec 05 12:30 bin.dat\r\n-rw-r--r-- 1 u g 2 Dec 05 12:30 x file.txt\r\n",
         {"top.txt"}, {}},
        {"two headings, the second with a folder in it", 2,
         "-rw-r--r-- 1 u g 4 Dec 05 12:30 a\n\nd1:\n-rw-r--r-- 1 u g 1 Dec 05 12:30 in1\n\n"
         "docs and more:\ndrwxr-xr-x 2 u g 512 Dec 05 12:30 deeper\n",
         {"a"}, {}},
        {"heading as the first line", 2, "only:\ntotal 0\n-rw-r--r-- 1 u g 1 Dec 05 12:30 inside\n", {}, {}},
        {"a name ending in a colon is an entry", 2,
         "-rw-r--r-- 1 u g 1 Dec 05 12:30 first\n\n-rw-r--r-- 1 u g 1 Dec 05 12:30 colon:\n"
         "drwxr-xr-x 2 u g 512 Dec 05 12:30 dir:\n",
         {"first", "colon:"}, {"dir:"}},
        {"a colon line not after a blank line is no heading", 2,
         "-rw-r--r-- 1 u g 1 Dec 05 12:30 first\nnote:\n-rw-r--r-- 1 u g 1 Dec 05 12:30 second\n",
         {"first", "second"}, {}},
        {"date-first style", 16,
         "12-05-26  12:30PM                    4 top.txt\r\n\r\nsub dir:\r\n"
         "12-05-26  12:30PM                    9 bin.dat\r\n",
         {"top.txt"}, {}},
        {"date-first name ending in a colon", 16, "\r\n12-05-26  12:30PM       <DIR>          d:\r\n", {}, {"d:"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Listing l = ParseListing(c.style, c.listing, kNow);
        EXPECT_EQ(l.files.names, c.files);
        EXPECT_EQ(l.directories.names, c.directories);
    }
}

// Keeping some entries keeps every list of each in step.
TEST(ListingParser, KeepLeavesTheListsInStep)
{
    Listing l = ParseListing(2,
                             "-rw-r--r-- 1 u g 1 Dec 05 12:30 a.txt\n-rw-r--r-- 1 u g 22 Dec 05 12:30 b.log\n"
                             "-rw-r--r-- 1 u g 333 Jan 05 2001 c.txt\n",
                             kNow);
    l.files.Keep([](const std::string& name) { return name.ends_with(".txt"); });
    EXPECT_EQ(l.files.names, (std::vector<std::string>{"a.txt", "c.txt"}));
    EXPECT_EQ(l.files.sizes, (std::vector<std::string>{"1", "333"}));
    EXPECT_EQ(l.files.sizeValues, (std::vector<std::int64_t>{1, 333}));
    EXPECT_EQ(l.files.dates, (std::vector<std::string>{"2026-12-05 12:30:00", "2001-01-05 00:00:00"}));
    EXPECT_EQ(l.files.attributes.size(), 2u);
    EXPECT_EQ(l.files.linkNames.size(), 2u);
    EXPECT_EQ(l.files.times.size(), 2u);
    l.files.Keep([](const std::string&) { return false; });
    EXPECT_EQ(l.files.size(), 0u);
    EXPECT_TRUE(l.files.times.empty());
}

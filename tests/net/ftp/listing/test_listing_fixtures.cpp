// LIST output captured from pyftpdlib, vsftpd, proftpd and pure-ftpd
// (tests/fixtures/listings/README.txt).

#include "net/ftp/listing/ListingParser.h"
#include "ListingTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace ftplisting;

namespace {

std::string fixture(const std::string& name)
{
    std::ifstream in(std::string(LISTING_FIXTURES_DIR) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Entry {
    std::string name;
    const char* size;
    const char* date;
    const char* attributes;
};

void expectEntries(const EntryLists& lists, const std::vector<Entry>& want)
{
    ASSERT_EQ(lists.size(), want.size());
    ASSERT_EQ(lists.sizes.size(), want.size());
    ASSERT_EQ(lists.dates.size(), want.size());
    ASSERT_EQ(lists.attributes.size(), want.size());
    ASSERT_EQ(lists.linkNames.size(), want.size());
    ASSERT_EQ(lists.sizeValues.size(), want.size());
    ASSERT_EQ(lists.times.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(want[i].name);
        EXPECT_EQ(lists.names[i], want[i].name);
        EXPECT_EQ(lists.sizes[i], want[i].size);
        EXPECT_EQ(lists.sizeValues[i], std::stoll(want[i].size));
        EXPECT_EQ(lists.dates[i], want[i].date);
        ASSERT_TRUE(lists.times[i]);
        EXPECT_EQ(datetime::dateTimeText(*lists.times[i]), want[i].date);
        EXPECT_EQ(lists.attributes[i], want[i].attributes);
        EXPECT_EQ(lists.linkNames[i], "");
    }
}

const std::vector<Entry> kDirectories = {
    {"Old Files", "4096", "2026-12-08 18:45:00", "drwxr-xr-x"},
    {"docs", "4096", "1998-03-03 00:00:00", "drwxr-xr-x"},
    {"docs-link", "4", "2026-12-09 07:00:00", "lrwxrwxrwx"},
    {"latest", "10", "2026-12-09 07:00:00", "lrwxrwxrwx"},
};

// The files of both servers; `caf` and `ahead` are where they differ.
std::vector<Entry> files(std::string caf, const char* ahead)
{
    return {
        {"a->b", "3", "2026-09-09 09:09:00", "-rw-r--r--"},
        {"ahead.txt", "100", ahead, "-rw-r--r--"},
        {"big.iso", "5368709120", "2026-11-20 23:59:00", "-rw-r--r--"},
        {caf, "9", "2026-10-10 10:10:00", "-rw-r--r--"},
        {"empty.txt", "0", "2026-12-02 03:04:00", "-rw-r--r--"},
        {"old.txt", "1998", "1998-03-03 00:00:00", "-rw-r--r--"},
        {"one.bin", "1", "2026-12-02 03:04:00", "-rw-r--r--"},
        {"report.txt", "1234", "2026-12-05 12:30:00", "-rw-r--r--"},
        {"trailing ", "7", "2026-12-01 01:02:00", "-rw-r--r--"},
        {"two  inner blanks.txt", "42", "2025-01-05 00:00:00", "-rw-r--r--"},
        {"y2k.txt", "12000", "2000-01-05 00:00:00", "-rw-r--r--"},
    };
}

}  // namespace

TEST(ListingFixtures, Pyftpdlib)
{
    const std::string text = fixture("pyftpdlib-unix.txt");
    EXPECT_EQ(DetectStyle(text), kStyleUnix);
    const Listing l = ParseListing(DetectStyle(text), text, kNow);
    expectEntries(l.directories, kDirectories);
    // "Dec 13 06:00" lies three days after the capture, so it is read as last year's.
    expectEntries(l.files, files("caf?.txt", "2025-12-13 06:00:00"));
    EXPECT_TRUE(l.refusedLines.empty());
}

TEST(ListingFixtures, Vsftpd)
{
    const std::string text = fixture("vsftpd-unix.txt");
    EXPECT_EQ(DetectStyle(text), kStyleUnix);
    const Listing l = ParseListing(DetectStyle(text), text, kNow);
    expectEntries(l.directories, kDirectories);
    // vsftpd lists the year of a future date, which is taken as it stands.
    expectEntries(l.files, files("caf\xe9.txt", "2026-12-13 00:00:00"));
    EXPECT_TRUE(l.refusedLines.empty());
}

TEST(ListingFixtures, ProftpdAndPureFtpd)
{
    // Both list a future date of this year without the year, so it is read as last year's.
    for (const char* name : {"proftpd-unix.txt", "pureftpd-unix.txt"}) {
        SCOPED_TRACE(name);
        const std::string text = fixture(name);
        EXPECT_EQ(DetectStyle(text), kStyleUnix);
        const Listing l = ParseListing(DetectStyle(text), text, kNow);
        expectEntries(l.directories, kDirectories);
        expectEntries(l.files, files("caf\xe9.txt", "2025-12-13 06:00:00"));
        EXPECT_TRUE(l.refusedLines.empty());
    }
}

// pure-ftpd answers "LIST star/*" as ls does: the matches, then each matching folder's entries
// under a "star/sub dir:" heading, which are no entries of the listed folder.
TEST(ListingFixtures, PureFtpdSubFolderSectionsGiveNoEntries)
{
    const std::string text = fixture("pureftpd-subfolders.txt");
    const Listing l = ParseListing(DetectStyle(text), text, kNow);
    EXPECT_EQ(l.files.names, std::vector<std::string>{"star/top.txt"});
    EXPECT_EQ(l.files.sizes, std::vector<std::string>{"4"});
    EXPECT_TRUE(l.directories.names.empty());
    EXPECT_TRUE(l.refusedLines.empty());
}

TEST(ListingFixtures, NamesHoldingCrAndLfGiveNoEntry)
{
    for (const char* name : {"pyftpdlib-control-bytes.txt", "vsftpd-control-bytes.txt", "proftpd-control-bytes.txt"}) {
        SCOPED_TRACE(name);
        const std::string text = fixture(name);
        const Listing l = ParseListing(kStyleUnix, text, kNow);
        // The file "lf<LF>name" must not show up as a file "lf" (which could be another one).
        EXPECT_EQ(l.files.names, std::vector<std::string>{"plain"});
        EXPECT_TRUE(l.directories.names.empty());
        ASSERT_EQ(l.refusedLines.size(), 2u);
        EXPECT_TRUE(l.refusedLines[0].ends_with("cr\rname"));
        EXPECT_TRUE(l.refusedLines[1].ends_with("lf\nname"));
    }
}

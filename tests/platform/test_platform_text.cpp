#include "platform/AppPaths.h"
#include "platform/ByteText.h"
#include "platform/DateTime.h"
#include "platform/IniFile.h"
#include "platform/LocalFiles.h"
#include "platform/NumberText.h"
#include "platform/WinsockErrors.h"
#include "tests/support/TempDir.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <gtest/gtest.h>

using Lines = std::vector<std::string>;

TEST(ByteText, SplitLinesOnEveryLineEnd)
{
    const struct {
        std::string text;
        Lines lines;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"\n", {""}},
        {"a\n\rb", {"a", "", "b"}},  // LF then CR: two line ends
        {std::string("x\xFFy\x80\n", 5), {std::string("x\xFFy\x80", 4)}},
    };
    for (const auto& c : cases) EXPECT_EQ(bytetext::splitLines(c.text), c.lines) << c.text;
}

TEST(ByteText, TrimFoldAndFind)
{
    EXPECT_EQ(bytetext::trim(" \t\r\nab c\x01 "), "ab c");
    EXPECT_EQ(bytetext::trim(std::string("\xA0x\xA0", 3)), std::string("\xA0x\xA0", 3));  // 8-bit bytes are no blanks
    EXPECT_EQ(bytetext::toUpper(std::string("a\xE4z", 3)), std::string("A\xE4Z", 3));
    EXPECT_TRUE(bytetext::startsWithNoCase("host=x", "HOST="));
    EXPECT_FALSE(bytetext::startsWithNoCase("hos", "HOST="));
    EXPECT_EQ(bytetext::findNoCase("abcABC", "Bc", 2), 4u);
    EXPECT_EQ(bytetext::findNoCase("abc", "abcd"), std::string::npos);
}

TEST(ByteText, StrictIntegers)
{
    const struct {
        const char* text;
        bool ok;
        std::int64_t value;
    } cases[] = {
        {"21", true, 21}, {" -5 ", true, -5}, {"+7", true, 7}, {"", false, 0}, {"abc", false, 0},
        {"12x", false, 0}, {"+-1", false, 0}, {"\"21\"", false, 0}, {"99999999999999999999", false, 0},
    };
    for (const auto& c : cases) {
        std::int64_t v = 0;
        EXPECT_EQ(bytetext::parseInt64(c.text, v), c.ok) << c.text;
        if (c.ok) EXPECT_EQ(v, c.value) << c.text;
    }
    int small = 0;
    EXPECT_FALSE(bytetext::parseInt("4294967296", small));
}

TEST(AppPaths, HistoryPathAndPathPieces)
{
    EXPECT_EQ(apppaths::historyPathFor("/s/Job.ftp"), "/s/Job.History.txt");
    EXPECT_EQ(apppaths::historyPathFor("/s.d/Job"), "/s.d/Job.History.txt");
    EXPECT_EQ(apppaths::historyPathFor("a.b.ftp"), "a.b.History.txt");
    EXPECT_EQ(apppaths::extractFileName("/a/b/c.ftp"), "c.ftp");
    EXPECT_EQ(apppaths::extractFilePath("/a/b/c.ftp"), "/a/b/");
    EXPECT_EQ(apppaths::excludeTrailingSlash("/a/"), "/a");
    EXPECT_EQ(apppaths::excludeTrailingSlash("/"), "/");
}

TEST(DateTime, FormatPictures)
{
    const CivilTime t{2026, 3, 7, 14, 5, 9, 42};
    const struct {
        const char* picture;
        const char* text;
    } cases[] = {
        {"yyyymmdd", "20260307"}, {"yy/m/d", "26-3-7"}, {"hh:nn:ss", "14:05:09"}, {"hh:mm", "14:05"},
        {"h:n am/pm", "2:5 pm"}, {"hhAM/PM", "02PM"}, {"ddd dddd", "Sat Saturday"}, {"mmm mmmm", "Mar March"},
        {"'mm'mm", "mm03"}, {"\"d\"d", "d7"}, {"zzz", "042"}, {"ddddd", "2026-03-07"}, {"c", "2026-03-07 14:05:09"},
        {"tt", "14:05:09"}, {"x_q!", "x_q!"},
    };
    for (const auto& c : cases) {
        std::string out;
        ASSERT_TRUE(datetime::formatDateTime(c.picture, t, out)) << c.picture;
        EXPECT_EQ(out, c.text) << c.picture;
    }
    std::string out;
    EXPECT_FALSE(datetime::formatDateTime("'open", t, out));
}

TEST(DateTime, ShortDateReadsBack)
{
    int y = 0, m = 0, d = 0;
    EXPECT_TRUE(datetime::parseShortDate("2024-02-29", y, m, d));
    EXPECT_EQ(y * 10000 + m * 100 + d, 20240229);
    for (const char* bad : {"2023-02-29", "12.03.98", "2024-13-01", "", "2024-1", "abcd-01-01", "2024-01-01x"})
        EXPECT_FALSE(datetime::parseShortDate(bad, y, m, d)) << bad;
    EXPECT_EQ(datetime::dayOfWeek(2026, 12, 10), 5);  // a Thursday
    EXPECT_EQ(datetime::dateTimeText({2026, 1, 2, 3, 4, 5, 0}), "2026-01-02 03:04:05");
}

TEST(NumberText, GeneralFloatFormat)
{
    const struct {
        double v;
        const char* text;
    } cases[] = {
        {0, "0"}, {3, "3"}, {-2.5, "-2.5"}, {0.1, "0.1"}, {1e20, "1E20"}, {1.5e-7, "1.5E-7"},
        {123456789012345.0, "123456789012345"}, {1e15, "1E15"}, {0.00001, "0.00001"}, {1.0 / 3, "0.333333333333333"},
    };
    for (const auto& c : cases) EXPECT_EQ(numbertext::floatToStr(c.v), c.text) << c.v;
}

TEST(IniFile, WindowsRulesAndAtomicSave)
{
    TempDir dir;
    const std::string path = dir.write("a.ini", "; keep me\r\n[Main]\r\nName = One\r\n\r\n[Other]\r\nx=1\r\n");
    IniFile ini(path);
    ASSERT_TRUE(ini.load());
    EXPECT_EQ(ini.readString("MAIN", "name"), "One");
    EXPECT_EQ(ini.readInteger("other", "X", 0), 1);
    EXPECT_EQ(ini.readInteger("other", "missing", 7), 7);
    ini.writeString("main", "Second", "Two");
    ini.writeString("New", "k", "v");
    ASSERT_TRUE(ini.save());
    const std::string text = TempDir::read(path);
    EXPECT_EQ(text, "; keep me\r\n[Main]\r\nName=One\r\nSecond=Two\r\n\r\n[Other]\r\nx=1\r\n[New]\r\nk=v\r\n");
    IniFile missing(dir.file("none.ini"));
    EXPECT_TRUE(missing.load());
    EXPECT_TRUE(missing.sections().empty());
    IniFile unwritable("/proc/nonexistent/x.ini");
    EXPECT_FALSE(unwritable.save());
}

TEST(WinsockErrors, NumbersAndTexts)
{
    EXPECT_EQ(winsock::fromErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(winsock::fromErrno(EPIPE), 10054);
    EXPECT_EQ(winsock::fromErrno(EWOULDBLOCK), 10035);
    EXPECT_EQ(winsock::errorText(10061), "Connection refused");
    EXPECT_EQ(winsock::errorText(11001), "Host not found");
    EXPECT_EQ(winsock::errorText(42), "Not a WinSock error");
}

TEST(LocalFiles, WriteFileAtomically)
{
    namespace fs = std::filesystem;
    const auto isLink = [](const std::string& p) { return fs::is_symlink(fs::symlink_status(p)); };
    const struct {
        const char* name;
        bool link, dangling, throughLink;
        bool targetWritten;  // else the name itself became the file
    } cases[] = {
        {"a plain file", false, false, true, false},
        {"through a link", true, false, true, true},
        {"through a link to a file not made yet", true, true, true, true},
        {"a link replaced where links are not followed", true, false, false, false},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string name = dir.file("name"), target = dir.file("sub/target");
        fs::create_directories(dir.file("sub"));
        if (c.link && !c.dangling) dir.write("sub/target", "old target");
        if (c.link) fs::create_symlink("sub/target", name);
        else dir.write("name", "old name");
        ASSERT_TRUE(localfiles::writeFileAtomically(name, "new", 0640, c.throughLink)) << c.name;
        const std::string written = c.targetWritten ? target : name;
        EXPECT_EQ(TempDir::read(written), "new") << c.name;
        EXPECT_EQ(fs::status(written).permissions() & fs::perms::mask, fs::perms(0640)) << c.name;
        EXPECT_EQ(isLink(name), c.link && c.throughLink) << c.name;
        if (c.link && !c.throughLink) {
            EXPECT_EQ(TempDir::read(target), "old target") << c.name;
        }
        // Nothing is left beside what was written.
        std::size_t entries = 0;
        for (const auto& e : fs::recursive_directory_iterator(dir.path())) entries += !e.is_directory();
        EXPECT_EQ(entries, c.link ? 2u : 1u) << c.name;
    }
    // A folder that is not there: false with errno, nothing made.
    TempDir dir;
    errno = 0;
    EXPECT_FALSE(localfiles::writeFileAtomically(dir.file("missing/x"), "new", 0644));
    EXPECT_EQ(errno, ENOENT);
}

// The plain rules of the FTP commands: server names as local names, listed paths, masks and the
// numbers of incremental names.

#include "runner/FtpCommandRules.h"
#include "runner/RemoteNames.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(FtpCommandRules, ServerNamesBecomeLocalNamesOnlyThroughTheGuard)
{
    const struct {
        const char* listed;
        const char* local;
    } cases[] = {
        {"a.txt", "a.txt"}, {"../x", "x"},     {"a\\b", "b"},        {"/etc/passwd", "passwd"},
        {"dir/", ""},       {".", ""},         {"..", ""},           {"sub/..", ""},
        {"", ""},           {"a\rb", ""},      {"a\nb", ""},         {"..\\..\\y", "y"},
    };
    for (const auto& c : cases) EXPECT_EQ(remotenames::SafeLocalName(c.listed), c.local) << c.listed;
    EXPECT_EQ(remotenames::SafeLocalName(std::string("a\0b", 3)), "");
}

TEST(FtpCommandRules, ListedPathsMasksAndNumbers)
{
    using namespace ftpcommands;
    EXPECT_EQ(ListedPath("/pub/*.txt", "a.txt"), "/pub/a.txt");
    EXPECT_EQ(ListedPath("*.txt", "a.txt"), "a.txt");
    EXPECT_EQ(ListedPath("pub/*.txt", "pub/a.txt"), "pub/a.txt");

    EXPECT_TRUE(MatchesRemoteMask("/pub/*.txt", "a.txt", '*'));
    EXPECT_TRUE(MatchesRemoteMask("*.txt", "pub/a.txt", '*'));
    EXPECT_FALSE(MatchesRemoteMask("/pub/*.txt", "a.dat", '*'));
    EXPECT_TRUE(MatchesRemoteMask("a?c@", "abc.x", '@'));
    EXPECT_FALSE(MatchesRemoteMask("a?c@", "ac.x", '@'));

    EXPECT_EQ(Extension("report.txt.01"), ".01");
    EXPECT_EQ(Extension("noext"), "");
    EXPECT_EQ(FirstFreeNumber({}), 1);
    EXPECT_EQ(FirstFreeNumber({".txt", ".01", ".2"}), 1);  // ".01" is not number 1
    EXPECT_EQ(FirstFreeNumber({".1", ".2", ".4"}), 3);

    EXPECT_TRUE(MeansAbsent("550 No such file or directory.\r\n"));
    EXPECT_TRUE(MeansAbsent("450 No files found"));
    EXPECT_FALSE(MeansAbsent("500 Unknown command"));
    EXPECT_FALSE(MeansAbsent("421 Closing"));
}

}  // namespace

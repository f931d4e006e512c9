// The client's text rules: command codes, sizes, login lines and cache names.

#include "net/ftp/client/FtpText.h"

#include <gtest/gtest.h>

using namespace ftptext;

TEST(FtpText, CommandTypeComparesTheFirstWordExactly)
{
    const struct {
        const char* command;
        TCmdType code;
    } cases[] = {
        {"CWD /pub", cmdChangeDir}, {"MKD new", cmdMakeDir}, {"DELE a.txt", cmdDelete}, {"RMD old", cmdRemoveDir},
        {"PWD", cmdPwd},            {"PWD x", cmdOther},      {"cwd /pub", cmdOther},   {"CWDX a", cmdOther},
        {"SITE CHMOD 644 a", cmdOther}, {"CWD", cmdChangeDir}, {"", cmdOther},
    };
    for (const auto& c : cases) EXPECT_EQ(CommandType(c.command), c.code) << c.command;
}

TEST(FtpText, SizesFromReplies)
{
    const struct {
        const char* reply;
        std::int64_t announced;  // BytesFromReply
        std::int64_t size;       // SizeFromReply
    } cases[] = {
        {"150 Opening data connection for x (2048 bytes)\r\n", 2048, -1},
        {"150 Opening BINARY mode data connection for big.iso (5368709120 bytes).\r\n", 5368709120LL, -1},
        {"150 File status okay. About to open data connection.\r\n", 0, -1},
        {"150 (no count) BYTES\r\n", 150, -1},
        // Another unit is no count of bytes; a later "bytes" still is.
        {"150 172.4 kbytes to download\r\n", 0, -1},
        {"150 2.0 Mbytes, that is 2097152 bytes\r\n", 2097152, -1},
        {"213 1234\r\n", 0, 1234},
        {"213 5368709120\r\n", 0, 5368709120LL},
        {"550 a.txt: No such file\r\n", 0, -1},
        {"213 99999999999999999999999\r\n", 0, -1},
        {"213 -1000\r\n", 0, -1},
        {"213 1e3\r\n", 0, -1},
        {"213 12 bytes\r\n", 12, 12},
        {"213 \r\n", 0, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BytesFromReply(c.reply), c.announced) << c.reply;
        EXPECT_EQ(SizeFromReply(c.reply), c.size) << c.reply;
    }
    EXPECT_EQ(DirFromPwdReply("257 \"/pub/my dir\" is the current directory\r\n"), "/pub/my dir");
    EXPECT_EQ(DirFromPwdReply("257 no quotes\r\n"), "");
}

TEST(FtpText, LoginLinesOfEachForm)
{
    const struct {
        bool proxy;
        TFtpProxyType type;
        const char* user;
        const char* pass;
    } cases[] = {
        {false, proxyUserAfterLogin, "USER me", "PASS pw"},
        {false, proxyProxyUserLoginUser, "USER me", "PASS pw"},
        {true, proxyUserAfterLogin, "USER me@ftp.example", "PASS pw"},
        {true, proxyProxyUserLoginUser, "USER me@pu@ftp.example", "PASS pw@ppw"},
    };
    for (const auto& c : cases) {
        const LoginLines l = LoginCommands(c.proxy, c.type, "me", "pw", "ftp.example", "pu", "ppw");
        EXPECT_EQ(l.user, c.user);
        EXPECT_EQ(l.pass, c.pass);
    }
}

TEST(FtpText, CacheNamesStayInTheirFolder)
{
    EXPECT_EQ(CacheFileName("ftp.example", "me", "daily", "/pub/*.txt"), "ftp_example_me_daily__pub_!_txt");
    EXPECT_EQ(CacheFileName("h", "u", "c", "../../etc/passwd"), "h_u_c_______etc_passwd");
    EXPECT_EQ(CacheFileName("h", "u", "c", "a:b?c|d\\e<f>g^h&i\nj"), "h_u_c_a!b!c_d_e_f_g_h_i_j");
}

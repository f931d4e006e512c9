// The client's text rules: command codes, reply lines, sizes, login lines and cache names.

#include "net/ftp/client/FtpText.h"

#include <functional>
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

TEST(FtpText, ReplyLines)
{
    EXPECT_EQ(ReplyNumber("226 Done\r\n"), 226);
    EXPECT_EQ(ReplyNumber("Welcome\r\n"), 0);
    EXPECT_EQ(ReplyNumber("5501 refused"), 550);  // extra digits cannot turn a refusal into success
    EXPECT_EQ(ReplyNumber("22 short"), 0);
    EXPECT_TRUE(OpensMultiLine("220-Hello\r\n"));
    EXPECT_FALSE(OpensMultiLine("220 Hello\r\n"));
    EXPECT_FALSE(OpensMultiLine(" 220-Hello"));
    EXPECT_TRUE(ClosesMultiLine("220-a", "220 ready\r\n"));
    EXPECT_TRUE(ClosesMultiLine("220-a", "220\r\n"));
    EXPECT_FALSE(ClosesMultiLine("220-a", "220-more\r\n"));
    EXPECT_FALSE(ClosesMultiLine("220-a", "230 other code\r\n"));
    EXPECT_FALSE(ClosesMultiLine("220-a", " 220 indented\r\n"));
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

TEST(FtpText, RepliesAreReadWithinTheirBounds)
{
    struct Case {
        const char* name;
        std::function<std::string(std::size_t)> line;  // the n-th line a server sends
        bool tooLong;
    };
    const std::string longLine(1000, 'x');
    const Case cases[] = {
        {"closed at the last allowed line", [](std::size_t n) { return n < 9999 ? "220-more\r\n" : "220 ready\r\n"; }, false},
        {"multi-line reply that never ends", [](std::size_t) { return "220-more\r\n"; }, true},
        {"free text that never ends", [](std::size_t) { return "hello\r\n"; }, true},
        {"long lines past a mebibyte", [&](std::size_t n) { return n < 2000 ? "220-" + longLine + "\r\n" : "220 ready\r\n"; }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::size_t sent = 0;
        bool refused = false;
        try {
            const auto reply = ReadReplyLines([&] { return c.line(sent++); });
            EXPECT_EQ(reply.back(), "220 ready\r\n");
        } catch (const ReplyTooLong&) {
            refused = true;
        }
        EXPECT_EQ(refused, c.tooLong);
        EXPECT_LE(sent, 10001u);  // never read on past the bounds
    }
}

// Reply lines of both clients: the reply number, the end of a reply per protocol, and the bounds.

#include "net/common/ReplyText.h"

#include <functional>
#include <gtest/gtest.h>
#include <optional>

using namespace replytext;
using namespace std::string_literals;

namespace {

TEST(ReplyText, ReplyNumbersNeedThreeDigitsAndABreak)
{
    const struct {
        const char* line;
        int number;
        bool multiLine;
    } cases[] = {
        {"226 Done\r\n", 226, false},
        {"250 OK", 250, false},
        {"250-first of more", 250, true},
        {"250", 250, false},
        {"220\r\n", 220, false},
        {"220\n", 220, false},
        {"250\tOK", 250, false},
        {"Welcome\r\n", 0, false},
        {"OK fine", 0, false},
        {"", 0, false},
        {"22 short", 0, false},
        {"25 short", 0, false},
        // More digits or none after them is no reply number: "5501" or "2001" would otherwise
        // read as 550 or as a success.
        {"5501 refused", 0, false},
        {"2500 long", 0, false},
        {"250OK", 0, false},
        {"099 low", 0, false},
        {"-250 negative", 0, false},
        {"+221 bye", 0, false},
        {"  \t354 go ahead", 0, false},
        {" 220-Hello", 0, false},  // indented text inside a multi-line reply
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(ReplyNumber(c.line), c.number);
        EXPECT_EQ(OpensReply(c.line), c.number != 0);
        EXPECT_EQ(OpensMultiLine(c.line), c.multiLine);
    }
    EXPECT_TRUE(ClosesMultiLine("220-a", "220 ready\r\n"));
    EXPECT_TRUE(ClosesMultiLine("220-a", "220\r\n"));
    EXPECT_TRUE(ClosesMultiLine("220-a", "220"));
    EXPECT_FALSE(ClosesMultiLine("220-a", "220-more\r\n"));
    EXPECT_FALSE(ClosesMultiLine("220-a", "230 other code\r\n"));
    EXPECT_FALSE(ClosesMultiLine("220-a", " 220 indented\r\n"));
    EXPECT_EQ(WithoutLineEnd("250 ok\r\n"), "250 ok");
    EXPECT_EQ(WithoutLineEnd("250 ok\n"), "250 ok");
    EXPECT_EQ(WithoutLineEnd("250 ok"), "250 ok");
}

TEST(ReplyText, LinesEndAtLfWithinTheirBound)
{
    for (const Protocol protocol : {Protocol::ftp, Protocol::smtp}) {
        SCOPED_TRACE(protocol == Protocol::ftp ? "FTP" : "SMTP");
        const std::size_t max = MaxLineBytes(protocol);
        const std::string full(max, 'x');
        const struct {
            const char* name;
            std::string bytes;
            std::size_t length;  // npos: no whole line yet
            bool refused;
        } cases[] = {
            {"CR LF", "220 a\r\n220 b\r\n", 7, false},
            {"LF alone", "220 a\n220 b", 6, false},
            {"a CR alone does not end a line", "220 a\rb", std::string::npos, false},
            {"nothing yet", "", std::string::npos, false},
            {"one byte short of the bound", full.substr(1), std::string::npos, false},
            {"a line end as the bound's last byte", full.substr(1) + "\n", max, false},
            {"the bound without a line end", full, 0, true},
            {"a line end past the bound", full + "\n", 0, true},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            try {
                EXPECT_EQ(LineLength(protocol, c.bytes), c.length);
                EXPECT_FALSE(c.refused);
            } catch (const BadReply& bad) {
                EXPECT_TRUE(c.refused);
                EXPECT_EQ(bad.why, Refusal::lineTooLong);
            }
        }
    }
}

TEST(ReplyText, EachProtocolEndsAReplyByItsOwnRule)
{
    const std::string nul = "220 re\0ady\r\n"s;
    const std::size_t kMaxLineBytes = MaxLineBytes(Protocol::ftp);
    const std::string fullLine = std::string(kMaxLineBytes - 2, 'x') + "\r\n";
    const std::string longest = "220-" + std::string(kMaxLineBytes - 6, 'x') + "\r\n";
    const struct {
        const char* name;
        Protocol protocol;
        std::function<std::string(std::size_t)> line;  // the n-th line a server sends
        std::vector<std::string> reply;
        std::optional<Refusal> why;
    } cases[] = {
        {"FTP one line", Protocol::ftp, [](std::size_t) { return "200 ok\r\n"; }, {"200 ok\r\n"}, std::nullopt},
        {"FTP free text first", Protocol::ftp,
         [](std::size_t n) { return n < 2 ? "Welcome\r\n" : "220 ready\n"; }, {"220 ready\n"}, std::nullopt},
        {"FTP multi-line to the same digits and a blank", Protocol::ftp,
         [](std::size_t n) { return std::vector<std::string>{"211-Features\r\n", " 211 indented\r\n",
                                                             "211-more\r\n", "230 other\r\n", "211 End\r\n"}[n]; },
         {"211-Features\r\n", " 211 indented\r\n", "211-more\r\n", "230 other\r\n", "211 End\r\n"}, std::nullopt},
        {"FTP multi-line reply that never ends", Protocol::ftp, [](std::size_t) { return "220-more\r\n"; }, {},
         Refusal::tooLong},
        {"FTP free text that never ends", Protocol::ftp, [](std::size_t) { return "hello\r\n"; }, {},
         Refusal::tooLong},
        {"FTP long lines past a mebibyte", Protocol::ftp, [&](std::size_t) { return longest; }, {},
         Refusal::tooLong},
        {"FTP NUL", Protocol::ftp, [&](std::size_t) { return nul; }, {}, Refusal::nul},
        {"FTP NUL in free text", Protocol::ftp, [](std::size_t) { return "hi\0\r\n"s; }, {},
         Refusal::nul},
        {"FTP a line past its bound", Protocol::ftp, [&](std::size_t) { return "220 " + fullLine; }, {},
         Refusal::lineTooLong},
        {"FTP a piece of the bound without a line end", Protocol::ftp,
         [&](std::size_t) { return std::string(kMaxLineBytes, 'x'); }, {}, Refusal::lineTooLong},
        {"FTP a last line without a line end", Protocol::ftp, [](std::size_t) { return "221 bye"; }, {"221 bye"},
         std::nullopt},
        {"SMTP continuation lines", Protocol::smtp,
         [](std::size_t n) { return n < 2 ? "250-ext\r\n" : "250 done\n"; },
         {"250-ext\r\n", "250-ext\r\n", "250 done\n"}, std::nullopt},
        {"SMTP a line without a number ends the reply", Protocol::smtp,
         [](std::size_t n) { return n < 1 ? "250-ext\r\n" : "hello\r\n"; }, {"250-ext\r\n", "hello\r\n"}, std::nullopt},
        {"SMTP another number ends it too", Protocol::smtp,
         [](std::size_t n) { return n < 1 ? "250-ext\r\n" : "251 x\r\n"; }, {"250-ext\r\n", "251 x\r\n"}, std::nullopt},
        {"SMTP endless continuation", Protocol::smtp, [](std::size_t) { return "220-more\r\n"; }, {},
         Refusal::tooLong},
        {"SMTP NUL", Protocol::smtp, [&](std::size_t) { return nul; }, {}, Refusal::nul},
        {"SMTP a line past its bound", Protocol::smtp, [&](std::size_t) { return "250 " + fullLine; }, {},
         Refusal::lineTooLong},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::size_t sent = 0;
        std::optional<Refusal> refused;
        std::vector<std::string> reply;
        try {
            reply = ReadReplyLines(c.protocol, [&] { return c.line(sent++); });
        } catch (const BadReply& bad) {
            refused = bad.why;
        }
        EXPECT_LE(sent, kMaxReplyLines + 1);  // never read on past the bounds
        EXPECT_EQ(refused, c.why);
        if (!c.why) {
            EXPECT_EQ(reply, c.reply);
        }
    }
}

TEST(ReplyText, TheLongestAllowedReplyIsRead)
{
    std::size_t sent = 0;
    const auto reply = ReadReplyLines(Protocol::ftp, [&] { return ++sent < kMaxReplyLines ? "220-more\r\n" : "220 ready\r\n"; });
    EXPECT_EQ(reply.size(), kMaxReplyLines);
    EXPECT_EQ(reply.back(), "220 ready\r\n");
}

TEST(ReplyText, AReaderGoesOnWithTheNextReply)
{
    ReplyReader reader(Protocol::smtp);
    EXPECT_FALSE(reader.Add("250-a\r\n"));
    EXPECT_TRUE(reader.Add("250 b\r\n"));
    EXPECT_EQ(reader.TakeLines(), (std::vector<std::string>{"250-a\r\n", "250 b\r\n"}));
    // Each reply has its own bounds: many short replies are no flood.
    for (std::size_t i = 0; i < 2 * kMaxReplyLines; ++i) {
        ASSERT_TRUE(reader.Add("250 ok\r\n"));
        reader.Reset();
    }
    EXPECT_TRUE(reader.Lines().empty());
    EXPECT_EQ(RefusalText(Refusal::tooLong), "Reply too long");
    EXPECT_EQ(RefusalText(Refusal::lineTooLong), "Reply line too long");
    EXPECT_EQ(RefusalText(Refusal::nul), "Invalid reply line");
}

}  // namespace

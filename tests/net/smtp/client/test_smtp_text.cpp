// The mail client's text rules: wire lines, addresses, parameters and base64.
#include "net/smtp/client/SmtpText.h"

#include <gtest/gtest.h>

namespace {

TEST(SmtpText, WireLinesSplitWrapAndStuff)
{
    const std::string a998(998, 'a'), a1200(1200, 'a');
    const std::string dot1200 = "." + std::string(1199, 'b');
    struct Case {
        std::string text;
        bool fold;
        std::string wire;
    } cases[] = {
        {"", false, "\r\n"},
        {"plain", false, "plain\r\n"},
        {".x", false, "..x\r\n"},
        {".", false, "..\r\n"},
        {"one\rtwo\nthree\r\nfour", false, "one\r\ntwo\r\nthree\r\nfour\r\n"},
        {"a\r\r.b\r", false, "a\r\n\r\n..b\r\n"},
        {"\r\n", false, "\r\n"},
        {a998, false, a998 + "\r\n"},
        {a1200, false, a998 + "\r\n" + std::string(202, 'a') + "\r\n"},
        // The stuffed dot counts towards the limit; a wrapped piece starting with "." is stuffed too.
        {dot1200, false, "." + dot1200.substr(0, 997) + "\r\n" + dot1200.substr(997) + "\r\n"},
        {std::string(998, 'c') + ".d", false, std::string(998, 'c') + "\r\n..d\r\n"},
        // Header lines fold: the rest goes on after a blank.
        {"Subject: " + a1200, true,
         "Subject: " + std::string(989, 'a') + "\r\n " + std::string(211, 'a') + "\r\n"},
        {"From: x\r\nXMailer: y", true, "From: x\r\nXMailer: y\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        std::string out;
        smtptext::AppendWireLines(out, c.text, c.fold);
        EXPECT_EQ(out, c.wire);
        for (std::size_t pos = 0, end; (end = out.find("\r\n", pos)) != std::string::npos; pos = end + 2)
            EXPECT_LE(end - pos, smtptext::kMaxLineLength);
    }
}

TEST(SmtpText, AddressesHeadersAndParameters)
{
    EXPECT_EQ(smtptext::EnvelopeAddress("  a@x.test "), "a@x.test");
    EXPECT_EQ(smtptext::EnvelopeAddress("FTP Script EXE - trevask <me@x.test>"), "me@x.test");
    EXPECT_EQ(smtptext::EnvelopeAddress("Odd <name> <me@x.test>"), "me@x.test");
    EXPECT_EQ(smtptext::EnvelopeAddress("broken <me@x.test"), "broken <me@x.test");
    EXPECT_EQ(smtptext::EnvelopeAddress(""), "");

    EXPECT_EQ(smtptext::HeaderValue("Hi\r\nBcc: evil@x"), "Hi  Bcc: evil@x");
    EXPECT_TRUE(smtptext::BreaksLine("a\rb"));
    EXPECT_TRUE(smtptext::BreaksLine("a\nb"));
    EXPECT_TRUE(smtptext::BreaksLine(std::string("a\0b", 3)));
    EXPECT_FALSE(smtptext::BreaksLine("a b\t"));

    EXPECT_EQ(smtptext::QuotedParameter("report.txt"), "\"report.txt\"");
    EXPECT_EQ(smtptext::QuotedParameter("we\"ird\\name"), "\"we\\\"ird\\\\name\"");
    EXPECT_EQ(smtptext::QuotedParameter("tab\there\x7f"), "\"tab_here_\"");
}

TEST(SmtpText, Base64)
{
    struct Case {
        std::string bytes, text;
    } cases[] = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foobar", "Zm9vYmFy"},
        {std::string("\0\xff\xfe", 3), "AP/+"},
    };
    for (const auto& c : cases) EXPECT_EQ(smtptext::Base64(c.bytes), c.text);
}

}  // namespace

namespace {

// Header texts that are not ASCII become encoded words of whole characters, each within 75
// characters; names with specials are quoted; a body's charset is the one its bytes are in.
TEST(SmtpText, EncodedWordsMailboxesAndCharsets)
{
    struct Case {
        std::string text, words;
    } words[] = {
        {"Plain subject", "Plain subject"},
        {"", ""},
        {"Gr\xC3\xBC\xC3\x9F" "e", "=?UTF-8?B?R3LDvMOfZQ==?="},
        {"Gr\xFC\xDF" "e", "=?ISO-8859-1?B?R3L832U=?="},
    };
    for (const auto& c : words) EXPECT_EQ(smtptext::EncodedWords(c.text), c.words) << c.text;

    // 44 ASCII bytes then a two-byte character: the character goes whole into the second word.
    const std::string long_ = std::string(44, 'a') + "\xC3\xA9" + "b";
    const std::string encoded = smtptext::EncodedWords(long_);
    EXPECT_EQ(encoded, "=?UTF-8?B?" + smtptext::Base64(std::string(44, 'a')) + "?=\r\n =?UTF-8?B?" +
                           smtptext::Base64("\xC3\xA9" "b") + "?=");
    for (std::size_t from = 0, end; from < encoded.size(); from = end + 3) {
        end = encoded.find("\r\n ", from);
        if (end == std::string::npos) end = encoded.size();
        EXPECT_LE(end - from, 75u);
    }

    struct Box {
        const char* text;
        const char* shown;
    } boxes[] = {
        {"ann@example.org", "ann@example.org"},
        {"Cid Copy <cid@example.org>", "Cid Copy <cid@example.org>"},
        {" <cid@example.org>", "<cid@example.org>"},
        {"Smith, John <js@example.org>", "\"Smith, John\" <js@example.org>"},
        {"Say \"hi\". <q@example.org>", "\"Say \\\"hi\\\".\" <q@example.org>"},
        {"\"Already, quoted\" <q@example.org>", "\"Already, quoted\" <q@example.org>"},
        {"J\xC3\xBCrgen <j@example.org>", "=?UTF-8?B?SsO8cmdlbg==?= <j@example.org>"},
    };
    for (const auto& b : boxes) EXPECT_EQ(smtptext::Mailbox(b.text), b.shown) << b.text;

    EXPECT_EQ(smtptext::BodyCharset("plain"), "iso-8859-1");
    EXPECT_EQ(smtptext::BodyCharset("caf\xC3\xA9"), "utf-8");
    EXPECT_EQ(smtptext::BodyCharset("caf\xE9"), "iso-8859-1");
    EXPECT_FALSE(smtptext::EightBit("plain"));
    EXPECT_TRUE(smtptext::EightBit("caf\xE9"));
}

}  // namespace

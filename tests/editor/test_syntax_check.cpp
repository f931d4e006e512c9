#include "editor/SyntaxCheck.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const std::vector<std::string> kPhoneBook = {"Office VPN", "home"};

}  // namespace

TEST(SyntaxCheck, FirstBadLineOfAScript)
{
    constexpr int kNone = -1;
    const struct {
        const char* name;
        std::vector<std::string> lines;
        int line;
        const char* message;
    } cases[] = {
        {"empty script", {}, kNone, ""},
        {"comments, labels and empty lines", {"; note", "", "   ", ":Start", "  ;indented", "\t:Again"}, kNone, ""},
        {"bare get", {"; x", "get"}, 1, ""},
        {"get with arguments", {"get a b"}, kNone, ""},
        {"get with a blank only", {"GET   "}, 0, ""},
        {"lower case and leading blanks", {"  host=ftp.example", "\tconnect"}, kNone, ""},
        {"first of two bad lines", {"HOST=x", "TRANSTIMEOUT=5", "SHOWDIALOGS"}, 1, ""},
        {"argument commands need a blank", {"LET A=1", "LETTER"}, 1, ""},
        {"bare if", {"IF"}, 0, ""},
        {"prefix accepts what follows", {"DIALUP", "CONNECTED", "REMOTE-CDX", "REMOTE-EXISTS("}, kNone, ""},
        {"known dial entry", {"DialEntry=\"Office VPN\""}, kNone, ""},
        {"known dial entry after blanks", {"DIALENTRY=   home"}, kNone, ""},
        {"unknown dial entry", {"DIAL", "DIALENTRY=\"Other\""}, 1, "Dial entry not found!"},
        {"dial entry in another case", {"dialentry=\"office vpn\""}, 0, "Dial entry not found!"},
        {"empty dial entry", {"DialEntry=\"\""}, 0, "Dial entry not found!"},
        {"bad line before a bad entry", {"nonsense", "DIALENTRY=\"Other\""}, 0, ""},
        {"8-bit word", {"\xE9tape"}, 0, ""},
    };
    for (const auto& c : cases) {
        const auto got = SyntaxCheck(c.lines, kPhoneBook);
        if (c.line == kNone) {
            EXPECT_FALSE(got.has_value()) << c.name << ": line " << (got ? got->line : 0);
            continue;
        }
        ASSERT_TRUE(got.has_value()) << c.name;
        EXPECT_EQ(got->line, std::size_t(c.line)) << c.name;
        EXPECT_EQ(got->message, c.message) << c.name;
    }
}

TEST(SyntaxCheck, AnEntryNamedEmptyPassesTheEmptyDialEntry)
{
    EXPECT_FALSE(SyntaxCheck({"DialEntry=\"\""}, {"a", ""}).has_value());
    EXPECT_EQ(FindDialEntry({"a", "", "a"}, "a"), 0);
    EXPECT_EQ(FindDialEntry({"a", "", "a"}, ""), 1);
    EXPECT_EQ(FindDialEntry({"a"}, "A"), -1);
}

TEST(SyntaxCheck, ReportTexts)
{
    EXPECT_EQ(SyntaxCheckReport(std::nullopt, ""),
              "No errors found in script!\n\nNote: Command parameters are not validated.\n"
              "Try executing the script for such validations!");
    EXPECT_EQ(SyntaxCheckReport(SyntaxError{3, ""}, "  get"),
              "Errors occured in this line:\n\n  get\n\nPlease correct and try again!");
    EXPECT_EQ(SyntaxCheckReport(SyntaxError{0, "Dial entry not found!"}, "DialEntry=\"\""),
              "Error found: Dial entry not found!\n\nDialEntry=\"\"\n\nPlease correct and try again!");
}

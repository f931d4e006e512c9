#include "editor/SyntaxCheck.h"

#include "script/CommandWords.h"

#include <cctype>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
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
        {"first of two bad lines", {"HOST=x", "GETX a b", "SHOWDIALOGSX"}, 1, ""},
        {"settings the runner performs", {"TRANSTIMEOUT=5", "SHOWDIALOGS", "NoDialogs"}, kNone, ""},
        {"frame words", {"ALLPARAMS SEND \"%%ALLPAR%%\"", "#include \"a.inc\"", "ENDIF"}, kNone, ""},
        {"bare gettree", {"GETTREE"}, 0, ""},
        {"bare allparams", {"ALLPARAMS"}, 0, ""},
        {"argument commands need a blank", {"LET A=1", "LETTER"}, 1, ""},
        {"bare if", {"IF"}, 0, ""},
        {"prefix accepts what follows", {"DIALUP", "CONNECTED", "REMOTE-CDX", "LOCAL-CDX", "REMOTE-EXISTS("}, kNone, ""},
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

// Every word the runner dispatches on passes, written as a user would (lower case, an argument).
TEST(SyntaxCheck, EveryRunnerWordPasses)
{
    for (const CommandWord& w : CommandWords()) {
        std::string line(w.prefix);
        for (char& c : line) c = char(std::tolower(static_cast<unsigned char>(c)));
        line += "x";
        if (w.cmd == Cmd::DialEntry) continue;  // needs a phone-book entry, covered above
        EXPECT_FALSE(SyntaxCheck({line}, kPhoneBook).has_value()) << line;
    }
}

TEST(SyntaxCheck, TheShippedExamplesPass)
{
    for (const char* name : {"Example.ftp", "FtpExample.ftp", "MailExample.ftp", "Settings.inc.ftp"}) {
        std::ifstream in(std::string(VANTREL_SOURCE_DIR) + "/examples/Scripts/" + name, std::ios::binary);
        ASSERT_TRUE(in) << name;
        std::vector<std::string> lines;
        for (std::string l; std::getline(in, l);) {
            if (!l.empty() && l.back() == '\r') l.pop_back();
            lines.push_back(l);
        }
        const auto got = SyntaxCheck(lines, kPhoneBook);
        EXPECT_FALSE(got.has_value()) << name << ": " << (got ? lines[got->line] : "");
    }
}

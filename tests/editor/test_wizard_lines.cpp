#include "editor/WizardLines.h"

#include <gtest/gtest.h>

using namespace wizard;

namespace {

struct LineCase {
    int item;
    std::vector<std::string> fields;
    std::string line;  // empty: Submit adds nothing
};

// Every item once with filled fields, and the guards with empty ones.
const LineCase kLines[] = {
    {0, {"/pub"}, "Remote-CD \"/pub\""},
    {0, {""}, ""},
    {1, {"/tmp/a b"}, "Local-CD \"/tmp/a b\""},
    {1, {"\"/tmp/a b\""}, "Local-CD \"/tmp/a b\""},
    {1, {""}, ""},
    {2, {}, "ASCII"},
    {3, {}, "BINARY"},
    {4, {}, "FORCELOWERON"},
    {5, {}, "FORCEUPPERON"},
    {6, {}, "FORCELOWEROFF"},
    {7, {}, "FORCEUPPEROFF"},
    {8, {"\"/home/u/a b.txt\"", "dest.txt"}, "send \"/home/u/a b.txt\" \"dest.txt\""},
    {8, {"\"/home/u/a b.txt\"", ""}, "send \"/home/u/a b.txt\" \"a b.txt\""},
    {8, {"/home/u/x.txt", "\"y.txt\""}, "send \"/home/u/x.txt\" \"y.txt\""},
    {8, {"", "dest.txt"}, ""},
    {9, {"/pub/r.bin", "\"/tmp/l.bin\""}, "get \"/pub/r.bin\" \"/tmp/l.bin\""},
    {9, {"/pub/dir/r.bin", ""}, "get \"/pub/dir/r.bin\" \"r.bin\""},
    {9, {"\"/pub/q.bin\"", ""}, "get \"/pub/q.bin\" \"q.bin\""},
    {9, {"", "/tmp/l.bin"}, ""},
    {10, {"old.txt"}, "Remote-Delete \"old.txt\""},
    {10, {""}, ""},
    {11, {"\"/tmp/x\""}, "Local-Delete \"/tmp/x\""},
    {11, {""}, ""},
    {12, {"a", "b"}, "Remote-Rename \"a\" \"b\""},
    {12, {"a", ""}, ""},
    {12, {"", "b"}, ""},
    {13, {"\"/tmp/a\"", "/tmp/b"}, "Local-Rename \"/tmp/a\" \"/tmp/b\""},
    {13, {"/tmp/a", ""}, ""},
    {14, {"run.sh"}, "Remote-Exec \"run.sh\""},
    {14, {""}, ""},
    {15, {"/bin/true"}, "Local-Exec \"/bin/true\""},
    {15, {""}, ""},
    {16, {"\"/bin/true\""}, "Local-ExecAndWait \"/bin/true\""},
    {16, {""}, ""},
    {17, {"/l/*.*", "/r"}, "SendIfNewer \"/l/*.*\" \"/r\""},
    {17, {"", "/r"}, ""},
    {18, {"/l/*.*", ""}, "SendIfOlder \"/l/*.*\" \"\""},
    {18, {"", "/r"}, ""},
    {19, {"\"*.txt\"", "\"/l\""}, "GetIfNewer \"*.txt\" \"/l\""},
    {19, {"", "/l"}, ""},
    {20, {"*.txt", "/l"}, "GetIfOlder \"*.txt\" \"/l\""},
    {20, {"", "/l"}, ""},
    {21, {"/l", "/r"}, "SendTree \"/l\" \"/r\""},
    {21, {"", "/r"}, ""},
    {22, {"/r", "/l"}, "GetTree \"/r\" \"/l\""},
    {22, {"", "/l"}, ""},
    {23, {"/tmp/flag"}, "WaitForFile \"/tmp/flag\""},
    {23, {""}, ""},
    {24, {"2.9"}, "WaitSeconds \"2\""},
    {24, {"0.5"}, ""},
    {24, {"7"}, "WaitSeconds \"7\""},
    {24, {"x"}, ""},
    {25, {"/tmp/new"}, "Local-MD \"/tmp/new\""},
    {25, {""}, ""},
    {26, {"new"}, "Remote-MD \"new\""},
    {26, {""}, ""},
    {27, {"/a/*.*", "/b"}, "Local-Copy \"/a/*.*\" \"/b\""},
    {27, {"", "/b"}, ""},
    {28, {"Jump1"}, ":Jump1"},
    {28, {""}, ""},
    {29, {"Jump1"}, " Goto \"Jump1\""},
    {29, {""}, ""},
    {30, {"UNIX"}, " ServerType=\"UNIX\""},
    {30, {"<Auto Detect>"}, " ServerType=\"<Auto Detect>\""},
    {30, {""}, ""},
    {31, {}, "ALLPARAMS SEND \"%%ALLPAR%%\" \"%%NAMEPAR%%\""},
    {32, {"a", "b"}, "Resume-Send \"a\" \"b\""},
    {32, {"", "b"}, ""},
    {33, {"a", "b"}, "Resume-Get \"a\" \"b\""},
    {33, {"", "b"}, ""},
    {34, {"a", "b"}, "Append-Send \"a\" \"b\""},
    {34, {"", "b"}, ""},
    {35, {"a", "b"}, "Append-Get \"a\" \"b\""},
    {35, {"", "b"}, ""},
};

}  // namespace

TEST(WizardLines, EachItemBuildsItsLineOrNothingWhenItsGuardIsEmpty)
{
    std::vector<bool> seen(CommandCount);
    for (const LineCase& c : kLines) {
        SCOPED_TRACE("item " + std::to_string(c.item));
        seen[static_cast<std::size_t>(c.item)] = true;
        const std::vector<std::string> lines = SubmitLines(c.item, c.fields);
        if (c.line.empty()) {
            EXPECT_TRUE(lines.empty());
            continue;
        }
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0], std::string("; ") + CommandItems()[static_cast<std::size_t>(c.item)].caption);
        EXPECT_EQ(lines[1], c.line);
    }
    for (int i = 0; i < CommandCount; ++i) EXPECT_TRUE(seen[static_cast<std::size_t>(i)]) << "item " << i;
    EXPECT_TRUE(SubmitLines(-1, {}).empty());
    EXPECT_TRUE(SubmitLines(CommandCount, {}).empty());
}

TEST(WizardLines, ItemsKeepTheirCaptionsAndPageDefaults)
{
    const auto& items = CommandItems();
    EXPECT_STREQ(items[0].caption, "Change remote working directory");
    EXPECT_STREQ(items[28].caption, "Add a \"Jump-To-Label\"");
    EXPECT_STREQ(items[35].caption, "Append downloading a file");
    EXPECT_STREQ(items[28].fields[0].defaultText, "Jump1");
    EXPECT_STREQ(items[30].fields[0].defaultText, "<Auto Detect>");
    EXPECT_STREQ(items[9].fields[0].caption, "Filename to get from host::");
    for (int i : {0, 1, 8, 9, 10, 11, 12, 13, 14, 15, 16}) EXPECT_TRUE(items[static_cast<std::size_t>(i)].clearOnChoose) << i;
    EXPECT_FALSE(items[17].clearOnChoose);
    EXPECT_EQ(ServerTypeNames().size(), 12u);
}

TEST(WizardLines, NamePartKeepsSlashesAndDropsQuotes)
{
    EXPECT_EQ(NamePart("\"/a/b c.txt\""), "b c.txt");
    EXPECT_EQ(NamePart("plain"), "plain");
    EXPECT_EQ(NamePart("dir\\x"), "dir\\x");
    EXPECT_EQ(WholeSeconds("-3.7"), -3);
}

namespace {

ScriptSettings filled()
{
    ScriptSettings s;
    s.description = {"Nightly upload", "of the logs"};
    s.dialEntry = "Office";
    s.dialUser = "du";
    s.dialPassword = "dp";
    s.host = "127.0.0.1";
    s.port = "2121";
    s.user = "anonymous";
    s.password = "me@example.org";
    s.timeout = "60";
    s.proxy = "proxy.lan";
    s.proxyPort = "8021";
    s.commands = {"; Change to BINARY transfer", "BINARY"};
    return s;
}

}  // namespace

TEST(WizardLines, FinishWritesTheWholeScript)
{
    struct Case {
        const char* name;
        bool noDialUp, useProxy;
        std::vector<std::string> expected;
    };
    const std::string S = "; ------";
    const std::vector<std::string> dial = {"; Dial up to ISP:", "DialEntry=\"Office\"", "DialLoginUser=\"du\"",
                                           "DialLoginPassword=\"dp\"", S};
    const std::vector<std::string> host = {"Host=\"127.0.0.1\"", "Port=\"2121\"", "User=\"anonymous\"",
                                           "Password=\"me@example.org\"", "Timeout=60", S};
    const std::vector<std::string> proxy = {"Proxy=\"proxy.lan\"", "ProxyPort=\"8021\"", S};
    const std::vector<std::string> dialNow = {"; ******* ...Dial up if not already connected to the Internet...", "Dial", S};
    const std::vector<std::string> body = {"; *******  Connect to FTP host...", "connect", S,
                                           "; *******  Command sequence...", "; Change to BINARY transfer", "BINARY", S,
                                           "; *******  Afterwards, disconnect from host!", "disconnect", ""};
    const std::vector<std::string> hangup = {"; *******  At last, Hangup Internet connection!", "Hangup", S};
    const std::vector<std::string> end = {S, "; Script ends!"};
    const auto join = [](std::initializer_list<std::vector<std::string>> parts) {
        std::vector<std::string> out;
        for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
        return out;
    };
    const std::vector<std::string> head = {"; Nightly upload", "; of the logs", S};
    const Case cases[] = {
        {"dial and proxy", false, true, join({head, dial, host, proxy, dialNow, body, hangup, end})},
        {"dial, no proxy", false, false, join({head, dial, host, dialNow, body, hangup, end})},
        {"no dial, proxy", true, true, join({head, host, proxy, body, end})},
        {"no dial, no proxy", true, false, join({head, host, body, end})},
        {"dial without an entry", false, false, join({head, host, body, end})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptSettings s = filled();
        if (std::string_view(c.name) == "dial without an entry") s.dialEntry.clear();
        s.noDialUp = c.noDialUp;
        s.useProxy = c.useProxy;
        EXPECT_EQ(FinishLines(s), c.expected);
    }
}

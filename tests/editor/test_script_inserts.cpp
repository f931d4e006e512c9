#include "editor/EditorKeywords.h"
#include "editor/ScriptInserts.h"
#include "editor/SyntaxCheck.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

TEST(ServerMenu, OpensOnlyOnABareServerTypeLine)
{
    const struct {
        const char* line;
        bool opens;
    } cases[] = {
        {"SERVERTYPE=", true},      {"servertype=", true},        {"  server type = ", true},
        {"S e r v e r T y p e =", true}, {"SERVERTYPE=x", false},  {"SERVERTYPE=\"\"", false},
        {"SERVERTYPE", false},      {"; SERVERTYPE=", false},     {"\tSERVERTYPE=", false},
        {"", false},                {"XSERVERTYPE=", false},
    };
    for (const auto& c : cases) EXPECT_EQ(OpensServerMenu(c.line), c.opens) << c.line;
}

TEST(ServerMenu, ChosenTypeRewritesTheLine)
{
    const struct {
        const char* line;
        int tag;
        const char* result;
    } cases[] = {
        {"SERVERTYPE=", 4, "SERVERTYPE=\"VMSUCX\""},
        {"  server type = ", 0, "  server type =\"Auto\""},
        {"SERVERTYPE=\"UNIX\"", 11, "SERVERTYPE=\"HP3000\""},
        {"a=b=c", 2, "a=\"NT/Dos\""},
        {"no equals sign", 6, "\"Mac\""},
        {"SERVERTYPE=", 12, "SERVERTYPE="},
        {"SERVERTYPE=", -1, "SERVERTYPE="},
    };
    for (const auto& c : cases) EXPECT_EQ(ServerTypeLine(c.line, c.tag), c.result) << c.line << " " << c.tag;
}

TEST(ServerMenu, ItemsAndTheirTags)
{
    std::vector<int> tags;
    for (const ServerMenuItem& item : ServerMenuItems()) tags.push_back(item.tag);
    EXPECT_EQ(tags, (std::vector<int>{0, -1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    EXPECT_EQ(ServerMenuItems()[0].caption, "&Automatix detect");
    EXPECT_EQ(ServerMenuItems()[5].caption, "VMS UCX");
    ASSERT_EQ(ServerTypeChoices().size(), 12u);
    EXPECT_EQ(ServerTypeChoices()[0], "Automatic detect");
}

TEST(CommandTemplates, CountOrderAndBlanks)
{
    const auto t = CommandTemplates();
    ASSERT_EQ(t.size(), 66u);
    EXPECT_EQ(t[0], "HOST=\"<ftp server name>\"");
    EXPECT_EQ(t[10], "GET \"<remote>\"  \"<local>\"");
    EXPECT_EQ(t[13], "SENDTREE \"<local folder and wildcards>\" \"<remote destination folder>\" ");
    EXPECT_EQ(t[27], "REMOTE-CD \"<remote directory>\"  ");
    EXPECT_EQ(t[65], "FORCEUPPEROFF");
    EXPECT_EQ(std::set<std::string_view>(t.begin(), t.end()).size(), t.size());
    // Every template but the dial entry placeholder passes the check as it stands.
    for (std::size_t i = 0; i < t.size(); ++i) {
        const auto error = SyntaxCheck({std::string(t[i])}, {"<name of your dial entry>"});
        EXPECT_FALSE(error.has_value()) << t[i];
    }
}

TEST(DefaultScript, ExactLines)
{
    const std::vector<std::string_view> expected = {
        "; ******* First provide the Login information...",
        "",
        "; To dial up first, remove the \";\" before DialEntry, DialLoginUser, DialLoginPassword, Dial and Hangup.",
        "; DialEntry=\"\"",
        "; DialLoginUser=\"\"",
        "; DialLoginPassword=\"\"",
        "Host=\"\"",
        "Port=21",
        "User=\"anonymous\"",
        "Password=\"\"",
        "; Proxy=\"\"",
        "; ProxyPort=21",
        "",
        "; ******* Timeout in seconds...",
        "Timeout=60",
        "",
        "; ******* ...Dial up if not already connected to the Internet...",
        "; Dial",
        "",
        "; *******  ...and then connect to FTP host...",
        "connect",
        "",
        "; *******  Command sequence...",
        "; *******  REMEMBER: USE BINARY AND/OR ASCII depending on filetypes...",
        "; An example sequence:",
        ";    remote-cd  \"/ftp/pub\"",
        ";    ascii",
        ";    send \"/home/user/xxx.dat\"  \"xxxnew.dat\"",
        ";    binary",
        ";    get \"xxx.dat\" \"/home/user/xxx.dat\"",
        ";    chmod 755  \"xxxnew.dat\"",
        ";    remote-delete \"xxx.dat\"",
        ";    remote-rename \"xxxnew.dat\" \"xxx.dat\"",
        ";    if local-exists(\"/home/user/myfile.doc\") then",
        ";       local-delete \"/home/user/myfile.doc\"",
        ";    endif",
        ";    if remote-exists(\"/ftp/pub/myfile.doc\") then",
        ";       get \"/ftp/pub/myfile.doc\" \"/home/user/myfile.doc\"",
        ";       remote-delete \"/ftp/pub/myfile.doc\"",
        ";    endif",
        "",
        "; *******  Afterwards, disconnect from host!",
        "disconnect",
        "",
        "; *******  At last, Hangup Internet connection!",
        "; Hangup",
        "",
    };
    const auto lines = DefaultScriptLines();
    ASSERT_EQ(lines.size(), 47u);
    EXPECT_EQ(std::vector<std::string_view>(lines.begin(), lines.end()), expected);
    // Its dial lines wait, commented out, so it passes the check without a phone book.
    const std::vector<std::string> script(lines.begin(), lines.end());
    const auto error = SyntaxCheck(script, {});
    EXPECT_FALSE(error.has_value()) << script[error ? error->line : 0];
}

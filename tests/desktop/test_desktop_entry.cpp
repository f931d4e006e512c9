#include "desktop/DesktopEntry.h"

#include <gtest/gtest.h>

using namespace xdg;

TEST(DesktopEntry, StringValuesEscapeAndReadBack)
{
    const struct {
        const char *text, *stored;
    } cases[] = {
        {"plain [ ] 100%", "plain [ ] 100%"},
        {"back\\slash", "back\\\\slash"},
        {"two\nlines\tand\rcr", "two\\nlines\\tand\\rcr"},
        {" blanks at both ends ", "\\sblanks at both ends\\s"},
        {"Überweisung é", "Überweisung é"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(escapeValue(c.text), c.stored) << c.text;
        KeyFile file;
        file.parse("[G]\nKey = " + escapeValue(c.text) + "\n");
        EXPECT_EQ(file.readString("G", "Key").value_or("<none>"), c.text) << c.text;
    }
    EXPECT_EQ(unescapeValue("a\\qb\\"), "a\\qb\\");  // unknown escapes stay
}

TEST(DesktopEntry, ListValuesSplitAtUnescapedSemicolons)
{
    EXPECT_EQ(listItems("a.desktop;b\\;c.desktop;"), (std::vector<std::string>{"a.desktop", "b;c.desktop"}));
    EXPECT_EQ(listItems("one"), std::vector<std::string>{"one"});
    EXPECT_TRUE(listItems("").empty());
    EXPECT_EQ(listValue({"a;b", "c"}), "a\\;b;c;");
    EXPECT_EQ(listItems(listValue({"x\\y", "z"})), (std::vector<std::string>{"x\\y", "z"}));
}

TEST(DesktopEntry, ExecCommandsQuoteWhatTheRulesReserve)
{
    const struct {
        std::vector<std::string> args;
        const char* field;
        const char* exec;
    } cases[] = {
        {{"/usr/bin/prog", "x"}, "%f", "/usr/bin/prog x %f"},
        {{"/opt/My Programs/Trevask"}, "%f", "\"/opt/My Programs/Trevask\" %f"},
        {{"/bin/p", "100%"}, "", "/bin/p 100%%"},
        {{"/bin/p", "%f"}, "%f", "/bin/p %%f %f"},
        {{"/bin/p", "$HOME `x` \"q\" \\"}, "", "/bin/p \"\\$HOME \\`x\\` \\\"q\\\" \\\\\""},
        {{"/bin/p", ""}, "", "/bin/p \"\""},
        {{"/bin/p", "[a b]", "50% off"}, "%F", "/bin/p \"[a b]\" \"50%% off\" %F"},
    };
    for (const auto& c : cases) {
        const std::string exec = execCommand(c.args, c.field);
        EXPECT_EQ(exec, c.exec);
        const auto parts = execArguments(exec);
        ASSERT_TRUE(parts) << exec;
        EXPECT_EQ(parts->args, c.args) << exec;
        EXPECT_EQ(parts->fields, *c.field ? std::vector<std::string>{c.field} : std::vector<std::string>{}) << exec;
    }
}

TEST(DesktopEntry, ExecArgumentsOfEntriesWrittenElsewhere)
{
    const auto parts = execArguments("prog 'single quoted' un\\ quoted \"%f\" %U");
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->args, (std::vector<std::string>{"prog", "single quoted", "un quoted", "%f"}));
    EXPECT_EQ(parts->fields, std::vector<std::string>{"%U"});
    EXPECT_FALSE(execArguments("prog \"unclosed"));
    EXPECT_FALSE(execArguments("prog 'unclosed"));
}

TEST(DesktopEntry, KeyFilesKeepOtherLinesAndAddKeysToTheirGroup)
{
    KeyFile file;
    file.parse("# comment\n[First]\nA=1\n\n[Second]\nB=2\n");
    file.setValue("First", "C", "3");
    file.setValue("Second", "B", "4");
    file.setValue("Third", "D", "5");
    EXPECT_EQ(file.text(), "# comment\n[First]\nA=1\nC=3\n\n[Second]\nB=4\n[Third]\nD=5\n");
    EXPECT_FALSE(file.value("first", "A"));  // groups and keys compare exactly
    EXPECT_FALSE(file.value("First", "B"));
}

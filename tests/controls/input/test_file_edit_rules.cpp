#include "controls/input/FileEditRules.h"

#include <gtest/gtest.h>

using namespace fileedit;

TEST(FileEditRules, NamesWithBlanksAreQuotedAndReadBack)
{
    const auto none = [](const std::string&) { return false; };
    struct Row {
        const char* name;
        const char* text;
    };
    const Row rows[] = {
        {"/tmp/My Files/a.txt", "\"/tmp/My Files/a.txt\""},
        {"/tmp/plain.txt", "/tmp/plain.txt"},
        {"\"/tmp/a b\" already", "\"/tmp/a b\" already"},  // begins with a quote: as it is
        {"", ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(QuotedName(row.name), row.text) << row.name;
        if (row.name[0] != '"') {
            EXPECT_EQ(ClipFileName(QuotedName(row.name), none), row.name) << row.name;
        }
    }
    // An existing file is taken whole, blanks and all; other text by its first token.
    EXPECT_EQ(ClipFileName("/tmp/a b.txt", [](const std::string& n) { return n == "/tmp/a b.txt"; }), "/tmp/a b.txt");
    EXPECT_EQ(ClipFileName("/tmp/a b.txt", none), "/tmp/a");
    EXPECT_EQ(ClipFileName("\"/x/y z\" -p", none), "/x/y z");
}

TEST(FileEditRules, FiltersInQtForm)
{
    struct Row {
        const char* filter;
        const char* qt;
    };
    const Row rows[] = {
        {"All files (*.*)|*.*", "All files (*)"},
        {"Scripts|*.ftp;*.txt|All|*.*", "Scripts (*.ftp *.txt);;All (*)"},
        {"Pictures (*.bmp;*.png)|*.bmp;*.png", "Pictures (*.bmp *.png)"},
        {"Odd|*.x|Dangling", "Odd (*.x)"},
        {"|*.y", "*.y (*.y)"},
        {"", ""},
    };
    for (const Row& row : rows) EXPECT_EQ(ToQtFilter(row.filter), row.qt) << row.filter;
    EXPECT_EQ(QtFilterAt("A|*.a|B|*.b", 2), "B (*.b)");
    EXPECT_EQ(QtFilterAt("A|*.a|B|*.b", 7), "A (*.a)");
}

TEST(FileEditRules, FoldersAndTheEllipsis)
{
    EXPECT_EQ(FolderOf("/tmp/x/a.txt"), "/tmp/x");
    EXPECT_EQ(FolderOf("/a.txt"), "/");
    EXPECT_EQ(FolderOf("a.txt"), "");
    EXPECT_EQ(FilePartOf("/tmp/x/"), "");
    EXPECT_EQ(WithFolder("", "/a", true), "/a");
    EXPECT_EQ(WithFolder("/a", "/b", true), "/a;/b");
    EXPECT_EQ(WithFolder("/a", "/b", false), "/b");

    const TEllipsis wide = EllipsisDots(21);
    EXPECT_EQ(wide.Width, 15);
    EXPECT_EQ(wide.Dots, (std::vector<int>{1, 6, 11}));
    const TEllipsis narrow = EllipsisDots(4);
    EXPECT_EQ(narrow.Width, 1);
    EXPECT_EQ(narrow.Dots.size(), 3u);
}

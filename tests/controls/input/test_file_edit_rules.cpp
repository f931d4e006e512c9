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

TEST(FileEditRules, ButtonWidthTheGlyphKindImplies)
{
    struct Row {
        const char* name;
        TGlyphKind kind;
        int glyphWidth, numGlyphs;
        int implied;
    };
    const Row rows[] = {
        {"default glyph narrower than the button", gkDefault, 14, 1, 21},
        {"default glyph wider than the button", gkDefault, 60, 2, 36},
        {"default kind without a glyph", gkDefault, 0, 1, 21},
        {"drop-down arrow", gkDropDown, 7, 1, 17},
        {"ellipsis", gkEllipsis, 15, 1, 21},
        {"custom glyph", gkCustom, 40, 1, 21},
    };
    for (const Row& row : rows) EXPECT_EQ(ImpliedButtonWidth(row.kind, row.glyphWidth, row.numGlyphs, 17), row.implied) << row.name;
    EXPECT_TRUE(GlyphStored(gkCustom));
    EXPECT_FALSE(GlyphStored(gkDefault));
}

TEST(FileEditRules, ButtonAndPopUpPlaces)
{
    EXPECT_EQ(ButtonPlace(200, 24, 21, true), (TRect{177, 2, 198, 22}));
    EXPECT_EQ(ButtonPlace(200, 24, 21, false), (TRect{179, 0, 200, 24}));
    EXPECT_EQ(ButtonPlace(200, 3, 21, true), (TRect{177, 2, 198, 2}));
    EXPECT_EQ(MinimumEditHeight(13), 18);

    struct Row {
        const char* name;
        TRect edit;
        TEditPopupAlign align;
        TPoint origin;
    };
    // A 100 x 50 pop-up on a 800 x 600 screen.
    const Row rows[] = {
        {"under the field, right edges aligned", {100, 100, 300, 121}, epaRight, {200, 121}},
        {"under the field, left edges aligned", {100, 100, 300, 121}, epaLeft, {100, 121}},
        {"above when the bottom is too near", {100, 560, 300, 581}, epaRight, {200, 510}},
        {"just fits at the bottom", {100, 529, 300, 550}, epaRight, {200, 550}},
        {"kept inside at the right", {720, 100, 790, 121}, epaLeft, {700, 121}},
        {"kept inside at the left", {-30, 100, 50, 121}, epaRight, {0, 121}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(PopupOrigin(row.edit, {100, 50}, {0, 0, 800, 600}, row.align), row.origin) << row.name;
}

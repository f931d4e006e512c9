#include "editor/EditorKeywords.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>

TEST(ClassifyLine, KindAndSpan)
{
    using K = LineColouring;
    const struct {
        std::string line;
        K::Kind kind;
        std::size_t start, length;
    } cases[] = {
        {"  host=x", K::Keyword, 2, 4},
        {";x", K::Comment, 0, 2},
        {"  ; note  ", K::Comment, 0, 10},
        {":Jump1", K::Keyword, 0, 6},
        {"  :Jump1  ", K::Keyword, 2, 6},
        {"LOCAL-EXECANDWAIT \"a b\"", K::Keyword, 0, 17},
        {"LOCAL-EXEC prog", K::Keyword, 0, 10},
        {"ADDCCRECIPIENT a@b", K::Keyword, 0, 14},
        {"ADDRECIPIENT a@b", K::Keyword, 0, 12},
        {"remote-rename a b", K::Keyword, 0, 13},
        {"LETTER", K::Keyword, 0, 3},
        {"get a b", K::Keyword, 0, 3},
        {"get", K::None, 0, 0},
        {"GetIfNewer x", K::Keyword, 0, 10},
        {"GetIfNew x", K::Keyword, 0, 8},
        {"IF success", K::Keyword, 0, 2},
        {"REMOTE-EXISTS(x)", K::Keyword, 0, 13},
        {"\tCONNECT", K::Keyword, 1, 7},
        {"#include x.inc", K::Keyword, 0, 8},
        {"TRANSTIMEOUT=5", K::None, 0, 0},
        {"", K::None, 0, 0},
        {"   ", K::None, 0, 0},
        {"\xC3\xA9tape", K::None, 0, 0},
        {"HOST\xFF=", K::None, 0, 0},
    };
    for (const auto& c : cases) {
        const LineColouring got = ClassifyLine(c.line);
        EXPECT_EQ(got.kind, c.kind) << c.line;
        if (c.kind != K::None) {
            EXPECT_EQ(got.start, c.start) << c.line;
            EXPECT_EQ(got.length, c.length) << c.line;
        }
    }
}

TEST(EditorKeywords, LongerWordsComeFirst)
{
    const auto table = EditorKeywords();
    EXPECT_EQ(table.size(), 79u);
    auto find = [&](std::string_view prefix) {
        return std::find_if(table.begin(), table.end(), [&](const EditorKeyword& k) { return k.prefix == prefix; });
    };
    // A dial entry is coloured as such, not as the bare DIAL that also begins it.
    EXPECT_LT(find("DIALENTRY="), find("DIAL"));
    EXPECT_LT(find("LOCAL-EXECANDWAIT"), find("LOCAL-EXEC"));
}

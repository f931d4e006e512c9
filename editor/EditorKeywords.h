#pragma once
// The command beginnings the editor knows: one ordered table for the keyword colouring and the
// syntax check. Colouring matches an entry as written; the check also wants a blank after the
// entries that take an argument ("GETTREE " there, "GETTREE" here), so a bare LET passes
// colouring but not the check. Matching is by prefix of the trimmed line, ASCII case folded.

#include <span>
#include <string_view>

struct EditorKeyword {
    std::string_view prefix;
    // The syntax check wants a blank right after the prefix.
    bool checkNeedsBlank;

    // What is coloured: the prefix without a trailing "=", "(" or blank.
    std::string_view Span() const;
};

std::span<const EditorKeyword> EditorKeywords();

// Does the start of an upper-cased, trimmed line satisfy the entry for the syntax check.
bool MatchesForCheck(const EditorKeyword& keyword, std::string_view upperLine);

// How one script line is coloured. Positions are in the units of the line given.
struct LineColouring {
    enum Kind { None, Comment, Keyword } kind = None;  // a label is coloured as a keyword
    std::size_t start = 0, length = 0;                 // the comment's whole line, or the blue span
};

// None for an empty line or one that begins with no known word: such a line keeps its colours.
LineColouring ClassifyLine(std::string_view raw);

#pragma once
// The command beginnings the keyword colouring knows, in order. Colouring matches an entry as
// written, by prefix of the trimmed line, ASCII case folded; a bare LET is coloured though the
// syntax check (which reads the runner's own words) refuses it.

#include <span>
#include <string_view>

struct EditorKeyword {
    std::string_view prefix;

    // What is coloured: the prefix without a trailing "=", "(" or blank.
    std::string_view Span() const;
};

std::span<const EditorKeyword> EditorKeywords();

// How one script line is coloured. Positions are in the units of the line given.
struct LineColouring {
    enum Kind { None, Comment, Keyword } kind = None;  // a label is coloured as a keyword
    std::size_t start = 0, length = 0;                 // the comment's whole line, or the blue span
};

// None for an empty line or one that begins with no known word: such a line keeps its colours.
LineColouring ClassifyLine(std::string_view raw);

#pragma once
// The printer's layout rules as plain code: lengths and pixels, tab expansion, the longest
// fitting prefix and word wrap, header and footer columns, and the macros. Text is a sequence of
// characters (UTF-32) so a prefix length counts characters, as the measuring does.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

enum class TMeasureUnit { muMillimeters, muInches };
enum class TLineSpacing { lsHalfSpace, lsSingleSpace, lsSingleAndAHalf, lsDoubleSpace };

namespace richlayout {

// A length in `unit` as whole device pixels at `pixelsPerInch` (truncated), and back.
int LengthToPixels(double length, TMeasureUnit unit, int pixelsPerInch);
double PixelsToLength(int pixels, TMeasureUnit unit, int pixelsPerInch);
// A length of one unit in the other (x 25.4 or / 25.4).
double ConvertLength(double length, TMeasureUnit from, TMeasureUnit to);
// The line step for a text height: half, once, one and a half or twice it.
int LineStep(int textHeight, TLineSpacing spacing);

// Each TAB becomes blanks up to the next multiple of `tabSize` characters (a full `tabSize` at a
// multiple); `column` is where the text starts and is advanced past it. A size of 0 counts as 1.
std::u32string ExpandTabs(std::u32string_view text, unsigned tabSize, std::size_t& column);

// Blanks and control characters: where lines may break and what a drawn line drops at its end.
inline bool IsBreakChar(char32_t c) { return c < 33; }
std::u32string_view TrimRightBlanks(std::u32string_view text);

// The width of the first n characters, for n from 0 to the text's length.
using PrefixWidth = std::function<int(std::size_t n)>;
// The longest prefix of `length` characters whose width is not above `width`, by bisection over
// the prefix length; 0 when not even one character fits.
std::size_t FittingLength(std::size_t length, int width, const PrefixWidth& measure);

// One printed line of a longer text: its characters [start, start + length), and how many
// characters it consumes (a blank it broke at is consumed with it).
struct LinePiece {
    std::size_t start = 0;
    std::size_t length = 0;
};
// The lines of a text `width` pixels wide: with `wordWrap` broken after the last fitting blank
// (or control character), else only the longest fitting prefix. A line always takes at least one
// character, so a too-narrow width still ends. `measure(start, n)` measures n characters at start.
std::vector<LinePiece> BreakLines(std::u32string_view text, int width, bool wordWrap,
                                  const std::function<int(std::size_t start, std::size_t n)>& measure);

enum class TColumnAlign { Left, Right, Center };
struct TColumn {
    TColumnAlign align = TColumnAlign::Left;
    double width = 0;  // in the printer's unit; 0 or less: up to the text area's right edge
    std::string text;  // macros not yet expanded
};
// Splits "a|b" texts and ">100|<50" formats into columns, one per text or format, whichever are
// more. A format is an alignment ("<" left, ">" right, "^" centred) and a width; an empty format,
// a lone alignment or a width that is no number takes `defaultWidth`.
std::vector<TColumn> ParseColumns(std::string_view texts, std::string_view formats, double defaultWidth);

// Values of the macros, in the order they are replaced.
struct MacroValues {
    std::string line, page, date, time, title;
};
// Replaces "{$LINE}", "{$PAGE}", "{$DATE}", "{$TIME}", "{$TITLE}" in that order, every
// occurrence, case-sensitively; a macro whose value holds the macro itself stays as it is.
std::string ExpandMacros(std::string_view text, const MacroValues& values);

}  // namespace richlayout

#include "printing/RichPrintLayout.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace richlayout {

namespace {
constexpr double kMillimetresPerInch = 25.4;

std::vector<std::string> SplitBars(std::string_view text)
{
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (;;) {
        const std::size_t bar = text.find('|', from);
        parts.emplace_back(text.substr(from, bar == std::string_view::npos ? std::string_view::npos : bar - from));
        if (bar == std::string_view::npos) return parts;
        from = bar + 1;
    }
}

bool ParseWidth(std::string_view text, double& width)
{
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, width);
    return ec == std::errc() && ptr == end && std::isfinite(width);
}
}  // namespace

int LengthToPixels(double length, TMeasureUnit unit, int pixelsPerInch)
{
    const double inches = unit == TMeasureUnit::muMillimeters ? length / kMillimetresPerInch : length;
    // A length from a format text or a stored value may be anything; pixels stay in range.
    const double pixels = std::clamp(inches * pixelsPerInch, -1e8, 1e8);
    return std::isnan(pixels) ? 0 : static_cast<int>(pixels);
}

double PixelsToLength(int pixels, TMeasureUnit unit, int pixelsPerInch)
{
    if (pixelsPerInch <= 0) return 0;
    const double inches = static_cast<double>(pixels) / pixelsPerInch;
    return unit == TMeasureUnit::muMillimeters ? inches * kMillimetresPerInch : inches;
}

double ConvertLength(double length, TMeasureUnit from, TMeasureUnit to)
{
    if (from == to) return length;
    return to == TMeasureUnit::muMillimeters ? length * kMillimetresPerInch : length / kMillimetresPerInch;
}

int LineStep(int textHeight, TLineSpacing spacing)
{
    switch (spacing) {
    case TLineSpacing::lsHalfSpace: return textHeight / 2;
    case TLineSpacing::lsSingleSpace: return textHeight;
    case TLineSpacing::lsSingleAndAHalf: return textHeight * 3 / 2;
    case TLineSpacing::lsDoubleSpace: return textHeight * 2;
    }
    return textHeight;
}

std::u32string ExpandTabs(std::u32string_view text, unsigned tabSize, std::size_t& column)
{
    const std::size_t size = tabSize == 0 ? 1 : tabSize;
    std::u32string out;
    out.reserve(text.size());
    for (const char32_t c : text) {
        if (c == U'\t') {
            const std::size_t blanks = size - column % size;
            out.append(blanks, U' ');
            column += blanks;
        } else {
            out.push_back(c);
            ++column;
        }
    }
    return out;
}

std::u32string_view TrimRightBlanks(std::u32string_view text)
{
    while (!text.empty() && IsBreakChar(text.back())) text.remove_suffix(1);
    return text;
}

std::size_t FittingLength(std::size_t length, int width, const PrefixWidth& measure)
{
    std::size_t low = 0, high = length;
    while (low < high) {
        const std::size_t middle = low + (high - low + 1) / 2;
        if (measure(middle) <= width) low = middle;
        else high = middle - 1;
    }
    return low;
}

std::vector<LinePiece> BreakLines(std::u32string_view text, int width, bool wordWrap,
                                  const std::function<int(std::size_t start, std::size_t n)>& measure)
{
    std::vector<LinePiece> lines;
    if (measure(0, text.size()) <= width) {
        lines.push_back({0, text.size()});
        return lines;
    }
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t rest = text.size() - start;
        std::size_t fit = FittingLength(rest, width, [&](std::size_t n) { return measure(start, n); });
        if (fit == 0) fit = 1;  // not even one character fits: print it anyway, so the job ends
        if (!wordWrap) {
            lines.push_back({start, fit});
            return lines;
        }
        std::size_t consumed = fit;
        if (fit < rest) {
            if (!IsBreakChar(text[start + fit])) {
                for (std::size_t i = fit; i-- > 0;) {
                    if (IsBreakChar(text[start + i])) {
                        fit = consumed = i + 1;
                        break;
                    }
                }
            } else {
                consumed = fit + 1;
            }
        }
        lines.push_back({start, fit});
        start += consumed;
    }
    return lines;
}

std::vector<TColumn> ParseColumns(std::string_view texts, std::string_view formats, double defaultWidth)
{
    const std::vector<std::string> textList = SplitBars(texts);
    const std::vector<std::string> formatList = formats.empty() ? std::vector<std::string>{} : SplitBars(formats);
    std::vector<TColumn> columns(std::max(textList.size(), formatList.size()));
    for (std::size_t i = 0; i < columns.size(); ++i) {
        TColumn& column = columns[i];
        std::string_view format = i < formatList.size() ? std::string_view(formatList[i]) : std::string_view();
        if (!format.empty() && (format[0] == '<' || format[0] == '>' || format[0] == '^')) {
            column.align = format[0] == '>' ? TColumnAlign::Right
                         : format[0] == '^' ? TColumnAlign::Center
                                            : TColumnAlign::Left;
            format.remove_prefix(1);
        }
        if (!ParseWidth(format, column.width)) column.width = defaultWidth;
        if (i < textList.size()) column.text = textList[i];
    }
    return columns;
}

std::string ExpandMacros(std::string_view text, const MacroValues& values)
{
    const std::pair<std::string_view, const std::string*> macros[] = {
        {"{$LINE}", &values.line}, {"{$PAGE}", &values.page},   {"{$DATE}", &values.date},
        {"{$TIME}", &values.time}, {"{$TITLE}", &values.title},
    };
    std::string out(text);
    for (const auto& [macro, value] : macros) {
        if (value->find(macro) != std::string::npos) continue;
        for (std::size_t at = out.find(macro); at != std::string::npos; at = out.find(macro, at + value->size()))
            out.replace(at, macro.size(), *value);
    }
    return out;
}

}  // namespace richlayout

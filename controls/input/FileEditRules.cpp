#include "controls/input/FileEditRules.h"

#include "controls/input/TextRoutines.h"
#include "platform/ByteText.h"

#include <algorithm>

namespace fileedit {

namespace {

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    for (;;) {
        const auto at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) return parts;
        text.remove_prefix(at + 1);
    }
}

std::string pairToQt(std::string_view description, std::string_view patterns)
{
    std::string desc = bytetext::trim(description);
    if (!desc.empty() && desc.back() == ')') {
        const auto open = desc.rfind('(');
        if (open != std::string::npos) desc = bytetext::trim(std::string_view(desc).substr(0, open));
    }
    std::string list;
    for (std::string_view p : split(patterns, ';')) {
        const std::string pattern = bytetext::trim(p);
        if (pattern.empty()) continue;
        if (!list.empty()) list += ' ';
        list += pattern == "*.*" ? std::string("*") : pattern;
    }
    if (list.empty()) list = "*";
    return (desc.empty() ? list : desc) + " (" + list + ")";
}

std::vector<std::string> qtPairs(std::string_view filter)
{
    const auto parts = split(filter, '|');
    std::vector<std::string> pairs;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) pairs.push_back(pairToQt(parts[i], parts[i + 1]));
    return pairs;
}

}  // namespace

std::string QuotedName(std::string_view name)
{
    if (name.find(' ') != std::string_view::npos && (name.empty() || name.front() != '"'))
        return "\"" + std::string(name) + "\"";
    return std::string(name);
}

std::string ClipFileName(const std::string& text, const std::function<bool(const std::string&)>& fileExists)
{
    if (!text.empty() && fileExists(text)) return text;
    std::string program, parameters;
    SplitCommandLine(text, program, parameters);
    return program;
}

std::string ToQtFilter(std::string_view filter)
{
    std::string joined;
    for (const std::string& pair : qtPairs(filter)) {
        if (!joined.empty()) joined += ";;";
        joined += pair;
    }
    return joined;
}

std::string QtFilterAt(std::string_view filter, int index)
{
    const auto pairs = qtPairs(filter);
    if (pairs.empty()) return {};
    return index >= 1 && index <= static_cast<int>(pairs.size()) ? pairs[index - 1] : pairs.front();
}

std::string FolderOf(const std::string& name)
{
    const auto slash = name.rfind('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? std::string("/") : name.substr(0, slash);
}

std::string FilePartOf(const std::string& name)
{
    const auto slash = name.rfind('/');
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

std::string WithFolder(const std::string& text, const std::string& folder, bool multiple)
{
    return multiple && !text.empty() ? text + ";" + folder : folder;
}

int ImpliedButtonWidth(TGlyphKind kind, int glyphWidth, int numGlyphs, int scrollBarWidth)
{
    if (kind == gkDropDown) return scrollBarWidth;
    if (kind == gkDefault && glyphWidth > 0)
        return std::max(glyphWidth / std::max(numGlyphs, 1) + 6, kDefaultButtonWidth);
    return kDefaultButtonWidth;
}

TRect ButtonPlace(int width, int height, int buttonWidth, bool framed)
{
    // A 3-D frame is two border widths on each side.
    const int frame = framed ? 2 : 0;
    const int left = width - buttonWidth - frame;
    return {left, frame, left + buttonWidth, std::max(height - frame, frame)};
}

TPoint PopupOrigin(const TRect& edit, TSize popup, const TRect& screen, TEditPopupAlign align)
{
    TPoint at{align == epaLeft ? edit.Left : edit.Right - popup.Width, edit.Bottom};
    if (at.Y + popup.Height > screen.Bottom) at.Y = edit.Top - popup.Height;
    if (at.X + popup.Width > screen.Right) at.X = screen.Right - popup.Width;
    if (at.X < screen.Left) at.X = screen.Left;
    return at;
}

TEllipsis EllipsisDots(int buttonWidth)
{
    TEllipsis e;
    e.Width = std::max(1, buttonWidth - 6);
    const int gap = std::clamp((e.Width - 6) / 2, 1, 3);
    const int x0 = ((e.Width - 6) - 2 * gap) / 2;
    e.Dots = {x0, x0 + gap + 2, x0 + 2 * gap + 4};
    return e;
}

}  // namespace fileedit

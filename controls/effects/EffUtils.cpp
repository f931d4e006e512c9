#include "controls/effects/EffUtils.h"

#include "platform/AppPaths.h"
#include "platform/ByteText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace {

struct TColorName {
    TColor Color;
    const char* Name;
};

// The names stored forms use, in the order the framework lists them.
constexpr std::array<TColorName, 16 + kSystemColorCount> kColorNames{{
    {clBlack, "clBlack"}, {clMaroon, "clMaroon"}, {clGreen, "clGreen"}, {clOlive, "clOlive"},
    {clNavy, "clNavy"}, {clPurple, "clPurple"}, {clTeal, "clTeal"}, {clGray, "clGray"},
    {clSilver, "clSilver"}, {clRed, "clRed"}, {clLime, "clLime"}, {clYellow, "clYellow"},
    {clBlue, "clBlue"}, {clFuchsia, "clFuchsia"}, {clAqua, "clAqua"}, {clWhite, "clWhite"},
    {clScrollBar, "clScrollBar"}, {clBackground, "clBackground"}, {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"}, {clMenu, "clMenu"}, {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"}, {clMenuText, "clMenuText"}, {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"}, {clActiveBorder, "clActiveBorder"}, {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"}, {clHighlight, "clHighlight"}, {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"}, {clBtnShadow, "clBtnShadow"}, {clGrayText, "clGrayText"}, {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"}, {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"}, {cl3DLight, "cl3DLight"}, {clInfoText, "clInfoText"}, {clInfoBk, "clInfoBk"},
}};

bool parseHex(std::string_view digits, TColor& color)
{
    if (digits.empty() || digits.size() > 8) return false;
    TColor value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (ec != std::errc() || end != digits.data() + digits.size()) return false;
    color = value;
    return true;
}

}  // namespace

TEffOSFlags OSFlagsFor(int platformId, unsigned minorVersion, bool newStyleControls)
{
    TEffOSFlags flags;
    flags.IsWin95 = platformId == kPlatformWin95;
    flags.IsWin98 = flags.IsWin95 && minorVersion >= 10;
    flags.IsWinNT = platformId == kPlatformWinNT;
    flags.NewStyleControls = newStyleControls;
    return flags;
}

const TEffOSFlags& EffOSFlags()
{
    static const TEffOSFlags flags = OSFlagsFor(kPlatformHere, GetOSMinorVersion(), true);
    return flags;
}

unsigned short GetOSMinorVersion()
{
    utsname name{};
    if (uname(&name) != 0) return 0;
    unsigned major = 0, minor = 0;
    if (std::sscanf(name.release, "%u.%u", &major, &minor) != 2) return 0;
    return static_cast<unsigned short>(minor);
}

std::string GetUserName()
{
    if (const passwd* entry = getpwuid(geteuid()); entry && entry->pw_name && *entry->pw_name)
        return entry->pw_name;
    return "(Unknown)";
}

std::string GetWindowsDir() { return apppaths::configFolder(); }
std::string GetSystemDir() { return "/usr/lib"; }
std::string GetProgramDir() { return AddBackslash(apppaths::programFolder()); }

std::string GetSpecialPath(TEffPathPrefix prefix, bool withBackslash)
{
    std::string path;
    switch (prefix) {
    case ppWindows: path = GetWindowsDir(); break;
    case ppSystem: path = GetSystemDir(); break;
    case ppProgram: path = GetProgramDir(); break;
    case ppFixed: return {};
    }
    return withBackslash ? AddBackslash(path) : RemoveBackslash(path);
}

bool IsBlankStr(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return c == ' '; });
}

std::string AddBackslash(std::string_view s)
{
    if (!IsBlankStr(s) && s.back() == '/') return std::string(s);
    return std::string(s) + '/';
}

std::string RemoveBackslash(std::string_view s)
{
    if (!IsBlankStr(s) && s.back() == '/') s.remove_suffix(1);
    return std::string(s);
}

void RectSize(const TRect& rect, int& width, int& height)
{
    width = RectWidth(rect);
    height = RectHeight(rect);
}

int MaxIntValue(std::span<const int> values)
{
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

int MinIntValue(std::span<const int> values)
{
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

double MinExtValue(std::span<const double> values)
{
    return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

std::string JoinStrings(std::span<const std::string> values, char separator)
{
    std::string joined;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) joined += separator;
        joined += values[i];
    }
    return joined;
}

std::string JoinIntegers(std::span<const int> values, char separator)
{
    std::vector<std::string> texts;
    texts.reserve(values.size());
    for (int v : values) texts.push_back(std::to_string(v));
    return JoinStrings(texts, separator);
}

void SplitString(std::string_view s, char separator, std::vector<std::string>& list)
{
    list.clear();
    for (;;) {
        const auto at = s.find(separator);
        list.emplace_back(s.substr(0, at));
        if (at == std::string_view::npos) return;
        s.remove_prefix(at + 1);
    }
}

TRect AlignRect(TEffAlignment alignment, const TRect& inner, const TRect& outer)
{
    const int w = RectWidth(inner), h = RectHeight(inner);
    const int dw = RectWidth(outer) - w, dh = RectHeight(outer) - h;
    const int column = static_cast<int>(alignment) % 3, row = static_cast<int>(alignment) / 3;
    // Halves truncate toward zero, also when Inner is the larger one.
    const int x = outer.Left + (column == 0 ? 0 : column == 1 ? dw / 2 : dw);
    const int y = outer.Top + (row == 0 ? 0 : row == 1 ? dh / 2 : dh);
    return {x, y, x + w, y + h};
}

TRect FitRect(const TRect& source, const TRect& target)
{
    const int sw = RectWidth(source), sh = RectHeight(source);
    if (sw <= 0 || sh <= 0) return {target.Left, target.Top, target.Left, target.Top};
    const double ratio = std::min(double(RectWidth(target)) / sw, double(RectHeight(target)) / sh);
    const int w = static_cast<int>(std::lround(sw * ratio)), h = static_cast<int>(std::lround(sh * ratio));
    return {target.Left, target.Top, target.Left + w, target.Top + h};
}

void RotateRect(TRect& rect, double angleDegrees)
{
    const double a = angleDegrees * M_PI / 180.0;
    const double c = std::cos(a), s = std::sin(a);
    const double cx = (rect.Left + rect.Right) / 2.0, cy = (rect.Top + rect.Bottom) / 2.0;
    const double xs[2] = {double(rect.Left), double(rect.Right)}, ys[2] = {double(rect.Top), double(rect.Bottom)};
    long minX = 0, minY = 0, maxX = 0, maxY = 0;
    bool first = true;
    for (double x : xs)
        for (double y : ys) {
            // Screen y grows downward, so a positive angle turns counter-clockwise as text does.
            const long rx = std::lround(cx + (x - cx) * c + (y - cy) * s);
            const long ry = std::lround(cy - (x - cx) * s + (y - cy) * c);
            minX = first ? rx : std::min(minX, rx);
            maxX = first ? rx : std::max(maxX, rx);
            minY = first ? ry : std::min(minY, ry);
            maxY = first ? ry : std::max(maxY, ry);
            first = false;
        }
    rect = {0, 0, static_cast<int>(maxX - minX), static_cast<int>(maxY - minY)};
}

std::string ColorToString(TColor color)
{
    for (const TColorName& entry : kColorNames)
        if (entry.Color == color) return entry.Name;
    char text[10];
    std::snprintf(text, sizeof text, "$%08X", static_cast<unsigned>(color));
    return text;
}

bool StringToColor(std::string_view text, TColor& color)
{
    const std::string t = bytetext::trim(text);
    for (const TColorName& entry : kColorNames)
        if (bytetext::equalsNoCase(t, entry.Name)) {
            color = entry.Color;
            return true;
        }
    if (!t.empty() && t[0] == '$') return parseHex(std::string_view(t).substr(1), color);
    if (bytetext::startsWithNoCase(t, "0x")) return parseHex(std::string_view(t).substr(2), color);
    std::int64_t n = 0;
    if (!bytetext::parseInt64(t, n) || n < INT32_MIN || n > UINT32_MAX) return false;
    color = static_cast<TColor>(n);
    return true;
}

void RotatedStartPoint(int width, int height, double angleDegrees, int& x, int& y)
{
    const double a = angleDegrees * M_PI / 180.0;
    const double c = std::cos(a), s = std::sin(a);
    const double cx = width / 2.0, cy = height / 2.0;
    double minX = 0, minY = 0;
    bool first = true;
    for (double px : {0.0, double(width)})
        for (double py : {0.0, double(height)}) {
            const double rx = cx + (px - cx) * c + (py - cy) * s, ry = cy - (px - cx) * s + (py - cy) * c;
            minX = first ? rx : std::min(minX, rx);
            minY = first ? ry : std::min(minY, ry);
            first = false;
        }
    x = static_cast<int>(std::lround(cx - cx * c - cy * s - minX));
    y = static_cast<int>(std::lround(cy + cx * s - cy * c - minY));
}

namespace {

int between(int from, int to, int step, int steps) { return from + MulDiv(to - from, step, steps); }

}  // namespace

std::vector<TRect> ExplodeRects(int x, int y, const TRect& target, int steps)
{
    if (steps < 4) steps = 40;
    std::vector<TRect> rects;
    for (int i = 1; i <= steps; ++i)
        rects.push_back({between(x, target.Left, i, steps), between(y, target.Top, i, steps),
                         between(x, target.Right, i, steps), between(y, target.Bottom, i, steps)});
    return rects;
}

std::vector<TRect> ExplodeExtRects(int x, int y, const TRect& target, int steps)
{
    if (steps < 4) steps = 40;
    const int half = steps / 2;
    std::vector<TRect> rects;
    for (int i = 1; i <= half; ++i)
        rects.push_back({between(x, target.Left, i, half), y, between(x, target.Right, i, half), y + 1});
    for (int i = 1; i <= steps - half; ++i)
        rects.push_back({target.Left, between(y, target.Top, i, steps - half), target.Right,
                         between(y + 1, target.Bottom, i, steps - half)});
    return rects;
}

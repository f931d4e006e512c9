#pragma once
// Small routines of the effect library: questions to the platform, path and string helpers, and
// the rectangle arithmetic the drawing procedures build on. No widgets.

#include "controls/effects/EffTypes.h"
#include "controls/input/GdiTypes.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

// The operating-system flags of the library, set once at start-up from the platform identifier:
// 1 the Windows 95 family (98 or later within it from minor version 10), 2 the NT family. This
// platform is neither; its controls are drawn the new (3-D) way.
struct TEffOSFlags {
    bool IsWin95 = false, IsWin98 = false, IsWinNT = false, NewStyleControls = false;
};
inline constexpr int kPlatformWin95 = 1, kPlatformWinNT = 2, kPlatformHere = -1;
TEffOSFlags OSFlagsFor(int platformId, unsigned minorVersion, bool newStyleControls);
const TEffOSFlags& EffOSFlags();

// The release's minor number (6 in "6.1.0"), 0 when unknown.
unsigned short GetOSMinorVersion();
// The logged-on user's name; "(Unknown)" when there is none.
std::string GetUserName();
// The folder files "without a folder" live in, and the folder of shared libraries; both without
// a trailing "/".
std::string GetWindowsDir();
std::string GetSystemDir();
// The program folder with a trailing "/".
std::string GetProgramDir();
// ppFixed: empty.
std::string GetSpecialPath(TEffPathPrefix prefix, bool withBackslash);

// Empty or only blanks (character 32).
bool IsBlankStr(std::string_view s);
// The path separator here is "/": appended unless S is non-blank and already ends with one.
std::string AddBackslash(std::string_view s);
std::string RemoveBackslash(std::string_view s);

void RectSize(const TRect& rect, int& width, int& height);
// 0 for an empty list.
int MaxIntValue(std::span<const int> values);
int MinIntValue(std::span<const int> values);
double MinExtValue(std::span<const double> values);
std::string JoinStrings(std::span<const std::string> values, char separator);
std::string JoinIntegers(std::span<const int> values, char separator);
// Every piece between separators, the one after the last included.
void SplitString(std::string_view s, char separator, std::vector<std::string>& list);
inline std::string AssignStr(std::string_view s) { return std::string(s); }

// A rectangle of Inner's size placed in Outer by the alignment's column and row.
TRect AlignRect(TEffAlignment alignment, const TRect& inner, const TRect& outer);
// Source's size scaled by the smaller of the two ratios, at Target's top-left.
TRect FitRect(const TRect& source, const TRect& target);
// The bounding box of the rectangle turned about its centre, moved to the origin.
void RotateRect(TRect& rect, double angleDegrees);

// A colour as stored forms write it: its name ("clBtnFace") or "$" and eight hex digits.
std::string ColorToString(TColor color);
// A name (any case), "$hex", "0x"hex or a decimal number; false for anything else.
[[nodiscard]] bool StringToColor(std::string_view text, TColor& color);

// Where the top-left corner of a w x h rectangle lies, inside its rotated bounding box
// (RotateRect), once turned by the angle: the start point of rotated text.
void RotatedStartPoint(int width, int height, double angleDegrees, int& x, int& y);

// The focus rectangles of the opening effect: `steps` rectangles growing from the point to the
// target, edges interpolated; a count below 4 means 40. The two-phase variant first grows the
// width along the point's row, then the height.
std::vector<TRect> ExplodeRects(int x, int y, const TRect& target, int steps);
std::vector<TRect> ExplodeExtRects(int x, int y, const TRect& target, int steps);

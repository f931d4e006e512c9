#pragma once
// The form helper's arithmetic, without a window: size limits given in pixels or as fractions of
// the screen, and the placement value it stores ("200,flags,show command,left,top,right,bottom").

#include "controls/input/GdiTypes.h"

#include <string>
#include <string_view>

// The eight limits, in the order the helper keeps them.
enum TEffFormLimit {
    flMaxTrackWidth, flMaxTrackHeight, flMinTrackWidth, flMinTrackHeight,
    flMaximizedLeft, flMaximizedTop, flMaximizedWidth, flMaximizedHeight
};
inline constexpr int kFormLimitCount = 8;

// Heights and the top position are fractions of the screen's height, the others of its width.
bool IsVerticalLimit(TEffFormLimit limit);
// A value of 0 or more is pixels; -1 .. -100 is the screen extent divided by the magnitude
// (-2 half, -4 a quarter); below -100 it sets no limit (0).
int ConvertFormLimit(int value, int screenExtent);

// The published limits and their pixel values; 0 is no limit.
class TEffFormLimits {
public:
    int Value(TEffFormLimit limit) const { return values_[limit]; }
    int Converted(TEffFormLimit limit) const { return converted_[limit]; }
    // A maximum track size below the minimum, or a minimum above the maximum (both set), is
    // refused: false, and nothing changes.
    bool Set(TEffFormLimit limit, int value, int screenWidth, int screenHeight);
    // All values converted for a new screen: the maximum track sizes no larger than the screen,
    // and a minimum above its maximum pulled down to it.
    void Recompute(int screenWidth, int screenHeight);
    bool Any() const;

private:
    int values_[kFormLimitCount] = {};
    int converted_[kFormLimitCount] = {};
};

// A window placement as stored.
struct TEffPlacement {
    int Flags = 0;
    int ShowCmd = 1;
    TRect Normal;
    friend bool operator==(const TEffPlacement&, const TEffPlacement&) = default;
};

std::string PlacementString(const TEffPlacement& placement);
// Exactly seven integers, the first 200; false for anything else (the value counts as missing).
[[nodiscard]] bool ParsePlacement(std::string_view text, TEffPlacement& placement);
// The normal rectangle a restore gives: the saved position with `position` (else the current
// one), the saved size with `size` (else the current one).
TRect RestoredRect(const TRect& saved, const TRect& current, bool position, bool size);

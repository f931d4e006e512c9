#include "controls/effects/EffFormRules.h"

#include "controls/effects/EffUtils.h"
#include "platform/ByteText.h"

#include <algorithm>
#include <vector>

bool IsVerticalLimit(TEffFormLimit limit)
{
    return limit == flMaxTrackHeight || limit == flMinTrackHeight || limit == flMaximizedTop ||
           limit == flMaximizedHeight;
}

int ConvertFormLimit(int value, int screenExtent)
{
    if (value >= 0) return value;
    if (value < -100) return 0;
    return std::max(screenExtent, 0) / -value;
}

namespace {

// The limit on the other side of a track size (its minimum or maximum), if it has one.
bool PartnerOf(TEffFormLimit limit, TEffFormLimit& partner)
{
    switch (limit) {
    case flMaxTrackWidth: partner = flMinTrackWidth; return true;
    case flMaxTrackHeight: partner = flMinTrackHeight; return true;
    case flMinTrackWidth: partner = flMaxTrackWidth; return true;
    case flMinTrackHeight: partner = flMaxTrackHeight; return true;
    default: return false;
    }
}

}  // namespace

bool TEffFormLimits::Set(TEffFormLimit limit, int value, int screenWidth, int screenHeight)
{
    if (value < -100) return false;  // ignored: the old limit stays
    const int converted = ConvertFormLimit(value, IsVerticalLimit(limit) ? screenHeight : screenWidth);
    TEffFormLimit partner;
    if (PartnerOf(limit, partner) && converted > 0 && converted_[partner] > 0) {
        const bool isMax = limit == flMaxTrackWidth || limit == flMaxTrackHeight;
        if (isMax ? converted < converted_[partner] : converted > converted_[partner]) return false;
    }
    values_[limit] = value;
    converted_[limit] = converted;
    return true;
}

void TEffFormLimits::Recompute(int screenWidth, int screenHeight)
{
    for (int i = 0; i < kFormLimitCount; ++i) {
        const auto limit = static_cast<TEffFormLimit>(i);
        converted_[i] = ConvertFormLimit(values_[i], IsVerticalLimit(limit) ? screenHeight : screenWidth);
    }
    const auto clamp = [this](TEffFormLimit max, TEffFormLimit min, int screen) {
        if (screen > 0 && converted_[max] > screen) converted_[max] = screen;
        if (converted_[max] > 0 && converted_[max] < converted_[min]) converted_[min] = converted_[max];
    };
    clamp(flMaxTrackWidth, flMinTrackWidth, screenWidth);
    clamp(flMaxTrackHeight, flMinTrackHeight, screenHeight);
}

bool TEffFormLimits::Any() const
{
    return std::any_of(std::begin(converted_), std::end(converted_), [](int v) { return v > 0; });
}

std::string PlacementString(const TEffPlacement& p)
{
    const int values[] = {200, p.Flags, p.ShowCmd, p.Normal.Left, p.Normal.Top, p.Normal.Right, p.Normal.Bottom};
    return JoinIntegers(values, ',');
}

bool ParsePlacement(std::string_view text, TEffPlacement& placement)
{
    std::vector<std::string> items;
    SplitString(text, ',', items);
    if (items.size() != 7 || items[0] != "200") return false;
    int n[7];
    for (std::size_t i = 0; i < items.size(); ++i)
        if (!bytetext::parseInt(items[i], n[i])) return false;
    placement = {n[1], n[2], {n[3], n[4], n[5], n[6]}};
    return true;
}

TRect RestoredRect(const TRect& saved, const TRect& current, bool position, bool size)
{
    const int left = position ? saved.Left : current.Left, top = position ? saved.Top : current.Top;
    const int width = RectWidth(size ? saved : current), height = RectHeight(size ? saved : current);
    return {left, top, left + width, top + height};
}

#include "controls/input/SpinRules.h"

#include "platform/ByteText.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <limits>

namespace spin {

namespace {

constexpr long double kInt64Min = static_cast<long double>(std::numeric_limits<long long>::min());
// 2^63: the first value past the largest 64-bit integer.
constexpr long double kInt64End = -kInt64Min;

bool readInteger(const std::string& text, long double& value)
{
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    long long parsed = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), parsed);
    if (error != std::errc() || end != digits.data() + digits.size() || digits.empty()) return false;
    value = static_cast<long double>(parsed);
    return true;
}

bool readReal(std::string text, char separator, long double& value)
{
    // Only the field's own separator is a decimal point; "." means nothing else where it is not.
    if (separator != '.') {
        if (text.find('.') != std::string::npos) return false;
        for (char& c : text)
            if (c == separator) c = '.';
    }
    if (text.empty()) return false;
    for (char c : text)
        if (!(c >= '0' && c <= '9') && c != '.' && c != '+' && c != '-' && c != 'e' && c != 'E') return false;
    errno = 0;
    char* end = nullptr;
    const long double parsed = std::strtold(text.c_str(), &end);
    if (end != text.c_str() + text.size() || errno == ERANGE || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

}  // namespace

long double Bounded(long double value, long double minValue, long double maxValue)
{
    if (minValue == maxValue) return value;
    if (value < minValue) return minValue;
    if (value > maxValue) return maxValue;
    return value;
}

long double ReadValue(std::string_view text, TValueType type, long double minValue, char decimalSeparator)
{
    const std::string t = bytetext::trim(text);
    long double value = 0;
    if (type == vtInteger ? readInteger(t, value) : readReal(t, decimalSeparator, value)) return value;
    return type == vtInteger ? std::trunc(minValue) : minValue;
}

std::string WriteValue(long double value, TValueType type, int decimals, long double minValue,
                       long double maxValue, char decimalSeparator)
{
    value = Bounded(value, minValue, maxValue);
    if (type == vtInteger) {
        long double rounded = std::nearbyint(value);  // the default rounding mode: half to even
        if (std::isnan(rounded)) rounded = 0;
        if (rounded < kInt64Min) rounded = kInt64Min;
        const long long whole = rounded >= kInt64End ? std::numeric_limits<long long>::max()
                                                     : static_cast<long long>(rounded);
        return std::to_string(whole);
    }
    // Precision 15: the value is cut to 15 significant digits before the decimals are written.
    char significant[64];
    std::snprintf(significant, sizeof significant, "%.15Lg", value);
    const long double shown = std::strtold(significant, nullptr);
    const int digits = decimals < 0 ? 0 : decimals > 18 ? 18 : decimals;
    char buffer[512];
    int n = std::snprintf(buffer, sizeof buffer, "%.*Lf", digits, shown);
    char scientific[64];
    std::snprintf(scientific, sizeof scientific, "%.14Le", shown);
    const char* e = std::strchr(scientific, 'e');
    const int exponent = e ? std::atoi(e + 1) : 0;
    if (std::isfinite(shown) && exponent >= 15 && n > 0 && n < static_cast<int>(sizeof buffer)) {
        // All 15 digits lie left of the point: the binary value's further digits are noise, so zeros.
        std::string whole = shown < 0 ? "-" : "";
        for (const char* c = scientific; c < e; ++c)
            if (*c >= '0' && *c <= '9') whole += *c;
        whole.append(exponent - 14, '0');
        if (digits > 0) whole += '.' + std::string(digits, '0');
        if (whole.size() < sizeof buffer) n = std::snprintf(buffer, sizeof buffer, "%s", whole.c_str());
    }
    // Past what fixed notation can hold, the shorter scientific form.
    std::string text = n > 0 && n < static_cast<int>(sizeof buffer) ? std::string(buffer, n) : significant;
    if (decimalSeparator != '.')
        for (char& c : text)
            if (c == '.') c = decimalSeparator;
    return text;
}

long double IntegerIncrement(long double increment)
{
    const long double rounded = std::nearbyint(increment);
    return rounded == 0 ? 1 : rounded;
}

bool ValidChar(char32_t ch, TValueType type, bool editorEnabled, char decimalSeparator)
{
    if (!editorEnabled) return ch < 32 && ch != 8;
    if (ch < 32) return true;
    if (ch == '+' || ch == '-' || (ch >= '0' && ch <= '9')) return true;
    return type == vtFloat && ch == static_cast<unsigned char>(decimalSeparator);
}

TSpinButtonState HalfAt(int x, int y, int width, int height)
{
    if (width <= 0) return sbTopDown;
    // y > -(height / width) x + height, in integers: y * width > height * (width - x).
    const long long lhs = static_cast<long long>(y) * width;
    const long long rhs = static_cast<long long>(height) * (width - x);
    return lhs > rhs ? sbBottomDown : sbTopDown;
}

namespace {
int roundHalfEven(double v) { return static_cast<int>(std::nearbyint(v)); }
}  // namespace

TPoint UpGlyphAt(int width, int height, int gw, int gh, bool topDown)
{
    const int shift = topDown ? 2 : 1;
    return {roundHalfEven(width * 0.25 - gw * 0.5) + shift, roundHalfEven(height * 0.25 - gh * 0.5) + shift};
}

TPoint DownGlyphAt(int width, int height, int gw, int gh)
{
    return {roundHalfEven(3 * width * 0.25 - gw * 0.5) - 1, roundHalfEven(3 * height * 0.25 - gh * 0.5) - 1};
}

TRect DiagonalButtonPlace(int width, int height, bool framed)
{
    if (!framed) return {width - height, 0, width, height};
    const int side = std::max(height - 3, 0);
    const int left = width - height + 1;
    return {left, 1, left + side, 1 + side};
}

}  // namespace spin

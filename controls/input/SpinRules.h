#pragma once
// The rules of the spin edit that need no window: the value kept in the text, its bounds and
// rounding, the characters it accepts, and which half of the diagonal spin button a point hits.

#include "controls/input/EditMetrics.h"
#include "controls/input/SpeedButtonRules.h"

#include <string>
#include <string_view>

enum TValueType { vtInteger, vtFloat };
enum TSpinButtonState { sbNotDown, sbTopDown, sbBottomDown };

namespace spin {

// A value within the bounds; equal bounds bound nothing.
long double Bounded(long double value, long double minValue, long double maxValue);

// The text as a value, or the minimum (truncated toward zero for integers) when it does not
// convert. Integers are 64-bit.
long double ReadValue(std::string_view text, TValueType type, long double minValue, char decimalSeparator);

// The value bounded, then as text: integers rounded half to even and held to 64 bits, reals in
// fixed notation with `decimals` digits after the separator.
std::string WriteValue(long double value, TValueType type, int decimals, long double minValue,
                       long double maxValue, char decimalSeparator);

// The increment after switching to integers: rounded, and 1 instead of 0.
long double IntegerIncrement(long double increment);

// A typed character the field takes: signs, digits, the separator for reals and control characters;
// with the editor disabled nothing printable and no backspace.
bool ValidChar(char32_t ch, TValueType type, bool editorEnabled, char decimalSeparator);

// The half of a width x height diagonal button a point lies in: below the diagonal from the
// bottom-left to the top-right corner is the lower half; on it counts as the upper one.
TSpinButtonState HalfAt(int x, int y, int width, int height);

// Where the arrows of a width x height spin button stand (their size gw x gh).
TPoint UpGlyphAt(int width, int height, int gw, int gh, bool topDown);
TPoint DownGlyphAt(int width, int height, int gw, int gh);

// Where the diagonal button stands in a field of width x height, frame included: a square of
// the inside's height at its right end, reaching one pixel into a 3-D frame at the top; without a
// frame, the field's full height.
TRect DiagonalButtonPlace(int width, int height, bool framed);

}  // namespace spin

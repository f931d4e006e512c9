#pragma once
// Number texts as the framework writes them: "." as the decimal separator, general format.

#include <string>

namespace numbertext {
// FloatToStr: 15 significant digits, trailing zeros dropped; scientific ("1.5E-7", "1E20") when
// the exponent is below -5 or not below 15.
std::string floatToStr(double value);
}  // namespace numbertext

#include "platform/NumberText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace numbertext {

std::string floatToStr(double v)
{
    if (std::isnan(v)) return "NAN";
    if (std::isinf(v)) return v > 0 ? "INF" : "-INF";
    if (v == 0) return "0";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", v);  // d.dddddddddddddde[+-]xx: 15 significant digits
    std::string s(buf);
    const auto e = s.find('e');
    int exp = std::atoi(s.c_str() + e + 1);
    std::string mant = s.substr(0, e);
    const bool neg = mant[0] == '-';
    if (neg) mant.erase(0, 1);
    std::string digits = mant.substr(0, 1) + mant.substr(2);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    std::string out;
    if (exp < -5 || exp >= 15) {
        out = digits.substr(0, 1);
        if (digits.size() > 1) out += "." + digits.substr(1);
        out += "E" + std::to_string(exp);
    } else if (exp < 0) {
        out = "0." + std::string(static_cast<std::size_t>(-exp - 1), '0') + digits;
    } else {
        const std::size_t intLen = static_cast<std::size_t>(exp) + 1;
        if (digits.size() <= intLen) {
            out = digits + std::string(intLen - digits.size(), '0');
        } else {
            out = digits.substr(0, intLen) + "." + digits.substr(intLen);
        }
    }
    return neg ? "-" + out : out;
}

}  // namespace numbertext

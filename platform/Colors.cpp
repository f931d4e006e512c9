#include "platform/Colors.h"

#include <iterator>

namespace {
// Indexed by the low byte of the system colour.
constexpr TColor kClassic[kSystemColorCount] = {
    RGB(192, 192, 192), RGB(0, 128, 128),   RGB(0, 0, 128),     RGB(128, 128, 128), RGB(192, 192, 192),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255),
    RGB(192, 192, 192), RGB(192, 192, 192), RGB(128, 128, 128), RGB(0, 0, 128),     RGB(255, 255, 255),
    RGB(192, 192, 192), RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(192, 192, 192),
    RGB(255, 255, 255), RGB(64, 64, 64),    RGB(223, 223, 223), RGB(0, 0, 0),       RGB(255, 255, 225),
};
}  // namespace

TColor ClassicColorToRGB(TColor color)
{
    if (!(color & kSystemColor)) return color & 0xFFFFFF;
    const TColor index = color & 0xFF;
    if ((color & 0x7FFFFF00) != 0 || index >= std::size(kClassic)) return clBlack;
    return kClassic[index];
}

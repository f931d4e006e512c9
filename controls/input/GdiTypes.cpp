#include "controls/input/GdiTypes.h"

#include <cstdlib>
#include <limits>

int MulDiv(int a, int b, int c)
{
    if (c == 0) return -1;
    const long long product = static_cast<long long>(a) * b;
    const long long divisor = c;
    long long q = product / divisor;
    const long long r = product % divisor;
    if (2 * std::llabs(r) >= std::llabs(divisor)) q += ((product < 0) != (divisor < 0)) ? -1 : 1;
    if (q > std::numeric_limits<int>::max() || q < std::numeric_limits<int>::min()) return -1;
    return static_cast<int>(q);
}

namespace {
TRect movedTo(const TRect& r, int left, int top)
{
    return {left, top, left + RectWidth(r), top + RectHeight(r)};
}
}  // namespace

TRect CenteredRect(const TRect& window, const TRect& screen)
{
    const TRect centred = movedTo(window, screen.Left + (RectWidth(screen) - RectWidth(window)) / 2,
                                  screen.Top + (RectHeight(screen) - RectHeight(window)) / 2);
    return FitRectIntoScreen(centred, screen);
}

TRect FitRectIntoScreen(const TRect& rect, const TRect& screen)
{
    int left = rect.Left, top = rect.Top;
    if (rect.Right > screen.Right) left = screen.Right - RectWidth(rect);
    if (rect.Bottom > screen.Bottom) top = screen.Bottom - RectHeight(rect);
    if (left < screen.Left) left = screen.Left;
    if (top < screen.Top) top = screen.Top;
    return movedTo(rect, left, top);
}

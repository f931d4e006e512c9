#pragma once
// Counting the pixels of a colour in a rendered picture, with a little room for blending.

#include <QImage>
#include <QRect>
#include <cstdlib>

inline int CountPixelsNear(const QImage& image, const QRect& area, QRgb colour)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            n += std::abs(qRed(p) - qRed(colour)) + std::abs(qGreen(p) - qGreen(colour)) +
                         std::abs(qBlue(p) - qBlue(colour)) < 40;
        }
    return n;
}

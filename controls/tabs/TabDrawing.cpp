#include "controls/tabs/TabDrawing.h"

#include "platform/Painting.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <numbers>

QImage RotateBitmap(const QImage& source, int angle)
{
    const QImage src = source.convertToFormat(QImage::Format_RGB32);
    const int w = src.width(), h = src.height();
    QImage dst(w, h, QImage::Format_RGB32);
    const double theta = angle * std::numbers::pi / 180.0;
    const double c = std::cos(theta), s = std::sin(theta);
    const int cx = w / 2, cy = h / 2;
    const QRgb uncovered = qRgb(kUncoveredByte, kUncoveredByte, kUncoveredByte);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(dst.scanLine(y));
        const int yy = 2 * (y - cy) + 1;
        for (int x = 0; x < w; ++x) {
            const int xx = 2 * (x - cx) + 1;
            // Integer division truncates towards zero, as the halving of the doubled grid expects.
            const int sx = (int(std::lround(xx * c - yy * s)) - 1) / 2 + cx;
            const int sy = (int(std::lround(xx * s + yy * c)) - 1) / 2 + cy;
            line[x] = (sx >= 0 && sx < w && sy >= 0 && sy < h) ? src.pixel(sx, sy) : uncovered;
        }
    }
    return dst;
}

void DrawTabEdges(QPainter& p, const QRect& r, bool sunken, const TEdgeSide* open)
{
    const TColor light = sunken ? clBtnShadow : clBtnHighlight;
    const TColor dark = sunken ? clBtnHighlight : cl3DDkShadow;
    const TColor darkInner = sunken ? cl3DLight : clBtnShadow;
    const int l = r.left(), t = r.top(), rr = r.right(), b = r.bottom();
    const auto drawn = [&](TEdgeSide s) { return !open || *open != s; };
    const auto line = [&](TColor color, int x0, int y0, int x1, int y1) {
        p.setPen(painting::ToQColor(color));
        p.drawLine(x0, y0, x1, y1);
    };
    if (drawn(TEdgeSide::Top)) line(light, l, t, rr, t);
    if (drawn(TEdgeSide::Left)) line(light, l, t, l, b);
    if (drawn(TEdgeSide::Right)) {
        line(dark, rr, t, rr, b);
        line(darkInner, rr - 1, t + 1, rr - 1, b - (drawn(TEdgeSide::Bottom) ? 1 : 0));
    }
    if (drawn(TEdgeSide::Bottom)) {
        line(dark, l, b, rr, b);
        line(darkInner, l + 1, b - 1, rr - 1, b - 1);
    }
}

void DrawRotatedText(QPainter& painter, const QRect& rect, const QString& text, int angle, const QFont& font,
                     const QColor& textColor, const QColor& brush, bool outlineFont)
{
    const QFontMetrics fm(font);
    const int tw = fm.horizontalAdvance(text), th = fm.height();
    const int midX = rect.left() + rect.width() / 2, midY = rect.top() + rect.height() / 2;

    if (outlineFont) {
        painter.save();
        painter.setFont(font);
        painter.setPen(textColor);
        if (angle == 90) {
            painter.translate(midX - th / 2, midY + tw / 2);
            painter.rotate(-90);
        } else {
            painter.translate(midX + th / 2, midY - tw / 2);
            painter.rotate(90);
        }
        painting::DrawTextAt(painter, 0, 0, text);
        painter.restore();
        return;
    }

    int side = std::max(tw, th);
    side += side % 2;
    if (side == 0) return;
    QImage plain(side, side, QImage::Format_RGB32);
    plain.fill(brush);
    const int y0 = side / 2 - th / 2;
    {
        QPainter p(&plain);
        painting::BeginPlainPaint(p);
        p.setFont(font);
        p.setPen(textColor);
        painting::DrawTextAt(p, 0, y0, text);
    }
    const QImage turned = RotateBitmap(plain, angle);
    const int srcX = angle == 270 ? y0 - 1 : y0;
    const int dstX = midX - th / 2, dstY = midY - tw / 2;
    const QRgb transparent = brush.rgb() | 0xFF000000u;
    QImage piece(th, tw, QImage::Format_ARGB32);
    piece.fill(Qt::transparent);
    for (int y = 0; y < tw; ++y)
        for (int x = 0; x < th; ++x) {
            const int sx = srcX + x;
            if (sx < 0 || sx >= side || y >= side) continue;
            const QRgb px = turned.pixel(sx, y) | 0xFF000000u;
            if (px != transparent) piece.setPixel(x, y, px);
        }
    painter.drawImage(dstX, dstY, piece);
}

#include "platform/Painting.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QString>
#include <vector>

namespace painting {

namespace {

// The palette role of each system colour (indexed by its low byte), or -1: the classic colour
// always.
// clang-format off
constexpr int kRoles[kSystemColorCount] = {
    -1, -1, -1, -1, QPalette::Window,                       // scroll bar .. menu
    QPalette::Base, -1, QPalette::WindowText, QPalette::Text, -1,  // window .. caption text
    -1, -1, -1, QPalette::Highlight, QPalette::HighlightedText,    // borders .. highlight text
    QPalette::Button, QPalette::Dark, -1, QPalette::ButtonText, -1,  // button face .. inactive caption text
    QPalette::Light, QPalette::Shadow, QPalette::Midlight, QPalette::ToolTipText, QPalette::ToolTipBase,
};
// clang-format on

QRgb ToQRgb(TColor c)
{
    c = ColorToRGB(c);
    return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

}  // namespace

TColor ColorToRGB(TColor color)
{
    const TColor index = color & 0xFF;
    const bool known = (color & kSystemColor) && (color & 0x7FFFFF00) == 0 && index < TColor(kSystemColorCount);
    if (known && kRoles[index] >= 0 && qGuiApp)
        return FromQColor(QGuiApplication::palette().color(QPalette::ColorRole(kRoles[index])));
    return ClassicColorToRGB(color);
}

QColor ToQColor(TColor color)
{
    return QColor(ToQRgb(color));
}

TColor FromQColor(const QColor& color)
{
    const QColor c = color.toRgb();
    return RGB(c.red(), c.green(), c.blue());
}

void BeginPlainPaint(QPainter& painter)
{
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
}

void DrawLineTo(QPainter& painter, int x0, int y0, int x1, int y1)
{
    if (x0 == x1 && y0 == y1) return;
    // Step back one pixel along the major axis, as a line of that length ends one short.
    const int dx = x1 - x0, dy = y1 - y0;
    if (std::abs(dx) >= std::abs(dy)) {
        const int ex = x1 - (dx > 0 ? 1 : -1);
        const int ey = y0 + (ex - x0) * dy / dx;
        painter.drawLine(x0, y0, ex, ey);
    } else {
        const int ey = y1 - (dy > 0 ? 1 : -1);
        const int ex = x0 + (ey - y0) * dx / dy;
        painter.drawLine(x0, y0, ex, ey);
    }
}

void DrawTextAt(QPainter& painter, int x, int y, const QString& text)
{
    painter.drawText(x, y + painter.fontMetrics().ascent(), text);
}

void FloodFillSurface(QImage& image, const QPoint& start, TColor surface, TColor fill)
{
    if (!image.valid(start)) return;
    if (image.format() != QImage::Format_ARGB32 && image.format() != QImage::Format_RGB32)
        image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const QRgb from = ToQRgb(surface) & 0xFFFFFF, to = ToQRgb(fill) & 0xFFFFFF;
    auto pixel = [&](int x, int y) -> QRgb& { return reinterpret_cast<QRgb*>(image.scanLine(y))[x]; };
    auto matches = [&](int x, int y) { return (pixel(x, y) & 0xFFFFFF) == from && qAlpha(pixel(x, y)) != 0; };
    if (!matches(start.x(), start.y()) || from == to) return;
    std::vector<QPoint> todo{start};
    while (!todo.empty()) {
        const QPoint p = todo.back();
        todo.pop_back();
        if (!image.valid(p) || !matches(p.x(), p.y())) continue;
        QRgb& px = pixel(p.x(), p.y());
        px = (px & 0xFF000000) | to;
        todo.push_back({p.x() + 1, p.y()});
        todo.push_back({p.x() - 1, p.y()});
        todo.push_back({p.x(), p.y() + 1});
        todo.push_back({p.x(), p.y() - 1});
    }
}

bool IsTrueTypeFont(const QFont& font)
{
    static const char* const rasterFaces[] = {"MS Sans Serif", "MS Serif", "System", "Small Fonts", "Terminal",
                                              "Fixedsys", "Courier", "Modern", "Roman", "Script"};
    for (const char* face : rasterFaces)
        if (font.family().compare(QLatin1String(face), Qt::CaseInsensitive) == 0) return false;
    const QFontInfo drawn(font);
    return QFontDatabase::isSmoothlyScalable(drawn.family(), drawn.styleName());
}

}  // namespace painting

#include "platform/Painting.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QString>
#include <vector>

namespace painting {

namespace {

struct SystemColor {
    TColor classic;
    int role;  // a QPalette::ColorRole, or -1: the classic colour always
};

// Indexed by the low byte of the system colour.
// clang-format off
const SystemColor kSystemColors[] = {
    {RGB(192, 192, 192), -1},                      // clScrollBar
    {RGB(0, 128, 128), -1},                        // clBackground
    {RGB(0, 0, 128), -1},                          // clActiveCaption
    {RGB(128, 128, 128), -1},                      // clInactiveCaption
    {RGB(192, 192, 192), QPalette::Window},        // clMenu
    {RGB(255, 255, 255), QPalette::Base},          // clWindow
    {RGB(0, 0, 0), -1},                            // clWindowFrame
    {RGB(0, 0, 0), QPalette::WindowText},          // clMenuText
    {RGB(0, 0, 0), QPalette::Text},                // clWindowText
    {RGB(255, 255, 255), -1},                      // clCaptionText
    {RGB(192, 192, 192), -1},                      // clActiveBorder
    {RGB(192, 192, 192), -1},                      // clInactiveBorder
    {RGB(128, 128, 128), -1},                      // clAppWorkSpace
    {RGB(0, 0, 128), QPalette::Highlight},         // clHighlight
    {RGB(255, 255, 255), QPalette::HighlightedText}, // clHighlightText
    {RGB(192, 192, 192), QPalette::Button},        // clBtnFace
    {RGB(128, 128, 128), QPalette::Dark},          // clBtnShadow
    {RGB(128, 128, 128), -1},                      // clGrayText
    {RGB(0, 0, 0), QPalette::ButtonText},          // clBtnText
    {RGB(192, 192, 192), -1},                      // clInactiveCaptionText
    {RGB(255, 255, 255), QPalette::Light},         // clBtnHighlight
    {RGB(64, 64, 64), QPalette::Shadow},           // cl3DDkShadow
    {RGB(223, 223, 223), QPalette::Midlight},      // cl3DLight
    {RGB(0, 0, 0), QPalette::ToolTipText},         // clInfoText
    {RGB(255, 255, 225), QPalette::ToolTipBase},   // clInfoBk
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
    if (!(color & kSystemColor)) return color & 0xFFFFFF;
    const TColor index = color & 0xFF;
    if ((color & 0x7FFFFF00) != 0 || index >= std::size(kSystemColors)) return clBlack;
    const SystemColor& entry = kSystemColors[index];
    if (entry.role >= 0 && qGuiApp) return FromQColor(QGuiApplication::palette().color(QPalette::ColorRole(entry.role)));
    return entry.classic;
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

}  // namespace painting

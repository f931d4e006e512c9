#include "controls/input/VisualRoutines.h"

#include "controls/input/TextRoutines.h"
#include "platform/QtText.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace {

// The shape of a glyph embossed onto `target` at `offset`: highlight one pixel right and down,
// then shadow on top.
template <class InShape>
void emboss(QImage& target, QPoint offset, const QImage& source, InShape inShape, TColor highlight, TColor shadow,
            bool drawHighlight)
{
    const QRgb colours[2] = {ToQColor(highlight).rgb(), ToQColor(shadow).rgb()};
    for (int pass = drawHighlight ? 0 : 1; pass < 2; ++pass) {
        const int shift = pass == 0 ? 1 : 0;
        for (int y = 0; y < source.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(source.constScanLine(y));
            for (int x = 0; x < source.width(); ++x) {
                const QPoint at(offset.x() + x + shift, offset.y() + y + shift);
                if (inShape(line[x]) && target.rect().contains(at)) target.setPixel(at, colours[pass]);
            }
        }
    }
}

}  // namespace

QColor ToQColor(TColor color)
{
    const TColor rgb = ClassicColorToRGB(color);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

QRect ToQRect(const TRect& rect) { return QRect(rect.Left, rect.Top, RectWidth(rect), RectHeight(rect)); }

std::string MinimizeText(std::string_view text, const QFontMetrics& metrics, int width)
{
    // One reading for every candidate, the one the whole text is shown in.
    const bool utf8 = qttext::isValidUtf8(std::string(text));
    const auto shown = [utf8](std::string_view t) {
        const auto size = static_cast<qsizetype>(t.size());
        return utf8 ? QString::fromUtf8(t.data(), size) : QString::fromLatin1(t.data(), size);
    };
    return MinimizeText(text, [&](std::string_view t) { return metrics.horizontalAdvance(shown(t)); }, width);
}

void CenterWindow(QWidget* window)
{
    if (!window) return;
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect s = screen->geometry();
    const QRect f = window->frameGeometry();
    const TRect placed = CenteredRect({f.left(), f.top(), f.left() + f.width(), f.top() + f.height()},
                                      {s.left(), s.top(), s.left() + s.width(), s.top() + s.height()});
    window->move(placed.Left, placed.Top);
}

bool IsForegroundTask() { return QApplication::activeWindow() != nullptr; }

QImage CreateTwoColorsBrushPattern(TColor color1, TColor color2)
{
    QImage pattern(8, 8, QImage::Format_RGB32);
    const QRgb c1 = ToQColor(color1).rgb(), c2 = ToQColor(color2).rgb();
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) pattern.setPixel(x, y, (x + y) % 2 == 0 ? c2 : c1);
    return pattern;
}

QImage CreateDisabledBitmap(const QImage& bitmap, TColor outline, TColor background, TColor highlight,
                            TColor shadow, bool drawHighlight)
{
    QImage result(bitmap.size(), QImage::Format_RGB32);
    result.fill(ToQColor(background));
    const QImage source = bitmap.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = ToQColor(outline).rgb() & RGB_MASK;
    emboss(result, QPoint(0, 0), source, [key](QRgb p) { return (p & RGB_MASK) == key; }, highlight, shadow,
           drawHighlight);
    return result;
}

QImage CreateDisabledBitmap(const QImage& bitmap, TColor outline)
{
    return CreateDisabledBitmap(bitmap, outline, clBtnFace, clBtnHighlight, clBtnShadow, true);
}

void ImageListDrawDisabled(const QList<QImage>& images, QPainter& canvas, int x, int y, int index,
                           TColor highlight, TColor shadow, bool drawHighlight)
{
    if (index < 0 || index >= images.size()) return;
    const QImage source = images[index].convertToFormat(QImage::Format_ARGB32);
    QImage layer(source.width() + 1, source.height() + 1, QImage::Format_ARGB32);
    layer.fill(Qt::transparent);
    emboss(layer, QPoint(0, 0), source, [](QRgb p) { return qAlpha(p) != 0; }, highlight, shadow, drawHighlight);
    canvas.drawImage(x, y, layer);
}

void GradientFillRect(QPainter& canvas, const TRect& rect, TColor startColor, TColor endColor,
                      TGradientDirection direction, int colours)
{
    if (RectWidth(rect) <= 0 || RectHeight(rect) <= 0) return;
    const bool vertical = direction == gdTopToBottom || direction == gdBottomToTop;
    const bool forward = direction == gdTopToBottom || direction == gdLeftToRight;
    const TColor start = ClassicColorToRGB(startColor), end = ClassicColorToRGB(endColor);
    const TColor base = forward ? start : end;
    const TColor far = forward ? end : start;
    const int dr = GetRValue(far) - GetRValue(base), dg = GetGValue(far) - GetGValue(base),
              db = GetBValue(far) - GetBValue(base);
    const int extent = vertical ? RectHeight(rect) : RectWidth(rect);
    const int bands = std::clamp(colours, 1, extent);
    const int bandSize = extent / bands;
    const int origin = vertical ? rect.Top : rect.Left;

    const auto fillSpan = [&](int from, int length, TColor colour) {
        const TRect span = vertical ? TRect{rect.Left, from, rect.Right, from + length}
                                    : TRect{from, rect.Top, from + length, rect.Bottom};
        canvas.fillRect(ToQRect(span), ToQColor(colour));
    };
    for (int i = 0; i < bands; ++i) {
        const auto step = [&](int delta) { return bands == 1 ? 0 : MulDiv(i, delta, bands - 1); };
        fillSpan(origin + i * bandSize, bandSize,
                 RGB(GetRValue(base) + step(dr), GetGValue(base) + step(dg), GetBValue(base) + step(db)));
    }
    if (const int remainder = extent % bands; remainder > 0) fillSpan(origin + bands * bandSize, remainder, far);
}

#include "controls/effects/EffBitmaps.h"

#include "controls/effects/EffUtils.h"
#include "platform/Painting.h"

#include <QPainter>
#include <vector>

namespace {

QRgb keyOf(TColor color) { return painting::ToQColor(color).rgb() | 0xFF000000u; }

QImage asRgb32(const QImage& image)
{
    return image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
}

// The bitmap (and mask) at the size it is drawn.
QImage sized(const QImage& image, int w, int h)
{
    if (image.width() == w && image.height() == h) return image;
    // Nearest pixel, as a colour-on-colour stretch does: key colours stay exact.
    return image.scaled(w, h, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

QImage brushCopy(const QImage& image, TColor replacement)
{
    QImage copy = asRgb32(image);
    const QRgb own = copy.pixel(0, copy.height() - 1) | 0xFF000000u;
    const QRgb with = keyOf(replacement);
    for (int y = 0; y < copy.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(copy.scanLine(y));
        for (int x = 0; x < copy.width(); ++x)
            if ((line[x] | 0xFF000000u) == own) line[x] = with;
    }
    return copy;
}

void drawOne(QPainter& canvas, QPoint at, const QImage& image, const QImage* mask, TColor transparentColor,
             int flags)
{
    if (flags & kBmpTransparent && transparentColor != kNoTransparentColor) {
        QImage m, img;
        CreateMaskBitmaps(image, {0, 0, image.width(), image.height()}, m, transparentColor, img);
        DrawTransparent(canvas, at, m, img);
    } else if (flags & kBmpBrushCopy) {
        const TColor with = transparentColor != kNoTransparentColor ? transparentColor
                                                                     : painting::FromQColor(canvas.brush().color());
        canvas.drawImage(at, brushCopy(image, with));
    } else if (flags & kBmpMask && mask) {
        DrawTransparent(canvas, at, *mask, image);
    } else {
        canvas.drawImage(at, image);
    }
}

}  // namespace

void CreateMaskBitmaps(const QImage& source, const TRect& area, QImage& mask, TColor transparentColor, QImage& image)
{
    const QRect r = painting::GdiRect(area.Left, area.Top, area.Right, area.Bottom);
    image = asRgb32(source.copy(r));
    mask = QImage(image.size(), QImage::Format_RGB32);
    const QRgb key = keyOf(transparentColor);
    for (int y = 0; y < image.height(); ++y) {
        auto* in = reinterpret_cast<QRgb*>(image.scanLine(y));
        auto* out = reinterpret_cast<QRgb*>(mask.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const bool clear = (in[x] | 0xFF000000u) == key;
            out[x] = clear ? 0xFFFFFFFFu : 0xFF000000u;
            if (clear) in[x] = 0xFF000000u;
        }
    }
}

void DrawTransparent(QPainter& canvas, QPoint at, const QImage& mask, const QImage& image)
{
    const QPainter::CompositionMode mode = canvas.compositionMode();
    canvas.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    canvas.drawImage(at, asRgb32(mask));
    canvas.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
    canvas.drawImage(at, asRgb32(image));
    canvas.setCompositionMode(mode);
}

void FillBitmapArea(QImage& bitmap, const TRect& rect, TColor color)
{
    bitmap = QImage(std::max(0, RectWidth(rect)), std::max(0, RectHeight(rect)), QImage::Format_RGB32);
    bitmap.fill(painting::ToQColor(color));
}

void DrawBitmapStyled(QPainter& canvas, const TRect& rect, const QImage& source, const QImage* mask,
                      TColor transparentColor, QPoint offset, int flags)
{
    // An empty bitmap has no size to place or tile by.
    if (source.isNull() || source.width() <= 0 || source.height() <= 0) return;
    if (flags & kBmpMask && mask && mask->size() != source.size()) return;
    const int w = RectWidth(rect), h = RectHeight(rect);
    canvas.save();
    painting::BeginPlainPaint(canvas);
    if (flags & kBmpClip)
        canvas.setClipRect(painting::GdiRect(rect.Left, rect.Top, rect.Right, rect.Bottom).translated(offset),
                           Qt::IntersectClip);
    QImage image = source;
    QImage shape = mask ? *mask : QImage();
    std::vector<QPoint> places;
    if (flags & kBmpStretch) {
        TRect target{rect.Left, rect.Top, rect.Right, rect.Bottom};
        const TRect own{0, 0, source.width(), source.height()};
        if ((flags & kBmpAspect) == kBmpAspect) target = FitRect(own, rect);
        else if (flags & kBmpKeepWidth) target.Bottom = target.Top + MulDiv(source.height(), w, source.width());
        else if (flags & kBmpKeepHeight) target.Right = target.Left + MulDiv(source.width(), h, source.height());
        const int tw = RectWidth(target), th = RectHeight(target);
        if (tw > 0 && th > 0) {
            image = sized(source, tw, th);
            if (!shape.isNull()) shape = sized(shape, tw, th);
            places.emplace_back(target.Left, target.Top);
        }
    } else if (flags & kBmpTile) {
        const int rows = h / source.height() + 1, columns = w / source.width() + 1;
        for (int row = 0; row < rows; ++row)
            for (int column = 0; column < columns; ++column)
                places.emplace_back(rect.Left + column * source.width(), rect.Top + row * source.height());
    } else if (flags & kBmpCenter) {
        const TRect at = AlignRect(agCenter, {0, 0, source.width(), source.height()}, rect);
        places.emplace_back(at.Left, at.Top);
    } else {
        places.emplace_back(rect.Left, rect.Top);
    }
    for (const QPoint& at : places) drawOne(canvas, at, image, shape.isNull() ? nullptr : &shape, transparentColor, flags);
    canvas.restore();
}

int BitmapStyleFlags(TEffBitmapStyle style)
{
    switch (style) {
    case sbCenter: return kBmpClip | kBmpCenter;
    case sbStretch: return kBmpStretch;
    case sbTile: return kBmpClip | kBmpTile;
    case sbKeepAspRatio: return kBmpStretch | kBmpAspect;
    case sbKeepWidth: return kBmpClip | kBmpStretch | kBmpKeepWidth;
    case sbKeepHeight: return kBmpClip | kBmpStretch | kBmpKeepHeight;
    default: return kBmpClip;
    }
}

void DrawBitmap(QPainter& canvas, const TRect& rect, const QImage& bitmap, TColor transparentColor, QPoint offset,
                int flags)
{
    DrawBitmapStyled(canvas, rect, bitmap, nullptr, transparentColor, offset, flags);
}

TRect TileGridRect(const TRect& area, QPoint at, int tileWidth, int tileHeight)
{
    TRect r = area;
    if (tileWidth <= 0 || tileHeight <= 0) return r;
    r.Left -= ((at.x() % tileWidth) + tileWidth) % tileWidth;
    r.Top -= ((at.y() % tileHeight) + tileHeight) % tileHeight;
    return r;
}

void DrawBitmapBuffered(QPainter& canvas, const TRect& rect, const QImage& bitmap, TColor backColor,
                        TColor transparentColor, QImage& buffer)
{
    if (bitmap.isNull() || RectWidth(rect) <= 0 || RectHeight(rect) <= 0) return;
    QImage mask, image;
    CreateMaskBitmaps(bitmap, {0, 0, bitmap.width(), bitmap.height()}, mask, transparentColor, image);
    FillBitmapArea(buffer, {0, 0, RectWidth(rect), RectHeight(rect)}, backColor);
    {
        QPainter onBuffer(&buffer);
        DrawBitmapStyled(onBuffer, {0, 0, RectWidth(rect), RectHeight(rect)}, image, &mask, kNoTransparentColor, {},
                         kBmpMask);
    }
    DrawBitmap(canvas, rect, buffer, backColor, {}, kBmpTransparent | kBmpPalette);
}

#include "controls/effects/EffDraw.h"

#include "platform/Painting.h"

#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <cmath>

namespace {

QRect qrect(const TRect& r) { return painting::GdiRect(r.Left, r.Top, r.Right, r.Bottom); }

void usePen(QPainter& canvas, TColor color)
{
    QPen pen(painting::ToQColor(color), 1);
    pen.setCapStyle(Qt::SquareCap);
    canvas.setPen(pen);
}

// One ring of one-pixel lines drawn as the width-1 bevel is: the top-left polyline runs from the
// bottom-left up and across, the bottom-right one from the top-right down and back, each without
// its last pixel.
void ring(QPainter& canvas, const TRect& r, TColor topLeft, TColor bottomRight, int sides)
{
    if (r.Right <= r.Left || r.Bottom <= r.Top) return;
    const int l = r.Left, t = r.Top, ri = r.Right - 1, b = r.Bottom - 1;
    usePen(canvas, topLeft);
    if (sides & BF_LEFT) painting::DrawLineTo(canvas, l, b, l, t);
    if (sides & BF_TOP) painting::DrawLineTo(canvas, l, t, ri, t);
    usePen(canvas, bottomRight);
    if (sides & BF_RIGHT) painting::DrawLineTo(canvas, ri, t, ri, b);
    if (sides & BF_BOTTOM) painting::DrawLineTo(canvas, ri, b, l, b);
    // A one-pixel-wide or -high ring has lines of no length: fill what is there.
    if (r.Right - r.Left == 1 || r.Bottom - r.Top == 1) canvas.fillRect(qrect(r), painting::ToQColor(topLeft));
}

void shrink(TRect& r, int sides, int by)
{
    if (sides & BF_LEFT) r.Left += by;
    if (sides & BF_TOP) r.Top += by;
    if (sides & BF_RIGHT) r.Right -= by;
    if (sides & BF_BOTTOM) r.Bottom -= by;
}

void fillPolygon(QPainter& canvas, const QPolygon& polygon, TColor color)
{
    canvas.setPen(Qt::NoPen);
    canvas.setBrush(painting::ToQColor(color));
    canvas.drawPolygon(polygon);
}

// The framework's Rectangle: a pen of `penWidth` centred on the outline, the inside in the brush.
void gdiRectangle(QPainter& canvas, const TRect& r, int penWidth, TColor pen, TColor brush)
{
    const int before = penWidth / 2, after = (penWidth - 1) / 2;
    const TRect outer{r.Left - before, r.Top - before, r.Right + after, r.Bottom + after};
    canvas.fillRect(qrect(outer), painting::ToQColor(pen));
    const TRect inner{outer.Left + penWidth, outer.Top + penWidth, outer.Right - penWidth, outer.Bottom - penWidth};
    if (inner.Right > inner.Left && inner.Bottom > inner.Top) canvas.fillRect(qrect(inner), painting::ToQColor(brush));
}

// A shape filled without a pen covers one pixel less on its right and bottom, as the framework's
// Rectangle and Ellipse with a clear pen do; the gradient's shape sizes count on that.
void fillShape(QPainter& canvas, const TRect& r, TColor color, bool ellipse)
{
    const QRect area = painting::GdiRect(r.Left, r.Top, r.Right - 1, r.Bottom - 1);
    if (area.isEmpty()) return;
    if (!ellipse) {
        canvas.fillRect(area, painting::ToQColor(color));
        return;
    }
    canvas.setPen(Qt::NoPen);
    canvas.setBrush(painting::ToQColor(color));
    canvas.drawEllipse(area);
}

void paintGradient(QPainter& canvas, int w, int h, TEffGradientStyle style, std::span<const TColor> colors)
{
    const int n = static_cast<int>(colors.size());
    if (style == gstHorizontal) {
        for (int i = 0; i < n; ++i)
            canvas.fillRect(painting::GdiRect(MulDiv(i, w, n), 0, MulDiv(i + 1, w, n), h),
                            painting::ToQColor(colors[static_cast<std::size_t>(i)]));
        return;
    }
    const int cx = w / 2, cy = h / 2;
    for (int i = n - 1; i >= 0; --i) {
        const TColor color = colors[static_cast<std::size_t>(i)];
        const int dx = MulDiv(i + 1, w, n), dy = MulDiv(i + 1, h, n);
        switch (style) {
        case gstVertical:
            canvas.fillRect(painting::GdiRect(0, MulDiv(i, h, n), w, MulDiv(i + 1, h, n)), painting::ToQColor(color));
            break;
        case gstSquare: {
            const int rx = dx / 2, ry = dy / 2;
            fillShape(canvas, {cx - rx, cy - ry, cx + rx + 2, cy + ry + 2}, color, false);
            break;
        }
        case gstElliptic: {
            // 5/7: the outermost ellipse reaches the corners.
            const int rx = static_cast<int>(std::lround(dx * 0.7142857142857143));
            const int ry = static_cast<int>(std::lround(dy * 0.7142857142857143));
            fillShape(canvas, {cx - rx, cy - ry, cx + rx, cy + ry}, color, true);
            break;
        }
        case gstTopLeft: fillShape(canvas, {0, 0, dx + 1, dy + 1}, color, false); break;
        case gstTopRight: fillShape(canvas, {w - dx, 0, w + 1, dy + 1}, color, false); break;
        case gstBottomLeft: fillShape(canvas, {0, h - dy, dx + 1, h + 1}, color, false); break;
        case gstBottomRight: fillShape(canvas, {w - dx, h - dy, w + 1, h + 1}, color, false); break;
        default: break;
        }
    }
}

}  // namespace

void FrameRect(QPainter& canvas, const TRect& r, TColor color)
{
    if (r.Right <= r.Left || r.Bottom <= r.Top) return;
    const QColor c = painting::ToQColor(color);
    canvas.fillRect(painting::GdiRect(r.Left, r.Top, r.Right, r.Top + 1), c);
    canvas.fillRect(painting::GdiRect(r.Left, r.Bottom - 1, r.Right, r.Bottom), c);
    canvas.fillRect(painting::GdiRect(r.Left, r.Top, r.Left + 1, r.Bottom), c);
    canvas.fillRect(painting::GdiRect(r.Right - 1, r.Top, r.Right, r.Bottom), c);
}

void FillSolidRect(QPainter& canvas, const TRect& r, TColor color)
{
    if (r.Right > r.Left && r.Bottom > r.Top) canvas.fillRect(qrect(r), painting::ToQColor(color));
}

void DrawEdge(QPainter& canvas, TRect& rect, int edge, int flags)
{
    canvas.save();
    painting::BeginPlainPaint(canvas);
    const bool soft = flags & BF_SOFT;
    const int sides = flags & BF_RECT;
    TRect r = rect;
    int rings = 0;
    // Outer ring first, then the inner one inside it.
    if (edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER)) {
        if (edge & BDR_RAISEDOUTER) ring(canvas, r, soft ? clBtnHighlight : cl3DLight, cl3DDkShadow, sides);
        else ring(canvas, r, soft ? cl3DDkShadow : clBtnShadow, clBtnHighlight, sides);
        shrink(r, sides, 1);
        ++rings;
    }
    if (edge & (BDR_RAISEDINNER | BDR_SUNKENINNER)) {
        if (edge & BDR_RAISEDINNER) ring(canvas, r, soft ? cl3DLight : clBtnHighlight, clBtnShadow, sides);
        else ring(canvas, r, soft ? clBtnShadow : cl3DDkShadow, cl3DLight, sides);
        ++rings;
    }
    canvas.restore();
    if (flags & BF_ADJUST) shrink(rect, sides, rings);
}

bool DrawBevelFrame(QPainter& canvas, TRect& rect, TEffBevelStyle style, int width, TColor shadowColor,
                    TColor lightColor)
{
    if (style == bvNone || style == bvShadow || width <= 0) return false;
    TColor topLeft = lightColor, bottomRight = shadowColor;
    if (style == bvLowered || style == bvFrameLowered) std::swap(topLeft, bottomRight);
    if (style == bvNormal) topLeft = bottomRight = clBlack;
    canvas.save();
    painting::BeginPlainPaint(canvas);
    const int l = rect.Left, t = rect.Top, r = rect.Right, b = rect.Bottom, w = width;
    if (style == bvFrameLowered || style == bvFrameRaised) {
        for (int i = 0; i < w; ++i) {
            FrameRect(canvas, {l + i + 1, t + i + 1, r, b}, bottomRight);
            FrameRect(canvas, {l, t, r - i - 1, b - i - 1}, topLeft);
        }
        canvas.restore();
        rect = {l + w + 1, t + w + 1, r - w - 1, b - w - 1};
        return true;
    }
    if (w == 1) {
        ring(canvas, rect, topLeft, bottomRight, BF_RECT);
    } else {
        fillPolygon(canvas, QPolygon({{l, b}, {l + w, b - 1 - w}, {r - w, b - 1 - w}, {r - w, t + w}, {r, t}, {r, b}}),
                    bottomRight);
        fillPolygon(canvas, QPolygon({{l, b - 1}, {l + w, b - 1 - w}, {l + w, t + w}, {r - w - 1, t + w}, {r - 1, t}, {l, t}}),
                    topLeft);
    }
    canvas.restore();
    rect = {l + w, t + w, r - w, b - w};
    return true;
}

bool DrawShadowFrame(QPainter& canvas, TRect& rect, TColor penColor, bool transparent, int penWidth,
                     int shadowOffset, TColor faceColor, TColor shadowColor)
{
    canvas.save();
    painting::BeginPlainPaint(canvas);
    if (!transparent) FillSolidRect(canvas, rect, faceColor);
    FillSolidRect(canvas, {rect.Left + shadowOffset, rect.Top + shadowOffset, rect.Right + shadowOffset,
                           rect.Bottom + shadowOffset},
                  shadowColor);
    const int half = penWidth / 2, d = shadowOffset + half;
    const TRect face{rect.Left + half, rect.Top + half, rect.Right - d, rect.Bottom - d};
    gdiRectangle(canvas, face, penWidth, penColor, faceColor);
    canvas.restore();
    const int in = half + 1;
    rect = {face.Left + in, face.Top + in, face.Right - in, face.Bottom - in};
    return true;
}

int BorderStyleWidth(TEffBorderStyle style)
{
    switch (style) {
    case lsNone: return 0;
    case lsSingle: case lsSingleRaised: case lsSingleLowered: return 1;
    default: return 2;
    }
}

bool DrawStandardBorder(QPainter& canvas, TRect& r, TEffBorderStyle style)
{
    constexpr int A = BF_ADJUST, S = BF_SOFT;
    switch (style) {
    case lsNone: break;
    case lsSingle:
        DrawEdge(canvas, r, BDR_SUNKENOUTER, BF_TOPLEFT | S | A);
        DrawEdge(canvas, r, BDR_RAISEDOUTER, BF_BOTTOMRIGHT);
        break;
    case lsLowered: DrawEdge(canvas, r, EDGE_SUNKEN, BF_RECT | S | A); break;
    case lsRaised: DrawEdge(canvas, r, EDGE_RAISED, BF_RECT | S | A); break;
    case lsRaisedspb: case lsRaisedExt:
        DrawEdge(canvas, r, BDR_RAISEDOUTER, BF_RECT | S | A);
        DrawEdge(canvas, r, BDR_RAISEDINNER, BF_BOTTOMRIGHT | A);
        if (style == lsRaisedExt) ++r.Left, ++r.Top;
        break;
    case lsLoweredspb: case lsLoweredExt:
        DrawEdge(canvas, r, BDR_SUNKENOUTER, BF_RECT | A);
        DrawEdge(canvas, r, BDR_SUNKENINNER, BF_TOPLEFT | A);
        if (style == lsLoweredExt) --r.Right, --r.Bottom;
        break;
    case lsFrameInset: DrawEdge(canvas, r, EDGE_ETCHED, BF_RECT | A); break;
    case lsFrameOffset:
        DrawEdge(canvas, r, BDR_RAISEDINNER, BF_RECT | A);
        DrawEdge(canvas, r, BDR_SUNKENOUTER, BF_RECT | A);
        break;
    case lsWindowBorder:
        DrawEdge(canvas, r, BDR_RAISEDOUTER, BF_BOTTOMRIGHT | A);
        ++r.Left, ++r.Top;
        DrawEdge(canvas, r, BDR_RAISEDINNER, BF_RECT | A);
        break;
    case lsSingleRaised: DrawEdge(canvas, r, BDR_RAISEDINNER, BF_RECT | A); break;
    case lsSingleLowered: DrawEdge(canvas, r, BDR_SUNKENOUTER, BF_RECT | A); break;
    case lsDoubleRaised:
        DrawEdge(canvas, r, BDR_RAISEDINNER, BF_RECT | A);
        DrawEdge(canvas, r, BDR_RAISEDINNER, BF_RECT | A);
        break;
    case lsDoubleLowered:
        DrawEdge(canvas, r, BDR_SUNKENOUTER, BF_RECT | A);
        DrawEdge(canvas, r, BDR_SUNKENOUTER, BF_RECT | A);
        break;
    }
    return true;
}

void FillGradient(QPainter& canvas, const TRect& rect, TEffGradientStyle style, int flags,
                  std::span<const TColor> colors, QPoint offset)
{
    const int w = RectWidth(rect), h = RectHeight(rect);
    if (colors.empty() || w <= 0 || h <= 0) return;
    canvas.save();
    painting::BeginPlainPaint(canvas);
    if (flags & kGradientClip) canvas.setClipRect(qrect(rect).translated(offset), Qt::IntersectClip);
    if (flags & kGradientBuffered) {
        QImage buffer(w, h, QImage::Format_RGB32);
        {
            QPainter onBuffer(&buffer);
            painting::BeginPlainPaint(onBuffer);
            paintGradient(onBuffer, w, h, style, colors);
        }
        canvas.drawImage(rect.Left, rect.Top, buffer);
    } else {
        canvas.translate(rect.Left, rect.Top);
        canvas.setClipRect(QRect(0, 0, w, h), Qt::IntersectClip);
        paintGradient(canvas, w, h, style, colors);
    }
    canvas.restore();
}

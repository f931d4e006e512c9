#include "controls/effects/EffPaintObjects.h"

#include "controls/effects/EffDraw.h"
#include "platform/Painting.h"

#include <QPainter>
#include <algorithm>

namespace {

bool isFrame(TEffBevelStyle style) { return style == bvFrameLowered || style == bvFrameRaised; }

}  // namespace

TEffBevel::TEffBevel(QObject* parent) : TEffObject(parent) { extend_ = ComputeExtend(); }

void TEffBevel::Assign(const TEffObject* source)
{
    const auto* other = qobject_cast<const TEffBevel*>(source);
    if (!other) AssignError(source);
    styleInner_ = other->styleInner_;
    styleOuter_ = other->styleOuter_;
    widthInner_ = other->widthInner_;
    widthOuter_ = other->widthOuter_;
    std::copy(std::begin(other->colors_), std::end(other->colors_), colors_);
    borderSides_ = other->borderSides_;
    borderWidth_ = other->borderWidth_;
    borderInnerWidth_ = other->borderInnerWidth_;
    edgeStyle_ = other->edgeStyle_;
    mode_ = other->mode_;
    standardStyle_ = other->standardStyle_;
    Change();
}

void TEffBevel::SetStyle(TEffBevelStyle& mine, TEffBevelStyle& other, TEffBevelStyle style)
{
    if (mine == style) return;
    // The shadow occupies both styles.
    if (mine == bvShadow) other = bvNone;
    if (style == bvShadow) other = bvShadow;
    mine = style;
    Change();
}

void TEffBevel::SetWidthInner(int width) { SetField(widthInner_, std::clamp(width, 0, kMaxBevelWidth)); }
void TEffBevel::SetWidthOuter(int width) { SetField(widthOuter_, std::clamp(width, 0, kMaxBevelWidth)); }
void TEffBevel::SetBorderWidth(int width) { SetField(borderWidth_, std::clamp(width, 0, kMaxBorderWidth)); }
void TEffBevel::SetBorderInnerWidth(int width) { SetField(borderInnerWidth_, std::clamp(width, 0, kMaxBorderWidth)); }
void TEffBevel::SetColor(int index, TColor color) { SetField(colors_[index], color); }

void TEffBevel::SetStandardStyle(TEffBorderStyle style)
{
    if (standardStyle_ == style) return;
    standardStyle_ = style;
    if (mode_ == bmStandard) Change();
    else extend_ = ComputeExtend();
}

void TEffBevel::Change()
{
    extend_ = ComputeExtend();
    TEffObject::Change();
}

int TEffBevel::ComputeExtend() const
{
    switch (mode_) {
    case bmCustom: {
        if (styleInner_ == bvShadow) return widthOuter_ / 2 + widthInner_ + 1 + borderInnerWidth_;
        int extend = borderWidth_ + borderInnerWidth_;
        if (styleInner_ == bvNone && styleOuter_ == bvNone) return extend;
        if (styleOuter_ != bvNone) extend += widthOuter_ + (isFrame(styleOuter_) ? 1 : 0);
        if (styleInner_ != bvNone) extend += widthInner_ + (isFrame(styleInner_) ? 1 : 0);
        return extend;
    }
    case bmStandard: return BorderStyleWidth(standardStyle_) + borderInnerWidth_;
    case bmEdge: return (borderSides_ ? 2 : 0) + borderInnerWidth_;
    }
    return 0;
}

void TEffBevel::BorderBand(QPainter& canvas, TRect& r, int width, bool transparent) const
{
    for (int i = 0; i < width; ++i) {
        if (!transparent) FrameRect(canvas, r, BorderColor());
        r = {r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
    }
}

void TEffBevel::PaintBevel(QPainter& canvas, const TRect& rect, TRect& inner, bool transparent) const
{
    inner = rect;
    if (extend_ == 0) return;
    TRect r = rect;
    switch (mode_) {
    case bmCustom:
        if (styleInner_ == bvShadow) {
            DrawShadowFrame(canvas, r, LightColor(), transparent, widthInner_, widthOuter_, BorderColor(), ShadowColor());
        } else {
            DrawBevelFrame(canvas, r, styleOuter_, widthOuter_, ShadowColor(), LightColor());
            BorderBand(canvas, r, borderWidth_, transparent);
            DrawBevelFrame(canvas, r, styleInner_, widthInner_, ShadowColor(), LightColor());
        }
        break;
    case bmStandard: DrawStandardBorder(canvas, r, standardStyle_); break;
    case bmEdge:
        if (borderSides_) {
            static constexpr int kEdges[] = {BDR_RAISEDINNER, BDR_RAISEDOUTER, BDR_SUNKENINNER, BDR_SUNKENOUTER,
                                             EDGE_BUMP,       EDGE_ETCHED,     EDGE_RAISED,     EDGE_SUNKEN};
            int sides = 0;
            if (borderSides_ & fsLeft) sides |= BF_LEFT;
            if (borderSides_ & fsTop) sides |= BF_TOP;
            if (borderSides_ & fsRight) sides |= BF_RIGHT;
            if (borderSides_ & fsBottom) sides |= BF_BOTTOM;
            TRect edge = r;
            DrawEdge(canvas, edge, kEdges[edgeStyle_], sides);
            r = {r.Left + 2, r.Top + 2, r.Right - 2, r.Bottom - 2};
        }
        break;
    }
    BorderBand(canvas, r, borderInnerWidth_, transparent);
    inner = r;
}

TEffGradient::TEffGradient(QObject* parent) : TEffObject(parent) { ComputeColors(); }

void TEffGradient::Assign(const TEffObject* source)
{
    const auto* other = qobject_cast<const TEffGradient*>(source);
    if (!other) AssignError(source);
    BeginUpdate();
    SetColor(other->color_);
    SetColorCount(other->colorCount_);
    SetStyle(other->style_);
    SetEndColor(other->endColor_);
    SetPaletteRealize(other->paletteRealize_);
    EndUpdate(true);
}

void TEffGradient::SetColor(TColor color)
{
    if (color_ == color) return;
    color_ = color;
    ComputeColors();
    Change();
}

void TEffGradient::SetColorCount(int count) { SetField(colorCount_, std::clamp(count, kMinColorCount, kMaxColorCount)); }

void TEffGradient::Change()
{
    ComputeColors();
    TEffObject::Change();
}

void TEffGradient::ComputeColors()
{
    colors_.clear();
    const TColor from = painting::ColorToRGB(color_), to = painting::ColorToRGB(endColor_);
    const int steps = colorCount_ - 1;
    const auto channel = [steps](int start, int end, int i) {
        return std::clamp(start + MulDiv(i, end - start, steps), 0, 255);
    };
    for (int i = 0; i < colorCount_; ++i)
        colors_.push_back(RGB(channel(GetRValue(from), GetRValue(to), i), channel(GetGValue(from), GetGValue(to), i),
                              channel(GetBValue(from), GetBValue(to), i)));
}

void TEffTransparent::Assign(const TEffObject* source)
{
    const auto* other = qobject_cast<const TEffTransparent*>(source);
    if (!other) AssignError(source);
    color_ = other->color_;
    mode_ = other->mode_;
    Change();
}

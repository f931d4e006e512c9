#include "controls/effects/EffCaptions.h"

#include "controls/effects/EffText.h"
#include "platform/Painting.h"

#include <QPainter>
#include <algorithm>

void TEff3DCaption::Assign3D(const TEff3DCaption& other)
{
    disabledStyle_ = other.disabledStyle_;
    lightDepth_ = other.lightDepth_;
    shadowDepth_ = other.shadowDepth_;
    lightColor_ = other.lightColor_;
    shadowColor_ = other.shadowColor_;
    style_ = other.style_;
    tracing_ = other.tracing_;
}

void TEff3DCaption::Assign(const TEffObject* source)
{
    const auto* other = qobject_cast<const TEff3DCaption*>(source);
    if (!other) AssignError(source);
    Assign3D(*other);
    Change();
}

void TEff3DCaption::SetLightDepth(int depth) { SetField(lightDepth_, std::clamp(depth, 0, 255)); }
void TEff3DCaption::SetShadowDepth(int depth) { SetField(shadowDepth_, std::clamp(depth, 0, 255)); }

void TEffFxCaption::Assign(const TEffObject* source)
{
    const auto* fx = qobject_cast<const TEffFxCaption*>(source);
    if (!fx) {
        TEff3DCaption::Assign(source);
        return;
    }
    Assign3D(*fx);
    angle_ = fx->angle_;
    posX_ = fx->posX_;
    posY_ = fx->posY_;
    Change();
}

void TEffFxCaption::SetAngle(int angle)
{
    SetField(angle_, std::clamp(angle, 0, 360) % 360);
}

void TEffFxCaption::SetPosX(int x) { SetField(posX_, std::clamp(x, 0, 0xFFFF)); }
void TEffFxCaption::SetPosY(int y) { SetField(posY_, std::clamp(y, 0, 0xFFFF)); }

void TEffFxCaption::SetPos(int x, int y)
{
    BeginUpdate();
    SetPosX(x);
    SetPosY(y);
    EndUpdate(false);
}

TEffCaption::TEffCaption(QObject* parent) : TEffObject(parent), font_(new TFont), fontFx_(new TEffFxCaption)
{
    Own(font_);
    Own(fontFx_);
}

void TEffCaption::Assign(const TEffObject* source)
{
    const auto* other = qobject_cast<const TEffCaption*>(source);
    if (!other) AssignError(source);
    BeginUpdate();
    SetAlignment(other->alignment_);
    SetCaption(other->caption_);
    font_->Assign(other->font_);
    fontFx_->Assign(other->fontFx_);
    SetMultiLine(other->multiLine_);
    EndUpdate(true);
}

void TEffCaption::SetFont(TFont* font)
{
    if (font && font != font_) font_->Assign(font);
}

void TEffCaption::SetFontFx(TEffFxCaption* fx)
{
    if (fx && fx != fontFx_) fontFx_->Assign(fx);
}

void TEffCaption::GetChange(TEffObject* sender)
{
    // Only outline fonts turn: a bitmap font drops the angle, an angle asks for an outline font.
    if (fontFx_->Angle() != 0 && !IsTrueTypeFont(font_->ToQFont())) {
        if (sender == font_) fontFx_->SetAngle(0);
        else if (sender == fontFx_) font_->SetName(QStringLiteral("Arial"));
    }
    Change();
}

int TEffCaption::TextFlags(int flags) const
{
    int textFlags = AlignmentTextFlags(alignment_) | DT_WORDBREAK | DT_EXPANDTABS;
    if (!(flags & kCaptionPrefix)) textFlags |= DT_NOPREFIX;
    if (fontFx_->Angle() > 0 || !multiLine_) textFlags |= DT_SINGLELINE;
    return textFlags;
}

void TEffCaption::DrawCaption(QPainter& canvas, const TRect& rect, TRect& textRect, QPoint offset, TColor backColor,
                              int flags) const
{
    const int textFlags = TextFlags(flags);
    const QFont font = font_->ToQFont();
    textRect = rect;
    const bool rotated = fontFx_->Angle() != 0;
    if ((multiLine_ && !rotated && alignment_ >= agCenterLeft) || (rotated && alignment_ != agTopLeft))
        DrawFxTextCalc(font, alignment_, caption_, fontFx_, textRect, textFlags, rect);
    canvas.save();
    canvas.setBrush(Qt::NoBrush);
    canvas.setBackground(painting::ToQColor(backColor));
    canvas.setFont(font);
    canvas.setPen(painting::ToQColor(font_->Color()));
    const TRect clip{rect.Left + offset.x(), rect.Top + offset.y(), rect.Right + offset.x(), rect.Bottom + offset.y()};
    // A measured multi-line caption is placed as a block; its lines keep their own alignment.
    int drawFlags = textFlags;
    if (textRect != rect && !(textFlags & DT_SINGLELINE)) drawFlags &= ~(DT_VCENTER | DT_BOTTOM);
    DrawFxText(canvas, caption_, fontFx_, clip, flags | kFxClip, drawFlags, textRect);
    canvas.restore();
}

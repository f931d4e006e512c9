#include "controls/effects/EffText.h"

#include "controls/effects/EffCaptions.h"
#include "controls/effects/EffUtils.h"
#include "platform/Painting.h"
#include "platform/ByteText.h"
#include "platform/QtText.h"

#include <QFontMetrics>
#include <QPainter>
#include <climits>

namespace {

int qtFlags(int f)
{
    int q = (f & DT_CENTER) ? Qt::AlignHCenter : (f & DT_RIGHT) ? Qt::AlignRight : Qt::AlignLeft;
    // Vertical placement applies to single-line text only, as the layout has always done.
    if (f & DT_SINGLELINE) q |= Qt::TextSingleLine | ((f & DT_VCENTER) ? Qt::AlignVCenter : (f & DT_BOTTOM) ? Qt::AlignBottom : Qt::AlignTop);
    else q |= Qt::AlignTop;
    if (f & DT_WORDBREAK && !(f & DT_SINGLELINE)) q |= Qt::TextWordWrap;
    if (f & DT_EXPANDTABS) q |= Qt::TextExpandTabs;
    if (!(f & DT_NOPREFIX)) q |= Qt::TextShowMnemonic;
    if (f & DT_NOCLIP) q |= Qt::TextDontClip;
    return q;
}

// The text's size at Rect's top-left; word-wrapped text keeps to Rect's width.
TRect measure(const QFont& font, const QString& text, const TRect& rect, int flags)
{
    const bool wraps = (flags & DT_WORDBREAK) && !(flags & DT_SINGLELINE);
    const QRect box(rect.Left, rect.Top, wraps ? std::max(1, RectWidth(rect)) : INT_MAX / 4, INT_MAX / 4);
    const QRect used = QFontMetrics(font).boundingRect(box, qtFlags(flags) & ~(Qt::AlignHCenter | Qt::AlignRight | Qt::AlignVCenter | Qt::AlignBottom), text);
    return {rect.Left, rect.Top, rect.Left + used.width(), rect.Top + used.height()};
}

QFont traced(const QFont& font, int tracing)
{
    QFont f = font;
    if (tracing != 0) f.setLetterSpacing(QFont::AbsoluteSpacing, tracing);
    return f;
}

struct TLayer {
    int Shift;
    TColor Color;
};

}  // namespace

int AlignmentTextFlags(TEffAlignment alignment)
{
    static constexpr int kAlign[] = {DT_LEFT | DT_TOP, DT_CENTER,          DT_RIGHT,
                                     DT_VCENTER,       DT_CENTER | DT_VCENTER, DT_RIGHT | DT_VCENTER,
                                     DT_BOTTOM,        DT_CENTER | DT_BOTTOM,  DT_RIGHT | DT_BOTTOM};
    return kAlign[alignment];
}

int DrawTextRect(QPainter& canvas, const QString& text, TRect& rect, int flags)
{
    if (flags & DT_CALCRECT) {
        rect = measure(canvas.font(), text, rect, flags);
        return RectHeight(rect);
    }
    QRect used;
    canvas.drawText(painting::GdiRect(rect.Left, rect.Top, rect.Right, rect.Bottom), qtFlags(flags), text, &used);
    return used.height();
}

void DrawFxText(QPainter& canvas, const QString& fullText, const TEff3DCaption* fx, const TRect& clipRect, int flags,
                int textFlags, const TRect& rect)
{
    if (fullText.isEmpty() || RectWidth(rect) <= 0 || RectHeight(rect) <= 0) return;
    const QString text = fullText.left(kFxMaxLength);
    canvas.save();
    painting::BeginPlainPaint(canvas);
    if (!fx) {
        TRect r = rect;
        DrawTextRect(canvas, text, r, textFlags);
        canvas.restore();
        return;
    }
    if (flags & kFxClip) {
        const TRect& c = RectWidth(clipRect) > 0 && RectHeight(clipRect) > 0 ? clipRect : rect;
        canvas.setClipRect(painting::GdiRect(c.Left, c.Top, c.Right, c.Bottom), Qt::IntersectClip);
    }
    TEffThreeDStyle style = fx->Style();
    TColor face = painting::FromQColor(style == tdPColorSunken || style == tdPColorRaised ? canvas.brush().color()
                                                                                         : canvas.pen().color());
    if (!(flags & kFxEnabled) && fx->DisabledStyle() != dsNone) {
        face = clGrayText;
        if (fx->DisabledStyle() == ds3d || (fx->DisabledStyle() == dsAuto && (flags & kFxAuto3D))) style = tdSunken;
    }
    TRect r = rect;
    int angle = 0;
    if (const auto* moved = qobject_cast<const TEffFxCaption*>(fx)) {
        r = {r.Left + moved->PosX(), r.Top + moved->PosY(), r.Right + moved->PosX(), r.Bottom + moved->PosY()};
        angle = moved->Angle();
    }
    canvas.setFont(traced(canvas.font(), fx->Tracing()));
    canvas.setBrush(Qt::NoBrush);
    const int l = fx->LightDepth(), s = fx->ShadowDepth();
    const TColor light = fx->LightColor(), shadow = fx->ShadowColor();
    std::vector<TLayer> layers;
    int reduce = 0;
    switch (style) {
    case tdNone: layers = {{0, face}}; break;
    case tdSunken: layers = {{l, light}, {0, face}}, reduce = l; break;
    case tdRaised: layers = {{0, light}, {l, face}}, reduce = l; break;
    case tdSunkenShadow: case tdPColorSunken: layers = {{0, shadow}, {l + s, light}, {s, face}}, reduce = l + s; break;
    case tdRaisedShadow: case tdPColorRaised: layers = {{l + s, shadow}, {0, light}, {l, face}}, reduce = l + s; break;
    case tdShadow: layers = {{s, shadow}, {0, face}}, reduce = s; break;
    }
    r.Right -= reduce;
    for (const TLayer& layer : layers) {
        canvas.setPen(painting::ToQColor(layer.Color));
        if (angle != 0) {
            canvas.save();
            canvas.translate(r.Left + layer.Shift, r.Top + layer.Shift);
            canvas.rotate(-angle);  // counter-clockwise, as escapement turns
            painting::DrawTextAt(canvas, 0, 0, text);
            canvas.restore();
        } else {
            TRect at{r.Left + layer.Shift, r.Top + layer.Shift, r.Right + layer.Shift, r.Bottom + layer.Shift};
            DrawTextRect(canvas, text, at, textFlags & ~DT_CALCRECT);
        }
    }
    canvas.restore();
}

void DrawFxTextCalc(const QFont& font, TEffAlignment alignment, const QString& fullText, TEff3DCaption* fx,
                    TRect& result, int textFlags, const TRect& rect)
{
    const QString text = fullText.left(kFxMaxLength);
    const QFont f = traced(font, fx ? fx->Tracing() : 0);
    auto* turned = qobject_cast<TEffFxCaption*>(fx);
    TRect r;
    if (turned && turned->Angle() != 0) {
        const TRect line = measure(f, text, {0, 0, 0, 0}, DT_SINGLELINE | DT_NOPREFIX);
        r = line;
        RotateRect(r, turned->Angle());
        int x = 0, y = 0;
        RotatedStartPoint(RectWidth(line), RectHeight(line), turned->Angle(), x, y);
        turned->SetPos(x, y);
    } else {
        int flags = DT_CALCRECT | DT_EXPANDTABS | (textFlags & DT_NOPREFIX);
        flags |= (textFlags & DT_SINGLELINE) ? DT_SINGLELINE : DT_WORDBREAK;
        r = measure(f, text, {0, 0, RectWidth(rect), RectHeight(rect)}, flags);
        r = {0, 0, RectWidth(r), RectHeight(r)};
    }
    const int depth = fx ? fx->LightDepth() + fx->ShadowDepth() : 0;
    r.Right += 2 * (depth + 1);
    r.Bottom += 2 * (depth + 1);
    result = AlignRect(alignment, r, rect);
}

bool CanvasIsTrueType(const QPainter& canvas) { return IsTrueTypeFont(canvas.font()); }

std::string FontToString(const TFont& font)
{
    const auto flag = [&](TFontStyle style) { return font.Style() & style ? "1" : "0"; };
    return qttext::fromQString(font.Name(), true) + "," + std::to_string(font.Size()) + "," + ColorToString(font.Color()) + "," +
           flag(fsBold) + "," + flag(fsItalic) + "," + flag(fsUnderline) + "," + flag(fsStrikeOut);
}

void StringToFont(std::string_view text, TFont& font)
{
    std::vector<std::string> parts;
    SplitString(text, ',', parts);
    if (parts.size() != 7) return;
    int size = 10;
    if (!bytetext::parseInt(parts[1], size)) size = 10;
    TColor color = font.Color();
    // A colour word the library does not know keeps the colour it had.
    if (!StringToColor(parts[2], color)) color = font.Color();
    TFontStyles style;
    const TFontStyle styles[] = {fsBold, fsItalic, fsUnderline, fsStrikeOut};
    for (int i = 0; i < 4; ++i) {
        int n = 0;
        if (bytetext::parseInt(parts[3 + static_cast<std::size_t>(i)], n) && n != 0) style |= styles[i];
    }
    const QString name = qttext::toQString(parts[0]);
    if (name == font.Name() && size == font.Size() && color == font.Color() && style == font.Style()) return;
    font.BeginUpdate();
    font.SetName(name);
    font.SetSize(size);
    font.SetColor(color);
    font.SetStyle(style);
    font.EndUpdate(true);
}

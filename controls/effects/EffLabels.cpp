#include "controls/effects/EffLabels.h"

#include "controls/effects/EffDraw.h"
#include "controls/effects/EffText.h"
#include "platform/Painting.h"

#include <QAccessibleWidget>
#include <QKeySequence>
#include <QPainter>
#include <QShortcutEvent>
#include <algorithm>

namespace {

TRect clientRect(const QWidget& w) { return {0, 0, w.width(), w.height()}; }

// Assistive tools read labels as text and a fill as the pane it is.
QAccessibleInterface* accessibleOf(const QString&, QObject* object)
{
    if (auto* label = qobject_cast<TEffCustomLabel*>(object)) return new QAccessibleWidget(label, QAccessible::StaticText);
    if (auto* fill = qobject_cast<TEffFill*>(object)) return new QAccessibleWidget(fill, QAccessible::Pane);
    return nullptr;
}

void installAccessible() { QAccessible::installFactory(&accessibleOf); }
Q_CONSTRUCTOR_FUNCTION(installAccessible)

int statusBarOffset(const QWidget& w)
{
    const auto* bar = qobject_cast<const TEffCustomStatusBar*>(w.parentWidget());
    return bar ? bar->LabelOffset() : 0;
}

}  // namespace

// --- the base label --------------------------------------------------------------------------

TEffBaseLabel::TEffBaseLabel(QWidget* parent) : TEffBaseGraphicControl(parent)
{
    font_ = Own(new TFont, static_cast<void (TEffBaseControl::*)(QObject*)>(&TEffBaseLabel::GetFontChange));
    TakeParentFont();
}

void TEffBaseLabel::SetCaption(const QString& caption)
{
    if (caption == caption_) return;
    caption_ = caption;
    setAccessibleName(QKeySequence::mnemonic(caption).isEmpty() ? caption : QString(caption).remove(QLatin1Char('&')));
    UpdateAccelerator();
    GetChange(this);
}

void TEffBaseLabel::SetShowAccelChar(bool show)
{
    if (show == showAccelChar_) return;
    showAccelChar_ = show;
    UpdateAccelerator();
    GetChange(this);
}

void TEffBaseLabel::SetAutoSize(bool autoSize)
{
    if (autoSize == autoSize_) return;
    autoSize_ = autoSize;
    GetChange(this);
}

void TEffBaseLabel::SetMultiLine(bool multiLine)
{
    if (multiLine == multiLine_) return;
    multiLine_ = multiLine;
    GetChange(this);
}

void TEffBaseLabel::SetAlignment(TEffAlignment alignment)
{
    if (alignment == alignment_) return;
    alignment_ = alignment;
    GetChange(this);
}

void TEffBaseLabel::SetFont(const TFont* font)
{
    if (font && font != font_) font_->Assign(font);
}

void TEffBaseLabel::SetParentFont(bool parentFont)
{
    if (parentFont == parentFont_) return;
    parentFont_ = parentFont;
    if (parentFont_) TakeParentFont();
}

void TEffBaseLabel::TakeParentFont()
{
    if (!parentFont_ || !parentWidget()) return;
    const QFont f = parentWidget()->font();
    takingParentFont_ = true;
    font_->BeginUpdate();
    font_->SetName(f.family());
    if (f.pointSize() > 0) font_->SetSize(f.pointSize());
    else font_->SetHeight(f.pixelSize());
    TFontStyles style;
    if (f.bold()) style |= fsBold;
    if (f.italic()) style |= fsItalic;
    if (f.underline()) style |= fsUnderline;
    if (f.strikeOut()) style |= fsStrikeOut;
    font_->SetStyle(style);
    font_->EndUpdate(true);
    takingParentFont_ = false;
}

void TEffBaseLabel::UpdateAccelerator()
{
    if (shortcut_) releaseShortcut(shortcut_);
    shortcut_ = 0;
    const QKeySequence key = QKeySequence::mnemonic(caption_);
    if (showAccelChar_ && !key.isEmpty()) shortcut_ = grabShortcut(key);
}

void TEffBaseLabel::GetFontChange(QObject* sender)
{
    if (Loading()) return;
    if (sender == font_ && !takingParentFont_) parentFont_ = false;
    Redraw();
}

void TEffBaseLabel::GetChange(QObject* sender)
{
    DoAutoSize();
    TEffBaseGraphicControl::GetChange(sender);
}

void TEffBaseLabel::Loaded()
{
    DoAutoSize();
    TEffBaseGraphicControl::Loaded();
}

bool TEffBaseLabel::event(QEvent* event)
{
    if (event->type() == QEvent::Shortcut && static_cast<QShortcutEvent*>(event)->shortcutId() == shortcut_) {
        QWidget* target = focusControl_;
        if (showAccelChar_ && target && isEnabled() && target->isEnabled() && target->isVisible() &&
            target->focusPolicy() != Qt::NoFocus)
            target->setFocus(Qt::ShortcutFocusReason);
        return true;
    }
    return TEffBaseGraphicControl::event(event);
}

void TEffBaseLabel::changeEvent(QEvent* event)
{
    TEffBaseGraphicControl::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::ParentChange) TakeParentFont();
    else if (event->type() == QEvent::EnabledChange) Redraw();
}

// --- the effect label ------------------------------------------------------------------------

TEffCustomLabel::TEffCustomLabel(QWidget* parent) : TEffBaseLabel(parent)
{
    bevel_ = Own(new TEffBevel);
    fontFx_ = Own(new TEffFxCaption, static_cast<void (TEffBaseControl::*)(QObject*)>(&TEffCustomLabel::GetFontChange));
}

void TEffCustomLabel::SetBevel(const TEffBevel* bevel)
{
    if (bevel && bevel != bevel_) bevel_->Assign(bevel);
}

void TEffCustomLabel::SetFontFx(const TEffFxCaption* fx)
{
    if (fx && fx != fontFx_) fontFx_->Assign(fx);
}

int TEffCustomLabel::TextFlags() const
{
    int flags = AlignmentTextFlags(Alignment()) | DT_WORDBREAK | DT_EXPANDTABS;
    if (!ShowAccelChar()) flags |= DT_NOPREFIX;
    if (!AutoSize() && (fontFx_->Angle() != 0 || !MultiLine())) flags |= DT_SINGLELINE;
    return flags;
}

bool TEffCustomLabel::NeedsMeasure() const
{
    if (AutoSize()) return false;
    if (fontFx_->Angle() != 0) return Alignment() != agTopLeft;
    return MultiLine() && Alignment() >= agCenterLeft;
}

void TEffCustomLabel::GetFontChange(QObject* sender)
{
    if (Loading()) return;
    // Only outline fonts turn: a bitmap font drops the angle, an angle asks for an outline font.
    if (fontFx_->Angle() != 0 && !IsTrueTypeFont(Font()->ToQFont())) {
        if (sender == Font()) fontFx_->SetAngle(0);
        else if (sender == fontFx_) Font()->SetName(QStringLiteral("Arial"));
        return;  // the change just made comes back here
    }
    DoAutoSize();
    TEffBaseLabel::GetFontChange(sender);
}

QSize TEffCustomLabel::sizeHint() const
{
    TRect need;
    const int bevel = 2 * BevelWidth();
    const int flags = TextFlags() | (MultiLine() ? 0 : DT_SINGLELINE);
    DrawFxTextCalc(Font()->ToQFont(), agTopLeft, Caption(), fontFx_, need, flags,
                   {0, 0, std::max(1, width() - bevel), std::max(1, height() - bevel)});
    return {RectWidth(need) + bevel, RectHeight(need) + bevel + statusBarOffset(*this)};
}

void TEffCustomLabel::DoAutoSize()
{
    if (!AutoSize() || Loading()) return;
    const QSize need = sizeHint();
    if (need != size()) resize(need);
}

bool TEffCustomLabel::IsEmpty() const
{
    return Transparent() && Caption().trimmed().isEmpty() && BevelWidth() == 0;
}

TRect TEffCustomLabel::PaintLabelBevel(QPainter& canvas, const TRect& rect) const
{
    if (BevelWidth() == 0) return rect;
    TRect inner;
    bevel_->PaintBevel(canvas, rect, inner, bevel_->BorderColor() == Color() || Transparent());
    return inner;
}

void TEffCustomLabel::PaintText(QPainter& canvas, const TRect& rect, int fxFlags) const
{
    PaintText(canvas, rect, fxFlags, *fontFx_, painting::ToQColor(Font()->Color()), painting::ToQColor(Color()));
}

void TEffCustomLabel::PaintText(QPainter& canvas, const TRect& rect, int fxFlags, const TEffFxCaption& fx,
                                const QColor& face, const QColor& back) const
{
    const int flags = TextFlags();
    const QFont font = Font()->ToQFont();
    TRect textRect = rect;
    // Measuring stores the turned text's start in the effects: a copy keeps the label's own.
    TEffFxCaption placed;
    placed.Assign(&fx);
    if (NeedsMeasure()) DrawFxTextCalc(font, Alignment(), Caption(), &placed, textRect, flags, rect);
    canvas.save();
    canvas.setFont(font);
    canvas.setPen(face);
    canvas.setBrush(back);
    // A measured multi-line block is placed as a whole; its lines keep their own alignment.
    int drawFlags = flags;
    if (textRect != rect && !(flags & DT_SINGLELINE)) drawFlags &= ~(DT_VCENTER | DT_BOTTOM);
    DrawFxText(canvas, Caption(), &placed, rect, fxFlags | kFxClip, drawFlags, textRect);
    canvas.restore();
}

void TEffCustomLabel::PaintPlain(QPainter& canvas)
{
    painting_ = true;
    const TRect client = clientRect(*this);
    if (!Transparent()) FillSolidRect(canvas, client, Color());
    TRect rect = client;
    rect.Top += statusBarOffset(*this);
    rect = PaintLabelBevel(canvas, rect);
    PaintText(canvas, rect, EnabledTextFlags(*this));
    painting_ = false;
}

void TEffCustomLabel::paintEvent(QPaintEvent*)
{
    if (painting_ || Loading() || IsEmpty()) return;
    QPainter canvas(this);
    painting::BeginPlainPaint(canvas);
    PaintPlain(canvas);
}

// --- the label fill --------------------------------------------------------------------------

TEffCustomLabelFill::TEffCustomLabelFill(QWidget* parent) : TEffCustomLabel(parent)
{
    fill_ = Own(new TEffFillObject);
    SetTransparent(false);
    // Raised guard: setting up the font paints nothing.
    painting_ = true;
    Font()->BeginUpdate();
    Font()->SetName(QStringLiteral("Arial"));
    Font()->SetSize(28);
    Font()->EndUpdate(true);
    painting_ = false;
}

void TEffCustomLabelFill::SetBrushBackColor(TColor color)
{
    if (color == brushBackColor_) return;
    brushBackColor_ = color;
    GetChange(this);
}

void TEffCustomLabelFill::SetFillObject(const TEffFillObject* fill)
{
    if (fill && fill != fill_) fill_->Assign(fill);
}

void TEffCustomLabelFill::DoBoundsChange(TEffBoundsFlags flags)
{
    // A move keeps the fill; a new size needs a new one.
    if (flags & bcResized) back_ = QImage();
    TEffCustomLabel::DoBoundsChange(flags);
}

void TEffCustomLabelFill::GetChange(QObject* sender)
{
    if (!Loading()) back_ = QImage();
    TEffCustomLabel::GetChange(sender);
}

void TEffCustomLabelFill::GetImageListChange(QObject*)
{
    ListLink().CopyImageTo(*fill_);
    if (!Loading()) GetChange(fill_);
}

void TEffCustomLabelFill::RenderBack(int width, int height)
{
    const TColor background = fill_->Style() == sfBrush ? brushBackColor_ : Color();
    back_ = QImage(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    back_.fill(painting::ToQColor(background));
    QPainter p(&back_);
    painting::BeginPlainPaint(p);
    fill_->Fill(p, {0, 0, back_.width(), back_.height()}, {0, 0}, background);
}

void TEffCustomLabelFill::PaintFilledText(QPainter& canvas, const TRect& area) const
{
    const int w = RectWidth(area), h = RectHeight(area);
    if (w <= 0 || h <= 0) return;
    const TRect local{0, 0, w, h};
    // The text with its shadows and highlights as they are drawn.
    QImage layers(w, h, QImage::Format_ARGB32_Premultiplied);
    layers.fill(Qt::transparent);
    {
        QPainter p(&layers);
        PaintText(p, local, kFxEnabled);
    }
    // The face alone as coverage: white face over black layers. The face is the top layer in
    // every style, so the mask is exactly what of the face shows, edges included.
    TEffFxCaption maskFx;
    maskFx.Assign(FontFx());
    maskFx.SetLightColor(clBlack);
    maskFx.SetShadowColor(clBlack);
    QImage mask(w, h, QImage::Format_RGB32);
    mask.fill(Qt::black);
    {
        QPainter p(&mask);
        PaintText(p, local, kFxEnabled, maskFx, Qt::white, Qt::white);
    }
    // Where the face covers (by the mask), the fill takes the face colour's place. The layers
    // hold face x cover + beneath x (1 - cover), so swapping the face for the fill is adding
    // cover x (fill - face): exact at the letters' soft edges too, and a face of a shadow's
    // colour changes nothing else.
    const TEffThreeDStyle style = FontFx()->Style();
    const QColor faceColor =
        painting::ToQColor(style == tdPColorSunken || style == tdPColorRaised ? Color() : Font()->Color());
    const int face[3] = {faceColor.red(), faceColor.green(), faceColor.blue()};
    for (int y = 0; y < h; ++y) {
        const auto* m = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
        const auto* f = reinterpret_cast<const QRgb*>(back_.constScanLine(std::min(y, back_.height() - 1)));
        auto* l = reinterpret_cast<QRgb*>(layers.scanLine(y));
        for (int x = 0; x < w; ++x) {
            if ((m[x] & 0xFFFFFF) == 0) continue;
            const QRgb fill = f[std::min(x, back_.width() - 1)];
            const int cover[3] = {qRed(m[x]), qGreen(m[x]), qBlue(m[x])};
            const int fillRgb[3] = {qRed(fill), qGreen(fill), qBlue(fill)};
            const int was[3] = {qRed(l[x]), qGreen(l[x]), qBlue(l[x])};
            const int alpha = qAlpha(l[x]);
            int now[3];
            for (int c = 0; c < 3; ++c) {
                const int delta = cover[c] * (fillRgb[c] - face[c]);
                now[c] = std::clamp(was[c] + (delta + (delta < 0 ? -127 : 127)) / 255, 0, alpha);
            }
            l[x] = qRgba(now[0], now[1], now[2], alpha);
        }
    }
    canvas.drawImage(area.Left, area.Top, layers);
}

void TEffCustomLabelFill::paintEvent(QPaintEvent* event)
{
    if (painting_ || Loading()) return;
    if (fill_->IsEmpty() || !isEnabled()) {
        TEffCustomLabel::paintEvent(event);
        return;
    }
    QPainter canvas(this);
    painting::BeginPlainPaint(canvas);
    painting_ = true;
    const TRect client = clientRect(*this);
    if (Transparent() && CanUseParentBack()) {
        const auto* parent = qobject_cast<const TEffCustomControl*>(parentWidget());
        parent->CopyBack(canvas, client, parent->GetBackOffset(pos()));
    } else if (!Transparent()) {
        FillSolidRect(canvas, client, Color());
    }
    const TRect area = PaintLabelBevel(canvas, client);
    if (back_.isNull() || back_.size() != QSize(RectWidth(area), RectHeight(area)))
        RenderBack(RectWidth(area), RectHeight(area));
    PaintFilledText(canvas, area);
    painting_ = false;
}

// --- the fill --------------------------------------------------------------------------------

TEffFill::TEffFill(QWidget* parent) : TEffGraphicControl(parent)
{
    caption_ = Own(new TEffCaption);
    fill_ = Own(new TEffFillObject);
}

void TEffFill::SetCaption(const TEffCaption* caption)
{
    if (caption && caption != caption_) caption_->Assign(caption);
}

void TEffFill::SetFillObject(const TEffFillObject* fill)
{
    if (fill && fill != fill_) fill_->Assign(fill);
}

void TEffFill::GetChange(QObject* sender)
{
    // An empty picture covers nothing either: the parent shows where nothing is painted.
    if (sender == fill_) SetTransparent(fill_->NeedsBackground() || fill_->IsEmpty());
    if (sender == caption_) setAccessibleName(caption_->Caption());
    TEffGraphicControl::GetChange(sender);
}

bool TEffFill::IsEmpty() const
{
    return fill_->IsEmpty() && BevelWidth() == 0 && caption_->Caption().isEmpty();
}

void TEffFill::GetImageListChange(QObject*)
{
    ListLink().CopyImageTo(*fill_);
    GetChange(fill_);
}

void TEffFill::paintEvent(QPaintEvent*)
{
    if (Loading() || IsEmpty()) return;
    QPainter canvas(this);
    painting::BeginPlainPaint(canvas);
    TRect area;
    Bevel()->PaintBevel(canvas, {0, 0, width(), height()}, area, Transparent());
    TRect fillRect = area;
    const bool tiled = (fill_->Style() == sfBitmap || fill_->Style() == sfBitmapList) && fill_->TileMode() == tmTile;
    const QImage& tile = fill_->Style() == sfBitmap ? fill_->Bitmap()->Image() : fill_->ListBitmap().Image();
    if (tiled && tile.width() > 0 && tile.height() > 0) {
        // Tiles start on the parent's grid, so neighbouring fills show one pattern.
        fillRect = TileGridRect(area, pos() + QPoint(area.Left, area.Top), tile.width(), tile.height());
    }
    if (fill_->Style() == sfGradient && (fill_->Options() & foGrUseBitmap)) {
        fill_->FillRect(canvas, area, {0, 0}, Color());
    } else {
        canvas.save();
        canvas.setClipRect(painting::GdiRect(area.Left, area.Top, area.Right, area.Bottom), Qt::IntersectClip);
        fill_->FillRect(canvas, fillRect, {0, 0}, Color());
        canvas.restore();
    }
    TRect textRect;
    caption_->DrawCaption(canvas, area, textRect, {0, 0}, Color(), EnabledTextFlags(*this));
}

TEffLabelFill* NewBarTitle(const QString& caption, QWidget* parent)
{
    auto* title = new TEffLabelFill(parent);
    title->BeginLoad();
    title->SetCaption(caption);
    title->SetAutoSize(false);
    title->SetAlignment(agCenter);
    title->SetTransparent(true);
    TFont* font = title->Font();
    font->SetName(QStringLiteral("Times New Roman"));
    font->SetHeight(-16);
    font->SetStyle(fsBold);
    font->SetColor(clBlack);
    title->FontFx()->SetStyle(tdRaisedShadow);
    TEffGradient* gradient = title->FillObject()->Gradient();
    gradient->SetStyle(gstHorizontal);
    gradient->SetColorCount(61);
    gradient->SetColor(clActiveCaption);
    gradient->SetEndColor(clBlack);
    title->FillObject()->SetStyle(sfGradient);
    title->EndLoad();
    return title;
}

#include "controls/effects/EffImage.h"

#include "controls/effects/EffBitmaps.h"
#include "controls/effects/EffDraw.h"
#include "platform/Painting.h"

#include <QAccessibleWidget>
#include <QPainter>

namespace {

QAccessibleInterface* accessibleOf(const QString&, QObject* object)
{
    if (auto* image = qobject_cast<TEffCustomNImage*>(object)) return new QAccessibleWidget(image, QAccessible::Graphic);
    return nullptr;
}

void installAccessible() { QAccessible::installFactory(&accessibleOf); }
Q_CONSTRUCTOR_FUNCTION(installAccessible)

}  // namespace

void TEffBaseImage::SetQuickDraw(bool quick)
{
    if (quick == quickDraw_) return;
    quickDraw_ = quick;
    Redraw();
}

void TEffBaseImage::SetStyle(TEffBitmapStyle style)
{
    if (style == style_) return;
    style_ = style;
    Redraw();
}

TEffCustomNImage::TEffCustomNImage(QWidget* parent) : TEffBaseImage(parent)
{
    bitmap_ = Own(new TBitmap);
    transparentStyle_ = Own(new TEffTransparent);
}

void TEffCustomNImage::SetBitmap(const TBitmap* bitmap)
{
    if (bitmap && bitmap != bitmap_) bitmap_->Assign(bitmap);
}

void TEffCustomNImage::SetTransparentStyle(const TEffTransparent* style)
{
    if (style && style != transparentStyle_) transparentStyle_->Assign(style);
}

void TEffCustomNImage::SetControl(TEffCustomNImage* control)
{
    if (control == this || control == control_) return;
    disconnect(controlChanged_);
    disconnect(controlGone_);
    control_ = control;
    // The image follows the other's bitmap; when that image is gone the own bitmap shows again.
    if (control_) {
        controlChanged_ = connect(control_, &TEffCustomNImage::BitmapChanged, this, [this] { Redraw(); });
        controlGone_ = connect(control_, &QObject::destroyed, this, [this] { Redraw(); });
    }
    Redraw();
}

void TEffCustomNImage::GetChange(QObject* sender)
{
    if (sender == bitmap_) emit BitmapChanged();
    TEffBaseImage::GetChange(sender);
}

TColor TEffCustomNImage::KeyColor() const
{
    switch (transparentStyle_->Mode()) {
    case tpRestoreBack: {
        // The bitmap's own transparent colour: its bottom-left pixel.
        const QImage& image = ShownBitmap().Image();
        return painting::FromQColor(image.pixelColor(0, image.height() - 1));
    }
    case tpTransparentColor: case tpRBTranspColor: return transparentStyle_->Color();
    default: return kNoTransparentColor;
    }
}

int TEffCustomNImage::DrawFlags() const
{
    static constexpr int kModeFlags[] = {0, kBmpTransparent, kBmpBrushCopy, kBmpTransparent};
    int flags = kModeFlags[transparentStyle_->Mode()] | BitmapStyleFlags(Style() == sbAutosize ? sbNone : Style());
    // Without a bevel the picture needs no clipping, and with one it does.
    if (BevelWidth() == 0) flags ^= kBmpClip;
    if (!QuickDraw()) flags |= kBmpPalette;
    return flags;
}

bool TEffCustomNImage::DoImageAutoSize()
{
    if (Style() != sbAutosize) return false;
    const TBitmap& shown = ShownBitmap();
    const QSize want = shown.Empty() ? QSize(20, 20) : shown.Image().size();
    const QSize size = want + QSize(BevelWidth2(), BevelWidth2());
    if (size == this->size()) return false;
    resize(size);
    return true;
}

void TEffCustomNImage::paintEvent(QPaintEvent*)
{
    // A resize made here paints again.
    if (Loading() || DoImageAutoSize()) return;
    if (Transparent() && IsEmpty() && BevelWidth() == 0) return;
    QPainter canvas(this);
    painting::BeginPlainPaint(canvas);
    const TRect client{0, 0, width(), height()};
    if (!Transparent()) FillSolidRect(canvas, client, Color());
    TRect area;
    Bevel()->PaintBevel(canvas, client, area, Transparent());
    if (IsEmpty()) return;
    const QImage& image = ShownBitmap().Image();
    if (Style() != sbTile) {
        DrawBitmap(canvas, area, image, KeyColor(), {0, 0}, DrawFlags());
        return;
    }
    // Tiles start on the parent's grid, so neighbouring images show one pattern; the area
    // still bounds them.
    canvas.save();
    canvas.setClipRect(painting::GdiRect(area.Left, area.Top, area.Right, area.Bottom), Qt::IntersectClip);
    const TRect grid = TileGridRect(area, pos() + QPoint(area.Left, area.Top), image.width(), image.height());
    DrawBitmap(canvas, grid, image, KeyColor(), {0, 0}, DrawFlags() & ~kBmpClip);
    canvas.restore();
}

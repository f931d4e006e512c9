#include "controls/effects/EffFills.h"

#include "controls/effects/EffBitmaps.h"
#include "controls/effects/EffDraw.h"
#include "controls/effects/EffUtils.h"
#include "platform/Painting.h"

#include <QPainter>

TEffShapeFill::TEffShapeFill(QObject* parent)
    : TEffObject(parent), bitmap_(new TBitmap), listBitmap_(new TBitmap), gradient_(new TEffGradient)
{
    Own(bitmap_);
    Own(listBitmap_);
    Own(gradient_);
}

void TEffShapeFill::AssignShape(const TEffShapeFill& other)
{
    bitmap_->Assign(other.bitmap_);
    SetStyle(other.style_);
    gradient_->Assign(other.gradient_);
    SetTileMode(other.tileMode_);
}

void TEffShapeFill::Assign(const TEffObject* source)
{
    const auto* other = qobject_cast<const TEffShapeFill*>(source);
    if (!other) AssignError(source);
    BeginUpdate();
    AssignShape(*other);
    EndUpdate(true);
}

void TEffShapeFill::SetBitmap(TBitmap* bitmap)
{
    if (bitmap && bitmap != bitmap_) bitmap_->Assign(bitmap);
}

void TEffShapeFill::SetGradient(TEffGradient* gradient)
{
    if (gradient && gradient != gradient_) gradient_->Assign(gradient);
}

bool TEffShapeFill::IsEmpty() const
{
    switch (style_) {
    case sfNone: return true;
    case sfBitmap: return bitmap_->Empty();
    case sfBitmapList: return listBitmap_->Empty();
    default: return false;
    }
}

void TEffShapeFill::SetListBitmap(const QImage& bitmap) { listBitmap_->SetImage(bitmap); }

TEffFillObject::TEffFillObject(QObject* parent) : TEffShapeFill(parent), brush_(new TBrush)
{
    Own(brush_);
    style_ = sfNone;
}

void TEffFillObject::Assign(const TEffObject* source)
{
    const auto* shape = qobject_cast<const TEffShapeFill*>(source);
    if (!shape) AssignError(source);
    BeginUpdate();
    AssignShape(*shape);
    if (const auto* other = qobject_cast<const TEffFillObject*>(source)) {
        alignment_ = other->alignment_;
        brush_->Assign(other->brush_);
        offsetX_ = other->offsetX_;
        offsetY_ = other->offsetY_;
        options_ = other->options_;
    }
    EndUpdate(true);
}

template <class T>
void TEffFillObject::SetPlacement(T& field, T value)
{
    if (field == value) return;
    field = value;
    if (PlacesBitmap()) Change();
}

void TEffFillObject::SetAlignment(TEffAlignment alignment) { SetPlacement(alignment_, alignment); }
void TEffFillObject::SetOffsetX(int x) { SetPlacement(offsetX_, x); }
void TEffFillObject::SetOffsetY(int y) { SetPlacement(offsetY_, y); }

void TEffFillObject::SetBrush(TBrush* brush)
{
    if (brush && brush != brush_) brush_->Assign(brush);
}

bool TEffFillObject::NeedsBackground() const
{
    const bool fillsInner = options_ & foFillInner;
    switch (style_) {
    case sfNone: return true;
    case sfBrush: return brush_->Style() != bsSolid && !fillsInner;
    case sfBitmap: case sfBitmapList: return (TileMode() == tmNone || TileMode() == tmCenter) && !fillsInner;
    default: return false;
    }
}

bool TEffFillObject::FillRect(QPainter& canvas, const TRect& rect, QPoint offset, TColor color) const
{
    const QRect area = painting::GdiRect(rect.Left, rect.Top, rect.Right, rect.Bottom);
    const auto innerFill = [&] {
        if (options_ & foFillInner) FillSolidRect(canvas, rect, color);
    };
    switch (style_) {
    case sfNone: return false;
    case sfBrushBitmap:
        if (Bitmap()->Empty()) return false;
        canvas.fillRect(area, QBrush(Bitmap()->Image()));
        return true;
    case sfBrush: {
        canvas.save();
        // A hatched brush's gaps take the given colour.
        if (brush_->Style() != bsSolid && brush_->Style() != bsClear) {
            canvas.setBackgroundMode(Qt::OpaqueMode);
            canvas.setBackground(painting::ToQColor(color));
            canvas.fillRect(area, painting::ToQColor(color));
        }
        canvas.fillRect(area, brush_->ToQBrush());
        canvas.restore();
        return true;
    }
    case sfBitmap: case sfBitmapList: {
        const QImage& image = style_ == sfBitmap ? Bitmap()->Image() : ListBitmap().Image();
        if (image.isNull() || image.width() == 0 || image.height() == 0) {
            innerFill();
            return false;
        }
        const int palette = (options_ & foQuickDraw) ? 0 : kBmpPalette;
        switch (TileMode()) {
        case tmNone: {
            innerFill();
            TRect at = AlignRect(alignment_, {0, 0, image.width(), image.height()}, rect);
            at = {at.Left + offsetX_, at.Top + offsetY_, at.Right + offsetX_, at.Bottom + offsetY_};
            DrawBitmapStyled(canvas, at, image, nullptr, kNoTransparentColor, offset, palette);
            break;
        }
        case tmCenter:
            innerFill();
            DrawBitmapStyled(canvas, rect, image, nullptr, kNoTransparentColor, offset, palette | kBmpCenter);
            break;
        case tmStretch:
            DrawBitmapStyled(canvas, rect, image, nullptr, kNoTransparentColor, offset, palette | kBmpStretch);
            break;
        case tmTile:
            DrawBitmapStyled(canvas, rect, image, nullptr, kNoTransparentColor, offset, palette | kBmpTile);
            break;
        }
        return true;
    }
    case sfGradient: {
        int flags = (options_ & foGrUseBitmap) ? kGradientBuffered : 0;
        if (Gradient()->PaletteRealize()) flags |= kGradientPalette;
        FillGradient(canvas, rect, Gradient()->Style(), flags, Gradient()->Colors(), offset);
        return true;
    }
    }
    return false;
}

bool TEffFillObject::Fill(QPainter& canvas, const TRect& rect, QPoint offset, TColor color) const
{
    if (style_ == sfGradient && (options_ & foGrUseBitmap)) return FillRect(canvas, rect, offset, color);
    canvas.save();
    canvas.setClipRect(painting::GdiRect(rect.Left, rect.Top, rect.Right, rect.Bottom).translated(offset),
                       Qt::IntersectClip);
    const bool painted = FillRect(canvas, rect, offset, color);
    canvas.restore();
    return painted;
}

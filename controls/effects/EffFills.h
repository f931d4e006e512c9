#pragma once
// Fills of the effect controls: a brush, a bitmap (own, or one chosen from an image list) or a
// gradient, with the placement the fill controls paint their background with.

#include "controls/effects/EffGraphicObjects.h"
#include "controls/effects/EffPaintObjects.h"

#include <QPoint>

class QPainter;

class TEffShapeFill : public TEffObject {
    Q_OBJECT
    Q_PROPERTY(TBitmap* Bitmap READ Bitmap WRITE SetBitmap)
    Q_PROPERTY(eff::TEffFillStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(TEffGradient* Gradient READ Gradient WRITE SetGradient)
    Q_PROPERTY(eff::TEffTileMode TileMode READ TileMode WRITE SetTileMode)
public:
    explicit TEffShapeFill(QObject* parent = nullptr);
    void Assign(const TEffObject* source) override;

    TBitmap* Bitmap() const { return bitmap_; }
    void SetBitmap(TBitmap* bitmap);
    TEffFillStyle Style() const { return style_; }
    void SetStyle(TEffFillStyle style) { SetField(style_, style); }
    TEffGradient* Gradient() const { return gradient_; }
    void SetGradient(TEffGradient* gradient);
    TEffTileMode TileMode() const { return tileMode_; }
    void SetTileMode(TEffTileMode mode) { SetField(tileMode_, mode); }

    bool IsEmpty() const;
    // The image-list entry that sfBitmapList draws, put here by the owning control.
    void SetListBitmap(const QImage& bitmap);
    const TBitmap& ListBitmap() const { return *listBitmap_; }

protected:
    void AssignShape(const TEffShapeFill& other);
    TEffFillStyle style_ = sfBrush;

private:
    TBitmap* bitmap_;
    TBitmap* listBitmap_;
    TEffGradient* gradient_;
    TEffTileMode tileMode_ = tmTile;
};

// The fill of a control's background. Its Style starts as sfNone (the shape fill's is sfBrush).
class TEffFillObject : public TEffShapeFill {
    Q_OBJECT
    Q_PROPERTY(eff::TEffAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(TBrush* Brush READ Brush WRITE SetBrush)
    Q_PROPERTY(int OffsetX READ OffsetX WRITE SetOffsetX)
    Q_PROPERTY(int OffsetY READ OffsetY WRITE SetOffsetY)
    Q_PROPERTY(eff::TEffFillOptions Options READ Options WRITE SetOptions)
public:
    explicit TEffFillObject(QObject* parent = nullptr);
    void Assign(const TEffObject* source) override;

    TEffAlignment Alignment() const { return alignment_; }
    void SetAlignment(TEffAlignment alignment);
    TBrush* Brush() const { return brush_; }
    void SetBrush(TBrush* brush);
    int OffsetX() const { return offsetX_; }
    void SetOffsetX(int x);
    int OffsetY() const { return offsetY_; }
    void SetOffsetY(int y);
    TEffFillOptions Options() const { return options_; }
    void SetOptions(TEffFillOptions options) { SetField(options_, options); }

    // True when what lies beneath shows through the fill.
    bool NeedsBackground() const;
    // Paints the fill into Rect (the offset moves the clip); Color is the inner fill's. True when
    // something was painted.
    bool FillRect(QPainter& canvas, const TRect& rect, QPoint offset, TColor color) const;
    // FillRect clipped to the rectangle.
    bool Fill(QPainter& canvas, const TRect& rect, QPoint offset, TColor color) const;

private:
    // Placement settings matter only to an unplaced bitmap.
    bool PlacesBitmap() const { return (style_ == sfBitmap || style_ == sfBitmapList) && TileMode() == tmNone; }
    template <class T>
    void SetPlacement(T& field, T value);

    TEffAlignment alignment_ = agTopLeft;
    TBrush* brush_;
    int offsetX_ = 0, offsetY_ = 0;
    TEffFillOptions options_ = TEffFillOptions(foFillInner | foGrUseBitmap);
};

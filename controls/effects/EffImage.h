#pragma once
// The image control: one bitmap inside a bevel, placed by a bitmap style and drawn opaque, keyed
// by a colour (the parent shows through) or with a colour brushed in. It can show another
// image's bitmap instead of its own.

#include "controls/effects/EffControls.h"
#include "controls/effects/EffGraphicObjects.h"

#include <QPointer>

class TEffBaseImage : public TEffGraphicControl {
    Q_OBJECT
    Q_PROPERTY(bool QuickDraw READ QuickDraw WRITE SetQuickDraw)
    Q_PROPERTY(eff::TEffBitmapStyle Style READ Style WRITE SetStyle)
public:
    explicit TEffBaseImage(QWidget* parent = nullptr) : TEffGraphicControl(parent) {}

    // There are no palettes here: kept and stored, and changes nothing.
    bool QuickDraw() const { return quickDraw_; }
    void SetQuickDraw(bool quick);
    TEffBitmapStyle Style() const { return style_; }
    void SetStyle(TEffBitmapStyle style);

protected:
    // Sizes the control to its picture (sbAutosize); true when it did.
    virtual bool DoImageAutoSize() { return false; }

private:
    bool quickDraw_ = true;
    TEffBitmapStyle style_ = sbNone;
};

class TEffCustomNImage : public TEffBaseImage {
    Q_OBJECT
    Q_PROPERTY(TBitmap* Bitmap READ Bitmap WRITE SetBitmap)
    Q_PROPERTY(TEffCustomNImage* Control READ Control WRITE SetControl)
    Q_PROPERTY(TEffTransparent* TransparentStyle READ TransparentStyle WRITE SetTransparentStyle)
public:
    explicit TEffCustomNImage(QWidget* parent = nullptr);

    TBitmap* Bitmap() const { return bitmap_; }
    // Takes the bitmap's picture.
    void SetBitmap(const TBitmap* bitmap);
    // The image whose bitmap is shown instead of the own one; itself is refused.
    TEffCustomNImage* Control() const { return control_; }
    void SetControl(TEffCustomNImage* control);
    TEffTransparent* TransparentStyle() const { return transparentStyle_; }
    void SetTransparentStyle(const TEffTransparent* style);

    // The Control's bitmap when one is set, else the own.
    const TBitmap& ShownBitmap() const { return control_ ? *control_->Bitmap() : *bitmap_; }
    // The DrawBitmap flags and key colour of the settings.
    int DrawFlags() const;
    TColor KeyColor() const;

signals:
    // The own bitmap changed: images that show it follow.
    void BitmapChanged();

protected:
    void GetChange(QObject* sender) override;
    bool DoImageAutoSize() override;
    bool IsEmpty() const override { return ShownBitmap().Empty(); }
    void paintEvent(QPaintEvent* event) override;

private:
    TBitmap* bitmap_;
    QPointer<TEffCustomNImage> control_;
    QMetaObject::Connection controlChanged_, controlGone_;
    TEffTransparent* transparentStyle_;
};

class TEffNImage : public TEffCustomNImage {
    Q_OBJECT
public:
    using TEffCustomNImage::TEffCustomNImage;
};

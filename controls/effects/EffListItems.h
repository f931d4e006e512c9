#pragma once
// Numbered items of the list containers: a bitmap, an image strip, a string list or a wave,
// each with a description, an identifier and its record (the "Internal" form property and the
// list-file record). Records are read with every length and count checked against what is there.

#include "controls/effects/EffBitmaps.h"
#include "controls/effects/EffComponent.h"
#include "controls/effects/EffStreams.h"
#include "controls/effects/EffWave.h"

#include <QImage>
#include <QStringList>
#include <algorithm>
#include <string>
#include <vector>

class TEffCustomContainer;

// Flag byte of an item record.
inline constexpr std::uint8_t kItemCompressed = 0x1, kItemDescription = 0x2, kItemIdent = 0x4, kItemData = 0x8,
                              kItemMono = 0x10, kItem4Bit = 0x20, kItem8Bit = 0x40;
// The colour code of a save pixel format (Part of WriteBitmapData): -1, 2, 16, 256.
int PixelFormatColors(TEffSavePixelFormat format);

class TEffListItem : public TEffComponent {
    Q_OBJECT
    // The item record. The ini storage of forms holds no binary values: its bytes are kept as
    // hexadecimal text, two upper-case digits a byte.
    Q_PROPERTY(QString Internal READ InternalText WRITE SetInternalText)
public:
    explicit TEffListItem(QObject* owner = nullptr) : TEffComponent(owner) {}

    std::string Description() const { return description_; }
    void SetDescription(const std::string& description);
    int Ident() const { return ident_; }
    void SetIdent(int ident);
    bool Compressed() const { return compressed_; }
    void SetCompressed(bool compressed);

    virtual void Clear() = 0;
    virtual bool IsEmpty() const = 0;
    virtual void ReadData(TStream& stream);
    virtual void WriteData(TStream& stream);
    virtual std::uint8_t GetFlags() const;
    // Copies the description, identifier, compression and data of an item of the same class.
    virtual void Assign(const TEffListItem& source);

    // The container that holds the item, if any.
    TEffCustomContainer* Container() const;

    QString InternalText() const;
    // Text that is no record raises EReadError and leaves the item as it was; empty text is no value.
    void SetInternalText(const QString& text);

protected:
    virtual void ReadBody(TStream& stream, std::uint8_t flags) = 0;
    virtual void WriteBody(TStream& stream) = 0;
    // Reads stored hex text with `read`; on any failure the item's own record is read back.
    void ReadStoredText(const QString& text, const std::function<void(TStream&)>& read);
    // Strings as the form storage shows them.
    QString DescriptionText() const;
    void SetDescriptionText(const QString& text);

private:
    std::string description_;
    std::uint16_t ident_ = 0;
    bool compressed_ = false;
};

class TEffBitmapListItem : public TEffListItem {
    Q_OBJECT
    Q_PROPERTY(int Ident READ Ident WRITE SetIdent)
    Q_PROPERTY(QString Description READ DescriptionText WRITE SetDescriptionText)
public:
    explicit TEffBitmapListItem(QObject* owner = nullptr) : TEffListItem(owner) {}

    // At run time an empty bitmap is first fetched as the container's storage mode says.
    const QImage& Bitmap();
    const QImage& StoredBitmap() const { return bitmap_; }
    // The bitmap to draw on (fetched first, as Bitmap is).
    QImage* Canvas()
    {
        Bitmap();
        return &bitmap_;
    }
    void SetBitmap(const QImage& bitmap);
    TEffSavePixelFormat PixelFormat() const { return pixelFormat_; }
    void SetPixelFormat(TEffSavePixelFormat format);

    void Clear() override { SetBitmap({}); }
    bool IsEmpty() const override { return bitmap_.isNull(); }
    std::uint8_t GetFlags() const override;
    void Assign(const TEffListItem& source) override;

protected:
    void ReadBody(TStream& stream, std::uint8_t flags) override;
    void WriteBody(TStream& stream) override;

private:
    void Fetch();
    QImage bitmap_;
    TEffSavePixelFormat pixelFormat_ = spfDefault;
};

class TEffImageListItem : public TEffListItem {
    Q_OBJECT
    Q_PROPERTY(int AllocBy READ AllocBy WRITE SetAllocBy)
    Q_PROPERTY(QString Description READ DescriptionText WRITE SetDescriptionText)
    Q_PROPERTY(bool Masked READ Masked WRITE SetMasked)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    // The older form of the record: its data part alone, as hexadecimal text. Only read.
    Q_PROPERTY(QString Bitmap READ OldBitmapText WRITE SetOldBitmapText STORED false)
public:
    static constexpr int kMaxStripWidth = 32768;
    struct TOffset {
        std::uint16_t Left;
        bool Masked;
        friend bool operator==(const TOffset&, const TOffset&) = default;
    };

    explicit TEffImageListItem(QObject* owner = nullptr);

    int AllocBy() const { return allocBy_; }
    void SetAllocBy(int allocBy);
    bool Masked() const { return masked_; }
    void SetMasked(bool masked);
    // At least 1; changing either empties the strip.
    int Height() const { return height_; }
    void SetHeight(int height);
    int Width() const { return width_; }
    void SetWidth(int width);

    int Count() const { return static_cast<int>(offsets_.size()); }
    const std::vector<TOffset>& Offsets() const { return offsets_; }
    const QImage& Strip() const { return strip_; }
    const QImage& Mask() const { return mask_; }
    QImage Image(int index) const;
    // The image's part of the mask (black drawn, white left as it is); empty when not masked.
    QImage MaskImage(int index) const;
    QImage* Canvas() { return &strip_; }
    // A plain copy when not masked (or of image type 1); otherwise through the mask: draw styles
    // 0 and 1 compose on the background colour and lay a checkerboard of the blend colour over
    // it, style 2 composes on the background colour, style 3 (and any style without a background
    // colour) draws straight onto the canvas. Nothing for an index past the images.
    void Draw(QPainter& canvas, int x, int y, int index) const;
    // Not published; kNoColor when not set. The draw style is 0 to 3.
    TColor BackgroundColor() const { return backgroundColor_; }
    void SetBackgroundColor(TColor color) { backgroundColor_ = color; }
    TColor BlendColor() const { return blendColor_; }
    void SetBlendColor(TColor color) { blendColor_ = color; }
    int DrawStyle() const { return drawStyle_; }
    void SetDrawStyle(int style) { drawStyle_ = std::clamp(style, 0, 3); }
    int ImageType() const { return imageType_; }
    void SetImageType(int type) { imageType_ = type; }
    // Appends the images of another item of the same image size (EInvalidGraphic "Invalid image
    // size"; a strip past 32768 pixels "Too many images").
    void AddImages(const TEffImageListItem& other);
    // Appends a strip of whole images of this item's size.
    void AddStrip(const QImage& strip, const QImage& mask = {});

    void Clear() override;
    bool IsEmpty() const override { return offsets_.empty(); }
    void Assign(const TEffListItem& source) override;
    TEffSavePixelFormat PixelFormat() const { return pixelFormat_; }
    void SetPixelFormat(TEffSavePixelFormat format) { pixelFormat_ = format; }
    std::uint8_t GetFlags() const override;

protected:
    void ReadBody(TStream& stream, std::uint8_t flags) override;
    void WriteBody(TStream& stream) override;

private:
    void RebuildOffsets(int count);
    QString OldBitmapText() const { return {}; }
    void SetOldBitmapText(const QString& text);
    int allocBy_ = 4, height_ = 16, width_ = 16;
    bool masked_ = false;
    QImage strip_, mask_;
    TColor backgroundColor_ = kNoColor, blendColor_ = kNoColor;
    int drawStyle_ = 0, imageType_ = 0;
    std::vector<TOffset> offsets_;
    TEffSavePixelFormat pixelFormat_ = spfDefault;
};

class TEffStringListItem : public TEffListItem {
    Q_OBJECT
    Q_PROPERTY(QStringList Items READ ItemsText WRITE SetItemsText)
    Q_PROPERTY(QString Description READ DescriptionText WRITE SetDescriptionText)
    Q_PROPERTY(int Ident READ Ident WRITE SetIdent)
public:
    explicit TEffStringListItem(QObject* owner = nullptr) : TEffListItem(owner) {}

    const std::vector<std::string>& Items() const { return items_; }
    void SetItems(const std::vector<std::string>& items);

    void Clear() override { SetItems({}); }
    bool IsEmpty() const override { return items_.empty(); }
    std::uint8_t GetFlags() const override;
    void Assign(const TEffListItem& source) override;

protected:
    void ReadBody(TStream& stream, std::uint8_t flags) override;
    void WriteBody(TStream& stream) override;

private:
    QStringList ItemsText() const;
    void SetItemsText(const QStringList& items);
    std::vector<std::string> items_;
};

class TEffWaveListItem : public TEffListItem {
    Q_OBJECT
    Q_PROPERTY(TEffWave* Wave READ Wave)
    Q_PROPERTY(QString Description READ DescriptionText WRITE SetDescriptionText)
    Q_PROPERTY(int Ident READ Ident WRITE SetIdent)
public:
    explicit TEffWaveListItem(QObject* owner = nullptr);

    TEffWave* Wave() const { return wave_; }

    void Clear() override { wave_->Clear(); }
    bool IsEmpty() const override { return wave_->Empty(); }
    std::uint8_t GetFlags() const override;
    void Assign(const TEffListItem& source) override;

protected:
    void ReadBody(TStream& stream, std::uint8_t flags) override;
    void WriteBody(TStream& stream) override;

private:
    TEffWave* wave_;
};

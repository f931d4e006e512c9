#include "controls/effects/EffListItems.h"

#include "controls/effects/EffBitmapData.h"
#include "controls/effects/EffContainers.h"
#include "controls/effects/EffUtils.h"
#include "platform/AppPaths.h"
#include "platform/Painting.h"
#include "platform/QtText.h"

#include <QPainter>

int PixelFormatColors(TEffSavePixelFormat format)
{
    switch (format) {
    case spfMono: return 2;
    case spf4bit: return 16;
    case spf8bit: return 256;
    default: return kOwnFormat;
    }
}

namespace {

std::uint8_t pixelFormatFlags(TEffSavePixelFormat format)
{
    switch (format) {
    case spfMono: return kItemMono;
    case spf4bit: return kItem4Bit;
    case spf8bit: return kItem8Bit;
    default: return 0;
    }
}

TEffSavePixelFormat pixelFormatOf(std::uint8_t flags)
{
    if (flags & kItemMono) return spfMono;
    if (flags & kItem4Bit) return spf4bit;
    if (flags & kItem8Bit) return spf8bit;
    return spfDefault;
}

}  // namespace

void TEffListItem::SetDescription(const std::string& description)
{
    if (description_ == description) return;
    description_ = description;
    Change();
}

void TEffListItem::SetIdent(int ident)
{
    const auto value = static_cast<std::uint16_t>(ident);
    if (ident_ == value) return;
    ident_ = value;
    Change();
}

void TEffListItem::SetCompressed(bool compressed)
{
    if (compressed_ == compressed) return;
    compressed_ = compressed;
    Change();
}

QString TEffListItem::DescriptionText() const { return qttext::toQString(description_); }
void TEffListItem::SetDescriptionText(const QString& text) { SetDescription(qttext::fromQString(text, true)); }

TEffCustomContainer* TEffListItem::Container() const { return qobject_cast<TEffCustomContainer*>(parent()); }

std::uint8_t TEffListItem::GetFlags() const
{
    std::uint8_t flags = compressed_ ? kItemCompressed : 0;
    if (!description_.empty()) flags |= kItemDescription;
    if (ident_ != 0) flags |= kItemIdent;
    return flags;
}

void TEffListItem::WriteData(TStream& stream)
{
    const std::uint8_t flags = GetFlags();
    WriteByte(stream, flags);
    if (flags & kItemDescription) WriteString(stream, description_);
    if (flags & kItemIdent) WriteInteger(stream, ident_);
    WriteBody(stream);
}

void TEffListItem::ReadData(TStream& stream)
{
    const std::uint8_t flags = ReadByte(stream);
    BeginUpdate();
    try {
        compressed_ = flags & kItemCompressed;
        description_.clear();
        if (flags & kItemDescription) ReadString(stream, description_);
        ident_ = (flags & kItemIdent) ? static_cast<std::uint16_t>(ReadInteger(stream)) : 0;
        ReadBody(stream, flags);
    } catch (...) {
        EndUpdate(false);
        throw;
    }
    EndUpdate(true);
}

QString TEffListItem::InternalText() const
{
    TMemoryStream record;
    // Writing the record changes nothing of the item.
    const_cast<TEffListItem*>(this)->WriteData(record);
    return QString::fromLatin1(BytesToHex(record.Bytes()));
}

void TEffListItem::ReadStoredText(const QString& text, const std::function<void(TStream&)>& read)
{
    if (text.isEmpty()) return;
    std::vector<std::uint8_t> bytes;
    if (!HexToBytes(text.toStdString(), bytes)) throw EReadError("Stream read error");
    TMemoryStream before;
    WriteData(before);
    TMemoryStream stored(std::move(bytes));
    try {
        read(stored);
    } catch (...) {
        before.SetPosition(0);
        ReadData(before);
        throw;
    }
}

void TEffListItem::SetInternalText(const QString& text)
{
    ReadStoredText(text, [this](TStream& stream) { ReadData(stream); });
}

void TEffListItem::Assign(const TEffListItem& source)
{
    description_ = source.description_;
    ident_ = source.ident_;
    compressed_ = source.compressed_;
}

// Bitmap items.

void TEffBitmapListItem::SetBitmap(const QImage& bitmap)
{
    if (bitmap == bitmap_ && bitmap.isNull() == bitmap_.isNull()) return;
    bitmap_ = bitmap;
    Change();
}

void TEffBitmapListItem::SetPixelFormat(TEffSavePixelFormat format)
{
    if (pixelFormat_ == format) return;
    pixelFormat_ = format;
    Change();
}

std::uint8_t TEffBitmapListItem::GetFlags() const
{
    std::uint8_t flags = TEffListItem::GetFlags() | pixelFormatFlags(pixelFormat_);
    if (!bitmap_.isNull()) flags |= kItemData;
    return flags;
}

void TEffBitmapListItem::Assign(const TEffListItem& source)
{
    const auto* other = qobject_cast<const TEffBitmapListItem*>(&source);
    if (!other) RaiseAssignError(&source, this);
    BeginUpdate();
    TEffListItem::Assign(source);
    bitmap_ = other->bitmap_;
    pixelFormat_ = other->pixelFormat_;
    EndUpdate(true);
}

void TEffBitmapListItem::ReadBody(TStream& stream, std::uint8_t flags)
{
    pixelFormat_ = pixelFormatOf(flags);
    bitmap_ = (flags & kItemData) ? ReadBitmapData(stream, flags & kItemCompressed) : QImage();
}

void TEffBitmapListItem::WriteBody(TStream& stream)
{
    if (!bitmap_.isNull()) WriteBitmapData(stream, bitmap_, Compressed(), PixelFormatColors(pixelFormat_));
}

const QImage& TEffBitmapListItem::Bitmap()
{
    if (bitmap_.isNull() && !Updating()) Fetch();
    return bitmap_;
}

void TEffBitmapListItem::Fetch()
{
    const TEffCustomContainer* container = Container();
    if (!container || container->StorageMode() == 0) return;
    BeginUpdate();
    try {
        const std::string name = container->FileName();
        switch (container->StorageMode()) {
        case 1: {
            TEffBitmapListItem record;
            if (ReadListItem(container->ListFilePath(), lkBitmapList, nullptr, record, Ident())) bitmap_ = record.bitmap_;
            break;
        }
        case 2: bitmap_ = QImage(QString(":/bitmaps/%1").arg(Ident())); break;
        case 3: LibraryFileLoads(container->ListFilePath()); break;  // only checked: no bitmap comes of it
        case 4: {
            const std::string folder = container->PathPrefix() == ppFixed
                                           ? apppaths::extractFilePath(name)
                                           : AddBackslash(GetSpecialPath(container->PathPrefix(), true));
            const std::string file = folder + apppaths::extractFileName(name).substr(0, 3) + std::to_string(Ident()) + ".bmp";
            QImage loaded;
            if (loaded.load(qttext::toQString(file), "BMP")) bitmap_ = loaded;
            break;
        }
        default: break;
        }
    } catch (const std::exception&) {
        // A missing or bad source leaves the bitmap empty.
    }
    EndUpdate(false);
}

// Image-list items.

TEffImageListItem::TEffImageListItem(QObject* owner) : TEffListItem(owner) { Clear(); }

void TEffImageListItem::SetAllocBy(int allocBy)
{
    if (allocBy < 1 || allocBy == allocBy_) return;
    allocBy_ = allocBy;
    Change();
}

void TEffImageListItem::SetHeight(int height)
{
    if (height < 1 || height == height_) return;
    height_ = height;
    Clear();
}

void TEffImageListItem::SetWidth(int width)
{
    if (width < 1 || width == width_) return;
    width_ = width;
    Clear();
}

void TEffImageListItem::Clear()
{
    strip_ = QImage(0, height_, QImage::Format_RGB32);
    mask_ = masked_ ? QImage(0, height_, QImage::Format_Mono) : QImage();
    offsets_.clear();
    Change();
}

void TEffImageListItem::RebuildOffsets(int count)
{
    offsets_.clear();
    for (int i = 0; i < count; ++i) offsets_.push_back({static_cast<std::uint16_t>(i * width_), masked_});
}

void TEffImageListItem::SetMasked(bool masked)
{
    if (masked == masked_) return;
    masked_ = masked;
    if (masked) {
        mask_ = QImage(strip_.width(), height_, QImage::Format_Mono);
        mask_.fill(0);
    } else {
        mask_ = QImage();
    }
    RebuildOffsets(Count());
    Change();
}

QImage TEffImageListItem::Image(int index) const
{
    if (index < 0 || index >= Count()) return {};
    return strip_.copy(offsets_[static_cast<std::size_t>(index)].Left, 0, width_, height_);
}

QImage TEffImageListItem::MaskImage(int index) const
{
    if (!masked_ || index < 0 || index >= Count()) return {};
    return mask_.copy(offsets_[static_cast<std::size_t>(index)].Left, 0, width_, height_).convertToFormat(QImage::Format_RGB32);
}

namespace {

bool drawnByMask(const QImage& mask, int x, int y) { return qGray(mask.pixel(x, y)) < 128; }

// Black where the mask leaves the canvas as it is, so that ORing the image adds nothing there.
QImage imageForMask(const QImage& image, const QImage& mask)
{
    QImage shown = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (!drawnByMask(mask, x, y)) shown.setPixel(x, y, qRgb(0, 0, 0));
    return shown;
}

// Every other pixel takes the colour: all of them, or only those the mask draws.
void layCheckerboard(QImage& image, TColor color, const QImage* mask)
{
    if (color == kNoColor) return;
    const QRgb rgb = painting::ToQColor(color).rgb();
    for (int y = 0; y < image.height(); ++y)
        for (int x = (y + 1) % 2; x < image.width(); x += 2)
            if (!mask || drawnByMask(*mask, x, y)) image.setPixel(x, y, rgb);
}

}  // namespace

void TEffImageListItem::Draw(QPainter& canvas, int x, int y, int index) const
{
    if (index < 0 || index >= Count()) return;
    const QImage image = Image(index);
    if (!masked_ || imageType_ == 1) {
        DrawBitmap(canvas, {x, y, x + width_, y + height_}, image, kNoTransparentColor, {}, 0);
        return;
    }
    const QImage mask = MaskImage(index);
    const TColor blend = drawStyle_ <= 1 ? blendColor_ : kNoColor;
    QImage shown = imageForMask(image, mask);
    if (drawStyle_ == 3 || backgroundColor_ == kNoColor) {
        layCheckerboard(shown, blend, &mask);
        DrawTransparent(canvas, {x, y}, mask, shown);
        return;
    }
    QImage buffer;
    FillBitmapArea(buffer, {0, 0, width_, height_}, backgroundColor_);
    {
        QPainter composer(&buffer);
        DrawTransparent(composer, {0, 0}, mask, shown);
    }
    // The blend colour lies over the whole composed image, background included.
    layCheckerboard(buffer, blend, nullptr);
    DrawBitmap(canvas, {x, y, x + width_, y + height_}, buffer, kNoTransparentColor, {}, 0);
}

void TEffImageListItem::AddStrip(const QImage& strip, const QImage& mask)
{
    if (strip.isNull() || strip.height() != height_ || strip.width() % width_ != 0)
        throw EInvalidGraphic("Invalid image size");
    const int count = strip.width() / width_, used = Count() * width_;
    if (used + strip.width() > kMaxStripWidth) throw EInvalidGraphic("Too many images");
    QImage grown(used + strip.width(), height_, QImage::Format_RGB32);
    {
        QPainter p(&grown);
        p.drawImage(0, 0, strip_, 0, 0, used, height_);
        p.drawImage(used, 0, strip.convertToFormat(QImage::Format_RGB32));
    }
    strip_ = grown;
    if (masked_) {
        QImage grownMask(grown.width(), height_, QImage::Format_RGB32);
        grownMask.fill(Qt::black);
        QPainter p(&grownMask);
        p.drawImage(0, 0, mask_.convertToFormat(QImage::Format_RGB32), 0, 0, used, height_);
        if (!mask.isNull() && mask.size() == strip.size()) p.drawImage(used, 0, mask.convertToFormat(QImage::Format_RGB32));
        p.end();
        mask_ = grownMask.convertToFormat(QImage::Format_Mono);
    }
    for (int i = 0; i < count; ++i) offsets_.push_back({static_cast<std::uint16_t>(used + i * width_), masked_});
    Change();
}

void TEffImageListItem::AddImages(const TEffImageListItem& other)
{
    if (other.width_ != width_ || other.height_ != height_) throw EInvalidGraphic("Invalid image size");
    if (other.Count() == 0) return;
    AddStrip(other.strip_.copy(0, 0, other.Count() * width_, height_),
             masked_ && other.masked_ ? other.mask_.copy(0, 0, other.Count() * width_, height_) : QImage());
}

void TEffImageListItem::Assign(const TEffListItem& source)
{
    const auto* other = qobject_cast<const TEffImageListItem*>(&source);
    if (!other) RaiseAssignError(&source, this);
    BeginUpdate();
    TEffListItem::Assign(source);
    allocBy_ = other->allocBy_;
    height_ = other->height_;
    width_ = other->width_;
    masked_ = other->masked_;
    strip_ = other->strip_;
    mask_ = other->mask_;
    offsets_ = other->offsets_;
    pixelFormat_ = other->pixelFormat_;
    EndUpdate(true);
}

std::uint8_t TEffImageListItem::GetFlags() const
{
    // The strip is written in this format, so the reader must learn it from the flags.
    return TEffListItem::GetFlags() | pixelFormatFlags(pixelFormat_);
}

void TEffImageListItem::WriteBody(TStream& stream)
{
    WriteInteger(stream, height_);
    WriteInteger(stream, width_);
    WriteInteger(stream, allocBy_);
    WriteByte(stream, masked_ ? 1 : 0);
    WriteInteger(stream, Count());
    if (Count() == 0) return;
    WriteBitmapData(stream, strip_.copy(0, 0, Count() * width_, height_), Compressed(), PixelFormatColors(pixelFormat_));
    if (masked_) WriteBitmapData(stream, mask_.copy(0, 0, Count() * width_, height_), Compressed(), 2);
}

void TEffImageListItem::SetOldBitmapText(const QString& text)
{
    // The compression and pixel format the item has now say how the data part reads.
    const std::uint8_t flags = GetFlags();
    ReadStoredText(text, [this, flags](TStream& stream) {
        BeginUpdate();
        try {
            ReadBody(stream, flags);
        } catch (...) {
            EndUpdate(false);
            throw;
        }
        EndUpdate(true);
    });
}

void TEffImageListItem::ReadBody(TStream& stream, std::uint8_t flags)
{
    pixelFormat_ = pixelFormatOf(flags);
    const std::int32_t height = ReadInteger(stream), width = ReadInteger(stream), allocBy = ReadInteger(stream);
    const bool masked = ReadByte(stream) != 0;
    const std::int32_t count = ReadInteger(stream);
    // Sizes and counts from the record are checked before anything is sized by them.
    if (height < 1 || width < 1 || height > kMaxStripWidth || width > kMaxStripWidth || count < 0 ||
        std::int64_t(count) * width > kMaxStripWidth)
        throw EInvalidGraphic("Invalid image size");
    height_ = height;
    width_ = width;
    allocBy_ = allocBy < 1 ? 4 : allocBy;
    masked_ = masked;
    strip_ = QImage(0, height_, QImage::Format_RGB32);
    mask_ = masked_ ? QImage(0, height_, QImage::Format_Mono) : QImage();
    offsets_.clear();
    if (count == 0) return;
    const QImage strip = ReadBitmapData(stream, flags & kItemCompressed);
    const QImage mask = masked_ ? ReadBitmapData(stream, flags & kItemCompressed) : QImage();
    if (strip.width() < count * width_ || strip.height() != height_ ||
        (masked_ && (mask.width() < count * width_ || mask.height() != height_)))
        throw EInvalidGraphic("Invalid image size");
    strip_ = strip.copy(0, 0, count * width_, height_).convertToFormat(QImage::Format_RGB32);
    if (masked_) mask_ = mask.copy(0, 0, count * width_, height_).convertToFormat(QImage::Format_Mono);
    RebuildOffsets(count);
}

// String items.

void TEffStringListItem::SetItems(const std::vector<std::string>& items)
{
    if (items == items_) return;
    items_ = items;
    Change();
}

QStringList TEffStringListItem::ItemsText() const
{
    QStringList list;
    for (const std::string& s : items_) list << qttext::toQString(s);
    return list;
}

void TEffStringListItem::SetItemsText(const QStringList& items)
{
    std::vector<std::string> list;
    for (const QString& s : items) list.push_back(qttext::fromQString(s, true));
    SetItems(list);
}

std::uint8_t TEffStringListItem::GetFlags() const
{
    return TEffListItem::GetFlags() | (items_.empty() ? 0 : kItemData);
}

void TEffStringListItem::Assign(const TEffListItem& source)
{
    const auto* other = qobject_cast<const TEffStringListItem*>(&source);
    if (!other) RaiseAssignError(&source, this);
    BeginUpdate();
    TEffListItem::Assign(source);
    items_ = other->items_;
    EndUpdate(true);
}

void TEffStringListItem::ReadBody(TStream& stream, std::uint8_t flags)
{
    items_.clear();
    if (flags & kItemData) ReadStringsData(stream, items_, flags & kItemCompressed);
}

void TEffStringListItem::WriteBody(TStream& stream)
{
    if (!items_.empty()) WriteStringsData(stream, items_, Compressed());
}

// Wave items.

TEffWaveListItem::TEffWaveListItem(QObject* owner) : TEffListItem(owner), wave_(new TEffWave)
{
    wave_->setParent(this);
    wave_->OnChange = [this](TEffObject*) { Change(); };
}

std::uint8_t TEffWaveListItem::GetFlags() const
{
    return TEffListItem::GetFlags() | (wave_->Empty() ? 0 : kItemData);
}

void TEffWaveListItem::Assign(const TEffListItem& source)
{
    const auto* other = qobject_cast<const TEffWaveListItem*>(&source);
    if (!other) RaiseAssignError(&source, this);
    BeginUpdate();
    TEffListItem::Assign(source);
    wave_->Assign(other->wave_);
    EndUpdate(true);
}

void TEffWaveListItem::ReadBody(TStream& stream, std::uint8_t flags)
{
    if (!(flags & kItemData)) {
        wave_->Clear();
        return;
    }
    ReadWaveData(stream, *wave_, flags & kItemCompressed);
}

void TEffWaveListItem::WriteBody(TStream& stream)
{
    if (!wave_->Empty()) WriteWaveData(stream, *wave_, Compressed());
}

#include "controls/effects/EffContainers.h"

#include "controls/effects/EffBitmaps.h"
#include "controls/effects/EffUtils.h"
#include "platform/AppPaths.h"
#include "platform/LocalFiles.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <iterator>

#include <fcntl.h>

TEffChangeLink::~TEffChangeLink()
{
    if (container_) container_->Detach(*this);
}

TEffBaseContainer::~TEffBaseContainer()
{
    for (TEffChangeLink* link : links_) link->container_ = nullptr;
}

void TEffBaseContainer::Attach(TEffChangeLink& link)
{
    if (link.container_ == this) return;
    if (link.container_) link.container_->Detach(link);
    link.container_ = this;
    links_.push_back(&link);
}

void TEffBaseContainer::Detach(TEffChangeLink& link)
{
    const auto at = std::find(links_.begin(), links_.end(), &link);
    if (at == links_.end()) return;
    link.container_ = nullptr;
    links_.erase(at);
}

void TEffBaseContainer::Change()
{
    if (Updating()) return;
    for (TEffChangeLink* link : std::vector<TEffChangeLink*>(links_))
        if (link->OnChange) link->OnChange(this);
    TEffComponent::Change();
}

std::string ListFileSignature(TEffListKind kind)
{
    static const char* const kSignatures[] = {"EFFIML30", "EFFBML30", "EFFWVL30", "EFFSLL30", "EFFRTL30"};
    return kind >= lkImageList && kind <= lkRichTextList ? kSignatures[kind] : "";
}

std::string ListFileExtension(TEffListKind kind, bool withDot)
{
    static const char* const kExtensions[] = {"iml", "bmp", "wav", "txt", "rtf"};
    if (kind < lkImageList || kind > lkRichTextList) return "";
    return (withDot ? "." : "") + std::string(kExtensions[kind]);
}

TEffCustomContainer::~TEffCustomContainer()
{
    // The items are children and go with the container; they must not report to it meanwhile.
    for (TEffListItem* item : items_) item->OnChange = nullptr;
}

TEffListItem* TEffCustomContainer::Item(int index) const
{
    return index >= 0 && index < Count() ? items_[static_cast<std::size_t>(index)] : nullptr;
}

void TEffCustomContainer::Add(TEffListItem* item)
{
    item->setParent(this);
    item->OnChange = [this](QObject* sender) { GetChange(sender); };
    items_.push_back(item);
    Change();
}

TEffListItem* TEffCustomContainer::Add()
{
    TEffListItem* item = CreateItem();
    Add(item);
    return item;
}

void TEffCustomContainer::Clear()
{
    for (TEffListItem* item : items_) {
        item->OnChange = nullptr;
        delete item;
    }
    items_.clear();
    Change();
}

void TEffCustomContainer::Assign(const TEffCustomContainer& source)
{
    if (&source == this) return;
    if (source.kind_ != kind_) RaiseAssignError(&source, this);
    BeginUpdate();
    Clear();
    storageMode_ = source.storageMode_;
    prefix_ = source.prefix_;
    fileName_ = source.fileName_;
    for (const TEffListItem* item : source.items_) {
        TEffListItem* copy = CreateItem();
        copy->Assign(*item);
        Add(copy);
    }
    EndUpdate(true);
}

void TEffCustomContainer::SaveToStream(TStream& stream, bool withOffsets)
{
    WriteInteger(stream, Count());
    const std::int64_t table = stream.Position();
    if (withOffsets)
        for (int i = 0; i < Count(); ++i) WriteInteger(stream, 0);
    std::vector<std::int32_t> offsets;
    for (TEffListItem* item : items_) {
        offsets.push_back(static_cast<std::int32_t>(stream.Position()));
        item->WriteData(stream);
    }
    if (!withOffsets) return;
    const std::int64_t end = stream.Position();
    stream.SetPosition(table);
    for (std::int32_t offset : offsets) WriteInteger(stream, offset);
    stream.SetPosition(end);
}

void TEffCustomContainer::LoadFromStream(TStream& stream, bool withOffsets)
{
    BeginUpdate();
    try {
        Clear();
        const std::int32_t count = ReadInteger(stream);
        // Every record takes at least its flag byte (and every offset four bytes).
        const std::int64_t per = withOffsets ? 5 : 1;
        if (count < 0 || count > stream.Remaining() / per) throw EReadError("Stream read error");
        if (withOffsets) stream.SetPosition(stream.Position() + 4 * std::int64_t(count));
        for (std::int32_t i = 0; i < count; ++i) {
            TEffListItem* item = CreateItem();
            try {
                item->ReadData(stream);
            } catch (...) {
                delete item;
                throw;
            }
            Add(item);
        }
    } catch (...) {
        Clear();
        EndUpdate(true);
        throw;
    }
    EndUpdate(true);
}

std::string TEffCustomContainer::ListFilePath() const
{
    if (prefix_ == ppFixed) return fileName_;
    return GetSpecialPath(prefix_, true) + apppaths::extractFileName(fileName_);
}

namespace {

constexpr std::size_t kSignatureBytes = 9;  // a length byte and eight characters

TMemoryStream readWholeFile(const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw Exception("Cannot open file " + fileName);
    return TMemoryStream(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {}));
}

}  // namespace

TEffListKind ReadListFileHeader(TStream& stream, std::vector<std::int32_t>* offsets, std::int32_t* countOut)
{
    std::uint8_t head[kSignatureBytes] = {};
    const std::size_t got = stream.Read(head, kSignatureBytes);
    TEffListKind kind = lkUnknown;
    for (int k = lkImageList; k <= lkRichTextList && got == kSignatureBytes; ++k) {
        const std::string signature = ListFileSignature(static_cast<TEffListKind>(k));
        if (head[0] == signature.size() && std::memcmp(head + 1, signature.data(), signature.size()) == 0) {
            kind = static_cast<TEffListKind>(k);
            break;
        }
    }
    const std::int32_t count = ReadInteger(stream);
    if (countOut) *countOut = count;
    if (kind == lkUnknown || !offsets) return kind;
    offsets->clear();
    // The offset table must fit the file, and every record must begin after it and inside it.
    if (count < 0 || count > stream.Remaining() / 4) throw EReadError("Stream read error");
    const std::int64_t firstRecord = stream.Position() + 4 * std::int64_t(count);
    for (std::int32_t i = 0; i < count; ++i) {
        const std::int32_t offset = ReadInteger(stream);
        if (offset < firstRecord || offset >= stream.Size()) throw EReadError("Stream read error");
        offsets->push_back(offset);
    }
    return kind;
}

TEffListKind ReadListFileHeader(const std::string& fileName, std::vector<std::int32_t>* offsets, std::int32_t* count)
{
    TMemoryStream file = readWholeFile(fileName);
    return ReadListFileHeader(file, offsets, count);
}

bool ReadListItem(const std::string& fileName, TEffListKind expected, const std::vector<std::int32_t>* offsets,
                  TEffListItem& item, int index)
{
    TMemoryStream file = readWholeFile(fileName);
    std::vector<std::int32_t> own;
    const TEffListKind kind = ReadListFileHeader(file, &own, nullptr);
    if (kind != expected) throw Exception("Cannot open file " + fileName);
    const std::vector<std::int32_t>& table = offsets ? *offsets : own;
    if (index < 0 || static_cast<std::size_t>(index) >= table.size()) return false;
    const std::int32_t offset = table[static_cast<std::size_t>(index)];
    if (offset < 0 || offset >= file.Size()) throw EReadError("Stream read error");
    file.SetPosition(offset);
    item.ReadData(file);
    return true;
}

void SaveListStream(TStream& stream, TEffCustomContainer& container)
{
    WriteString(stream, ListFileSignature(container.Kind()));
    container.SaveToStream(stream, true);
}

void LoadListStream(TStream& stream, TEffCustomContainer& container)
{
    const std::int64_t start = stream.Position();
    std::vector<std::int32_t> offsets;
    const TEffListKind kind = ReadListFileHeader(stream, &offsets, nullptr);
    if (kind != container.Kind()) throw Exception("Cannot open file: not a " + ListFileSignature(container.Kind()) + " list");
    stream.SetPosition(start + static_cast<std::int64_t>(kSignatureBytes));
    container.LoadFromStream(stream, true);
}

void WriteListFile(const std::string& fileName, TEffCustomContainer& container)
{
    TMemoryStream bytes;
    SaveListStream(bytes, container);
    const std::string_view text(reinterpret_cast<const char*>(bytes.Bytes().data()), bytes.Bytes().size());
    if (!localfiles::writeFileAtomically(fileName, text, 0644)) throw Exception("Cannot create file " + fileName);
}

// Picture containers.

int TEffCustomImageList::GetMetric(int listIndex, int metric) const
{
    const TRect r = GetBounds(listIndex, 0);
    return metric == 0 ? RectWidth(r) : RectHeight(r);
}

bool TEffCustomImageList::HasImage(int listIndex, int imageIndex) const
{
    return imageIndex >= 0 && imageIndex < GetImageCount(listIndex);
}

bool TEffCustomImageList::GetBitmap(int listIndex, int imageIndex, QImage* target) const
{
    if (!target || !HasImage(listIndex, imageIndex)) return false;
    *target = Picture(listIndex, imageIndex);
    return true;
}

TColor TEffCustomImageList::GetTransparentColor(int listIndex, int imageIndex) const
{
    const QImage image = HasImage(listIndex, imageIndex) ? Picture(listIndex, imageIndex) : QImage();
    if (image.isNull() || image.height() == 0) return clWhite;
    const QRgb p = image.pixel(0, image.height() - 1);
    return RGB(qRed(p), qGreen(p), qBlue(p));
}

TColor TEffCustomImageList::GetPixel(int listIndex, int imageIndex, int x, int y) const
{
    const QImage image = HasImage(listIndex, imageIndex) ? Picture(listIndex, imageIndex) : QImage();
    if (!image.valid(x, y)) return clWhite;
    const QRgb p = image.pixel(x, y);
    return RGB(qRed(p), qGreen(p), qBlue(p));
}

void TEffCustomImageList::Draw(QPainter& canvas, int x, int y, int listIndex, int imageIndex) const
{
    if (!HasImage(listIndex, imageIndex)) return;
    const QImage image = Picture(listIndex, imageIndex);
    DrawBitmap(canvas, {x, y, x + image.width(), y + image.height()}, image, kNoTransparentColor, {}, 0);
}

QList<QRgb> TEffCustomImageList::GetPalette(int listIndex) const
{
    return HasImage(listIndex, 0) ? Picture(listIndex, 0).colorTable() : QList<QRgb>();
}

void TEffCustomImageList::DrawStyled(QPainter& canvas, const TRect& rect, TEffBitmapStyle style, int flags,
                                     int listIndex, int imageIndex) const
{
    if (!HasImage(listIndex, imageIndex)) return;
    const QImage image = Picture(listIndex, imageIndex);
    const int all = BitmapStyleFlags(style) | flags;
    if (IsMasked(listIndex)) {
        const QImage mask = MaskPicture(listIndex, imageIndex);
        DrawBitmapStyled(canvas, rect, image, &mask, kNoTransparentColor, {}, all | kBmpMask);
    } else {
        DrawBitmap(canvas, rect, image, GetTransparentColor(listIndex, imageIndex), {}, all);
    }
}

void TEffCustomImageList::DrawTransparent(QPainter& canvas, const TRect& rect, int flags, int listIndex,
                                          int imageIndex) const
{
    if (!HasImage(listIndex, imageIndex)) return;
    DrawBitmap(canvas, rect, Picture(listIndex, imageIndex), GetTransparentColor(listIndex, imageIndex), {},
               flags | kBmpTransparent);
}

int TEffBitmapList::GetImageCount(int listIndex) const
{
    TEffBitmapListItem* item = At(listIndex);
    if (!item) return -1;
    return item->Bitmap().isNull() ? 0 : 1;
}

TRect TEffBitmapList::GetBounds(int listIndex, int) const
{
    TEffBitmapListItem* item = At(listIndex);
    if (!item) return {};
    const QImage& b = item->Bitmap();
    return {0, 0, b.width(), b.height()};
}

QImage TEffBitmapList::Picture(int listIndex, int) const
{
    TEffBitmapListItem* item = At(listIndex);
    return item ? item->Bitmap() : QImage();
}

QImage* TEffBitmapList::GetCanvas(int listIndex)
{
    TEffBitmapListItem* item = At(listIndex);
    return item ? item->Canvas() : nullptr;
}

int TEffImageList::GetImageCount(int listIndex) const
{
    const TEffImageListItem* item = At(listIndex);
    return item ? item->Count() : -1;
}

TRect TEffImageList::GetBounds(int listIndex, int imageIndex) const
{
    const TEffImageListItem* item = At(listIndex);
    if (!item) return {};
    const int left = imageIndex >= 0 && imageIndex < item->Count() ? item->Offsets()[static_cast<std::size_t>(imageIndex)].Left : 0;
    return {left, 0, left + item->Width(), item->Height()};
}

QImage TEffImageList::Picture(int listIndex, int imageIndex) const
{
    const TEffImageListItem* item = At(listIndex);
    return item ? item->Image(imageIndex) : QImage();
}

bool TEffImageList::IsMasked(int listIndex) const
{
    const TEffImageListItem* item = At(listIndex);
    return item && item->Masked();
}

QImage TEffImageList::MaskPicture(int listIndex, int imageIndex) const
{
    const TEffImageListItem* item = At(listIndex);
    return item ? item->MaskImage(imageIndex) : QImage();
}

QImage* TEffImageList::GetCanvas(int listIndex)
{
    TEffImageListItem* item = At(listIndex);
    return item ? item->Canvas() : nullptr;
}

void TEffImageList::Draw(QPainter& canvas, int x, int y, int listIndex, int imageIndex) const
{
    if (const TEffImageListItem* item = At(listIndex)) item->Draw(canvas, x, y, imageIndex);
}

// The container of one list of each kind.

TEffContainer::TEffContainer(QObject* owner)
    : TEffBaseContainer(owner), bitmapList_(new TEffBitmapList(this)), imageList_(new TEffImageList(this)),
      waveList_(new TEffWaveList(this)), stringList_(new TEffStringList(this))
{
    for (TEffCustomContainer* list : std::initializer_list<TEffCustomContainer*>{bitmapList_, imageList_, waveList_, stringList_})
        list->OnChange = [this, list](QObject*) { ListChanged(*list); };
}

void TEffContainer::ListChanged(TEffCustomContainer& list)
{
    TEffContainer& shared = SharedContainer();
    if (designing_ && this != &shared) {
        TEffCustomContainer* const mine[] = {bitmapList_, imageList_, waveList_, stringList_};
        TEffCustomContainer* const theirs[] = {shared.bitmapList_, shared.imageList_, shared.waveList_, shared.stringList_};
        for (std::size_t i = 0; i < std::size(mine); ++i)
            if (mine[i] == &list) theirs[i]->Assign(list);
    }
    Change();
}

TEffContainer& SharedContainer()
{
    // A function-local static, so that whichever static initializer asks first gets it made.
    static const std::unique_ptr<TEffContainer> shared(new TEffContainer);
    return *shared;
}

namespace {
// The shared container exists from the start of the program, as the list files expect.
[[maybe_unused]] const TEffContainer* const sharedAtStart = &SharedContainer();
}  // namespace

TEffCustomImageList* SharedImageList(const std::string& name)
{
    if (name == ListFileSignature(lkBitmapList)) return &SharedContainer().BitmapList();
    if (name == ListFileSignature(lkImageList)) return &SharedContainer().ImageList();
    return nullptr;
}

bool LibraryFileLoads(const std::string& fileName)
{
    bool notRegular = false;
    const FdHandle file = localfiles::openRegularFile(fileName, O_RDONLY, notRegular);
    if (!file.valid()) return false;
    char magic[4];
    return ::read(file.get(), magic, sizeof magic) == ssize_t(sizeof magic) && std::memcmp(magic, "\x7f" "ELF", 4) == 0;
}

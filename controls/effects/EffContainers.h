#pragma once
// Containers of numbered list items, the links controls attach to them, and list files:
// a signature, the item count, one offset per item and the item records.

#include "controls/effects/EffListItems.h"
#include "controls/effects/EffTypes.h"
#include "controls/input/GdiTypes.h"

class QPainter;

#include <QList>
#include <QRgb>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TEffBaseContainer;

// A control's link to a container: told of every change until it is detached or destroyed.
class TEffChangeLink {
public:
    std::function<void(QObject* sender)> OnChange;
    ~TEffChangeLink();
    TEffBaseContainer* Container() const { return container_; }

private:
    friend class TEffBaseContainer;
    TEffBaseContainer* container_ = nullptr;
};

class TEffBaseContainer : public TEffComponent {
    Q_OBJECT
public:
    explicit TEffBaseContainer(QObject* owner = nullptr) : TEffComponent(owner) {}
    ~TEffBaseContainer() override;
    void Attach(TEffChangeLink& link);
    // A link that is not attached is ignored.
    void Detach(TEffChangeLink& link);

protected:
    // The attached links in order, then the container's own change event.
    void Change() override;

private:
    std::vector<TEffChangeLink*> links_;
};

// List kinds, as list files name them.
enum TEffListKind { lkImageList = 0, lkBitmapList = 1, lkWaveList = 2, lkStringList = 3, lkRichTextList = 4, lkUnknown = 5 };
std::string ListFileSignature(TEffListKind kind);
std::string ListFileExtension(TEffListKind kind, bool withDot);

class TEffCustomContainer : public TEffBaseContainer {
    Q_OBJECT
public:
    TEffCustomContainer(TEffListKind kind, QObject* owner = nullptr) : TEffBaseContainer(owner), kind_(kind) {}
    ~TEffCustomContainer() override;

    TEffListKind Kind() const { return kind_; }
    int Count() const { return static_cast<int>(items_.size()); }
    TEffListItem* Item(int index) const;
    // A new item of the container's item class, appended.
    TEffListItem* Add();
    // Takes the item (reparented to the container).
    void Add(TEffListItem* item);
    void Clear();
    void Assign(const TEffCustomContainer& source);
    virtual TEffListItem* CreateItem() const = 0;

    // The count, then (with offsets) a table of record positions, then the records.
    void SaveToStream(TStream& stream, bool withOffsets);
    // Counts and offsets that do not fit the stream are errors; the container is left empty then.
    void LoadFromStream(TStream& stream, bool withOffsets);

    // Where an empty bitmap item fetches its bitmap: 0 nowhere (the form's own), 1 a bitmap-list
    // file (record Ident), 2 the program's resource Ident, 3 a library file (only checked to
    // load, see LibraryFileLoads), 4 one file per item.
    int StorageMode() const { return storageMode_; }
    void SetStorageMode(int mode) { storageMode_ = mode; }
    TEffPathPrefix PathPrefix() const { return prefix_; }
    void SetPathPrefix(TEffPathPrefix prefix) { prefix_ = prefix; }
    std::string FileName() const { return fileName_; }
    void SetFileName(const std::string& name) { fileName_ = name; }
    // The list file's path: the file name in the prefix's folder (as given for ppFixed).
    std::string ListFilePath() const;

    void GetChange(QObject* sender) override { Change(); }

private:
    TEffListKind kind_;
    std::vector<TEffListItem*> items_;
    int storageMode_ = 0;
    TEffPathPrefix prefix_ = ppProgram;
    std::string fileName_;
};

// Containers of pictures: images picked by (ListIndex, ImageIndex). A list index past the items
// answers false, 0, -1 (image counts) or white.
class TEffCustomImageList : public TEffCustomContainer {
    Q_OBJECT
    Q_PROPERTY(QString About READ About WRITE SetAbout)
    Q_PROPERTY(bool DefaultCompressed READ DefaultCompressed WRITE SetDefaultCompressed)
    Q_PROPERTY(eff::TEffSavePixelFormat DefaultPixelFormat READ DefaultPixelFormat WRITE SetDefaultPixelFormat)
public:
    using TEffCustomContainer::TEffCustomContainer;

    QString About() const { return {}; }
    void SetAbout(const QString&) {}
    bool DefaultCompressed() const { return defaultCompressed_; }
    void SetDefaultCompressed(bool compressed) { defaultCompressed_ = compressed; }
    TEffSavePixelFormat DefaultPixelFormat() const { return defaultPixelFormat_; }
    void SetDefaultPixelFormat(TEffSavePixelFormat format) { defaultPixelFormat_ = format; }

    // One image: its rectangle in the item's bitmap or strip, and the image itself.
    virtual int GetImageCount(int listIndex) const = 0;
    virtual TRect GetBounds(int listIndex, int imageIndex) const = 0;
    virtual QImage Picture(int listIndex, int imageIndex) const = 0;
    virtual bool IsMasked(int listIndex) const { return false; }
    // The image's part of the item's mask; empty when the item is not masked.
    virtual QImage MaskPicture(int listIndex, int imageIndex) const { return {}; }
    // The item's bitmap or strip to draw on; null past the items.
    virtual QImage* GetCanvas(int listIndex) = 0;
    // Palettes do not exist here: the colour table of an indexed bitmap, empty otherwise.
    QList<QRgb> GetPalette(int listIndex) const;
    // 0 width, 1 height of one image.
    int GetMetric(int listIndex, int metric) const;
    bool HasImage(int listIndex, int imageIndex) const;
    // Copies the image into Target; nothing for no target.
    bool GetBitmap(int listIndex, int imageIndex, QImage* target) const;
    // The image's bottom-left pixel.
    TColor GetTransparentColor(int listIndex, int imageIndex) const;
    TColor GetPixel(int listIndex, int imageIndex, int x, int y) const;
    virtual void Draw(QPainter& canvas, int x, int y, int listIndex, int imageIndex) const;
    // By its bottom-left pixel as key colour; `flags` are DrawBitmap's.
    void DrawTransparent(QPainter& canvas, const TRect& rect, int flags, int listIndex, int imageIndex) const;
    // Placed in Rect by the style, more DrawBitmap flags added; a masked image through its mask.
    void DrawStyled(QPainter& canvas, const TRect& rect, TEffBitmapStyle style, int flags, int listIndex,
                    int imageIndex) const;

private:
    bool defaultCompressed_ = false;
    TEffSavePixelFormat defaultPixelFormat_ = spfDefault;
};

template <class TItem, TEffListKind ListKind, class Base = TEffCustomContainer>
class TEffTypedContainer : public Base {
public:
    explicit TEffTypedContainer(QObject* owner = nullptr) : Base(ListKind, owner) {}
    TEffListItem* CreateItem() const override { return new TItem; }
    TItem* At(int index) const { return static_cast<TItem*>(this->Item(index)); }
};

class TEffBitmapList : public TEffTypedContainer<TEffBitmapListItem, lkBitmapList, TEffCustomImageList> {
public:
    using TEffTypedContainer::TEffTypedContainer;
    int GetImageCount(int listIndex) const override;
    TRect GetBounds(int listIndex, int imageIndex) const override;
    QImage Picture(int listIndex, int imageIndex) const override;
    QImage* GetCanvas(int listIndex) override;
};

class TEffImageList : public TEffTypedContainer<TEffImageListItem, lkImageList, TEffCustomImageList> {
public:
    using TEffTypedContainer::TEffTypedContainer;
    int GetImageCount(int listIndex) const override;
    TRect GetBounds(int listIndex, int imageIndex) const override;
    QImage Picture(int listIndex, int imageIndex) const override;
    bool IsMasked(int listIndex) const override;
    QImage MaskPicture(int listIndex, int imageIndex) const override;
    QImage* GetCanvas(int listIndex) override;
    // By the item's draw style (TEffImageListItem::Draw).
    void Draw(QPainter& canvas, int x, int y, int listIndex, int imageIndex) const override;
};

using TEffStringList = TEffTypedContainer<TEffStringListItem, lkStringList>;
using TEffWaveList = TEffTypedContainer<TEffWaveListItem, lkWaveList>;

// One list of each kind. The program-wide container holds the shared lists that controls name
// "EFFBML30" and "EFFIML30"; a container placed on a form while designing copies each of its lists
// into the shared container's whenever that list changes.
class TEffContainer : public TEffBaseContainer {
    Q_OBJECT
public:
    explicit TEffContainer(QObject* owner = nullptr);

    TEffBitmapList& BitmapList() const { return *bitmapList_; }
    TEffImageList& ImageList() const { return *imageList_; }
    TEffWaveList& WaveList() const { return *waveList_; }
    TEffStringList& StringList() const { return *stringList_; }
    bool Designing() const { return designing_; }
    void SetDesigning(bool designing) { designing_ = designing; }

private:
    void ListChanged(TEffCustomContainer& list);
    TEffBitmapList* bitmapList_;
    TEffImageList* imageList_;
    TEffWaveList* waveList_;
    TEffStringList* stringList_;
    bool designing_ = false;
};

// The program-wide container, made as the program starts (before main) and freed when it ends.
TEffContainer& SharedContainer();
// The shared list a control names: "EFFBML30" the bitmap list, "EFFIML30" the image list
// (exactly so spelt); null for any other name.
TEffCustomImageList* SharedImageList(const std::string& name);

// The signature and the count; the offsets too when asked and the kind is known. A file of no
// known signature is lkUnknown with no offsets. Offsets outside the file are errors.
TEffListKind ReadListFileHeader(const std::string& fileName, std::vector<std::int32_t>* offsets, std::int32_t* count = nullptr);
TEffListKind ReadListFileHeader(TStream& stream, std::vector<std::int32_t>* offsets, std::int32_t* count = nullptr);
// Record `index` of a list file of the expected kind into the item; "Cannot open file <name>"
// for another kind (the item unchanged). False for an index past the count.
bool ReadListItem(const std::string& fileName, TEffListKind expected, const std::vector<std::int32_t>* offsets,
                  TEffListItem& item, int index);
// Whether the file would load as a shared library: a regular file that opens and holds an ELF
// image. It is only read, never loaded: loading a library runs its code.
bool LibraryFileLoads(const std::string& fileName);
// The signature, then the container with offsets, written whole or not at all.
void WriteListFile(const std::string& fileName, TEffCustomContainer& container);
// The whole list file as a stream: the signature, then the container with offsets.
void SaveListStream(TStream& stream, TEffCustomContainer& container);
void LoadListStream(TStream& stream, TEffCustomContainer& container);

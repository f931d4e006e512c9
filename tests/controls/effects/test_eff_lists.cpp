#include "controls/effects/EffBitmapData.h"
#include "controls/effects/EffContainers.h"
#include "platform/AppPaths.h"

#include "tests/support/TempDir.h"

#include <QPainter>
#include <QVariant>
#include <gtest/gtest.h>
#include <cstring>
#include <functional>
#include <memory>

namespace {

using Bytes = std::vector<std::uint8_t>;

// A small RIFF/WAVE file image.
Bytes waveFile(int samples)
{
    TMemoryStream s;
    const auto tag = [&](const char* t) { s.WriteBuffer(t, 4); };
    tag("RIFF");
    WriteInteger(s, 36 + samples);
    tag("WAVE");
    tag("fmt ");
    WriteInteger(s, 16);
    const std::uint8_t format[16] = {1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x40, 0x1F, 0, 0, 1, 0, 8, 0};
    s.WriteBuffer(format, sizeof format);
    tag("data");
    WriteInteger(s, samples);
    for (int i = 0; i < samples; ++i) WriteByte(s, static_cast<std::uint8_t>(128 + (i % 32)));
    return s.Bytes();
}

QImage picture(int w, int h, QColor a, QColor b)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(a);
    QPainter p(&image);
    p.fillRect(w / 4, h / 4, w / 2, h / 2, b);
    return image;
}

bool samePixels(const QImage& a, const QImage& b)
{
    return a.size() == b.size() && a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

template <class List>
void roundTrip(List& list, const std::function<void(List&)> fill, const std::function<void(const List&, const List&)>& same)
{
    for (bool compressed : {false, true}) {
        list.Clear();
        fill(list);
        for (int i = 0; i < list.Count(); ++i) list.Item(i)->SetCompressed(compressed);
        TMemoryStream file;
        SaveListStream(file, list);
        file.SetPosition(0);
        List back;
        LoadListStream(file, back);
        ASSERT_EQ(back.Count(), list.Count()) << compressed;
        for (int i = 0; i < list.Count(); ++i) {
            EXPECT_EQ(back.Item(i)->Description(), list.Item(i)->Description());
            EXPECT_EQ(back.Item(i)->Ident(), list.Item(i)->Ident());
            EXPECT_EQ(back.Item(i)->Compressed(), compressed);
        }
        same(list, back);
    }
}

}  // namespace

TEST(EffListFiles, EveryItemKindRoundTripsPlainAndCompressed)
{
    TEffBitmapList bitmaps;
    roundTrip<TEffBitmapList>(
        bitmaps,
        [](TEffBitmapList& l) {
            auto* a = static_cast<TEffBitmapListItem*>(l.Add());
            a->SetBitmap(picture(40, 30, Qt::white, Qt::blue));
            a->SetDescription("logo");
            a->SetIdent(7);
            auto* b = static_cast<TEffBitmapListItem*>(l.Add());
            b->SetBitmap(picture(9, 5, Qt::black, Qt::white));
            b->SetPixelFormat(spfMono);
            l.Add();  // empty
        },
        [](const TEffBitmapList& a, const TEffBitmapList& b) {
            EXPECT_TRUE(samePixels(a.At(0)->StoredBitmap(), b.At(0)->StoredBitmap()));
            EXPECT_TRUE(samePixels(a.At(1)->StoredBitmap(), b.At(1)->StoredBitmap()));
            EXPECT_EQ(b.At(1)->PixelFormat(), spfMono);
            EXPECT_TRUE(b.At(2)->IsEmpty());
        });

    TEffImageList images;
    roundTrip<TEffImageList>(
        images,
        [](TEffImageList& l) {
            auto* a = static_cast<TEffImageListItem*>(l.Add());
            a->SetWidth(8);
            a->SetHeight(6);
            a->SetMasked(true);
            a->AddStrip(picture(24, 6, Qt::red, Qt::green), picture(24, 6, Qt::white, Qt::black));
            a->SetDescription("arrows");
            l.Add();
            auto* c = static_cast<TEffImageListItem*>(l.Add());
            c->SetWidth(4);
            c->SetHeight(4);
            c->SetPixelFormat(spf4bit);
            c->AddStrip(picture(8, 4, Qt::red, Qt::blue), QImage());
        },
        [](const TEffImageList& a, const TEffImageList& b) {
            EXPECT_EQ(b.At(0)->Count(), 3);
            EXPECT_EQ(b.At(0)->Width(), 8);
            EXPECT_TRUE(b.At(0)->Masked());
            EXPECT_EQ(b.At(0)->Offsets(), a.At(0)->Offsets());
            EXPECT_TRUE(samePixels(a.At(0)->Strip(), b.At(0)->Strip()));
            EXPECT_TRUE(samePixels(a.At(0)->Mask(), b.At(0)->Mask()));
            EXPECT_EQ(b.At(1)->Count(), 0);
            EXPECT_EQ(static_cast<const TEffImageListItem*>(b.At(2))->PixelFormat(), spf4bit);
            EXPECT_EQ(b.At(2)->Count(), 2);
        });

    TEffStringList strings;
    roundTrip<TEffStringList>(
        strings,
        [](TEffStringList& l) {
            static_cast<TEffStringListItem*>(l.Add())->SetItems({"first", "", "third \xE9"});
            l.Add()->SetIdent(3);
        },
        [](const TEffStringList& a, const TEffStringList& b) {
            EXPECT_EQ(b.At(0)->Items(), a.At(0)->Items());
            EXPECT_TRUE(b.At(1)->IsEmpty());
        });

    TEffWaveList waves;
    roundTrip<TEffWaveList>(
        waves,
        [](TEffWaveList& l) {
            TMemoryStream wav(waveFile(4000));
            static_cast<TEffWaveListItem*>(l.Add())->Wave()->LoadFromStream(wav);
            l.Add();
        },
        [](const TEffWaveList& a, const TEffWaveList& b) {
            EXPECT_EQ(b.At(0)->Wave()->Data()->Bytes(), a.At(0)->Wave()->Data()->Bytes());
            EXPECT_TRUE(b.At(1)->IsEmpty());
        });
}

TEST(EffListFiles, HeadersKindsAndItemsByIndex)
{
    TempDir dir;
    TEffStringList strings;
    for (int i = 0; i < 3; ++i) static_cast<TEffStringListItem*>(strings.Add())->SetItems({"item " + std::to_string(i)});
    const std::string path = dir.path() + "/texts.txt";
    WriteListFile(path, strings);
    std::vector<std::int32_t> offsets;
    std::int32_t count = 0;
    EXPECT_EQ(ReadListFileHeader(path, &offsets, &count), lkStringList);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(offsets.size(), 3u);
    TEffStringListItem item;
    ASSERT_TRUE(ReadListItem(path, lkStringList, nullptr, item, 2));
    EXPECT_EQ(item.Items(), (std::vector<std::string>{"item 2"}));
    EXPECT_FALSE(ReadListItem(path, lkStringList, &offsets, item, 3));
    try {
        TEffBitmapListItem other;
        ReadListItem(path, lkBitmapList, nullptr, other, 0);
        ADD_FAILURE() << "read a string list as bitmaps";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "Cannot open file " + path);
    }
    // No known signature: kind 5, no offsets.
    TMemoryStream junk(Bytes{8, 'N', 'O', 'T', 'A', 'L', 'I', 'S', 'T', 1, 0, 0, 0, 9, 0, 0, 0});
    offsets = {1, 2};
    EXPECT_EQ(ReadListFileHeader(junk, &offsets), lkUnknown);
    EXPECT_EQ(offsets.size(), 2u);  // left alone
    EXPECT_EQ(ListFileExtension(lkImageList, true), ".iml");
    EXPECT_EQ(ListFileExtension(lkWaveList, false), "wav");
}

TEST(EffListFiles, CraftedFilesAreErrorsNotCrashes)
{
    TEffBitmapList bitmaps;
    static_cast<TEffBitmapListItem*>(bitmaps.Add())->SetBitmap(picture(16, 16, Qt::red, Qt::blue));
    TMemoryStream good;
    SaveListStream(good, bitmaps);
    const Bytes bytes = good.Bytes();
    struct Case {
        const char* name;
        std::function<void(Bytes&)> spoil;
    };
    const Case cases[] = {
        {"huge count", [](Bytes& b) { b[12] = 0x7F; }},
        {"negative count", [](Bytes& b) { b[12] = 0xFF; }},
        {"offset past the end", [](Bytes& b) { b[16] = 0x7F; }},
        {"offset into the table", [](Bytes& b) { b[13] = 4; b[14] = b[15] = b[16] = 0; }},
        {"payload length past the end", [](Bytes& b) { b[21] = 0x7F; }},
        {"truncated bitmap", [](Bytes& b) { b.resize(b.size() - 100); }},
        {"not a bitmap", [](Bytes& b) { b[22] = 'X'; }},
    };
    for (const Case& c : cases) {
        Bytes spoiled = bytes;
        c.spoil(spoiled);
        TMemoryStream s(spoiled);
        TEffBitmapList back;
        EXPECT_ANY_THROW(LoadListStream(s, back)) << c.name;
        EXPECT_EQ(back.Count(), 0) << c.name;
    }
    // Image sizes from a record are checked before anything is sized by them.
    TMemoryStream record;
    WriteByte(record, 0);
    for (std::int32_t v : {16, 16, 4}) WriteInteger(record, v);
    WriteByte(record, 0);
    WriteInteger(record, 100000);
    record.SetPosition(0);
    TEffImageListItem image;
    EXPECT_THROW(image.ReadData(record), EInvalidGraphic);
}

TEST(EffListItems, RecordsAndSettings)
{
    TEffBitmapListItem empty;
    TMemoryStream s;
    empty.WriteData(s);
    EXPECT_EQ(s.Bytes(), Bytes{0});  // the flag byte alone

    TEffImageListItem strip;
    strip.SetWidth(0);
    EXPECT_EQ(strip.Width(), 16);
    strip.AddStrip(picture(32, 16, Qt::red, Qt::blue));
    EXPECT_EQ(strip.Count(), 2);
    TEffImageListItem other;
    other.SetWidth(8);
    EXPECT_THROW(strip.AddImages(other), EInvalidGraphic);
    strip.AddImages(strip);
    EXPECT_EQ(strip.Count(), 4);
    EXPECT_EQ(strip.Offsets()[3].Left, 48);
    EXPECT_THROW(strip.AddStrip(QImage(TEffImageListItem::kMaxStripWidth, 16, QImage::Format_RGB32)), EInvalidGraphic);
    strip.SetHeight(20);  // another size empties the strip
    EXPECT_EQ(strip.Count(), 0);
}

TEST(EffListItems, StorageModesFetchOnlyBitmaps)
{
    TempDir dir;
    const QImage own = picture(6, 6, Qt::yellow, Qt::black);
    ASSERT_TRUE(own.save(QString::fromStdString(dir.path() + "/too7.bmp"), "BMP"));
    TEffBitmapList file;
    static_cast<TEffBitmapListItem*>(file.Add())->SetBitmap(picture(4, 4, Qt::red, Qt::red));
    static_cast<TEffBitmapListItem*>(file.Add())->SetBitmap(own);
    WriteListFile(dir.path() + "/pictures.bmp", file);
    ASSERT_TRUE(own.save(QString::fromStdString(dir.path() + "/library.so"), "BMP"));
    struct Case {
        const char* name;
        int mode;
        const char* fileName;
        int ident;
        bool fetched;
    };
    const Case cases[] = {
        {"one file per item", 4, "tools.lst", 7, true},
        {"a record of a bitmap-list file", 1, "pictures.bmp", 1, true},
        {"a library file is never loaded", 3, "library.so", 7, false},
        {"the form's own bitmap only", 0, "pictures.bmp", 1, false},
    };
    for (const Case& c : cases) {
        TEffBitmapList list;
        list.SetStorageMode(c.mode);
        list.SetPathPrefix(ppFixed);
        list.SetFileName(dir.path() + "/" + c.fileName);
        auto* item = static_cast<TEffBitmapListItem*>(list.Add());
        item->SetIdent(c.ident);
        if (c.fetched) EXPECT_TRUE(samePixels(item->Bitmap(), own)) << c.name;
        else EXPECT_TRUE(item->Bitmap().isNull()) << c.name;
    }

    // Mode 3 only checks that the library would load; it never loads it.
    dir.write("plain.so", "not a library");
    const std::string self = "/proc/self/exe";  // the test program: a shared-object ELF image
    const struct {
        std::string file;
        bool loads;
    } libraries[] = {{self, true}, {dir.path() + "/library.so", false}, {dir.path() + "/plain.so", false},
                     {dir.path() + "/missing.so", false}, {dir.path(), false}, {"/dev/zero", false}};
    for (const auto& l : libraries) EXPECT_EQ(LibraryFileLoads(l.file), l.loads) << l.file;
    TEffBitmapList library;
    library.SetStorageMode(3);
    library.SetPathPrefix(ppFixed);
    library.SetFileName(self);
    EXPECT_TRUE(static_cast<TEffBitmapListItem*>(library.Add())->Bitmap().isNull());
}

TEST(EffWave, LoadingChecksTheHeader)
{
    TEffWave wave;
    int changes = 0;
    wave.OnChange = [&](TEffObject*) { ++changes; };
    TMemoryStream good(waveFile(100));
    wave.LoadFromStream(good);
    EXPECT_EQ(wave.Size(), static_cast<std::int64_t>(waveFile(100).size()));
    EXPECT_EQ(wave.Data()->Position(), 0);
    TEffWaveInfo info;
    TMemoryStream copy(wave.Data()->Bytes());
    ASSERT_TRUE(TEffWave::GetWaveData(&copy, info));
    EXPECT_TRUE(info.Pcm);
    EXPECT_EQ(info.Channels, 1);
    EXPECT_EQ(info.SamplesPerSec, 8000u);

    Bytes avi = waveFile(10);
    std::memcpy(avi.data() + 8, "AVI ", 4);
    TMemoryStream notWave(avi);
    const int before = changes;
    wave.LoadFromStream(notWave);
    EXPECT_EQ(changes, before);  // unchanged
    EXPECT_FALSE(wave.Empty());

    TMemoryStream truncated(Bytes{'R', 'I', 'F', 'F', 1});
    try {
        wave.LoadFromStream(truncated);
        ADD_FAILURE() << "a header cut short loads";
    } catch (const EErrorCheckingWave& e) {
        EXPECT_STREQ(e.what(), "GetWaveData: Cannot open file <stream>");  // a stream has no name
    }
    EXPECT_EQ(wave.Size(), static_cast<std::int64_t>(waveFile(100).size()));

    // File errors name the file, never a library's own text.
    TempDir dir;
    const std::string folder = dir.path();
    const auto message = [&](const std::string& name) {
        try {
            wave.LoadFromFile(name);
        } catch (const Exception& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message(folder), "Cannot open file " + folder);
    EXPECT_EQ(message(folder + "/missing.wav"), "Cannot open file " + folder + "/missing.wav");
    dir.write("short.wav", "RIFF\x01");
    EXPECT_EQ(message(folder + "/short.wav"), "GetWaveData: Cannot open file " + folder + "/short.wav");
    EXPECT_FALSE(wave.Empty());

    TEffWave emptyHolder;
    TMemoryStream record;
    emptyHolder.WriteData(record);
    EXPECT_EQ(record.Bytes(), (Bytes{0, 0, 0, 0}));
    record.SetPosition(0);
    wave.ReadData(record);  // a size-0 record leaves the holder as it was
    EXPECT_FALSE(wave.Empty());

    TMemoryStream nothing;
    wave.LoadFromStream(nothing);
    EXPECT_TRUE(wave.Empty());
    EXPECT_EQ(changes, before + 1);

    const Bytes sound = waveFile(20);
    dir.write("sound.wav", std::string(sound.begin(), sound.end()));
    const std::unique_ptr<TEffWave> fromFile = TEffWave::CreateFromFile(folder + "/sound.wav");
    EXPECT_EQ(fromFile->Data()->Bytes(), waveFile(20));
    EXPECT_THROW(TEffWave::CreateFromFile(folder + "/missing.wav"), Exception);
}

TEST(EffWave, WaveDataPlainAndCompressed)
{
    TEffWave wave, back;
    TMemoryStream file(waveFile(300));
    wave.LoadFromStream(file);
    for (bool compressed : {false, true}) {
        TMemoryStream data;
        WriteWaveData(data, wave, compressed);
        data.SetPosition(0);
        if (!compressed) {
            // Plain: the 4-byte size, then the RIFF image.
            EXPECT_EQ(data.Size(), wave.Size() + 4);
            EXPECT_EQ(ReadInteger(data), static_cast<std::int32_t>(wave.Size()));
            data.SetPosition(0);
        }
        back.Clear();
        ReadWaveData(data, back, compressed);
        EXPECT_EQ(back.Data()->Bytes(), wave.Data()->Bytes()) << compressed;
        EXPECT_EQ(data.Remaining(), 0) << compressed;
    }
}

TEST(EffBitmapData, BmpFilesOfEveryDepth)
{
    const QImage image = picture(13, 7, Qt::white, Qt::black);
    for (int format : {0, 2, 16, 256}) {
        const Bytes file = BmpFileImage(image, format);
        ASSERT_GT(file.size(), 54u);
        EXPECT_EQ(file[0], 'B');
        EXPECT_EQ(file[1], 'M');
        const std::uint32_t size = file[2] | file[3] << 8 | file[4] << 16 | std::uint32_t(file[5]) << 24;
        EXPECT_EQ(size, file.size()) << format;
        const int bits = file[28];
        EXPECT_EQ(bits, format == 0 ? 24 : format == 2 ? 1 : format == 16 ? 4 : 8);
        QImage back;
        ASSERT_TRUE(back.loadFromData(file.data(), static_cast<int>(file.size()), "BMP")) << format;
        EXPECT_TRUE(samePixels(back, image)) << format;  // black and white survive every depth
    }
    EXPECT_THROW(BmpFileImage(QImage(), 0), EInvalidGraphic);
}

TEST(EffImageLists, QueriesByListAndImageIndex)
{
    TEffImageList images;
    auto* item = static_cast<TEffImageListItem*>(images.Add());
    item->SetWidth(4);
    item->SetHeight(3);
    QImage strip(12, 3, QImage::Format_RGB32);
    strip.fill(Qt::red);
    strip.setPixelColor(4, 2, Qt::blue);  // the second image's bottom-left pixel
    item->AddStrip(strip);
    struct Case {
        int list, image;
        bool has;
        TRect bounds;
        TColor transparent;
    };
    const Case cases[] = {
        {0, 0, true, {0, 0, 4, 3}, clRed},
        {0, 1, true, {4, 0, 8, 3}, clBlue},
        {0, 3, false, {0, 0, 4, 3}, clWhite},
        {1, 0, false, {}, clWhite},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(images.HasImage(c.list, c.image), c.has) << c.list << "/" << c.image;
        EXPECT_EQ(images.GetBounds(c.list, c.image), c.bounds) << c.list << "/" << c.image;
        EXPECT_EQ(images.GetTransparentColor(c.list, c.image), c.transparent) << c.list << "/" << c.image;
    }
    EXPECT_EQ(images.GetImageCount(0), 3);
    EXPECT_EQ(images.GetImageCount(5), -1);
    EXPECT_EQ(images.GetMetric(0, 0), 4);
    EXPECT_EQ(images.GetMetric(0, 1), 3);
    QImage copy;
    EXPECT_TRUE(images.GetBitmap(0, 1, &copy));
    EXPECT_EQ(copy.size(), QSize(4, 3));
    EXPECT_FALSE(images.GetBitmap(0, 1, nullptr));

    TEffBitmapList bitmaps;
    bitmaps.Add();
    EXPECT_EQ(bitmaps.GetImageCount(0), 0);
    static_cast<TEffBitmapListItem*>(bitmaps.Item(0))->SetBitmap(picture(5, 6, Qt::green, Qt::black));
    EXPECT_EQ(bitmaps.GetImageCount(0), 1);
    EXPECT_EQ(bitmaps.GetBounds(0, 9), (TRect{0, 0, 5, 6}));
    QImage canvas(10, 10, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter p(&canvas);
        bitmaps.DrawTransparent(p, {2, 2, 7, 8}, 0, 0, 0);  // green is the key: only the black square lands
    }
    EXPECT_EQ(canvas.pixelColor(2, 2), QColor(Qt::white));
    EXPECT_EQ(canvas.pixelColor(4, 4), QColor(Qt::black));
}

TEST(EffContainers, LinksHearEveryChangeUntilDetached)
{
    TEffStringList list;
    int heard = 0, own = 0;
    list.OnChange = [&](QObject*) { ++own; };
    {
        TEffChangeLink link;
        link.OnChange = [&](QObject*) { ++heard; };
        list.Attach(link);
        list.Add();
        static_cast<TEffStringListItem*>(list.Item(0))->SetItems({"x"});  // an item's change reaches the links
        EXPECT_EQ(heard, 2);
        EXPECT_EQ(own, 2);
        list.Detach(link);
        list.Detach(link);  // not attached: ignored
        list.Add();
        EXPECT_EQ(heard, 2);
        list.Attach(link);
    }  // destroyed while attached: detached first
    list.Add();
    EXPECT_EQ(own, 4);
    TEffStringList copy;
    copy.Assign(list);
    EXPECT_EQ(copy.Count(), 3);
    EXPECT_EQ(static_cast<TEffStringListItem*>(copy.Item(0))->Items(), (std::vector<std::string>{"x"}));
    TEffWaveList waves;
    EXPECT_THROW(waves.Assign(list), EAssignError);
}

TEST(EffImageLists, DrawStylesThroughTheMask)
{
    // One image of three pixels: yellow everywhere, the mask drawing the first two.
    QImage strip(3, 1, QImage::Format_RGB32), mask(3, 1, QImage::Format_RGB32);
    strip.fill(Qt::yellow);
    mask.fill(Qt::black);
    mask.setPixelColor(2, 0, Qt::white);
    const QColor Y = Qt::yellow, G = Qt::green, B = Qt::blue, R = Qt::red;
    struct Case {
        bool masked;
        int imageType, drawStyle;
        TColor background, blend;
        QColor expected[3];  // on a red canvas; the blend falls on every other pixel, (1, 0) here
    };
    const Case cases[] = {
        {false, 0, 0, clBlue, clLime, {Y, Y, Y}},   // not masked: a plain copy
        {true, 1, 0, clBlue, clLime, {Y, Y, Y}},    // image type 1: a plain copy too
        {true, 0, 0, clBlue, clLime, {Y, G, B}},    // composed on the background, blended over
        {true, 0, 1, clBlue, kNoColor, {Y, Y, B}},
        {true, 0, 1, kNoColor, clLime, {Y, G, R}},  // no background: straight, blend on what is drawn
        {true, 0, 2, clBlue, clLime, {Y, Y, B}},    // style 2 has no blend
        {true, 0, 2, kNoColor, kNoColor, {Y, Y, R}},
        {true, 0, 3, clBlue, clLime, {Y, Y, R}},    // style 3: always straight through the mask
    };
    for (const Case& c : cases) {
        TEffImageList images;
        auto* item = static_cast<TEffImageListItem*>(images.Add());
        item->SetWidth(3);
        item->SetHeight(1);
        item->SetMasked(c.masked);
        item->AddStrip(strip, mask);
        item->SetImageType(c.imageType);
        item->SetDrawStyle(c.drawStyle);
        item->SetBackgroundColor(c.background);
        item->SetBlendColor(c.blend);
        QImage canvas(5, 3, QImage::Format_RGB32);
        canvas.fill(Qt::red);
        {
            QPainter p(&canvas);
            images.Draw(p, 1, 1, 0, 0);
            images.Draw(p, 0, 0, 0, 1);  // no such image: nothing
        }
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(canvas.pixelColor(1 + x, 1), c.expected[x]) << c.masked << c.imageType << c.drawStyle << " x " << x;
        EXPECT_EQ(canvas.pixelColor(0, 0), R);
    }
}

TEST(EffImageLists, StyledDrawingCanvasAndPalette)
{
    struct FlagCase {
        TEffBitmapStyle style;
        int flags;
    };
    const FlagCase flagCases[] = {{sbNone, 0x1},        {sbAutosize, 0x1},   {sbCenter, 0x9},     {sbStretch, 0x10},
                                  {sbTile, 0x21},       {sbKeepAspRatio, 0x610}, {sbKeepWidth, 0x211}, {sbKeepHeight, 0x411}};
    for (const FlagCase& c : flagCases) EXPECT_EQ(BitmapStyleFlags(c.style), c.flags) << c.style;

    TEffImageList images;
    auto* item = static_cast<TEffImageListItem*>(images.Add());
    item->SetWidth(2);
    item->SetHeight(2);
    item->SetMasked(true);
    QImage strip(2, 2, QImage::Format_RGB32), mask(2, 2, QImage::Format_RGB32);
    strip.fill(Qt::blue);
    mask.fill(Qt::white);
    mask.setPixelColor(0, 0, Qt::black);
    item->AddStrip(strip, mask);
    QImage canvas(6, 6, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter p(&canvas);
        images.DrawStyled(p, {0, 0, 6, 6}, sbStretch, 0, 0, 0);  // the mask stretched too: a 3x3 corner
        images.DrawStyled(p, {0, 0, 6, 6}, sbStretch, 0, 3, 0);  // no such item: nothing
    }
    EXPECT_EQ(canvas.pixelColor(2, 2), QColor(Qt::blue));
    EXPECT_EQ(canvas.pixelColor(3, 3), QColor(Qt::white));

    ASSERT_NE(images.GetCanvas(0), nullptr);
    EXPECT_EQ(images.GetCanvas(0)->size(), QSize(2, 2));
    EXPECT_EQ(images.GetCanvas(1), nullptr);
    TEffBitmapList bitmaps;
    auto* bitmapItem = static_cast<TEffBitmapListItem*>(bitmaps.Add());
    QImage indexed(2, 2, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(1, 2, 3), qRgb(4, 5, 6)});
    indexed.fill(1);
    bitmapItem->SetBitmap(indexed);
    EXPECT_EQ(bitmaps.GetPalette(0), (QList<QRgb>{qRgb(1, 2, 3), qRgb(4, 5, 6)}));
    EXPECT_TRUE(bitmaps.GetPalette(1).isEmpty());
    ASSERT_NE(bitmaps.GetCanvas(0), nullptr);
    EXPECT_EQ(bitmaps.GetCanvas(0)->size(), QSize(2, 2));
    EXPECT_EQ(bitmaps.GetCanvas(2), nullptr);
}

TEST(EffContainers, SharedListsAndDesigningCopies)
{
    TEffContainer& shared = SharedContainer();
    EXPECT_EQ(SharedImageList("EFFBML30"), &shared.BitmapList());
    EXPECT_EQ(SharedImageList("EFFIML30"), &shared.ImageList());
    for (const char* other : {"effiml30", "EffBml30", "EFFIML30 ", "EFFWVL30"}) EXPECT_EQ(SharedImageList(other), nullptr) << other;
    EXPECT_EQ(SharedImageList(""), nullptr);

    TEffChangeLink link;
    int heard = 0;
    link.OnChange = [&](QObject*) { ++heard; };
    shared.BitmapList().Attach(link);
    TEffContainer placed, plain;
    int placedChanges = 0;
    placed.OnChange = [&](QObject*) { ++placedChanges; };
    placed.SetDesigning(true);
    static_cast<TEffBitmapListItem*>(placed.BitmapList().Add())->SetBitmap(picture(3, 3, Qt::red, Qt::red));
    EXPECT_GT(placedChanges, 0);
    ASSERT_EQ(shared.BitmapList().Count(), 1);
    EXPECT_TRUE(samePixels(shared.BitmapList().At(0)->StoredBitmap(), picture(3, 3, Qt::red, Qt::red)));
    EXPECT_GT(heard, 0);
    placed.StringList().Add();
    EXPECT_EQ(shared.StringList().Count(), 1);
    plain.BitmapList().Add();
    plain.BitmapList().Add();
    EXPECT_EQ(shared.BitmapList().Count(), 1);  // not designing: nothing copied
    shared.BitmapList().Clear();
    shared.StringList().Clear();
}

namespace {

Bytes recordOf(TEffListItem& item)
{
    TMemoryStream s;
    item.WriteData(s);
    return s.Bytes();
}

}  // namespace

TEST(EffListItems, InternalPropertyAsHexText)
{
    TEffBitmapListItem bitmap;
    bitmap.SetBitmap(picture(4, 4, Qt::red, Qt::blue));
    bitmap.SetDescription("pic");
    bitmap.SetIdent(9);
    TEffImageListItem images;
    images.SetWidth(4);
    images.SetHeight(4);
    images.SetMasked(true);
    images.AddStrip(picture(8, 4, Qt::green, Qt::black), picture(8, 4, Qt::white, Qt::black));
    images.SetCompressed(true);
    TEffStringListItem strings;
    strings.SetItems({"one", "two"});
    TEffWaveListItem wave;
    TMemoryStream waveBytes(waveFile(64));
    wave.Wave()->LoadFromStream(waveBytes);
    struct Case {
        TEffListItem* item;
        std::function<std::unique_ptr<TEffListItem>()> make;
    };
    const Case cases[] = {{&bitmap, [] { return std::make_unique<TEffBitmapListItem>(); }},
                          {&images, [] { return std::make_unique<TEffImageListItem>(); }},
                          {&strings, [] { return std::make_unique<TEffStringListItem>(); }},
                          {&wave, [] { return std::make_unique<TEffWaveListItem>(); }}};
    for (const Case& c : cases) {
        const char* name = c.item->metaObject()->className();
        const QString text = c.item->property("Internal").toString();
        EXPECT_EQ(text, QString::fromLatin1(BytesToHex(recordOf(*c.item)))) << name;
        EXPECT_GT(text.size(), 2) << name;
        const std::unique_ptr<TEffListItem> back = c.make();
        EXPECT_TRUE(back->setProperty("Internal", text)) << name;
        EXPECT_EQ(recordOf(*back), recordOf(*c.item)) << name;
    }

    // Stored text that is no record: an error, the item as it was.
    const Bytes before = recordOf(bitmap);
    for (const char* bad : {"0", "0G", "08FFFFFF7F", "0A03", "02FF41"}) {
        EXPECT_THROW(bitmap.SetInternalText(QString::fromLatin1(bad)), Exception) << bad;
        EXPECT_EQ(recordOf(bitmap), before) << bad;
    }
    bitmap.SetInternalText({});
    EXPECT_EQ(recordOf(bitmap), before);

    // The older property holds the data part alone: the record after its flag byte.
    TEffImageListItem plain;
    plain.SetWidth(4);
    plain.SetHeight(4);
    plain.AddStrip(picture(12, 4, Qt::yellow, Qt::red));
    const Bytes record = recordOf(plain);
    ASSERT_EQ(record[0], 0);
    TEffImageListItem old;
    EXPECT_TRUE(old.setProperty("Bitmap", QString::fromLatin1(BytesToHex(Bytes(record.begin() + 1, record.end())))));
    EXPECT_EQ(old.Count(), 3);
    EXPECT_EQ(recordOf(old), record);
    EXPECT_THROW(old.setProperty("Bitmap", QStringLiteral("0400")), Exception);
    EXPECT_EQ(old.Count(), 3);
}

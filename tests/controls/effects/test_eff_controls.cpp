#include "controls/effects/EffImage.h"
#include "controls/effects/EffLabels.h"
#include "controls/input/PropsStorage.h"
#include "platform/Painting.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QToolTip>
#include <QDir>
#include <QPainter>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <map>
#include <memory>

namespace {

constexpr TColor kParentColor = RGB(30, 160, 60);

TColor at(const QImage& image, int x, int y) { return painting::FromQColor(image.pixelColor(x, y)); }

void saveRender(const QImage& image, const QString& name)
{
    const QString dir = QStringLiteral(VANTREL_BIN_DIR "/../effects-renders");
    QDir().mkpath(dir);
    const int scale = image.width() < 100 ? 4 : 2;
    image.scaled(image.size() * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation).save(dir + "/" + name);
}

// Counts the paints a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* w) { w->installEventFilter(this); }
    int Count = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) ++Count;
        return false;
    }
};

// A parent of one plain colour, shown, with the controls on it.
class Stage : public QWidget {
public:
    Stage(int w = 120, int h = 60)
    {
        resize(w, h);
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, painting::ToQColor(kParentColor));
        setPalette(p);
    }
    void Settle()
    {
        show();
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
    }
    QImage Picture() { return grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

QImage tileImage()
{
    // Every pixel of the tile differs, so a tile out of phase shows at once.
    QImage tile(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) tile.setPixel(x, y, qRgb(x * 30, y * 30, 128));
    return tile;
}

void useGradient(TEffFillObject& fill, TColor from, TColor to)
{
    fill.Gradient()->SetStyle(gstHorizontal);
    fill.Gradient()->SetColorCount(2);
    fill.Gradient()->SetColor(from);
    fill.Gradient()->SetEndColor(to);
    fill.SetStyle(sfGradient);
}

void bigText(TEffCustomLabel& label, const QString& text)
{
    label.SetAutoSize(false);
    label.SetAlignment(agCenter);
    label.Font()->SetName(QStringLiteral("DejaVu Sans"));
    label.Font()->SetStyle(fsBold);
    label.Font()->SetSize(30);
    label.SetCaption(text);
}

// A label fill of big centred text on white, as wide as the stage.
TEffLabelFill* whiteLabelFill(Stage& stage, const QString& text)
{
    auto* label = new TEffLabelFill(&stage);
    label->SetColor(clWhite);
    bigText(*label, text);
    label->setGeometry(stage.rect());
    return label;
}

}  // namespace

TEST(EffRedrawRule, OpaqueRepaintsAloneTransparentRepaintsItsParent)
{
    struct Case {
        const char* name;
        bool opaque;
    };
    for (const Case& c : {Case{"opaque gradient", true}, Case{"transparent, nothing but a caption", false}}) {
        SCOPED_TRACE(c.name);
        Stage stage;
        auto* fill = new TEffFill(&stage);
        fill->setGeometry(10, 10, 60, 30);
        fill->Caption()->SetCaption(QStringLiteral("Fill"));
        if (c.opaque) useGradient(*fill->FillObject(), clRed, clBlue);
        EXPECT_EQ(fill->Transparent(), !c.opaque);
        stage.Settle();
        PaintCounter parentPaints(&stage), ownPaints(fill);
        fill->Bevel()->SetStyleOuter(bvRaised);
        QApplication::processEvents();
        EXPECT_EQ(ownPaints.Count, 1);
        EXPECT_EQ(parentPaints.Count, c.opaque ? 0 : 1);
    }
}

TEST(EffRedrawRule, NothingPaintsWhileLoadingAndOnceAfter)
{
    Stage stage;
    auto* label = new TEffLabelFill(&stage);
    label->setGeometry(0, 0, 100, 40);
    stage.Settle();
    PaintCounter paints(label);
    label->BeginLoad();
    label->SetCaption(QStringLiteral("Loaded"));
    useGradient(*label->FillObject(), clRed, clBlue);
    label->Bevel()->SetStyleOuter(bvLowered);
    QApplication::processEvents();
    EXPECT_EQ(paints.Count, 0);
    label->EndLoad();
    QApplication::processEvents();
    EXPECT_EQ(paints.Count, 1);
}

TEST(EffListLink, IndicesLinksAndSharedNames)
{
    TEffBitmapList list;
    auto* item = static_cast<TEffBitmapListItem*>(list.Add());
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::red);
    item->SetBitmap(picture);
    TEffFill fill;

    // Without a list an index is kept and nothing is fetched.
    fill.SetImageIndex(3);
    EXPECT_EQ(fill.ImageIndex(), 3);
    fill.SetImageIndex(-1);
    EXPECT_EQ(fill.ImageIndex(), 3) << "a negative index is ignored";
    fill.SetListIndex(-5);
    EXPECT_EQ(fill.ListIndex(), 0);
    fill.SetImageIndex(0);
    EXPECT_TRUE(fill.FillObject()->ListBitmap().Empty());

    fill.FillObject()->SetStyle(sfBitmapList);
    fill.SetImageList(&list);
    EXPECT_FALSE(fill.ListLink().IsEmpty());
    EXPECT_EQ(fill.FillObject()->ListBitmap().Image().pixelColor(0, 0), QColor(Qt::red));
    EXPECT_TRUE(fill.Internal().isEmpty()) << "a list of the form's own is stored by reference";
    EXPECT_TRUE(fill.ListLink().StoresImageList());

    // A list that changes reaches the control; one that is destroyed unlinks it.
    picture.fill(Qt::blue);
    item->SetBitmap(picture);
    list.GetChange(&list);
    EXPECT_EQ(fill.FillObject()->ListBitmap().Image().pixelColor(0, 0), QColor(Qt::blue));
    {
        auto* gone = new TEffBitmapList;
        gone->Add();
        fill.SetImageList(gone);
        delete gone;
    }
    EXPECT_EQ(fill.ImageList(), nullptr);
    EXPECT_TRUE(fill.FillObject()->ListBitmap().Empty());

    // The shared lists go by name, and a name read back links the same list.
    fill.SetImageList(&SharedContainer().ImageList());
    EXPECT_EQ(fill.Internal(), QStringLiteral("EFFIML30"));
    EXPECT_FALSE(fill.ListLink().StoresImageList());
    TEffFill again;
    again.SetInternal(fill.Internal());
    EXPECT_EQ(again.ImageList(), &SharedContainer().ImageList());
    again.SetInternal(QStringLiteral("EFFBML30"));
    EXPECT_EQ(again.ImageList(), &SharedContainer().BitmapList());
    again.SetInternal(QStringLiteral("OTHER"));
    EXPECT_EQ(again.ImageList(), nullptr);
}

TEST(EffFill, NeighbouringTiledFillsShowOnePattern)
{
    Stage stage(60, 20);
    const QImage tile = tileImage();
    // Widths that are no multiple of the tile.
    for (auto [left, width] : {std::pair{0, 13}, std::pair{13, 22}, std::pair{35, 25}}) {
        auto* fill = new TEffFill(&stage);
        fill->setGeometry(left, 3, width, 15);
        fill->FillObject()->Bitmap()->SetImage(tile);
        fill->FillObject()->SetTileMode(tmTile);
        fill->FillObject()->SetStyle(sfBitmap);
    }
    stage.Settle();
    const QImage shown = stage.Picture();
    saveRender(shown, "fills-tiled.png");
    for (int y = 3; y < 18; ++y)
        for (int x = 0; x < 60; ++x) ASSERT_EQ(shown.pixel(x, y), tile.pixel(x % 8, y % 8)) << x << "," << y;
}

TEST(EffFill, EmptyDrawsNothingAndBevelAndCaptionShow)
{
    Stage stage(80, 30);
    auto* empty = new TEffFill(&stage);
    empty->setGeometry(0, 0, 40, 30);
    auto* framed = new TEffFill(&stage);
    framed->setGeometry(40, 0, 40, 30);
    framed->Bevel()->SetMode(bmStandard);
    framed->Bevel()->SetStandardStyle(lsSingleLowered);
    stage.Settle();
    const QImage shown = stage.Picture();
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) ASSERT_EQ(at(shown, x, y), kParentColor);
    EXPECT_NE(at(shown, 40, 0), kParentColor) << "the bevel";
    EXPECT_EQ(at(shown, 60, 15), kParentColor) << "no fill: the parent shows inside";
}

TEST(EffLabelFill, LetterPixelsComeFromTheGradient)
{
    // The font has the shadow's colour: the face still shows the fill, the shadow stays.
    Stage stage(300, 60);
    TEffLabelFill* label = whiteLabelFill(stage, QStringLiteral("WWWWWW"));
    label->Font()->SetColor(clBlack);
    label->FontFx()->SetStyle(tdRaisedShadow);
    label->FontFx()->SetShadowColor(clBlack);
    label->FontFx()->SetShadowDepth(2);
    label->FontFx()->SetLightColor(clYellow);
    useGradient(*label->FillObject(), clRed, clBlue);
    stage.Settle();
    const QImage shown = stage.Picture();
    saveRender(shown, "labelfill-gradient.png");
    int red = 0, blue = 0, black = 0, misplaced = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const TColor c = at(shown, x, y);
            if (c == clRed) (x < 150 ? red : misplaced)++;
            if (c == clBlue) (x >= 150 ? blue : misplaced)++;
            if (c == clBlack) ++black;
        }
    EXPECT_GT(red, 50);
    EXPECT_GT(blue, 50);
    EXPECT_EQ(misplaced, 0) << "each half of the letters shows its half of the gradient";
    EXPECT_GT(black, 20) << "the shadow keeps its colour";
    ASSERT_FALSE(label->BackBitmap().isNull());
}

TEST(EffLabelFill, EdgesOfLettersBlendFillAndBackgroundOnly)
{
    // A green font over a red fill on white: no pixel may carry the font's green.
    Stage stage(240, 60);
    TEffLabelFill* label = whiteLabelFill(stage, QStringLiteral("Sago"));
    label->Font()->SetColor(clLime);
    useGradient(*label->FillObject(), clRed, clRed);
    stage.Settle();
    const QImage shown = stage.Picture();
    saveRender(shown, "labelfill-edges.png");
    int filled = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const QColor c = shown.pixelColor(x, y);
            ASSERT_LE(std::abs(c.green() - c.blue()), 2) << x << "," << y;
            if (c == Qt::red) ++filled;
        }
    EXPECT_GT(filled, 50);
}

TEST(EffLabelFill, PaintsAsThePlainLabelWhenDisabledOrWithoutFill)
{
    struct Case {
        const char* name;
        bool enabled;
        bool gradient;
    };
    for (const Case& c : {Case{"disabled", false, true}, Case{"no fill", true, false}}) {
        SCOPED_TRACE(c.name);
        Stage stage(400, 60);
        auto* fill = new TEffLabelFill(&stage);
        auto* plain = new TEffLabel(&stage);
        for (TEffCustomLabel* label : {static_cast<TEffCustomLabel*>(fill), static_cast<TEffCustomLabel*>(plain)}) {
            label->SetTransparent(false);
            label->SetColor(clSilver);
            bigText(*label, QStringLiteral("Plain"));
            label->FontFx()->SetStyle(tdRaised);
            label->setEnabled(c.enabled);
        }
        fill->setGeometry(0, 0, 200, 60);
        plain->setGeometry(200, 0, 200, 60);
        if (c.gradient) useGradient(*fill->FillObject(), clRed, clBlue);
        stage.Settle();
        const QImage shown = stage.Picture();
        saveRender(shown, QStringLiteral("labelfill-plain-%1.png").arg(c.enabled ? "nofill" : "disabled"));
        EXPECT_EQ(shown.copy(0, 0, 200, 60), shown.copy(200, 0, 200, 60));
        bool drawn = false;
        for (int x = 0; x < 200 && !drawn; ++x)
            for (int y = 0; y < 60 && !drawn; ++y) drawn = at(shown, x, y) != clSilver;
        EXPECT_TRUE(drawn);
    }
}

TEST(EffLabelFill, ResizeRebuildsTheFillAndMoveKeepsIt)
{
    Stage stage(200, 60);
    auto* label = new TEffLabelFill(&stage);
    bigText(*label, QStringLiteral("Re"));
    label->setGeometry(0, 0, 100, 40);
    useGradient(*label->FillObject(), clRed, clBlue);
    stage.Settle();
    const qint64 first = label->BackBitmap().cacheKey();
    ASSERT_FALSE(label->BackBitmap().isNull());
    label->move(20, 10);
    EXPECT_EQ(label->BackBitmap().cacheKey(), first);
    label->resize(150, 40);
    EXPECT_TRUE(label->BackBitmap().isNull());
    QApplication::processEvents();
    EXPECT_EQ(label->BackBitmap().width(), 150);
}

TEST(EffBaseControl, OneGeometryChangeIsOneBoundsCall)
{
    Stage stage(200, 60);
    auto* label = new TEffLabelFill(&stage);
    label->setGeometry(0, 0, 50, 20);
    stage.Settle();
    std::vector<TEffBoundsFlags> calls;
    label->OnBoundsChange = [&](TEffBaseControl*, TEffBoundsFlags flags) { calls.push_back(flags); };
    const struct {
        QRect to;
        std::vector<TEffBoundsFlags> calls;
    } cases[] = {
        {{10, 5, 60, 25}, {bcMoved | bcResized}},
        {{20, 5, 60, 25}, {bcMoved}},
        {{20, 5, 70, 25}, {bcResized}},
        {{20, 5, 70, 25}, {}},
    };
    for (const auto& c : cases) {
        calls.clear();
        label->setGeometry(c.to);
        QApplication::processEvents();
        EXPECT_EQ(calls, c.calls) << c.to.x() << "," << c.to.width();
    }
}

TEST(EffLabel, AutoSizeFollowsCaptionFontAndEffects)
{
    Stage stage(400, 100);
    auto* label = new TEffLabel(&stage);
    label->SetCaption(QStringLiteral("Short"));
    const QSize shortSize = label->size();
    label->SetCaption(QStringLiteral("A much longer caption"));
    EXPECT_GT(label->width(), shortSize.width());
    const QSize longSize = label->size();
    label->Font()->SetSize(20);
    EXPECT_GT(label->height(), longSize.height());
    const QSize bigSize = label->size();
    label->FontFx()->SetStyle(tdRaisedShadow);
    label->FontFx()->SetShadowDepth(4);
    // Light and shadow depth were 1 + 1, now 1 + 4: each side gains the difference.
    EXPECT_EQ(label->width(), bigSize.width() + 2 * 3);
    EXPECT_FALSE(label->ParentFont()) << "a font set is the label's own";
    EXPECT_EQ(label->accessibleName(), QStringLiteral("A much longer caption"));

    // On a status bar the label is taller by the bar's offset.
    struct ShiftingBar : TEffCustomStatusBar {
        using TEffCustomStatusBar::TEffCustomStatusBar;
        int LabelOffset() const override { return 5; }
    };
    auto* onBar = new TEffLabel(new ShiftingBar(&stage));
    auto* loose = new TEffLabel(&stage);
    for (TEffLabel* l : {onBar, loose}) l->SetCaption(QStringLiteral("Same"));
    EXPECT_EQ(onBar->size(), loose->size() + QSize(0, 5));
}

// The same outline rule as every control: an angle on a raster face asks for "Arial"; a face
// drawn by an outline stand-in keeps the angle through a later font change.
TEST(EffLabel, AnAngleNeedsAnOutlineFace)
{
    Stage stage(300, 200);
    auto* label = new TEffLabel(&stage);
    label->SetCaption(QStringLiteral("Turned"));
    label->Font()->SetName(QStringLiteral("MS Sans Serif"));
    label->FontFx()->SetAngle(45);
    EXPECT_EQ(label->Font()->Name(), QStringLiteral("Arial"));
    EXPECT_EQ(label->FontFx()->Angle(), 45);
    label->Font()->SetName(QStringLiteral("Times New Roman"));
    label->Font()->SetSize(18);
    EXPECT_EQ(label->FontFx()->Angle(), 45);
    label->Font()->SetName(QStringLiteral("System"));
    EXPECT_EQ(label->FontFx()->Angle(), 0);
}

TEST(EffNImage, SizesKeysAndFollowsItsControl)
{
    Stage stage(100, 60);
    auto* image = new TEffNImage(&stage);
    image->SetStyle(sbAutosize);
    stage.Settle();
    EXPECT_EQ(image->size(), QSize(20, 20)) << "an empty picture without bevel";

    // A keyed picture shows its parent where the key colour is.
    QImage picture(6, 4, QImage::Format_RGB32);
    picture.fill(painting::ToQColor(RGB(0, 0x80, 0x40)));  // 0x408000
    for (int x = 0; x < 3; ++x) picture.setPixelColor(x, 0, Qt::blue);
    image->Bitmap()->SetImage(picture);
    image->TransparentStyle()->SetColor(0x408000);
    image->TransparentStyle()->SetMode(tpRBTranspColor);
    QApplication::processEvents();
    EXPECT_EQ(image->size(), QSize(6, 4));
    QImage shown = stage.Picture();
    saveRender(shown, "nimage-keyed.png");
    EXPECT_EQ(at(shown, 0, 0), clBlue);
    EXPECT_EQ(at(shown, 4, 2), kParentColor);
    // Restoring the background keys the picture's own colour, its bottom-left pixel.
    image->TransparentStyle()->SetMode(tpRestoreBack);
    QApplication::processEvents();
    shown = stage.Picture();
    EXPECT_EQ(at(shown, 0, 0), clBlue);
    EXPECT_EQ(at(shown, 5, 3), kParentColor);
    image->TransparentStyle()->SetMode(tpNone);
    QApplication::processEvents();
    EXPECT_EQ(at(stage.Picture(), 5, 3), RGB(0, 0x80, 0x40));

    // Showing another image's bitmap, following it, and its own again once that one is gone.
    image->SetControl(image);
    EXPECT_EQ(image->Control(), nullptr);
    auto other = std::make_unique<TEffNImage>();
    QImage red(6, 4, QImage::Format_RGB32);
    red.fill(Qt::red);
    other->Bitmap()->SetImage(red);
    image->SetControl(other.get());
    QApplication::processEvents();
    EXPECT_EQ(at(stage.Picture(), 5, 3), clRed);
    red.fill(Qt::yellow);
    other->Bitmap()->SetImage(red);
    QApplication::processEvents();
    EXPECT_EQ(at(stage.Picture(), 5, 3), clYellow);
    other.reset();
    QApplication::processEvents();
    EXPECT_EQ(image->Control(), nullptr);
    EXPECT_EQ(at(stage.Picture(), 5, 3), RGB(0, 0x80, 0x40));
}

TEST(EffNImage, NeighbouringTiledImagesShowOnePattern)
{
    Stage stage(60, 40);
    const QImage tile = tileImage();
    // Widths and places that are no multiple of the tile; the last one has a bevel.
    const QRect places[] = {{0, 3, 13, 15}, {13, 3, 22, 15}, {35, 3, 25, 15}, {5, 20, 30, 17}};
    TEffNImage* bevelled = nullptr;
    for (const QRect& place : places) {
        auto* image = new TEffNImage(&stage);
        image->setGeometry(place);
        image->Bitmap()->SetImage(tile);
        image->SetStyle(sbTile);
        bevelled = image;
    }
    bevelled->Bevel()->SetStyleOuter(bvLowered);
    stage.Settle();
    const QImage shown = stage.Picture();
    saveRender(shown, "nimages-tiled.png");
    for (int y = 3; y < 18; ++y)
        for (int x = 0; x < 60; ++x) ASSERT_EQ(shown.pixel(x, y), tile.pixel(x % 8, y % 8)) << x << "," << y;
    // Inside the bevel the pattern goes on; the bevel itself is not painted over.
    const int bevel = bevelled->BevelWidth();
    ASSERT_GT(bevel, 0);
    for (int y = 20 + bevel; y < 37 - bevel; ++y)
        for (int x = 5 + bevel; x < 35 - bevel; ++x) ASSERT_EQ(shown.pixel(x, y), tile.pixel(x % 8, y % 8)) << x << "," << y;
    EXPECT_NE(shown.pixel(5, 20), tile.pixel(5, 4));
}

TEST(EffNImage, DrawFlagsOfStyleModeAndBevel)
{
    struct Case {
        TEffBitmapStyle style;
        TEffTransparentMode mode;
        bool bevel;
        int flags;
    };
    const Case cases[] = {
        {sbNone, tpNone, false, 0x0},         {sbNone, tpNone, true, 0x1},
        {sbCenter, tpRestoreBack, true, 0x49}, {sbStretch, tpTransparentColor, true, 0x90},
        {sbTile, tpRBTranspColor, false, 0x60}, {sbKeepAspRatio, tpNone, true, 0x610},
        {sbKeepWidth, tpNone, true, 0x211},    {sbKeepHeight, tpNone, false, 0x410},
        {sbAutosize, tpNone, true, 0x1},
    };
    for (const Case& c : cases) {
        TEffNImage image;
        image.SetStyle(c.style);
        image.TransparentStyle()->SetMode(c.mode);
        if (c.bevel) image.Bevel()->SetStyleOuter(bvRaised);
        EXPECT_EQ(image.DrawFlags(), c.flags) << c.style << " " << c.mode << " " << c.bevel;
    }
}

TEST(EffCustomControl, WheelNotchesAndPanelWithoutBackChain)
{
    TEffCustomPanel outer;
    auto* panel = new TEffCustomPanel(&outer);
    panel->SetTransparent(true);
    panel->SetColor(clRed);
    panel->setGeometry(0, 0, 30, 20);
    int notches = 0;
    panel->OnMouseWheel = [&](TEffCustomControl*, int, int, int n) { notches = n; };
    for (auto [delta, want] : {std::pair{240, 2}, std::pair{-360, -3}, std::pair{100, 0}}) {
        QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(panel, &wheel);
        EXPECT_EQ(notches, want) << delta;
    }
    EXPECT_FALSE(panel->BackChainAvailable());
    outer.show();
    QApplication::processEvents();
    EXPECT_EQ(at(panel->grab().toImage(), 15, 10), clRed) << "no background bitmap: its own colour";
}

TEST(EffGallery, EveryControlDrawsItsParts)
{
    Stage stage(420, 200);
    auto* label = new TEffLabel(&stage);
    label->SetCaption(QStringLiteral("Effect label"));
    label->Font()->SetSize(14);
    label->FontFx()->SetStyle(tdSunkenShadow);
    label->Bevel()->SetStyleOuter(bvRaised);
    label->move(10, 10);

    auto* turned = new TEffLabel(&stage);
    turned->Font()->SetName(QStringLiteral("DejaVu Sans"));
    turned->Font()->SetSize(12);
    turned->SetCaption(QStringLiteral("Turned"));
    turned->FontFx()->SetAngle(90);
    turned->move(10, 60);

    auto* fill = new TEffFill(&stage);
    fill->setGeometry(150, 10, 120, 60);
    useGradient(*fill->FillObject(), clNavy, clAqua);
    fill->FillObject()->Gradient()->SetStyle(gstElliptic);
    fill->FillObject()->Gradient()->SetColorCount(31);
    fill->Bevel()->SetMode(bmStandard);
    fill->Bevel()->SetStandardStyle(lsRaised);
    fill->Caption()->SetCaption(QStringLiteral("Fill"));
    fill->Caption()->Font()->SetColor(clWhite);
    fill->Caption()->FontFx()->SetStyle(tdShadow);

    auto* labelFill = new TEffLabelFill(&stage);
    bigText(*labelFill, QStringLiteral("Filled"));
    labelFill->FontFx()->SetStyle(tdRaisedShadow);
    labelFill->FillObject()->Bitmap()->SetImage(tileImage());
    labelFill->FillObject()->SetStyle(sfBitmap);
    labelFill->setGeometry(150, 80, 260, 60);

    auto* image = new TEffNImage(&stage);
    image->Bitmap()->SetImage(tileImage().scaled(24, 24));
    image->SetStyle(sbCenter);
    image->Bevel()->SetStyleOuter(bvLowered);
    image->Bevel()->SetWidthOuter(2);
    image->setGeometry(290, 10, 40, 40);

    auto* panel = new TEffCustomExtPanel(&stage);
    panel->SetColor(clSilver);
    panel->Bevel()->SetStyleOuter(bvRaised);
    panel->Bevel()->SetStyleInner(bvLowered);
    panel->Bevel()->SetBorderWidth(2);
    panel->SetCaption(QStringLiteral("Panel"));
    panel->FontFx()->SetStyle(tdRaised);
    panel->setGeometry(10, 150, 130, 40);

    stage.Settle();
    const QImage shown = stage.Picture();
    saveRender(shown, "gallery.png");
    for (QWidget* w : std::initializer_list<QWidget*>{label, turned, fill, labelFill, image, panel}) {
        SCOPED_TRACE(w->metaObject()->className());
        const QRect r = w->geometry();
        ASSERT_FALSE(r.isEmpty());
        QList<QRgb> seen;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (!seen.contains(shown.pixel(x, y)) && seen.size() < 4) seen << shown.pixel(x, y);
        EXPECT_GE(seen.size(), 3) << "a bevel, a face and text or picture";
    }
    EXPECT_GT(turned->height(), turned->width()) << "turned upright, the label sized to it";
}

namespace {

// A form's stored values in memory: section -> key -> value.
struct MemoryStorage {
    std::map<std::string, std::map<std::string, std::string>> values;
    TPropsStorage props;
    MemoryStorage()
    {
        props.Section = "Form1";
        props.OnReadString = [this](std::string_view s, std::string_view i, std::string_view d) {
            const auto section = values.find(std::string(s));
            if (section == values.end()) return std::string(d);
            const auto value = section->second.find(std::string(i));
            return value == section->second.end() ? std::string(d) : value->second;
        };
        props.OnWriteString = [this](std::string_view s, std::string_view i, std::string_view v) {
            values[std::string(s)][std::string(i)] = std::string(v);
        };
        props.OnEraseSection = [this](std::string_view s) { values.erase(std::string(s)); };
    }
    std::string value(const std::string& key) const
    {
        const auto section = values.find("Form1");
        if (section == values.end() || !section->second.count(key)) return "<none>";
        return section->second.at(key);
    }
};

}  // namespace

TEST(EffPublished, LabelFillAndFillSetsStoreAndReadBack)
{
    QWidget form;
    form.setObjectName("Form1");
    auto* list = new TEffImageList;
    list->setParent(&form);
    list->setObjectName("ImageList1");
    auto* edit = new QWidget(&form);
    edit->setObjectName("Edit1");
    auto* menu = new QMenu(&form);
    menu->setObjectName("Menu1");
    auto* title = new TEffLabelFill(&form);
    title->setObjectName("Title");
    auto* fill = new TEffFill(&form);
    fill->setObjectName("Fill1");

    const struct {
        QWidget* control;
        const char* property;
        const char* stored;
    } rows[] = {
        {title, "Align", "alNone"},          {title, "ParentColor", "True"},     {title, "ParentShowHint", "True"},
        {title, "ShowHint", "True"},         {title, "Transparent", "False"},    {title, "AutoSize", "True"},
        {title, "ShowAccelChar", "True"},    {title, "PopupMenu", "(null)"},     {title, "FocusControl", "(null)"},
        {title, "ImageList", "<none>"},      {title, "Enabled", "True"},         {title, "Visible", "False"},
        {title, "About", ""},                {fill, "Align", "alNone"},          {fill, "ParentColor", "True"},
        {fill, "ParentShowHint", "True"},    {fill, "PopupMenu", "(null)"},      {fill, "ImageList", "<none>"},
    };
    TStoredList stored;
    for (const auto& r : rows) stored.push_back({CreateStoredItem(r.control->objectName().toStdString(), r.property), nullptr});
    UpdateStoredList(&form, stored, true);
    ASSERT_EQ(stored.size(), std::size(rows));
    MemoryStorage storage;
    storage.props.StoreObjectsProps(&form, stored);
    for (const auto& r : rows)
        EXPECT_EQ(storage.value(r.control->objectName().toStdString() + "_" + r.property), r.stored) << r.property;

    // Set, stored, reset, read back.
    title->SetAlign(alTop);
    title->SetShowHint(false);
    title->SetPopupMenu(menu);
    title->SetFocusControl(edit);
    title->SetImageList(list);
    fill->SetColor(clWhite);
    storage.props.StoreObjectsProps(&form, stored);
    EXPECT_EQ(storage.value("Title_ImageList"), "ImageList1");
    EXPECT_EQ(storage.value("Title_FocusControl"), "Edit1");
    EXPECT_EQ(storage.value("Fill1_ParentColor"), "False");
    TEffLabelFill fresh(&form);
    fresh.setObjectName("Title");
    title->setObjectName("Old");
    UpdateStoredList(&form, stored, true);
    storage.props.LoadObjectsProps(&form, stored);
    EXPECT_EQ(fresh.Align(), alTop);
    EXPECT_FALSE(fresh.ShowHint());
    EXPECT_FALSE(fresh.ParentShowHint());
    EXPECT_EQ(fresh.PopupMenu(), menu);
    EXPECT_EQ(fresh.FocusControl(), edit);
    EXPECT_EQ(fresh.ImageList(), list);

    // A shared list goes by its name alone; the reference is not written.
    storage.values.clear();
    fill->SetImageList(&SharedContainer().ImageList());
    TStoredList fillLines{{"Fill1.ImageList", nullptr}, {"Fill1.Internal", nullptr}};
    UpdateStoredList(&form, fillLines, true);
    storage.props.StoreObjectsProps(&form, fillLines);
    EXPECT_EQ(storage.value("Fill1_ImageList"), "<none>");
    EXPECT_EQ(storage.value("Fill1_Internal"), "EFFIML30");
    TEffFill shared(&form);
    fill->setObjectName("OldFill");
    shared.setObjectName("Fill1");
    UpdateStoredList(&form, fillLines, true);
    storage.props.LoadObjectsProps(&form, fillLines);
    EXPECT_EQ(shared.ImageList(), &SharedContainer().ImageList());
    fill->SetImageList(nullptr);
    shared.SetImageList(nullptr);
}

TEST(EffPublished, ParentColorUntilAColourOfItsOwn)
{
    Stage stage(100, 40);
    auto* label = new TEffLabelFill(&stage);  // opaque, no caption: its colour is all it paints
    label->SetAutoSize(false);
    label->setGeometry(0, 0, 50, 40);
    auto* fill = new TEffFill(&stage);
    fill->setGeometry(50, 0, 50, 40);
    auto* inner = new TEffFill(fill);  // follows the fill it lies on
    EXPECT_EQ(label->Color(), kParentColor);
    EXPECT_EQ(inner->Color(), kParentColor);
    stage.Settle();
    EXPECT_EQ(at(stage.Picture(), 25, 20), kParentColor);

    fill->SetColor(clNavy);
    EXPECT_FALSE(fill->ParentColor());
    EXPECT_EQ(inner->Color(), clNavy);
    label->SetColor(clYellow);
    QApplication::processEvents();
    EXPECT_EQ(at(stage.Picture(), 25, 20), clYellow);

    label->SetParentColor(true);
    QPalette p = stage.palette();
    p.setColor(QPalette::Window, painting::ToQColor(clMaroon));
    stage.setPalette(p);
    QApplication::processEvents();
    EXPECT_EQ(label->Color(), clMaroon);
    EXPECT_EQ(at(stage.Picture(), 25, 20), clMaroon);

    TEffFill alone;  // no parent: its own colour, button face
    EXPECT_EQ(alone.Color(), clBtnFace);
}

TEST(EffPublished, AlignedControlsShareTheParent)
{
    Stage stage(120, 80);
    const auto make = [&](TAlign align, int w, int h) {
        auto* c = new TEffFill(&stage);
        c->resize(w, h);
        c->SetAlign(align);
        return c;
    };
    TEffFill* top = make(alTop, 10, 10);
    TEffFill* bottom = make(alBottom, 10, 15);
    TEffFill* left = make(alLeft, 20, 5);
    TEffFill* right = make(alRight, 30, 5);
    TEffFill* client = make(alClient, 1, 1);
    TEffFill* free = make(alNone, 7, 7);
    free->move(3, 4);
    const auto expectPlaces = [&](const char* when, int width, int height, bool withTop) {
        SCOPED_TRACE(when);
        const int y = withTop ? 10 : 0;
        if (withTop) EXPECT_EQ(top->geometry(), QRect(0, 0, width, 10));
        EXPECT_EQ(bottom->geometry(), QRect(0, height - 15, width, 15));
        EXPECT_EQ(left->geometry(), QRect(0, y, 20, height - 15 - y));
        EXPECT_EQ(right->geometry(), QRect(width - 30, y, 30, height - 15 - y));
        EXPECT_EQ(client->geometry(), QRect(20, y, width - 50, height - 15 - y));
        EXPECT_EQ(free->geometry(), QRect(3, 4, 7, 7));
    };
    expectPlaces("made", 120, 80, true);
    stage.Settle();
    stage.resize(200, 100);
    expectPlaces("parent resized", 200, 100, true);
    top->hide();
    expectPlaces("top hidden", 200, 100, false);
    top->show();
    top->resize(200, 10);
    stage.resize(40, 20);  // less room than the strips want: none is given more than there is
    for (TEffFill* c : {top, bottom, left, right, client}) {
        EXPECT_GE(c->width(), 0);
        EXPECT_GE(c->height(), 0);
        EXPECT_TRUE(stage.rect().contains(c->geometry()) || c->geometry().isEmpty());
    }
    client->SetAlign(alNone);
    const QRect before = client->geometry();
    stage.resize(300, 300);
    EXPECT_EQ(client->geometry(), before) << "no longer aligned: left alone";
}

TEST(EffPublished, HintsMenusAndMouseEvents)
{
    QWidget plain;
    auto* label = new TEffLabelFill(&plain);
    EXPECT_TRUE(label->ShowHint()) << "a parent without ShowHint shows tool tips";
    plain.setProperty("ShowHint", false);
    EXPECT_FALSE(label->ShowHint());
    label->SetShowHint(true);
    EXPECT_FALSE(label->ParentShowHint());
    EXPECT_TRUE(label->ShowHint());

    // A tool tip asked for is shown only with ShowHint.
    Stage stage;
    auto* fill = new TEffFill(&stage);
    fill->setGeometry(0, 0, 60, 30);
    fill->setToolTip(QStringLiteral("Hint"));
    fill->SetShowHint(false);
    stage.Settle();
    QHelpEvent ask(QEvent::ToolTip, {5, 5}, fill->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(fill, &ask);
    EXPECT_FALSE(QToolTip::isVisible());
    fill->SetShowHint(true);
    QApplication::sendEvent(fill, &ask);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Hint"));
    QToolTip::hideText();

    QMenu menu;
    menu.addAction(QStringLiteral("Item"));
    fill->SetPopupMenu(&menu);
    QContextMenuEvent right(QContextMenuEvent::Mouse, {5, 5}, fill->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(fill, &right);
    EXPECT_TRUE(menu.isVisible());
    menu.hide();

    std::vector<std::string> heard;
    const auto note = [&](const char* what) {
        return [&heard, what](TEffBaseControl*, Qt::MouseButton b, Qt::KeyboardModifiers m, int x, int y) {
            heard.push_back(std::string(what) + " " + std::to_string(int(b)) + " " + std::to_string(int(m)) + " " +
                            std::to_string(x) + "," + std::to_string(y));
        };
    };
    fill->OnMouseDown = note("down");
    fill->OnMouseMove = note("move");
    fill->OnMouseUp = note("up");
    const auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent e(type, at, fill->mapToGlobal(at), button, held, Qt::ShiftModifier);
        QApplication::sendEvent(fill, &e);
    };
    send(QEvent::MouseMove, {1, 2}, Qt::NoButton, Qt::NoButton);
    send(QEvent::MouseButtonPress, {5, 6}, Qt::RightButton, Qt::RightButton);
    send(QEvent::MouseMove, {7, 8}, Qt::NoButton, Qt::RightButton);
    send(QEvent::MouseButtonRelease, {9, 9}, Qt::RightButton, Qt::NoButton);
    const std::string shift = std::to_string(int(Qt::ShiftModifier));
    EXPECT_EQ(heard, (std::vector<std::string>{"move 0 " + shift + " 1,2", "down 2 " + shift + " 5,6", "move 2 " + shift + " 7,8",
                                               "up 2 " + shift + " 9,9"}));
}

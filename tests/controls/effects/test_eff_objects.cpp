#include "controls/effects/EffCaptions.h"
#include "controls/effects/EffFills.h"
#include "controls/effects/EffPaintObjects.h"
#include "controls/input/PropsStorage.h"
#include "platform/Painting.h"

#include <QPainter>
#include <gtest/gtest.h>
#include <functional>
#include <map>

namespace {

struct Counter {
    int changes = 0;
    void Watch(TEffObject& object)
    {
        object.OnChange = [this](TEffObject*) { ++changes; };
    }
};

// The property names of an object as the form storage lists them.
std::vector<std::string> names(const QObject& object)
{
    std::vector<std::string> list;
    const TPropInfoList props(&object);
    for (int i = 0; i < props.Count(); ++i) list.emplace_back(props.Item(i).name());
    return list;
}

}  // namespace

TEST(EffObjects, SettersSignalOnlyRealChanges)
{
    struct Case {
        const char* name;
        std::function<void(TEffObject&)> set;  // sets a value different from the default
        std::function<TEffObject*()> make;
    };
    const Case cases[] = {
        {"bevel width", [](TEffObject& o) { static_cast<TEffBevel&>(o).SetWidthOuter(3); }, [] { return new TEffBevel; }},
        {"bevel colour", [](TEffObject& o) { static_cast<TEffBevel&>(o).SetShadowColor(clRed); }, [] { return new TEffBevel; }},
        {"gradient count", [](TEffObject& o) { static_cast<TEffGradient&>(o).SetColorCount(31); }, [] { return new TEffGradient; }},
        {"gradient colour", [](TEffObject& o) { static_cast<TEffGradient&>(o).SetColor(clRed); }, [] { return new TEffGradient; }},
        {"transparent", [](TEffObject& o) { static_cast<TEffTransparent&>(o).SetMode(tpRestoreBack); }, [] { return new TEffTransparent; }},
        {"3d style", [](TEffObject& o) { static_cast<TEff3DCaption&>(o).SetStyle(tdSunken); }, [] { return new TEff3DCaption; }},
        {"fx angle", [](TEffObject& o) { static_cast<TEffFxCaption&>(o).SetAngle(45); }, [] { return new TEffFxCaption; }},
        {"caption text", [](TEffObject& o) { static_cast<TEffCaption&>(o).SetCaption("x"); }, [] { return new TEffCaption; }},
        {"caption font", [](TEffObject& o) { static_cast<TEffCaption&>(o).Font()->SetSize(20); }, [] { return new TEffCaption; }},
        {"fill gradient", [](TEffObject& o) { static_cast<TEffFillObject&>(o).Gradient()->SetEndColor(clRed); }, [] { return new TEffFillObject; }},
        {"fill brush", [](TEffObject& o) { static_cast<TEffFillObject&>(o).Brush()->SetColor(clRed); }, [] { return new TEffFillObject; }},
    };
    for (const Case& c : cases) {
        std::unique_ptr<TEffObject> object(c.make());
        Counter counter;
        counter.Watch(*object);
        c.set(*object);
        EXPECT_EQ(counter.changes, 1) << c.name;
        c.set(*object);  // the same value again
        EXPECT_EQ(counter.changes, 1) << c.name;
        // Inside an update nothing is signalled; its end signals once.
        std::unique_ptr<TEffObject> other(c.make());
        counter.Watch(*other);
        other->BeginUpdate();
        c.set(*other);
        EXPECT_EQ(counter.changes, 1) << c.name;
        other->EndUpdate(true);
        EXPECT_EQ(counter.changes, 2) << c.name;
        other->BeginUpdate();
        other->EndUpdate(false);
        EXPECT_EQ(counter.changes, 2) << c.name;
    }
}

TEST(EffBevel, ShadowOccupiesBothStylesAndExtents)
{
    TEffBevel bevel;
    EXPECT_EQ(bevel.BevelExtend(), 0);
    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        TRect inner;
        bevel.PaintBevel(p, {0, 0, 10, 10}, inner, false);
        EXPECT_EQ(inner, (TRect{0, 0, 10, 10}));
    }
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::white));

    bevel.SetStyleOuter(bvShadow);
    EXPECT_EQ(bevel.StyleInner(), bvShadow);
    EXPECT_EQ(bevel.BevelExtend(), 1 / 2 + 1 + 1);
    bevel.SetStyleOuter(bvLowered);
    EXPECT_EQ(bevel.StyleInner(), bvNone);

    struct Case {
        std::function<void(TEffBevel&)> set;
        int extent;
    };
    const Case cases[] = {
        {[](TEffBevel& b) { b.SetStyleOuter(bvRaised); b.SetWidthOuter(2); b.SetBorderWidth(3); }, 5},
        {[](TEffBevel& b) { b.SetStyleOuter(bvFrameRaised); b.SetStyleInner(bvLowered); }, 1 + 1 + 1},
        {[](TEffBevel& b) { b.SetMode(bmStandard); b.SetBorderInnerWidth(2); }, 1 + 2},
        {[](TEffBevel& b) { b.SetMode(bmStandard); b.SetStandardStyle(lsRaised); }, 2},
        {[](TEffBevel& b) { b.SetMode(bmEdge); }, 2},
        {[](TEffBevel& b) { b.SetMode(bmEdge); b.SetBorderSides({}); }, 0},
        {[](TEffBevel& b) { b.SetWidthOuter(99); b.SetStyleOuter(bvRaised); }, TEffBevel::kMaxBevelWidth},
    };
    for (const Case& c : cases) {
        TEffBevel b;
        c.set(b);
        EXPECT_EQ(b.BevelExtend(), c.extent);
    }
    // The standard style signals only in the standard mode.
    TEffBevel b;
    Counter counter;
    counter.Watch(b);
    b.SetStandardStyle(lsRaised);
    EXPECT_EQ(counter.changes, 0);
    b.SetMode(bmStandard);
    b.SetStandardStyle(lsLowered);
    EXPECT_EQ(counter.changes, 2);
}

TEST(EffBevel, PaintsItsCustomBevelAndBorderBand)
{
    TEffBevel bevel;
    bevel.SetStyleOuter(bvRaised);
    bevel.SetWidthOuter(3);
    bevel.SetBorderWidth(2);
    bevel.SetBorderColor(clRed);
    bevel.SetStyleInner(bvLowered);
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::white);
    TRect inner;
    {
        QPainter p(&image);
        bevel.PaintBevel(p, {0, 0, 40, 30}, inner, false);
    }
    image.save(QStringLiteral(VANTREL_BIN_DIR "/../effects-renders/bevel-object.png"));
    EXPECT_EQ(inner, (TRect{6, 6, 34, 24}));
    EXPECT_EQ(painting::FromQColor(image.pixelColor(20, 3)), clRed);
    EXPECT_EQ(painting::FromQColor(image.pixelColor(20, 5)), painting::ColorToRGB(clBtnShadow));
}

TEST(EffGradient, ColoursAndCountRange)
{
    TEffGradient g;
    g.SetColor(RGB(0, 0, 0));
    g.SetEndColor(RGB(255, 100, 10));
    g.SetColorCount(2);
    ASSERT_EQ(g.Colors().size(), 2u);
    EXPECT_EQ(g.Colors()[0], RGB(0, 0, 0));
    EXPECT_EQ(g.Colors()[1], RGB(255, 100, 10));
    g.SetColorCount(3);
    EXPECT_EQ(g.Colors()[1], RGB(128, 50, 5));
    // A hand-edited count of 1, 0 or more than 236 is brought into range.
    for (auto [in, out] : {std::pair{1, 2}, std::pair{0, 2}, std::pair{-5, 2}, std::pair{1000, 236}}) {
        g.SetColorCount(in);
        EXPECT_EQ(g.ColorCount(), out);
        EXPECT_EQ(g.Colors().size(), static_cast<std::size_t>(out));
    }
}

TEST(EffCaptions, AngleAndAssign)
{
    TEffFxCaption fx;
    fx.SetAngle(360);
    EXPECT_EQ(fx.Angle(), 0);
    fx.SetAngle(90);
    fx.SetPos(5, 7);
    TEff3DCaption plain;
    plain.SetStyle(tdShadow);
    plain.SetShadowDepth(4);
    fx.Assign(&plain);  // the 3-D settings only
    EXPECT_EQ(fx.Style(), tdShadow);
    EXPECT_EQ(fx.ShadowDepth(), 4);
    EXPECT_EQ(fx.Angle(), 90);
    EXPECT_EQ(fx.PosX(), 5);

    TEffCaption a, b;
    a.SetCaption("Hello");
    a.Font()->SetSize(14);
    a.FontFx()->SetStyle(tdRaised);
    TFont* font = b.Font();
    b.Assign(&a);
    EXPECT_EQ(b.Caption(), "Hello");
    EXPECT_EQ(b.Font(), font);  // assigned into, not replaced
    EXPECT_EQ(b.Font()->Size(), 14);
    EXPECT_EQ(b.FontFx()->Style(), tdRaised);

    TEffBevel bevel;
    TEffGradient gradient;
    EXPECT_THROW(bevel.Assign(&gradient), EAssignError);
    try {
        bevel.Assign(&gradient);
    } catch (const EAssignError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a TEffGradient to a TEffBevel");
    }
}

TEST(EffFills, EmptinessAndBackground)
{
    TEffFillObject fill;
    EXPECT_EQ(fill.Style(), sfNone);
    EXPECT_TRUE(fill.IsEmpty());
    EXPECT_TRUE(fill.NeedsBackground());
    EXPECT_EQ(TEffShapeFill().Style(), sfBrush);
    fill.SetStyle(sfBitmap);
    EXPECT_TRUE(fill.IsEmpty());
    EXPECT_FALSE(fill.NeedsBackground());  // tiled
    fill.SetTileMode(tmCenter);
    fill.SetOptions({});
    EXPECT_TRUE(fill.NeedsBackground());
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        // An empty bitmap: only the inner fill, and nothing reported.
        fill.SetOptions(foFillInner);
        EXPECT_FALSE(fill.Fill(p, {0, 0, 8, 8}, {}, clRed));
    }
    EXPECT_EQ(painting::FromQColor(image.pixelColor(4, 4)), clRed);

    // Placement signals only for an unplaced bitmap.
    Counter counter;
    counter.Watch(fill);
    fill.SetOffsetX(3);
    EXPECT_EQ(counter.changes, 0);
    fill.SetTileMode(tmNone);
    fill.SetOffsetX(4);
    EXPECT_EQ(counter.changes, 2);

    QImage tile(2, 2, QImage::Format_RGB32);
    tile.fill(Qt::blue);
    fill.Bitmap()->SetImage(tile);
    fill.SetAlignment(agBottomRight);
    fill.SetOffsetX(0);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        EXPECT_TRUE(fill.Fill(p, {0, 0, 8, 8}, {}, clRed));
    }
    EXPECT_EQ(painting::FromQColor(image.pixelColor(7, 7)), clBlue);
    EXPECT_EQ(painting::FromQColor(image.pixelColor(5, 5)), clRed);

    fill.SetStyle(sfGradient);
    fill.Gradient()->SetColorCount(2);
    fill.Gradient()->SetColor(clLime);
    fill.Gradient()->SetStyle(gstHorizontal);
    {
        QPainter p(&image);
        EXPECT_TRUE(fill.Fill(p, {0, 0, 8, 8}, {}, clRed));
    }
    EXPECT_EQ(painting::FromQColor(image.pixelColor(1, 1)), clLime);
    EXPECT_EQ(painting::FromQColor(image.pixelColor(6, 1)), clBlack);
}

// Stored forms write these names in this order, with these value texts.
TEST(EffObjects, PublishedPropertiesAreAStoredFormat)
{
    EXPECT_EQ(names(TEffBevel()), (std::vector<std::string>{"StyleInner", "StyleOuter", "WidthInner", "WidthOuter",
                                                            "BorderColor", "BorderSides", "BorderWidth",
                                                            "BorderInnerWidth", "EdgeStyle", "LightColor", "Mode",
                                                            "ShadowColor", "StandardStyle"}));
    EXPECT_EQ(names(TEffGradient()), (std::vector<std::string>{"Color", "ColorCount", "Style", "EndColor", "PaletteRealize"}));
    EXPECT_EQ(names(TEffTransparent()), (std::vector<std::string>{"Color", "Mode"}));
    EXPECT_EQ(names(TEffFxCaption()), (std::vector<std::string>{"DisabledStyle", "LightDepth", "ShadowDepth", "LightColor",
                                                                "ShadowColor", "Style", "Tracing", "Angle", "PosX", "PosY"}));
    EXPECT_EQ(names(TEffCaption()), (std::vector<std::string>{"Alignment", "Caption", "Font", "FontFx", "MultiLine"}));
    EXPECT_EQ(names(TEffFillObject()), (std::vector<std::string>{"Bitmap", "Style", "Gradient", "TileMode", "Alignment",
                                                                 "Brush", "OffsetX", "OffsetY", "Options"}));

    std::map<std::string, std::string> ini;
    TPropsStorage storage;
    storage.Section = "Form";
    storage.OnWriteString = [&](std::string_view, std::string_view key, std::string_view value) {
        ini[std::string(key)] = std::string(value);
    };
    storage.OnReadString = [&](std::string_view, std::string_view key, std::string_view def) {
        const auto it = ini.find(std::string(key));
        return it == ini.end() ? std::string(def) : it->second;
    };
    TEffFillObject fill;
    fill.SetStyle(sfGradient);
    fill.Gradient()->SetStyle(gstElliptic);
    fill.Gradient()->SetColorCount(61);
    fill.SetOptions(foQuickDraw);
    storage.AObject = &fill;
    storage.StoreProperties(TPropInfoList(&fill));
    EXPECT_EQ(ini["Style"], "sfGradient");
    EXPECT_EQ(ini["GradientStyle"], "gstElliptic");
    EXPECT_EQ(ini["GradientColorCount"], "61");
    EXPECT_EQ(ini["Options"], "[foQuickDraw]");
    EXPECT_EQ(ini["BrushStyle"], "bsSolid");

    TEffBevel bevel;
    storage.AObject = &bevel;
    storage.StoreProperties(TPropInfoList(&bevel));
    EXPECT_EQ(ini["BorderSides"], "[fsBottom,fsLeft,fsRight,fsTop]");
    EXPECT_EQ(ini["Mode"], "bmCustom");

    ini["GradientColorCount"] = "1";  // hand-edited
    TEffFillObject loaded;
    storage.AObject = &loaded;
    storage.LoadProperties(TPropInfoList(&loaded));
    EXPECT_EQ(loaded.Style(), sfGradient);
    EXPECT_EQ(loaded.Gradient()->Style(), gstElliptic);
    EXPECT_EQ(loaded.Gradient()->ColorCount(), 2);
    EXPECT_EQ(loaded.Options(), TEffFillOptions(foQuickDraw));
}

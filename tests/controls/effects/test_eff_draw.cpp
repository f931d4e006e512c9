#include "controls/effects/EffBitmaps.h"
#include "controls/effects/EffDraw.h"
#include "controls/effects/EffScreen.h"
#include "controls/effects/EffText.h"
#include "controls/effects/EffCaptions.h"
#include "platform/Painting.h"

#include <QDir>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <gtest/gtest.h>
#include <functional>

namespace {

constexpr TColor kLight = RGB(250, 250, 250), kShadow = RGB(60, 60, 60), kPaper = RGB(200, 220, 240);

QImage paper(int w, int h, TColor fill = kPaper)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(painting::ToQColor(fill));
    return image;
}

TColor at(const QImage& image, int x, int y) { return painting::FromQColor(image.pixelColor(x, y)); }

QImage painted(int w, int h, const std::function<void(QPainter&)>& paint)
{
    QImage image = paper(w, h);
    QPainter painter(&image);
    painting::BeginPlainPaint(painter);
    paint(painter);
    return image;
}

// The pictures of this suite, to be looked at; small ones enlarged so their pixels show.
void saveRender(const QImage& image, const QString& name)
{
    const QString dir = QStringLiteral(VANTREL_BIN_DIR "/../effects-renders");
    QDir().mkpath(dir);
    const int scale = image.width() < 100 ? 8 : 2;
    image.scaled(image.size() * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation).save(dir + "/" + name);
}

}  // namespace

TEST(DrawBevelFrame, WidthOneKeepsTheEndPixelRule)
{
    TRect r{2, 2, 12, 10};
    const QImage image = painted(14, 12, [&](QPainter& p) { EXPECT_TRUE(DrawBevelFrame(p, r, bvRaised, 1, kShadow, kLight)); });
    EXPECT_EQ(r, (TRect{3, 3, 11, 9}));
    // Top-left polyline: left column and top row up to one short of the right edge.
    EXPECT_EQ(at(image, 2, 2), kLight);
    EXPECT_EQ(at(image, 10, 2), kLight);
    EXPECT_EQ(at(image, 2, 9), kLight);  // the bottom-left corner belongs to the first polyline
    // Bottom-right polyline: right column from the top, bottom row back to one past the left.
    EXPECT_EQ(at(image, 11, 2), kShadow);
    EXPECT_EQ(at(image, 11, 9), kShadow);
    EXPECT_EQ(at(image, 3, 9), kShadow);
    EXPECT_EQ(at(image, 12, 2), kPaper);
    EXPECT_EQ(at(image, 5, 5), kPaper);
    // Lowered swaps the colours; normal is black on both sides.
    r = {0, 0, 6, 6};
    const QImage lowered = painted(6, 6, [&](QPainter& p) { DrawBevelFrame(p, r, bvLowered, 1, kShadow, kLight); });
    EXPECT_EQ(at(lowered, 0, 0), kShadow);
    EXPECT_EQ(at(lowered, 5, 5), kLight);
    r = {0, 0, 6, 6};
    const QImage normal = painted(6, 6, [&](QPainter& p) { DrawBevelFrame(p, r, bvNormal, 1, kShadow, kLight); });
    EXPECT_EQ(at(normal, 0, 0), clBlack);
    EXPECT_EQ(at(normal, 5, 5), clBlack);
}

TEST(DrawBevelFrame, WidthThreeFillsBothPolygons)
{
    TRect r{0, 0, 20, 20};
    const QImage image = painted(20, 20, [&](QPainter& p) { DrawBevelFrame(p, r, bvRaised, 3, kShadow, kLight); });
    saveRender(image, "bevel-3.png");
    EXPECT_EQ(r, (TRect{3, 3, 17, 17}));
    struct Case {
        int x, y;
        TColor expected;
    };
    const Case cases[] = {
        {10, 0, kLight},  {10, 2, kLight},  {10, 3, kPaper},   // top band
        {0, 10, kLight},  {2, 10, kLight},  {3, 10, kPaper},   // left band
        {19, 10, kShadow}, {17, 10, kShadow}, {16, 10, kPaper}, // right band
        {10, 19, kShadow}, {10, 16, kShadow}, {10, 15, kPaper}, // bottom band reaches B-1-W
        {0, 0, kLight},   {19, 19, kShadow}, {0, 19, kShadow}, {19, 1, kShadow}, {1, 17, kLight},
    };
    for (const Case& c : cases) EXPECT_EQ(at(image, c.x, c.y), c.expected) << c.x << "," << c.y;
}

TEST(DrawBevelFrame, NothingForNoneShadowOrZeroWidth)
{
    for (auto [style, width] : {std::pair{bvNone, 2}, std::pair{bvShadow, 2}, std::pair{bvRaised, 0}}) {
        TRect r{0, 0, 8, 8};
        const QImage image = painted(8, 8, [&](QPainter& p) { EXPECT_FALSE(DrawBevelFrame(p, r, style, width, kShadow, kLight)); });
        EXPECT_EQ(r, (TRect{0, 0, 8, 8}));
        EXPECT_EQ(at(image, 0, 0), kPaper);
    }
}

TEST(DrawBevelFrame, FrameStylesShrinkByWidthAndOne)
{
    TRect r{0, 0, 12, 12};
    const QImage image = painted(12, 12, [&](QPainter& p) { DrawBevelFrame(p, r, bvFrameLowered, 2, kShadow, kLight); });
    EXPECT_EQ(r, (TRect{3, 3, 9, 9}));
    EXPECT_EQ(at(image, 0, 0), kShadow);   // top-left colour of a lowered frame
    EXPECT_EQ(at(image, 11, 11), kLight);
    EXPECT_EQ(at(image, 1, 1), kLight);    // the inner light frame starts one in
}

TEST(DrawStandardBorder, WidthsAndOutOfRange)
{
    QImage sheet = paper(15 * 22, 22);
    QPainter onSheet(&sheet);
    for (int s = lsNone; s <= lsDoubleLowered; ++s) {
        const auto style = static_cast<TEffBorderStyle>(s);
        TRect r{0, 0, 20, 20};
        QImage image = painted(20, 20, [&](QPainter& p) { EXPECT_TRUE(DrawStandardBorder(p, r, style)); });
        onSheet.drawImage(s * 22 + 1, 1, image);
        // The single and the spb styles adjust one corner's sides only by their inner edge.
        if (style == lsSingle || style == lsRaisedspb || style == lsLoweredspb || style == lsWindowBorder) continue;
        EXPECT_EQ(r.Left + 20 - r.Right, 2 * BorderStyleWidth(style)) << s;
        EXPECT_EQ(r.Top + 20 - r.Bottom, 2 * BorderStyleWidth(style)) << s;
    }
    onSheet.end();
    saveRender(sheet.scaled(sheet.size() * 2), "borders.png");
    TRect r{0, 0, 10, 10};
    const QImage image = painted(10, 10, [&](QPainter& p) {
        EXPECT_TRUE(DrawStandardBorder(p, r, static_cast<TEffBorderStyle>(lsDoubleLowered + 1)));
    });
    EXPECT_EQ(r, (TRect{0, 0, 10, 10}));
    EXPECT_EQ(at(image, 0, 0), kPaper);
}

TEST(DrawEdge, RaisedUsesTheFourColours)
{
    TRect r{0, 0, 10, 10};
    const QImage image = painted(10, 10, [&](QPainter& p) { DrawEdge(p, r, EDGE_RAISED, BF_RECT | BF_ADJUST); });
    EXPECT_EQ(r, (TRect{2, 2, 8, 8}));
    EXPECT_EQ(at(image, 5, 0), painting::ColorToRGB(cl3DLight));
    EXPECT_EQ(at(image, 5, 9), painting::ColorToRGB(cl3DDkShadow));
    EXPECT_EQ(at(image, 5, 1), painting::ColorToRGB(clBtnHighlight));
    EXPECT_EQ(at(image, 8, 5), painting::ColorToRGB(clBtnShadow));
    EXPECT_EQ(at(image, 5, 5), kPaper);
}

TEST(FillGradient, TwoColoursHorizontalAndVertical)
{
    const TColor two[] = {clRed, clBlue};
    const QImage h = painted(10, 4, [&](QPainter& p) { FillGradient(p, {0, 0, 10, 4}, gstHorizontal, 0, two); });
    for (int x = 0; x < 10; ++x) EXPECT_EQ(at(h, x, 2), x < 5 ? clRed : clBlue) << x;
    const QImage v = painted(4, 10, [&](QPainter& p) { FillGradient(p, {0, 0, 4, 10}, gstVertical, kGradientBuffered, two); });
    for (int y = 0; y < 10; ++y) EXPECT_EQ(at(v, 1, y), y < 5 ? clRed : clBlue) << y;
    // Nothing for no colours or an empty rectangle; the clip keeps to the rectangle.
    const QImage none = painted(4, 4, [&](QPainter& p) {
        FillGradient(p, {0, 0, 4, 4}, gstVertical, 0, std::span<const TColor>());
        FillGradient(p, {2, 2, 2, 4}, gstVertical, 0, two);
    });
    EXPECT_EQ(at(none, 2, 2), kPaper);
}

TEST(FillGradient, ShapesPutColourZeroAtTheirStart)
{
    const TColor colors[] = {clRed, clLime, clBlue};
    struct Case {
        TEffGradientStyle style;
        int x, y;  // where colour 0 must be
    };
    const Case cases[] = {{gstSquare, 15, 15},   {gstElliptic, 15, 15}, {gstTopLeft, 0, 0},
                          {gstTopRight, 29, 0},  {gstBottomLeft, 0, 29}, {gstBottomRight, 29, 29}};
    QImage sheet = paper(6 * 32, 32);
    QPainter onSheet(&sheet);
    int i = 0;
    for (const Case& c : cases) {
        const QImage image = painted(30, 30, [&](QPainter& p) { FillGradient(p, {0, 0, 30, 30}, c.style, 0, colors); });
        EXPECT_EQ(at(image, c.x, c.y), clRed) << c.style;
        // The last colour covers what the smaller shapes leave.
        EXPECT_NE(at(image, 29 - c.x, 29 - c.y), kPaper) << c.style;
        onSheet.drawImage(i++ * 32, 0, image);
    }
    onSheet.end();
    saveRender(sheet, "gradients.png");
}

TEST(DrawBitmap, KeyColourAndPlacement)
{
    QImage bitmap = paper(4, 4, clFuchsia);
    for (int y = 1; y < 3; ++y)
        for (int x = 1; x < 3; ++x) bitmap.setPixelColor(x, y, Qt::black);
    // Transparent by key colour: only the black square lands.
    const QImage keyed = painted(8, 8, [&](QPainter& p) { DrawBitmap(p, {2, 2, 8, 8}, bitmap, clFuchsia, {}, kBmpTransparent); });
    EXPECT_EQ(at(keyed, 2, 2), kPaper);
    EXPECT_EQ(at(keyed, 3, 3), clBlack);
    EXPECT_EQ(at(keyed, 5, 5), kPaper);
    // Opaque without a key colour.
    const QImage opaque = painted(8, 8, [&](QPainter& p) { DrawBitmap(p, {2, 2, 8, 8}, bitmap, kNoTransparentColor, {}, kBmpTransparent); });
    EXPECT_EQ(at(opaque, 2, 2), clFuchsia);
    // Centred in 10 x 10: at 3, 3.
    const QImage centred = painted(10, 10, [&](QPainter& p) { DrawBitmap(p, {0, 0, 10, 10}, bitmap, kNoTransparentColor, {}, kBmpCenter); });
    EXPECT_EQ(at(centred, 2, 2), kPaper);
    EXPECT_EQ(at(centred, 3, 3), clFuchsia);
    EXPECT_EQ(at(centred, 4, 4), clBlack);
    // Tiled and clipped: every 4 pixels, nothing past the rectangle.
    const QImage tiled = painted(12, 12, [&](QPainter& p) { DrawBitmap(p, {0, 0, 10, 10}, bitmap, kNoTransparentColor, {}, kBmpTile | kBmpClip); });
    EXPECT_EQ(at(tiled, 5, 5), clBlack);
    EXPECT_EQ(at(tiled, 9, 9), clBlack);
    EXPECT_EQ(at(tiled, 10, 10), kPaper);
    // Stretched with the aspect kept: 4 x 4 into 20 x 8 gives 8 x 8 at the top-left.
    const QImage fitted = painted(20, 8, [&](QPainter& p) { DrawBitmap(p, {0, 0, 20, 8}, bitmap, kNoTransparentColor, {}, kBmpStretch | kBmpAspect); });
    EXPECT_EQ(at(fitted, 7, 7), clFuchsia);
    EXPECT_EQ(at(fitted, 4, 4), clBlack);
    EXPECT_EQ(at(fitted, 8, 4), kPaper);
    // The brush copy: the bitmap's own key (bottom-left pixel) becomes the given colour.
    const QImage brushed = painted(4, 4, [&](QPainter& p) { DrawBitmap(p, {0, 0, 4, 4}, bitmap, clLime, {}, kBmpBrushCopy); });
    EXPECT_EQ(at(brushed, 0, 0), clLime);
    EXPECT_EQ(at(brushed, 1, 1), clBlack);
    QImage sheet = paper(5 * 24, 22);
    QPainter onSheet(&sheet);
    int i = 0;
    for (const QImage* shot : {&keyed, &opaque, &centred, &tiled, &fitted}) onSheet.drawImage(i++ * 24 + 1, 1, *shot);
    onSheet.end();
    saveRender(sheet.scaled(sheet.size() * 2), "bitmaps.png");
}

TEST(DrawBitmap, EmptyBitmapDrawsNothingInEveryMode)
{
    for (int flags : {0, kBmpTile, kBmpCenter, kBmpStretch | kBmpAspect, kBmpTransparent, kBmpTile | kBmpBrushCopy}) {
        const QImage image = painted(6, 6, [&](QPainter& p) { DrawBitmap(p, {0, 0, 6, 6}, QImage(), clBlack, {}, flags); });
        EXPECT_EQ(at(image, 0, 0), kPaper) << flags;
    }
}

TEST(DrawBitmap, BufferedAndMaskedDrawOnlyTheShape)
{
    QImage bitmap = paper(4, 4, clFuchsia);
    bitmap.setPixelColor(1, 1, Qt::red);
    QImage buffer;
    const QImage image = painted(6, 6, [&](QPainter& p) { DrawBitmapBuffered(p, {1, 1, 5, 5}, bitmap, clWhite, clFuchsia, buffer); });
    EXPECT_EQ(buffer.size(), QSize(4, 4));
    EXPECT_EQ(at(image, 2, 2), clRed);
    EXPECT_EQ(at(image, 1, 1), kPaper);
    QImage mask, shape;
    CreateMaskBitmaps(bitmap, {0, 0, 4, 4}, mask, clFuchsia, shape);
    EXPECT_EQ(at(mask, 0, 0), clWhite);
    EXPECT_EQ(at(mask, 1, 1), clBlack);
    EXPECT_EQ(at(shape, 0, 0), clBlack);
}

TEST(DrawFxText, LayersAndColours)
{
    TEff3DCaption fx;
    fx.SetStyle(tdRaisedShadow);
    fx.SetLightDepth(1);
    fx.SetShadowDepth(2);
    fx.SetLightColor(clWhite);
    fx.SetShadowColor(clBlack);
    QFont font("DejaVu Sans");
    font.setPixelSize(28);
    font.setBold(true);
    const QImage image = painted(160, 40, [&](QPainter& p) {
        p.setFont(font);
        p.setPen(painting::ToQColor(clRed));
        DrawFxText(p, "Effects", &fx, {}, kFxEnabled, DT_LEFT | DT_SINGLELINE | DT_VCENTER, {4, 0, 160, 40});
    });
    saveRender(image, "fxtext.png");
    int red = 0, black = 0, white = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const TColor c = at(image, x, y);
            red += c == clRed, black += c == clBlack, white += c == clWhite;
        }
    EXPECT_GT(red, 50);
    EXPECT_GT(black, 10);
    EXPECT_GT(white, 10);
    // Disabled: grey face and no red at all.
    const QImage disabled = painted(160, 40, [&](QPainter& p) {
        p.setFont(font);
        p.setPen(painting::ToQColor(clRed));
        DrawFxText(p, "Effects", &fx, {}, 0, DT_SINGLELINE, {4, 0, 160, 40});
    });
    bool anyRed = false;
    for (int y = 0; y < disabled.height(); ++y)
        for (int x = 0; x < disabled.width(); ++x) anyRed |= at(disabled, x, y) == clRed;
    EXPECT_FALSE(anyRed);
}

TEST(DrawFxTextCalc, MeasuresWidensAndStoresTheRotatedStart)
{
    TEffFxCaption fx;
    fx.SetLightDepth(1);
    fx.SetShadowDepth(1);
    QFont font("DejaVu Sans");
    font.setPixelSize(20);
    TRect flat;
    DrawFxTextCalc(font, agTopLeft, "Wide text", &fx, flat, DT_SINGLELINE, {0, 0, 400, 400});
    EXPECT_GT(RectWidth(flat), RectHeight(flat));
    fx.SetAngle(90);
    int changes = 0;
    fx.OnChange = [&](TEffObject*) { ++changes; };
    TRect turned;
    DrawFxTextCalc(font, agBottomRight, "Wide text", &fx, turned, DT_SINGLELINE, {0, 0, 400, 400});
    EXPECT_EQ(changes, 0);  // the start point is stored silently
    EXPECT_GT(RectHeight(turned), RectWidth(turned));
    EXPECT_EQ(turned.Right, 400);
    EXPECT_EQ(turned.Bottom, 400);
    EXPECT_GT(fx.PosY(), 0);
    // A rotated caption, looked at.
    QImage image = painted(60, 200, [&](QPainter& p) {
        p.setFont(font);
        p.setPen(painting::ToQColor(clNavy));
        TRect at;
        DrawFxTextCalc(font, agTopLeft, "Wide text", &fx, at, DT_SINGLELINE, {0, 0, 60, 200});
        DrawFxText(p, "Wide text", &fx, {}, kFxEnabled, DT_SINGLELINE, at);
    });
    saveRender(image, "fxtext-rotated.png");
}

TEST(FontText, RoundTripsAndRejects)
{
    TFont font;
    font.SetName("DejaVu Sans");
    font.SetSize(12);
    font.SetColor(clRed);
    font.SetStyle(TFontStyles(fsBold | fsStrikeOut));
    EXPECT_EQ(FontToString(font), "DejaVu Sans,12,clRed,1,0,0,1");
    struct Case {
        const char* text;
        const char* name;
        int size;
        TColor color;
        TFontStyles style;
    };
    const Case cases[] = {
        {"Arial,10,clBlack,1,0,0,0", "Arial", 10, clBlack, fsBold},
        {"Arial,10", "DejaVu Sans", 12, clRed, TFontStyles(fsBold | fsStrikeOut)},            // not seven parts
        {"Arial,x,$00FF0000,0,1,1,0", "Arial", 10, clBlue, TFontStyles(fsItalic | fsUnderline)},  // size not a number
        {"Arial,9,clNoSuchColour,0,0,0,2", "Arial", 9, clRed, fsStrikeOut},                     // colour kept
        {"Arial,9,clBlack,a,0,0,0,extra", "DejaVu Sans", 12, clRed, TFontStyles(fsBold | fsStrikeOut)},
    };
    for (const Case& c : cases) {
        TFont f;
        f.Assign(&font);
        StringToFont(c.text, f);
        EXPECT_EQ(f.Name(), c.name) << c.text;
        EXPECT_EQ(f.Size(), c.size) << c.text;
        EXPECT_EQ(f.Color(), c.color) << c.text;
        EXPECT_EQ(f.Style(), c.style) << c.text;
    }
}

TEST(Screen, DepthAndCentring)
{
    EXPECT_GE(GetColorDepth(), 1);
    QWidget form;
    form.resize(200, 100);
    CenterOnScreen(&form);
    const QSize screen = form.screen()->geometry().size();
    EXPECT_EQ(form.frameGeometry().left(), (screen.width() - form.frameGeometry().width()) / 2);
    CenterOnScreen(nullptr);
    ExplodeEffect(&form);  // offscreen: nothing to place, returns at once
}

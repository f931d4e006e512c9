#include "controls/tabs/TabDrawing.h"
#include "controls/tabs/TabLayout.h"

#include <QPainter>
#include <QImage>
#include <gtest/gtest.h>

namespace {

const QSize kClient(300, 200);

TEST(TabLayout, TabsLieAlongTheirSideAndThePagesTakeTheRest)
{
    const struct {
        const char* name;
        TTabStripShape shape;
        QRect firstTab, secondTab;
        QRect display;
    } cases[] = {
        {"top", {tpTopLeft, false, false, false}, {2, 2, 50, 20}, {52, 2, 40, 20}, {4, 26, 292, 170}},
        {"bottom", {tpBottomRight, false, false, false}, {2, 178, 50, 20}, {52, 178, 40, 20}, {4, 4, 292, 170}},
        {"left", {tpTopLeft, true, true, false}, {2, 2, 20, 50}, {2, 52, 20, 40}, {26, 4, 270, 192}},
        {"right", {tpBottomRight, true, true, false}, {278, 2, 20, 50}, {278, 52, 20, 40}, {4, 4, 270, 192}},
        {"buttons", {tpTopLeft, false, false, true}, {0, 0, 50, 20}, {53, 0, 40, 20}, {0, 23, 300, 177}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TTabStripLayout l = LayOutTabStrip(c.shape, kClient, {50, 40}, 20);
        ASSERT_EQ(l.tabs.size(), 2u);
        EXPECT_EQ(l.tabs[0], c.firstTab);
        EXPECT_EQ(l.tabs[1], c.secondTab);
        EXPECT_EQ(l.display, c.display);
        EXPECT_EQ(l.rows, 1);
    }
}

TEST(TabLayout, MultiLineRowsWrapWithTheFirstRowNextToThePages)
{
    const TTabStripShape shape{tpTopLeft, false, true, false};
    const TTabStripLayout l = LayOutTabStrip(shape, kClient, {120, 120, 120}, 20);
    EXPECT_EQ(l.rows, 2);
    EXPECT_EQ(l.rowOf, (std::vector<int>{0, 0, 1}));
    EXPECT_EQ(l.tabs[0], QRect(2, 22, 120, 20));
    EXPECT_EQ(l.tabs[2], QRect(2, 2, 120, 20));
    EXPECT_EQ(l.display.top(), 46);

    const TTabStripLayout single = LayOutTabStrip({}, kClient, {120, 120, 120}, 20);
    EXPECT_EQ(single.rows, 1);
    EXPECT_EQ(single.tabs[2].left(), 242);  // runs past the edge rather than wrapping
}

TEST(TabLayout, TheSelectedTabGrowsAndIsHitFirst)
{
    const TTabStripShape shape;
    const TTabStripLayout l = LayOutTabStrip(shape, kClient, {50, 40}, 20);
    EXPECT_EQ(ShownTabRect(shape, l.tabs[1], true), QRect(50, 0, 44, 22));
    EXPECT_EQ(ShownTabRect(shape, l.tabs[1], false), l.tabs[1]);
    // x 51 lies in tab 0, but the grown selected tab 1 covers it.
    EXPECT_EQ(TabAtPoint(shape, l, 1, {51, 10}), 1);
    EXPECT_EQ(TabAtPoint(shape, l, 0, {51, 10}), 0);
    EXPECT_EQ(TabAtPoint(shape, l, -1, {60, 10}), 1);
    EXPECT_EQ(TabAtPoint(shape, l, -1, {200, 10}), -1);
    EXPECT_EQ(TabAtPoint(shape, l, -1, {60, 100}), -1);
}

TEST(TabLayout, EmptyOrTinyClientsGiveNoNegativeDisplay)
{
    const TTabStripLayout l = LayOutTabStrip({}, QSize(5, 5), {}, 20);
    EXPECT_TRUE(l.tabs.empty());
    EXPECT_GE(l.display.width(), 0);
    EXPECT_GE(l.display.height(), 0);
}

QImage Marked(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    img.setPixel(0, 0, qRgb(255, 0, 0));  // top-left marker
    return img;
}

TEST(TabBitmapRotation, TurnsAboutTheCentreAndLeavesUncoveredPixelsLightGrey)
{
    const struct {
        int angle;
        QPoint markerLandsAt;
    } cases[] = {{90, {0, 7}}, {270, {7, 0}}, {0, {0, 0}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.angle);
        const QImage turned = RotateBitmap(Marked(8, 8), c.angle);
        EXPECT_EQ(turned.size(), QSize(8, 8));
        EXPECT_EQ(turned.pixel(c.markerLandsAt) & 0xFFFFFF, 0xFF0000u);
    }
    // A wide bitmap turned upright leaves the corners without a source.
    const QImage wide = RotateBitmap(Marked(8, 2), 90);
    EXPECT_EQ(wide.pixel(0, 0) & 0xFFFFFF, 0xC0C0C0u);
    EXPECT_EQ(wide.pixel(4, 1) & 0xFFFFFF, 0xFFFFFFu);
}

// Bounding box of the pixels of one colour.
QRect InkBox(const QImage& img, QRgb ink)
{
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) == (ink & 0xFFFFFF)) box |= QRect(x, y, 1, 1);
    return box;
}

TEST(TabBitmapRotation, BothWaysOfTurningTextStandItUpright)
{
    for (bool outline : {true, false}) {
        for (int angle : {90, 270}) {
            SCOPED_TRACE(testing::Message() << "outline " << outline << " angle " << angle);
            QImage img(60, 120, QImage::Format_RGB32);
            img.fill(Qt::white);
            QPainter p(&img);
            QFont font;
            font.setPixelSize(12);
            font.setStyleStrategy(QFont::NoAntialias);
            DrawRotatedText(p, QRect(0, 0, 60, 120), "Wide caption", angle, font, Qt::black, Qt::white, outline);
            p.end();
            const QRect ink = InkBox(img, qRgb(0, 0, 0));
            ASSERT_TRUE(ink.isValid());
            EXPECT_GT(ink.height(), 2 * ink.width());
            EXPECT_NEAR(ink.center().x(), 30, 8);
            EXPECT_NEAR(ink.center().y(), 60, 8);
        }
    }
}

}  // namespace

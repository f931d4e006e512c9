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

// Five tabs of 120 wrap into rows of two, two and one: tabs 0-1, 2-3 and 4.
TEST(TabLayout, TheSelectedRowComesNextToThePagesAndScrollOppositeSendsTheRowsInFrontAcross)
{
    const std::vector<int> lengths{120, 120, 120, 120, 120};
    const struct {
        const char* name;
        TTabStripShape shape;
        int selected;
        int rowTop[3];       // the top of each row's tabs, in wrapping order
        bool opposite[3];    // whether the row lies beyond the pages
        QRect display;
    } cases[] = {
        {"first row selected", {tpTopLeft, false, true}, 0, {42, 22, 2}, {}, {4, 66, 292, 130}},
        {"rows turn round keeping their order", {tpTopLeft, false, true}, 4, {22, 2, 42}, {}, {4, 66, 292, 130}},
        {"no selection leaves the first row in front", {tpTopLeft, false, true}, -1, {42, 22, 2}, {}, {4, 66, 292, 130}},
        {"scroll opposite, first row", {tpTopLeft, false, true, false, true}, 1, {42, 22, 2}, {}, {4, 66, 292, 130}},
        {"scroll opposite, middle row", {tpTopLeft, false, true, false, true}, 2, {178, 22, 2}, {true, false, false},
         {4, 46, 292, 128}},
        {"scroll opposite at the bottom, last row", {tpBottomRight, false, true, false, true}, 4, {2, 22, 178},
         {true, true, false}, {4, 46, 292, 128}},
        {"buttons stay where they wrapped", {tpTopLeft, false, true, true}, 4, {40, 20, 0}, {}, {0, 63, 300, 137}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TTabStripLayout l = LayOutTabStrip(c.shape, kClient, lengths, 20, c.selected);
        ASSERT_EQ(l.rows, 3);
        ASSERT_EQ(l.rowOf, (std::vector<int>{0, 0, 1, 1, 2}));
        for (int tab = 0; tab < 5; ++tab) {
            EXPECT_EQ(l.tabs[tab].top(), c.rowTop[l.rowOf[tab]]) << "tab " << tab;
            EXPECT_EQ(l.opposite[tab], c.opposite[l.rowOf[tab]]) << "tab " << tab;
        }
        EXPECT_EQ(l.display, c.display);
        EXPECT_EQ(l.oppositeBand.isEmpty(), !c.opposite[0]);
    }
}

TEST(TabLayout, TabsOpenTowardsThePagesFromEitherSide)
{
    const struct {
        TTabStripShape shape;
        bool opposite;
        TEdgeSide open;
    } cases[] = {
        {{tpTopLeft, false}, false, TEdgeSide::Bottom},  {{tpTopLeft, false}, true, TEdgeSide::Top},
        {{tpBottomRight, false}, false, TEdgeSide::Top}, {{tpBottomRight, false}, true, TEdgeSide::Bottom},
        {{tpTopLeft, true}, false, TEdgeSide::Right},    {{tpTopLeft, true}, true, TEdgeSide::Left},
        {{tpBottomRight, true}, false, TEdgeSide::Left}, {{tpBottomRight, true}, true, TEdgeSide::Right},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.shape.position << c.shape.vertical << c.opposite);
        EXPECT_EQ(OpenSide(c.shape, c.opposite), c.open);
    }
}

// Four tabs of 100 in a row of 300: the arrows take the last 40 pixels.
TEST(TabLayout, ASingleRowPastTheEdgeScrollsBehindTwoArrows)
{
    const std::vector<int> lengths{100, 100, 100, 100};
    const struct {
        const char* name;
        TTabStripShape shape;
        int askedFirst, first;
        int firstTabLeft;  // of tab `first`
        QRect back, forward;
    } cases[] = {
        {"unscrolled", {}, 0, 0, 2, {260, 2, 20, 20}, {280, 2, 20, 20}},
        {"one step on", {}, 1, 1, 2, {260, 2, 20, 20}, {280, 2, 20, 20}},
        {"no further than the last tab needs", {}, 9, 2, 2, {260, 2, 20, 20}, {280, 2, 20, 20}},
        {"not before the first", {}, -3, 0, 2, {260, 2, 20, 20}, {280, 2, 20, 20}},
        {"bottom", {tpBottomRight}, 1, 1, 2, {260, 178, 20, 20}, {280, 178, 20, 20}},
        {"buttons", {tpTopLeft, false, false, true}, 1, 1, 0, {260, 0, 20, 20}, {280, 0, 20, 20}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TTabStripLayout l = LayOutTabStrip(c.shape, kClient, lengths, 20, -1, c.askedFirst);
        EXPECT_EQ(l.rows, 1);
        EXPECT_EQ(l.firstVisible, c.first);
        EXPECT_EQ(l.lastFirstVisible, 2);
        EXPECT_EQ(l.tabs[c.first].left(), c.firstTabLeft);
        EXPECT_LT(l.tabs[0].left(), 3);
        EXPECT_EQ(l.scrollBack, c.back);
        EXPECT_EQ(l.scrollForward, c.forward);
        EXPECT_EQ(l.tabClip.right(), 259);
    }

    // Under the arrows nothing is hit, though tab 2 reaches there.
    const TTabStripShape top;
    const TTabStripLayout l = LayOutTabStrip(top, kClient, lengths, 20);
    EXPECT_EQ(TabAtPoint(top, l, -1, {250, 10}), 2);
    EXPECT_EQ(TabAtPoint(top, l, -1, {265, 10}), -1);
    // Scrolled on, the first tab lies out of sight to the left.
    EXPECT_EQ(TabAtPoint(top, LayOutTabStrip(top, kClient, lengths, 20, -1, 1), -1, {50, 10}), 1);

    // Tabs that fit show no arrows and never scroll.
    const TTabStripLayout fits = LayOutTabStrip(top, kClient, {50, 40}, 20, -1, 1);
    EXPECT_TRUE(fits.scrollBack.isEmpty());
    EXPECT_EQ(fits.firstVisible, 0);
    EXPECT_EQ(fits.tabClip, QRect(QPoint(0, 0), kClient));
}

TEST(TabLayout, ScrollingToATabMovesAsLittleAsItCan)
{
    const std::vector<int> lengths{100, 100, 100, 100};
    const struct {
        int first, tab, expected;
    } cases[] = {
        {0, 0, 0}, {0, 1, 0}, {0, 2, 1}, {0, 3, 2}, {2, 0, 0}, {2, 3, 2}, {1, 2, 1}, {0, 7, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "from " << c.first << " to tab " << c.tab);
        EXPECT_EQ(FirstVisibleShowing(LayOutTabStrip({}, kClient, lengths, 20, -1, c.first), c.tab), c.expected);
    }
    // A tab longer than the room shows from its start.
    EXPECT_EQ(FirstVisibleShowing(LayOutTabStrip({}, kClient, {100, 400}, 20), 1), 1);
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

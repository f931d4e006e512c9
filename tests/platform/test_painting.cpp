#include "platform/Painting.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace painting;

TEST(Painting, ColoursKeepTheirValueUntilPainted)
{
    EXPECT_EQ(ToQColor(clRed), QColor(255, 0, 0));
    EXPECT_EQ(ToQColor(clNavy), QColor(0, 0, 128));
    EXPECT_EQ(ToQColor(RGB(1, 2, 3)), QColor(1, 2, 3));
    EXPECT_EQ(FromQColor(QColor(1, 2, 3)), 0x030201u);
    EXPECT_EQ(ToQColor(clWindowText), QGuiApplication::palette().color(QPalette::Text));
    EXPECT_EQ(ToQColor(clBtnFace), QGuiApplication::palette().color(QPalette::Button));
    EXPECT_EQ(ColorToRGB(clBackground), RGB(0, 128, 128));  // no palette role: the classic colour
    EXPECT_EQ(ColorToRGB(kSystemColor | 200), clBlack);
    EXPECT_EQ(ColorToRGB(0x1FFFFFFF), 0xFFFFFFu);
}

TEST(Painting, RectanglesAndLinesLeaveOutTheirLastEdge)
{
    EXPECT_EQ(GdiRect(2, 3, 10, 7), QRect(2, 3, 8, 4));
    EXPECT_TRUE(GdiRect(5, 5, 5, 9).isEmpty());

    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        BeginPlainPaint(p);
        p.setPen(Qt::black);
        DrawLineTo(p, 1, 1, 6, 1);
        DrawLineTo(p, 8, 8, 8, 3);
    }
    for (int x = 0; x < 10; ++x) EXPECT_EQ(image.pixel(x, 1) == qRgb(0, 0, 0), x >= 1 && x <= 5) << x;
    for (int y = 0; y < 10; ++y) EXPECT_EQ(image.pixel(8, y) == qRgb(0, 0, 0), y >= 4 && y <= 8) << y;
}

TEST(Painting, FloodFillReplacesOnlyTheConnectedSurface)
{
    QImage image(5, 5, QImage::Format_ARGB32);
    image.fill(qRgb(0, 255, 0));
    for (int i = 0; i < 5; ++i) image.setPixel(2, i, qRgb(0, 0, 0));  // a wall down the middle
    FloodFillSurface(image, QPoint(0, 0), clLime, clRed);
    EXPECT_EQ(image.pixel(1, 4), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(2, 2), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(3, 0), qRgb(0, 255, 0));

    // A start pixel that is not the surface colour changes nothing.
    const QImage before = image;
    FloodFillSurface(image, QPoint(2, 2), clLime, clBlue);
    FloodFillSurface(image, QPoint(9, 9), clLime, clBlue);
    EXPECT_EQ(image, before);
}

// One rule for every control that turns text: the face really drawn must be an outline face.
TEST(Painting, OnlyOutlineFacesCountAsTrueType)
{
    const int raster = QFontDatabase::addApplicationFont(QStringLiteral(VANTREL_SOURCE_DIR "/tests/fixtures/fonts/raster8.bdf"));
    ASSERT_NE(raster, -1);
    ASSERT_TRUE(QFontDatabase::applicationFontFamilies(raster).contains(QStringLiteral("Vantrel Raster")));
    const struct {
        const char* family;
        bool trueType;
    } cases[] = {
        {"DejaVu Sans", true},          // an installed outline face
        {"DejaVu Serif", true},
        {"Vantrel Raster", false},      // an installed bitmap face
        {"Times New Roman", true},      // substituted: judged by the outline face standing in
        {"Arial", true},
        {"No Such Family 7", true},
        {"MS Sans Serif", false},       // a classic raster face stays one by name
        {"system", false},
    };
    for (const auto& c : cases) {
        QFont font(QString::fromLatin1(c.family));
        font.setPixelSize(8);
        EXPECT_EQ(IsTrueTypeFont(font), c.trueType) << c.family;
    }
    QFontDatabase::removeApplicationFont(raster);
}

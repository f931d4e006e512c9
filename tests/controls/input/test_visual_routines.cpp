#include "controls/input/Cursors.h"
#include "controls/input/VisualRoutines.h"

#include <QFontMetrics>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

QImage blank(int w, int h, QColor fill = Qt::white)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

TColor at(const QImage& image, int x, int y)
{
    const QRgb p = image.pixel(x, y);
    return RGB(qRed(p), qGreen(p), qBlue(p));
}

QImage gradient(int w, int h, const TRect& rect, TGradientDirection direction, int colours, TColor start, TColor end)
{
    QImage image = blank(w, h);
    QPainter painter(&image);
    GradientFillRect(painter, rect, start, end, direction, colours);
    return image;
}

constexpr TColor kStart = RGB(0, 0, 0);
constexpr TColor kEnd = RGB(255, 128, 0);

}  // namespace

TEST(GradientFillRect, SixtyFourColoursOnTwentyPixelsGiveOnePixelBands)
{
    const QImage image = gradient(3, 20, {0, 0, 3, 20}, gdTopToBottom, 64, kStart, kEnd);
    const struct {
        int y;
        TColor colour;
    } rows[] = {
        {0, kStart},
        {1, RGB(13, 7, 0)},     // 255/19 = 13.4, 128/19 = 6.7 rounds up
        {10, RGB(134, 67, 0)},  // 2550/19 = 134.2, 1280/19 = 67.4
        {18, RGB(242, 121, 0)},
        {19, kEnd},
    };
    for (const auto& r : rows)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(at(image, x, r.y), r.colour) << "row " << r.y;
    for (int y = 1; y < 20; ++y) EXPECT_NE(at(image, 0, y), at(image, 0, y - 1)) << "row " << y << " is its own band";
}

TEST(GradientFillRect, DirectionsAndTheRemainderPixel)
{
    // Three colours on ten pixels: bands of three, one pixel left over at the far end.
    constexpr TColor up = RGB(128, 64, 0), down = RGB(127, 64, 0);  // halves round away from zero
    const struct {
        const char* name;
        TGradientDirection direction;
        bool vertical;
        TColor expected[10];
    } cases[] = {
        {"top to bottom", gdTopToBottom, true, {kStart, kStart, kStart, up, up, up, kEnd, kEnd, kEnd, kEnd}},
        {"bottom to top", gdBottomToTop, true, {kEnd, kEnd, kEnd, down, down, down, kStart, kStart, kStart, kStart}},
        {"left to right", gdLeftToRight, false, {kStart, kStart, kStart, up, up, up, kEnd, kEnd, kEnd, kEnd}},
        {"right to left", gdRightToLeft, false, {kEnd, kEnd, kEnd, down, down, down, kStart, kStart, kStart, kStart}},
    };
    for (const auto& c : cases) {
        // The bar sits at (2, 3) inside a white picture, which must stay white around it.
        const TRect bar = c.vertical ? TRect{2, 3, 6, 13} : TRect{2, 3, 12, 7};
        const QImage image = gradient(16, 16, bar, c.direction, 3, kStart, kEnd);
        for (int i = 0; i < 10; ++i) {
            const int x = c.vertical ? 4 : 2 + i, y = c.vertical ? 3 + i : 5;
            EXPECT_EQ(at(image, x, y), c.expected[i]) << c.name << " pixel " << i;
        }
        EXPECT_EQ(at(image, 1, 3), clWhite) << c.name;
        EXPECT_EQ(at(image, 2, 2), clWhite) << c.name;
        EXPECT_EQ(at(image, bar.Right, bar.Bottom - 1), clWhite) << c.name;
        EXPECT_EQ(at(image, bar.Right - 1, bar.Bottom), clWhite) << c.name;
    }
}

TEST(GradientFillRect, OneBandEmptyRectanglesAndSystemColours)
{
    QImage image = gradient(4, 4, {0, 0, 4, 4}, gdTopToBottom, 0, kStart, kEnd);
    EXPECT_EQ(at(image, 0, 3), kStart);  // colours below 1: one band of the base
    image = gradient(4, 4, {0, 0, 4, 4}, gdBottomToTop, 1, kStart, kEnd);
    EXPECT_EQ(at(image, 0, 0), kEnd);
    image = gradient(4, 4, {0, 0, 4, 4}, gdLeftToRight, 4, clBtnFace, clBtnShadow);
    EXPECT_EQ(at(image, 0, 0), RGB(192, 192, 192));
    EXPECT_EQ(at(image, 3, 0), RGB(128, 128, 128));
    for (const TRect empty : {TRect{2, 2, 2, 4}, TRect{2, 2, 4, 2}, TRect{3, 3, 1, 1}}) {
        image = gradient(4, 4, empty, gdTopToBottom, 8, kStart, kEnd);
        EXPECT_EQ(image, blank(4, 4));
    }
}

TEST(DrawingRoutines, DitherPattern)
{
    const QImage pattern = CreateTwoColorsBrushPattern(RGB(255, 0, 0), RGB(0, 0, 255));
    ASSERT_EQ(pattern.size(), QSize(8, 8));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(at(pattern, x, y), (x % 2 == y % 2) ? RGB(0, 0, 255) : RGB(255, 0, 0)) << x << "," << y;
}

TEST(DrawingRoutines, DisabledBitmapEmbossesTheOutlinePixels)
{
    QImage glyph = blank(4, 4);
    glyph.setPixel(1, 1, qRgb(0, 0, 0));
    glyph.setPixel(3, 3, qRgb(0, 0, 0));  // its highlight falls outside
    glyph.setPixel(0, 2, qRgb(10, 10, 10));  // not the outline colour

    const QImage embossed = CreateDisabledBitmap(glyph, clBlack);
    const TColor face = RGB(192, 192, 192), light = RGB(255, 255, 255), dark = RGB(128, 128, 128);
    const struct {
        int x, y;
        TColor colour;
    } pixels[] = {{1, 1, dark}, {2, 2, light}, {3, 3, dark}, {0, 2, face}, {0, 0, face}, {2, 1, face}};
    for (const auto& p : pixels) EXPECT_EQ(at(embossed, p.x, p.y), p.colour) << p.x << "," << p.y;

    const QImage flat = CreateDisabledBitmap(glyph, clBlack, RGB(1, 2, 3), clWhite, RGB(9, 9, 9), false);
    EXPECT_EQ(at(flat, 1, 1), RGB(9, 9, 9));
    EXPECT_EQ(at(flat, 2, 2), RGB(1, 2, 3));

    // A shadow pixel wins over the highlight of its upper-left neighbour.
    glyph.setPixel(2, 2, qRgb(0, 0, 0));
    EXPECT_EQ(at(CreateDisabledBitmap(glyph, clBlack), 2, 2), dark);
}

TEST(DrawingRoutines, ImageListDrawDisabledUsesTheOpaquePixels)
{
    QImage icon(3, 3, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    icon.setPixel(0, 0, qRgba(0, 200, 0, 255));
    const QList<QImage> images{icon};

    QImage canvas = blank(8, 8);
    {
        QPainter painter(&canvas);
        ImageListDrawDisabled(images, painter, 2, 2, 0, RGB(255, 255, 0), RGB(0, 0, 128), true);
        ImageListDrawDisabled(images, painter, 5, 5, 1, RGB(255, 0, 0), RGB(255, 0, 0), true);  // no such image
        ImageListDrawDisabled(images, painter, 5, 5, -1, RGB(255, 0, 0), RGB(255, 0, 0), true);
    }
    EXPECT_EQ(at(canvas, 2, 2), RGB(0, 0, 128));
    EXPECT_EQ(at(canvas, 3, 3), RGB(255, 255, 0));
    EXPECT_EQ(at(canvas, 4, 4), clWhite);
    EXPECT_EQ(at(canvas, 5, 5), clWhite);
    EXPECT_EQ(at(canvas, 6, 6), clWhite);
}

TEST(WindowRoutines, CenterWindowAndCursors)
{
    QWidget window;
    window.resize(201, 101);
    window.move(-500, 3000);
    window.show();
    CenterWindow(&window);
    const QRect screen = window.screen()->geometry();
    const QRect frame = window.frameGeometry();
    EXPECT_EQ(frame.left(), screen.left() + (screen.width() - frame.width()) / 2);
    EXPECT_EQ(frame.top(), screen.top() + (screen.height() - frame.height()) / 2);
    EXPECT_EQ(window.size(), QSize(201, 101));
    CenterWindow(nullptr);

    EXPECT_EQ(ScreenCursor(crHandCursor).shape(), Qt::ArrowCursor);  // not registered yet
    RegisterInputCursors();
    EXPECT_EQ(ScreenCursor(crHandCursor).shape(), Qt::PointingHandCursor);
    EXPECT_EQ(ScreenCursor(crDragCursor).shape(), Qt::ClosedHandCursor);
    EXPECT_EQ(ScreenCursor(-1).shape(), Qt::ArrowCursor);
}

TEST(WindowRoutines, MinimizeTextInAFont)
{
    const QFontMetrics metrics(QFont("Sans", 10));
    const std::string text = "A caption far too long for its place";
    const int width = metrics.horizontalAdvance("A caption fa");
    const std::string shortened = MinimizeText(text, metrics, width);
    EXPECT_LE(metrics.horizontalAdvance(QString::fromStdString(shortened)), width);
    EXPECT_EQ(shortened.substr(shortened.size() - 3), "...");
    EXPECT_EQ(text.compare(0, shortened.size() - 3, shortened, 0, shortened.size() - 3), 0);
    EXPECT_EQ(MinimizeText(text, metrics, 10000), text);

    // Not UTF-8 as a whole: every candidate is measured as the Latin-1 it is shown in, even one
    // whose bytes happen to be valid UTF-8.
    const std::string latin1 = std::string("\xC3\xA4\xC3\xA4\xFF") + text;
    const int narrow = metrics.horizontalAdvance(QString::fromUtf8("\xC3\xA4\xC3\xA4..."));
    const std::string cut = MinimizeText(latin1, metrics, narrow);
    EXPECT_LE(metrics.horizontalAdvance(QString::fromLatin1(cut.data(), static_cast<qsizetype>(cut.size()))), narrow);
}

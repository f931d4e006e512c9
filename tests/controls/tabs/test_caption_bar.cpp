#include "controls/tabs/CaptionBar.h"
#include "platform/Errors.h"
#include "platform/Painting.h"
#include "tests/support/PixelCount.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <memory>

namespace {

QRgb Rgb(TColor color) { return painting::ToQColor(color).rgb(); }

int CountNear(const QImage& image, const QRect& area, TColor colour)
{
    return CountPixelsNear(image, area, Rgb(colour));
}

QFont Crisp()
{
    QFont font;
    font.setPixelSize(14);
    font.setBold(true);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

struct PaintedForm : ::testing::Test {
    std::unique_ptr<QWidget> form = std::make_unique<QWidget>();
    TPaintedCaption* caption = nullptr;

    void SetUp() override
    {
        caption = new TPaintedCaption(form.get());
        caption->CompanyText().SetCaption(QStringLiteral("Vantrel"));
        caption->AppNameText().SetCaption(QStringLiteral("Dolmark -"));
        caption->CaptionText().SetCaption(QStringLiteral("FTP scripts"));
        form->resize(420, 100);
        form->show();
        QApplication::processEvents();
    }
    // The bar painted in one state, at the bar's current size.
    QImage Render(bool active)
    {
        TCaptionArea area = caption->Host()->Area();
        area.Active = active;
        QImage image(area.Bar.size(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter canvas(&image);
        caption->PaintCaption(canvas, area);
        return image;
    }
    QRect Text() const { return caption->Host()->Area().Text; }
};

}  // namespace

TEST_F(PaintedForm, TheWindowTextIsMadeOfTheVisibleParts)
{
    EXPECT_EQ(form->windowTitle(), "Vantrel Dolmark - FTP scripts");
    EXPECT_EQ(caption->CaptionText().Caption(), "FTP scripts");
    caption->CompanyText().SetVisible(false);
    EXPECT_EQ(form->windowTitle(), "Dolmark - FTP scripts");
    caption->CompanyText().SetVisible(true);
    // A window text set by another hand is what the caption part reads back.
    form->setWindowTitle(QStringLiteral("Vantrel Dolmark - Other"));
    EXPECT_EQ(caption->CaptionText().Caption(), "Other");
    EXPECT_EQ(caption->Host()->Bar()->accessibleName(), "Vantrel Dolmark - Other");

    delete caption;
    EXPECT_EQ(form->windowTitle(), "Other") << "the caption part alone stays";
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::FramelessWindowHint));
}

TEST(PaintedCaption, NeedsAWindowAndKeepsItsNumberOfColoursInRange)
{
    QWidget window;
    QWidget child(&window);
    EXPECT_THROW(TPaintedCaption{&child}, Exception);

    TPaintedCaption caption(&window);
    EXPECT_EQ(caption.NumColors(), 64);
    const struct {
        int set;
        int expected;
    } rows[] = {{1, 1}, {300, 256}, {0, 256}, {-5, 256}, {100, 100}};
    for (const auto& row : rows) {
        caption.SetNumColors(row.set);
        EXPECT_EQ(caption.NumColors(), row.expected) << row.set;
    }
}

TEST(PaintedCaption, GradientByDisplayDepth)
{
    const struct {
        TGradEnabled enabled;
        bool active;
        int depth;
        bool gradient;
    } rows[] = {
        {geAlways, false, 4, true},     {geNever, true, 24, false},    {geWhenActive, true, 8, true},
        {geWhenActive, false, 24, false}, {geSmart, true, 8, true},    {geSmart, false, 8, false},
        {geSmart, false, 16, true},     {geSmart, true, 4, false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(TPaintedCaption::GradientShown(row.enabled, row.active, row.depth), row.gradient)
            << row.enabled << " " << row.active << " " << row.depth;
}

TEST(PaintedCaption, FontKindsDeriveFromTheSystemCaptionFont)
{
    QWidget window;
    TPaintedCaption caption(&window);
    TCompanyText& part = caption.CompanyText();
    EXPECT_EQ(part.FontKind(), fkSystem);
    const struct {
        TFontKind kind;
        bool bold;
        bool italic;
    } rows[] = {{fkSystem, false, false}, {fkSystemI, false, true}, {fkSystemB, true, false}, {fkSystemBI, true, true}};
    for (const auto& row : rows) {
        part.SetFontKind(row.kind);
        EXPECT_EQ(part.Font().family(), caption.SystemFont().family()) << row.kind;
        EXPECT_EQ(part.Font().bold(), row.bold || caption.SystemFont().bold()) << row.kind;
        EXPECT_EQ(part.Font().italic(), row.italic || caption.SystemFont().italic()) << row.kind;
    }
    QFont big = Crisp();
    big.setPixelSize(40);
    part.SetFont(big);
    EXPECT_EQ(part.FontKind(), fkCustom);
    EXPECT_EQ(part.Font().pixelSize(), 40);

    part.SetFontKind(fkAutoHeight);
    part.SetFont(big);
    EXPECT_EQ(part.FontKind(), fkAutoHeight);
    EXPECT_EQ(QFontInfo(part.Font()).pixelSize(), QFontInfo(caption.SystemFont()).pixelSize());
}

TEST_F(PaintedForm, OneColourPaintsTheTextAreaInTheLeftColour)
{
    caption->CompanyText().SetCaption({});
    caption->AppNameText().SetCaption({});
    caption->CaptionText().SetCaption({});
    caption->SetEnabled(geAlways);
    caption->SetColorLeftActive(RGB(200, 0, 0));
    caption->SetColorRightActive(RGB(0, 0, 200));
    caption->SetNumColors(1);
    QImage image = Render(true);
    const int mid = image.height() / 2;
    EXPECT_EQ(image.pixel(Text().left(), mid), qRgb(200, 0, 0));
    EXPECT_EQ(image.pixel(Text().right(), mid), qRgb(200, 0, 0));
    EXPECT_EQ(image.pixel(image.width() - 1, mid), qRgb(0, 0, 200)) << "outside the text area: the right colour";

    caption->SetNumColors(64);
    image = Render(true);
    EXPECT_EQ(image.pixel(Text().left(), mid), qRgb(200, 0, 0));
    EXPECT_EQ(image.pixel(Text().right(), mid), qRgb(0, 0, 200));
    const QRgb between = image.pixel(Text().center().x(), mid);
    EXPECT_GT(qRed(between), 0);
    EXPECT_GT(qBlue(between), 0);
}

TEST_F(PaintedForm, ActiveAndInactiveColoursOfThePartsAndTheBar)
{
    caption->SetEnabled(geWhenActive);
    TCompanyText* parts[3] = {&caption->CompanyText(), &caption->AppNameText(), &caption->CaptionText()};
    const TColor active[3] = {clRed, clLime, clYellow}, inactive[3] = {clFuchsia, clAqua, clWhite};
    for (int i = 0; i < 3; ++i) {
        parts[i]->SetFont(Crisp());
        parts[i]->SetColorActive(active[i]);
        parts[i]->SetColorInactive(inactive[i]);
    }
    QImage image = Render(true);
    for (int i = 0; i < 3; ++i) {
        EXPECT_GT(CountNear(image, Text(), active[i]), 10) << i;
        EXPECT_EQ(CountNear(image, Text(), inactive[i]), 0) << i;
    }
    image = Render(false);
    EXPECT_EQ(image.pixel(Text().left(), 1), Rgb(clInactiveCaption)) << "no gradient while inactive";
    for (int i = 0; i < 3; ++i) EXPECT_GT(CountNear(image, Text(), inactive[i]), 10) << i;
}

TEST_F(PaintedForm, ANarrowBarDropsTheCompanyPartThenTheApplicationPart)
{
    TCompanyText* parts[3] = {&caption->CompanyText(), &caption->AppNameText(), &caption->CaptionText()};
    const TColor colours[3] = {clRed, clLime, clYellow};
    int widths[3];
    for (int i = 0; i < 3; ++i) {
        parts[i]->SetFont(Crisp());
        parts[i]->SetColorActive(colours[i]);
        widths[i] = QFontMetrics(Crisp()).horizontalAdvance(parts[i]->Caption()) + 3;
    }
    const int chrome = form->width() - Text().width();
    const struct {
        const char* name;
        int textWidth;
        bool shown[3];
    } rows[] = {
        {"all", widths[0] + widths[1] + widths[2] + 5, {true, true, true}},
        {"no company", widths[1] + widths[2] + 5, {false, true, true}},
        {"caption alone", widths[2] + 5, {false, false, true}},
    };
    for (const auto& row : rows) {
        form->resize(chrome + row.textWidth, 100);
        QApplication::processEvents();
        ASSERT_EQ(Text().width(), row.textWidth) << row.name;
        const QImage image = Render(true);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(CountNear(image, Text(), colours[i]) > 10, row.shown[i]) << row.name << i;
    }
}

TEST_F(PaintedForm, TheDrawHookSeesTheTextAreaAndMayNarrowIt)
{
    QRect seen;
    caption->OnDrawCaption = [&](TPaintedCaption*, QPainter& canvas, QRect& rect) {
        seen = rect;
        canvas.fillRect(rect, Qt::green);
        rect.setRight(rect.left() - 1);  // nothing left to draw the parts in
    };
    caption->CompanyText().SetColorActive(clRed);
    const QImage image = Render(true);
    EXPECT_EQ(seen, Text());
    EXPECT_EQ(CountNear(image, Text(), clRed), 0);
    EXPECT_EQ(image.pixel(Text().center()), qRgb(0, 255, 0));
}

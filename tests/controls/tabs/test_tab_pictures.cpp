// Each look of the page control, rendered as a person would see it; with TABS_PICTURE_DIR set
// the pictures are also written there as PNG files.

#include "controls/tabs/TearTabSheet.h"
#include "tests/controls/tabs/TabTestInput.h"

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QVBoxLayout>
#include <functional>
#include <gtest/gtest.h>

namespace {

struct Look {
    const char* name;
    std::function<void(TTearPageControl&)> setUp;
};

struct Shot {
    QImage image;
    QRect activeTab;  // in the picture's coordinates
};

Shot Render(const Look& look, TImageList& images)
{
    QWidget form;
    form.resize(360, 220);
    auto* pages = new TTearPageControl(&form);
    pages->setGeometry(0, 0, 360, 220);
    pages->SetImages(&images);
    int n = 0;
    for (const char* caption : {"Description", "Dialup", "Host", "Activity"}) {
        auto* sheet = new TTearTabSheet(pages);
        sheet->SetCaption(caption);
        sheet->SetImageIndex(n++ % 2 ? -1 : (n / 2) % images.Count());
        auto* layout = new QVBoxLayout(sheet);
        auto* label = new QLabel(QString("Page ") + caption, sheet);
        label->setAccessibleName(caption);
        layout->addWidget(label);
    }
    look.setUp(*pages);
    form.show();
    const QRect tab = pages->TabIndex() >= 0 ? pages->TabRect(pages->TabIndex()) : QRect();
    return {form.grab().toImage(), tab.translated(pages->pos())};
}

int CountPixels(const QImage& image, const QRect& area, const std::function<bool(QColor)>& wanted)
{
    int n = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (wanted(image.pixelColor(x, y))) ++n;
    return n;
}

TEST(TabPictures, EachLookRenders)
{
    TImageList images(16, 16);
    for (QRgb c : {qRgb(200, 30, 30), qRgb(30, 150, 30)}) {
        QImage img(16, 16, QImage::Format_ARGB32);
        img.fill(Qt::transparent);
        for (int i = 2; i < 14; ++i)
            for (int j = 2; j < 14; ++j)
                if ((i - 8) * (i - 8) + (j - 8) * (j - 8) < 30) img.setPixel(i, j, c | 0xFF000000u);
        images.Add(img);
    }
    const Look looks[] = {
        {"top", [](TTearPageControl&) {}},
        {"bottom", [](TTearPageControl& p) { p.SetTabPosition(tpBottomRight); }},
        {"left-rotated",
         [](TTearPageControl& p) {
             p.SetVerticalTabs(true);
             p.SetTextRotation(trVertical);
         }},
        {"right-rotated",
         [](TTearPageControl& p) {
             p.SetVerticalTabs(true);
             p.SetTabPosition(tpBottomRight);
             p.SetTextRotation(trVertical);
             p.SetActivePage(p.Pages(2));
         }},
        {"buttons", [](TTearPageControl& p) { p.SetButtonStyle(true); }},
        {"flat-buttons",
         [](TTearPageControl& p) {
             p.SetButtonStyle(true);
             p.SetFlatButtons(true);
             p.SetFlatSeperators(true);
             p.SetActivePage(p.Pages(1));
         }},
        {"hidden-tab",
         [](TTearPageControl& p) {
             p.Pages(1)->SetTabVisible(false);
             p.SetActivePage(p.Pages(2));
         }},
        {"multi-line-grip",
         [](TTearPageControl& p) {
             p.SetMultiLine(true);
             p.SetTabWidth(130);
             p.Pages(0)->SetDragable(true);
         }},
        {"multi-line-back-row",
         [](TTearPageControl& p) {
             p.SetMultiLine(true);
             p.SetTabWidth(130);
             p.SetActivePage(p.Pages(3));
         }},
        {"scroll-opposite",
         [](TTearPageControl& p) {
             p.SetScrollOpposite(true);
             p.SetTabWidth(130);
             p.SetActivePage(p.Pages(2));
         }},
        {"scroll-arrows",
         [](TTearPageControl& p) {
             p.SetTabWidth(110);
             p.SetActivePage(p.Pages(3));
         }},
        {"multi-select",
         [](TTearPageControl& p) {
             p.SetButtonStyle(true);
             p.SetMultiSelect(true);
             tabtest::Click(p, p.TabRect(2).center(), Qt::ControlModifier);
         }},
        {"colours",
         [](TTearPageControl& p) {
             p.SetColor(clWhite);
             p.SetTabInactiveColor(clSilver);
             p.SetTabInactiveFontColor(clNavy);
         }},
    };
    const QString dir = qEnvironmentVariable("TABS_PICTURE_DIR");
    for (const Look& look : looks) {
        SCOPED_TRACE(look.name);
        const Shot rendered = Render(look, images);
        const QImage& shot = rendered.image;
        ASSERT_FALSE(shot.isNull());
        EXPECT_EQ(shot.size(), QSize(360, 220));
        // The active tab carries its caption, and a tab's picture shows somewhere.
        ASSERT_FALSE(rendered.activeTab.isEmpty());
        EXPECT_GT(CountPixels(shot, rendered.activeTab, [](QColor c) { return qGray(c.rgb()) < 90; }), 5);
        EXPECT_GT(CountPixels(shot, shot.rect(), [](QColor c) { return c == QColor(200, 30, 30) || c == QColor(30, 150, 30); }), 10);
        if (!dir.isEmpty()) shot.save(QDir(dir).filePath(QString("tabs-%1.png").arg(look.name)));
    }
    // The grip's dots, enlarged.
    TTearTabSheet sheet;
    sheet.resize(60, 40);
    sheet.SetDragable(true);
    const QImage grip = sheet.grab().toImage().copy(0, 0, 12, 24).scaled(96, 192);
    EXPECT_FALSE(grip.isNull());
    if (!dir.isEmpty()) grip.save(QDir(dir).filePath("tabs-grip.png"));
}

}  // namespace

#include "controls/tabs/HostStatusBar.h"
#include "controls/tabs/LedLight.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPainter>
#include <gtest/gtest.h>

TEST(StatusPanelRects, PanelsSideBySideAndTheLastReachesTheEdge)
{
    const struct {
        const char* name;
        std::vector<int> widths;
        int barWidth;
        std::vector<QRect> rects;
    } cases[] = {
        {"two panels", {420, 100}, 700, {QRect(0, 0, 420, 19), QRect(420, 0, 280, 19)}},
        {"narrow bar", {420, 100}, 300, {QRect(0, 0, 420, 19), QRect(420, 0, 0, 19)}},
        {"one panel", {50}, 200, {QRect(0, 0, 200, 19)}},
        {"negative width", {-5, 10, 10}, 100, {QRect(0, 0, 0, 19), QRect(0, 0, 10, 19), QRect(10, 0, 90, 19)}},
        {"none", {}, 100, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(StatusPanelRects(c.widths, c.barWidth, 19), c.rects) << c.name;
}

namespace {

struct Editorlike : ::testing::Test {
    QMainWindow window;
    THostStatusBar* bar = new THostStatusBar;
    TLedLight* light = new TLedLight(bar);
    void SetUp() override
    {
        window.setCentralWidget(new QLabel("text"));
        window.setStatusBar(bar);
        bar->setFixedHeight(19);
        bar->AddPanel(420, "/home/user/Scripts/Example.ftp");
        bar->AddPanel(100, "...");
        light->SetLEDStyle(TLEDStyle::LEDHorizontal);
        light->SetBlink(false);
        light->move(528, 3);
        window.resize(640, 200);
        window.show();
        QApplication::processEvents();
    }
};

bool HasDarkPixelsIn(const QImage& image, const QRect& r)
{
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (qGray(image.pixel(x, y)) < 90) return true;
    return false;
}

}  // namespace

TEST_F(Editorlike, AChildKeepsItsPositionWhenTheWindowWidens)
{
    EXPECT_EQ(light->pos(), QPoint(528, 3));
    EXPECT_TRUE(light->isVisible());
    const int barTop = bar->y();
    window.resize(1000, 300);
    QApplication::processEvents();
    EXPECT_EQ(light->pos(), QPoint(528, 3));
    EXPECT_EQ(light->size(), QSize(22, 14));
    EXPECT_EQ(bar->width(), 1000);
    EXPECT_GT(bar->y(), barTop);  // still docked at the bottom
    EXPECT_EQ(bar->y() + bar->height(), window.height());
    EXPECT_EQ(bar->PanelRect(1), QRect(420, 0, 580, 19));
}

TEST_F(Editorlike, PanelTextsArePaintedAndReadable)
{
    const QImage before = bar->grab().toImage();
    EXPECT_TRUE(HasDarkPixelsIn(before, QRect(4, 4, 150, 11)));    // the path
    EXPECT_TRUE(HasDarkPixelsIn(before, QRect(424, 4, 20, 11)));   // "..."
    EXPECT_FALSE(HasDarkPixelsIn(before, QRect(460, 5, 60, 9)));

    bar->SetPanelText(1, "Changed!");
    const QImage after = bar->grab().toImage();
    EXPECT_TRUE(HasDarkPixelsIn(after, QRect(460, 5, 30, 9)) || HasDarkPixelsIn(after, QRect(445, 5, 15, 9)));
    EXPECT_EQ(bar->accessibleDescription(), "/home/user/Scripts/Example.ftp | Changed!");
    EXPECT_FALSE(bar->accessibleName().isEmpty());
    // Each panel's words are on the accessibility bus, before the light placed on the bar.
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(bar);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->role(), QAccessible::StatusBar);
    ASSERT_EQ(reader->childCount(), 3);
    EXPECT_EQ(reader->child(0)->text(QAccessible::Name), "/home/user/Scripts/Example.ftp");
    EXPECT_EQ(reader->child(1)->text(QAccessible::Name), "Changed!");
    EXPECT_EQ(reader->child(1)->rect().size(), bar->PanelRect(1).size());
    EXPECT_EQ(reader->indexOfChild(reader->child(1)), 1);
    EXPECT_EQ(reader->child(2)->object(), light);

    bar->SetSimplePanel(true);
    bar->SetSimpleText("simple");
    EXPECT_EQ(bar->accessibleDescription(), "simple");
    ASSERT_EQ(reader->childCount(), 2);
    EXPECT_EQ(reader->child(0)->text(QAccessible::Name), "simple");
    EXPECT_FALSE(HasDarkPixelsIn(bar->grab().toImage(), QRect(424, 4, 20, 11)));
}

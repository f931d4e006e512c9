#include "controls/tabs/TearPageControl.h"
#include "tests/controls/tabs/TabTestInput.h"
#include "tests/support/Raised.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

// The strip on its own; it records where the mouse tracked.
class TStrip : public TCustomTearTabControl {
public:
    std::vector<int> tracked;
    using TCustomTearTabControl::Tabs;

protected:
    void TabTracked(int tab) override { tracked.push_back(tab); }
};

class TearTabControl : public ::testing::Test {
protected:
    TStrip strip;
    void SetUp() override
    {
        strip.resize(300, 200);
        for (const char* caption : {"One", "Two", "Three"}) strip.Tabs().Add(caption);
        strip.show();
    }
    QPoint TabCentre(int tab) const { return strip.TabRect(tab).center(); }
};

TEST_F(TearTabControl, TheFirstTabIsSelectedAndIndexesFollowChanges)
{
    EXPECT_EQ(strip.TabIndex(), 0);
    strip.SetTabIndex(2);
    strip.Tabs().Insert(0, "Zero");
    EXPECT_EQ(strip.TabIndex(), 3);
    strip.Tabs().Move(3, 1);
    EXPECT_EQ(strip.TabIndex(), 1);
    EXPECT_EQ(strip.Tabs().Get(1), "Three");
    strip.Tabs().Delete(0);
    EXPECT_EQ(strip.TabIndex(), 0);
    strip.Tabs().Delete(0);
    EXPECT_EQ(strip.TabIndex(), -1);
    strip.SetTabIndex(7);
    EXPECT_EQ(strip.TabIndex(), -1);
}

TEST_F(TearTabControl, FailedTabOperationsNameTheOperation)
{
    const struct {
        const char* operation;
        std::function<void()> action;
    } cases[] = {
        {"TTabStrings.Get", [&] { strip.Tabs().Get(3); }},
        {"TTabStrings.GetObject", [&] { strip.Tabs().GetObject(-1); }},
        {"TTabStrings.Put", [&] { strip.Tabs().Put(5, "x"); }},
        {"TTabStrings.PutObject", [&] { strip.Tabs().PutObject(3, nullptr); }},
        {"TTabStrings.Insert", [&] { strip.Tabs().Insert(-1, "x"); }},
        {"TTabStrings.Delete", [&] { strip.Tabs().Delete(3); }},
        {"TTearTabSheet.SetImageIndex", [&] { strip.SetTabImageIndex(9, 0); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.operation);
        EXPECT_EQ(raisedMessage<EListError>(c.action),
                  std::string("Tab control access error\nViolation occured in ") + c.operation);
        EXPECT_EQ(strip.Tabs().Count(), 3);
    }
}

TEST_F(TearTabControl, StyleErrorsLeaveTheStyleAsItWas)
{
    TTearPageControl pages;
    EXPECT_EQ(raisedMessage<EInvalidOperation>([&] { pages.SetTabWidth(-1); }),
              "TTearPageControl property out of range");
    EXPECT_EQ(raisedMessage<EInvalidOperation>([&] { pages.SetTabHeight(-3); }),
              "TTearPageControl property out of range");
    EXPECT_EQ(raisedMessage<EInvalidOperation>([&] { pages.SetTabWidth(40000); }),
              "TTearPageControl property out of range");  // sizes are 16-bit
    EXPECT_EQ(pages.TabWidth(), 0);

    pages.SetVerticalTabs(true);
    pages.SetTabPosition(tpBottomRight);
    pages.SetButtonStyle(true);
    EXPECT_FALSE(pages.VerticalTabs());
    EXPECT_EQ(pages.TabPosition(), tpTopLeft);
    const char* kTopOnly = "Buttons are only supported when aligned along the top";
    EXPECT_EQ(raisedMessage<EInvalidOperation>([&] { pages.SetVerticalTabs(true); }), kTopOnly);
    EXPECT_EQ(raisedMessage<EInvalidOperation>([&] { pages.SetTabPosition(tpBottomRight); }), kTopOnly);
    EXPECT_FALSE(pages.VerticalTabs());
    EXPECT_EQ(pages.TabPosition(), tpTopLeft);
}

TEST_F(TearTabControl, MultiLineAndScrollOppositeGoTogether)
{
    strip.SetScrollOpposite(true);
    EXPECT_TRUE(strip.MultiLine());
    strip.SetMultiLine(false);
    EXPECT_FALSE(strip.ScrollOpposite());
}

TEST_F(TearTabControl, OnChangingCanRefuseAClickOrAKey)
{
    bool allow = false;
    int changes = 0;
    QObject::connect(&strip, &TCustomTearTabControl::OnChanging, [&](bool& a) { a = allow; });
    QObject::connect(&strip, &TCustomTearTabControl::OnChange, [&] { ++changes; });

    tabtest::Click(strip, TabCentre(1));
    tabtest::Key(strip, Qt::Key_Right);
    EXPECT_EQ(strip.TabIndex(), 0);
    EXPECT_EQ(changes, 0);

    allow = true;
    tabtest::Click(strip, TabCentre(2));
    EXPECT_EQ(strip.TabIndex(), 2);
    tabtest::Key(strip, Qt::Key_Left);
    EXPECT_EQ(strip.TabIndex(), 1);
    tabtest::Key(strip, Qt::Key_End);
    EXPECT_EQ(strip.TabIndex(), 2);
    tabtest::Key(strip, Qt::Key_Right);  // no tab beyond the last: nothing changes
    EXPECT_EQ(strip.TabIndex(), 2);
    EXPECT_EQ(changes, 3);
}

TEST_F(TearTabControl, TheMouseTracksTabsAndLightsTheHotOne)
{
    int hint = -2;
    QObject::connect(&strip, &TCustomTearTabControl::OnTabTrack, [&](int t) { hint = t; });
    tabtest::Move(strip, TabCentre(1));
    EXPECT_EQ(strip.HotTab(), 1);
    EXPECT_EQ(hint, 1);
    tabtest::Move(strip, QPoint(150, 150));
    EXPECT_EQ(strip.HotTab(), -1);
    EXPECT_EQ(strip.tracked, (std::vector<int>{1, -1}));

    // With HotTrack the caption under the mouse turns to the highlight colour.
    const auto highlighted = [&](int tab) {
        const QImage shot = strip.grab().toImage();
        const QRgb hot = painting::ToQColor(clHighlight).rgb() & 0xFFFFFF;
        const QRect r = strip.TabRect(tab);
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if ((shot.pixel(x, y) & 0xFFFFFF) == hot) return true;
        return false;
    };
    strip.SetHotTrack(true);
    tabtest::Move(strip, TabCentre(1));
    EXPECT_TRUE(highlighted(1));
    EXPECT_FALSE(highlighted(2));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&strip, &leave);
    EXPECT_EQ(strip.HotTab(), -1);
    EXPECT_FALSE(highlighted(1));
}

QRgb PixelAt(QWidget& w, QPoint p)
{
    return w.grab().toImage().pixel(p) & 0xFFFFFF;
}

TEST_F(TearTabControl, InactiveTabsTakeTheirOwnColourAndFont)
{
    // A corner inside each tab, away from its caption.
    const auto face = [&](int tab) { return strip.TabRect(tab).topLeft() + QPoint(4, 5); };
    EXPECT_EQ(PixelAt(strip, face(1)), qRgb(0xA0, 0xA0, 0xA4) & 0xFFFFFF);
    strip.SetColor(clYellow);
    strip.SetTabInactiveColor(clAqua);
    EXPECT_EQ(PixelAt(strip, face(0)), 0xFFFF00u);
    EXPECT_EQ(PixelAt(strip, face(2)), 0x00FFFFu);

    QFont big = strip.font();
    big.setPixelSize(30);
    strip.SetTabInactiveFont(big);
    EXPECT_GE(strip.TabRect(1).height(), 30);
}

TEST_F(TearTabControl, CaptionsAreDrawnTrimmed)
{
    TStrip padded;
    padded.resize(300, 200);
    for (const char* caption : {"  One ", "Two", "Three  "}) padded.Tabs().Add(caption);
    padded.show();
    EXPECT_EQ(padded.grab().toImage(), strip.grab().toImage());
}

TEST_F(TearTabControl, OwnerDrawingReplacesTheFace)
{
    std::vector<std::pair<QString, int>> drawn;
    strip.OnDrawTab = [&](TCustomTearTabControl&, QPainter& p, const QString& caption, int tab, const QRect& r) {
        drawn.emplace_back(caption, tab);
        p.fillRect(r, Qt::red);
    };
    EXPECT_EQ(PixelAt(strip, TabCentre(1)), 0xFF0000u);
    ASSERT_EQ(drawn.size(), 3u);
    EXPECT_EQ(drawn.back(), std::make_pair(QString("One"), 0));  // the selected tab comes last
}

TEST_F(TearTabControl, TabsAreNamedOnTheAccessibilityBus)
{
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&strip);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->role(), QAccessible::PageTabList);
    ASSERT_EQ(list->childCount(), 3);
    QAccessibleInterface* two = list->child(1);
    EXPECT_EQ(two->role(), QAccessible::PageTab);
    EXPECT_EQ(two->text(QAccessible::Name), "Two");
    EXPECT_EQ(list->indexOfChild(two), 1);
    EXPECT_FALSE(two->state().selected);
    EXPECT_TRUE(list->child(0)->state().selected);

    bool allow = false;
    QObject::connect(&strip, &TCustomTearTabControl::OnChanging, [&](bool& a) { a = allow; });
    two->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(strip.TabIndex(), 0);
    allow = true;
    two->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(strip.TabIndex(), 1);
    EXPECT_TRUE(two->state().selected);

    strip.Tabs().Delete(2);
    EXPECT_EQ(list->childCount(), 2);
}

TEST_F(TearTabControl, CtrlClickPressesFurtherButtonsOnlyWithMultiSelect)
{
    int changing = 0, changes = 0;
    QObject::connect(&strip, &TCustomTearTabControl::OnChanging, [&](bool&) { ++changing; });
    QObject::connect(&strip, &TCustomTearTabControl::OnChange, [&] { ++changes; });
    const auto ctrlClick = [&](int tab) { tabtest::Click(strip, TabCentre(tab), Qt::ControlModifier); };
    using Tabs = std::vector<int>;

    // Without buttons, or without MultiSelect, Ctrl+click is a plain click.
    strip.SetMultiSelect(true);
    ctrlClick(1);
    EXPECT_EQ(strip.SelectedTabs(), Tabs{1});
    strip.SetMultiSelect(false);
    strip.SetButtonStyle(true);
    ctrlClick(2);
    EXPECT_EQ(strip.SelectedTabs(), Tabs{2});
    EXPECT_EQ(changes, 2);

    strip.SetMultiSelect(true);
    changing = changes = 0;
    ctrlClick(0);
    EXPECT_EQ(strip.SelectedTabs(), (Tabs{0, 2}));
    ctrlClick(1);
    EXPECT_EQ(strip.SelectedTabs(), (Tabs{0, 1, 2}));
    ctrlClick(0);  // a second Ctrl+click releases
    ctrlClick(2);  // the selected button stays pressed
    EXPECT_EQ(strip.SelectedTabs(), (Tabs{1, 2}));
    EXPECT_EQ(strip.TabIndex(), 2);
    EXPECT_EQ(changing, 0);
    EXPECT_EQ(changes, 0);

    // Pressed buttons look pushed in, as the selected one does.
    const auto edge = [&](int tab) { return PixelAt(strip, strip.TabRect(tab).topLeft()); };
    const QRgb sunken = painting::ToQColor(clBtnShadow).rgb() & 0xFFFFFF;
    EXPECT_EQ(edge(1), sunken);
    EXPECT_EQ(edge(2), sunken);
    EXPECT_EQ(edge(0), painting::ToQColor(clBtnHighlight).rgb() & 0xFFFFFF);
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&strip);
    EXPECT_TRUE(list->state().multiSelectable);
    EXPECT_TRUE(list->child(1)->state().selected);
    EXPECT_FALSE(list->child(0)->state().selected);

    // A pressed button keeps its press as tabs come and go before it.
    strip.Tabs().Insert(0, "Zero");
    EXPECT_EQ(strip.SelectedTabs(), (Tabs{2, 3}));
    // A plain click leaves only the chosen button pressed.
    tabtest::Click(strip, TabCentre(1));
    EXPECT_EQ(strip.SelectedTabs(), Tabs{1});
    EXPECT_EQ(changes, 1);
    ctrlClick(3);
    strip.SetMultiSelect(false);
    EXPECT_EQ(strip.SelectedTabs(), Tabs{1});
}

QAbstractButton* Arrow(QWidget& strip, const char* name)
{
    for (QAbstractButton* b : strip.findChildren<QAbstractButton*>())
        if (b->accessibleName() == name) return b;
    return nullptr;
}

TEST_F(TearTabControl, ASingleRowPastTheEdgeScrollsWithItsArrows)
{
    strip.SetTabWidth(100);
    strip.Tabs().Add("Four");  // four tabs of 100 in 300
    QAbstractButton* back = Arrow(strip, "Previous tabs");
    QAbstractButton* forward = Arrow(strip, "Next tabs");
    ASSERT_TRUE(back && forward);
    EXPECT_TRUE(back->isVisible());
    EXPECT_FALSE(back->isEnabled());
    EXPECT_EQ(forward->focusPolicy(), Qt::NoFocus);

    forward->click();
    EXPECT_EQ(strip.FirstVisibleTab(), 1);
    EXPECT_TRUE(back->isEnabled());
    EXPECT_EQ(strip.IndexOfTabAt(QPoint(50, 10)), 1);
    forward->click();
    forward->click();  // the last tab shows whole: no further
    EXPECT_EQ(strip.FirstVisibleTab(), 2);
    EXPECT_FALSE(forward->isEnabled());
    EXPECT_EQ(strip.TabIndex(), 0);  // scrolling selects nothing

    // The selected tab comes into view, by key or by program.
    tabtest::Key(strip, Qt::Key_Home);
    EXPECT_EQ(strip.FirstVisibleTab(), 0);
    tabtest::Key(strip, Qt::Key_End);
    EXPECT_EQ(strip.FirstVisibleTab(), 2);
    strip.SetTabIndex(1);
    EXPECT_EQ(strip.FirstVisibleTab(), 1);

    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&strip);
    ASSERT_EQ(list->childCount(), 6);
    EXPECT_TRUE(list->child(0)->state().offscreen);
    EXPECT_FALSE(list->child(1)->state().offscreen);
    EXPECT_EQ(list->child(4)->text(QAccessible::Name), "Previous tabs");
    EXPECT_EQ(list->indexOfChild(list->child(5)), 5);

    // Room for every tab takes the arrows away.
    strip.resize(500, 200);
    EXPECT_FALSE(back->isVisible());
    EXPECT_EQ(strip.FirstVisibleTab(), 0);
    EXPECT_EQ(list->childCount(), 4);
}

// Five tabs of 120 wrap into three rows: tabs 0-1, 2-3 and 4.
TEST_F(TearTabControl, ChoosingATabOnABackRowBringsItsRowToThePages)
{
    strip.SetTabWidth(120);
    strip.Tabs().Add("Four");
    strip.Tabs().Add("Five");
    strip.SetMultiLine(true);
    ASSERT_EQ(strip.RowCount(), 3);
    const QRect display = strip.DisplayRect();
    // The front row's tabs end on the frame line, six pixels above the pages.
    const auto inFront = [&](int tab) { return strip.TabRect(tab).bottom() + 7 == strip.DisplayRect().top(); };
    EXPECT_TRUE(inFront(0));
    EXPECT_FALSE(inFront(4));
    tabtest::Click(strip, TabCentre(4));
    EXPECT_TRUE(inFront(4));
    EXPECT_FALSE(inFront(0));
    EXPECT_EQ(strip.DisplayRect(), display);

    // With ScrollOpposite the rows in front of the chosen one go below the pages.
    strip.SetScrollOpposite(true);
    tabtest::Click(strip, TabCentre(2));
    EXPECT_TRUE(inFront(2));
    EXPECT_GT(strip.TabRect(0).top(), strip.DisplayRect().bottom());
    EXPECT_LT(strip.DisplayRect().height(), display.height());
    EXPECT_EQ(strip.IndexOfTabAt(TabCentre(1)), 1);
    tabtest::Click(strip, TabCentre(0));
    EXPECT_TRUE(inFront(0));
    EXPECT_LT(strip.TabRect(4).bottom(), strip.DisplayRect().top());
    EXPECT_EQ(strip.DisplayRect(), display);
}

}  // namespace

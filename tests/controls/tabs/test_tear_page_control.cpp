#include "controls/tabs/TearTabSheet.h"
#include "tests/controls/tabs/TabTestInput.h"
#include "tests/support/Raised.h"

#include <QCoreApplication>
#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <gtest/gtest.h>
#include <memory>

namespace {

class TearPageControl : public ::testing::Test {
protected:
    QWidget form;
    TTearPageControl* pages = new TTearPageControl(&form);
    std::vector<TTearTabSheet*> sheets;

    void SetUp() override
    {
        form.resize(320, 220);
        pages->setGeometry(0, 0, 320, 220);
        for (const char* caption : {"One", "Two", "Three"}) AddSheet(caption);
        form.show();
    }
    TTearTabSheet* AddSheet(const char* caption)
    {
        auto* sheet = new TTearTabSheet(pages);
        sheet->SetCaption(caption);
        sheet->SetTabHint(QString("  hint of ") + caption + " ");
        sheets.push_back(sheet);
        return sheet;
    }
    QStringList Order() const
    {
        QStringList out;
        for (int i = 0; i < pages->PageCount(); ++i) out << pages->Pages(i)->Caption();
        return out;
    }
    QStringList TabCaptions() const
    {
        QStringList out;
        for (int i = 0; i < pages->Tabs().Count(); ++i) out << pages->Tabs().Get(i);
        return out;
    }
    // Grip press, a drag of `distance` pixels, release.
    void DragGrip(TTearTabSheet* sheet, int distance)
    {
        const QPoint at = sheet->GripHitRect().center();
        tabtest::Press(*sheet, at);
        tabtest::Move(*sheet, at + QPoint(distance, distance), true);
        tabtest::Release(*sheet, at + QPoint(distance, distance));
    }
    static void Settle() { QCoreApplication::sendPostedEvents(); }
};

TEST_F(TearPageControl, TheFirstSheetBecomesActiveAndFillsTheDisplay)
{
    EXPECT_EQ(pages->ActivePage(), sheets[0]);
    EXPECT_EQ(pages->TabIndex(), 0);
    EXPECT_TRUE(sheets[0]->isVisible());
    EXPECT_FALSE(sheets[1]->isVisible());
    EXPECT_EQ(sheets[0]->geometry(), pages->DisplayRect());
    EXPECT_EQ(TabCaptions(), (QStringList{"One", "Two", "Three"}));
    EXPECT_EQ(sheets[1]->accessibleName(), "Two");

    sheets[2]->SetCaption("Third");
    EXPECT_EQ(pages->Tabs().Get(2), "Third");
    sheets[1]->show();  // showing a sheet makes it the active page
    EXPECT_EQ(pages->ActivePage(), sheets[1]);
    EXPECT_EQ(pages->TabIndex(), 1);
    EXPECT_FALSE(sheets[0]->isVisible());
}

TEST_F(TearPageControl, ActivePageTakesOnlyItsOwnSheets)
{
    TTearPageControl other;
    TTearTabSheet stranger(&other);
    pages->SetActivePage(&stranger);
    EXPECT_EQ(pages->ActivePage(), sheets[0]);
    pages->SetActivePage(sheets[2]);
    EXPECT_EQ(pages->TabIndex(), 2);
    pages->SetActivePage(nullptr);
    EXPECT_EQ(pages->ActivePage(), nullptr);
    EXPECT_EQ(pages->TabIndex(), -1);
}

TEST_F(TearPageControl, PageIndexOutsideTheListFailsAndKeepsTheOrder)
{
    for (int bad : {-1, -7, 3, 10}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(raisedMessage<EListError>([&] { sheets[1]->SetPageIndex(bad); }),
                  std::to_string(bad) + " is an invalid PageIndex value.  PageIndex must be between 0 and 2");
        EXPECT_EQ(Order(), (QStringList{"One", "Two", "Three"}));
    }
    pages->SetActivePage(sheets[0]);
    sheets[0]->SetPageIndex(2);
    EXPECT_EQ(Order(), (QStringList{"Two", "Three", "One"}));
    EXPECT_EQ(TabCaptions(), (QStringList{"Two", "Three", "One"}));
    EXPECT_EQ(pages->TabIndex(), 2);
    EXPECT_EQ(pages->ActivePage(), sheets[0]);

    TTearTabSheet loose;
    EXPECT_EQ(loose.PageIndex(), -1);
    EXPECT_NO_THROW(loose.SetPageIndex(4));
}

TEST_F(TearPageControl, AHiddenTabShiftsLaterTabsButNotTheirPages)
{
    sheets[1]->SetTabVisible(false);
    EXPECT_EQ(sheets[1]->TabIndex(), -1);
    EXPECT_EQ(sheets[2]->TabIndex(), 1);
    EXPECT_EQ(sheets[2]->PageIndex(), 2);
    EXPECT_EQ(TabCaptions(), (QStringList{"One", "Three"}));
    sheets[1]->SetTabVisible(true);
    EXPECT_EQ(TabCaptions(), (QStringList{"One", "Two", "Three"}));

    // Hiding the active sheet's tab leaves no page selected.
    pages->SetActivePage(sheets[2]);
    sheets[2]->SetTabVisible(false);
    EXPECT_EQ(pages->ActivePage(), nullptr);
}

TEST_F(TearPageControl, ImagesGoToTheSheetsOwnTab)
{
    TImageList images(16, 16);
    for (QRgb c : {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)}) {
        QImage img(16, 16, QImage::Format_ARGB32);
        img.fill(c);
        images.Add(img);
    }
    pages->SetImages(&images);
    sheets[1]->SetTabVisible(false);
    sheets[2]->SetImageIndex(2);
    EXPECT_EQ(pages->TabImageIndex(1), 2);
    sheets[1]->SetImageIndex(1);  // without a tab only the sheet keeps it
    EXPECT_EQ(sheets[1]->ImageIndex(), 1);
    sheets[1]->SetTabVisible(true);
    EXPECT_EQ(pages->TabImageIndex(1), 1);
    EXPECT_EQ(pages->TabImageIndex(2), 2);

    const QRect tab = pages->TabRect(2);
    const QImage shot = pages->grab().toImage();
    bool blue = false;
    for (int x = tab.left(); x < tab.right(); ++x)
        blue |= (shot.pixel(x, tab.center().y()) & 0xFFFFFF) == 0x0000FFu;
    EXPECT_TRUE(blue);
}

TEST_F(TearPageControl, TheHintComesFromTheTabsOwnSheet)
{
    sheets[1]->SetTabVisible(false);
    tabtest::Move(*pages, pages->TabRect(1).center());
    EXPECT_EQ(pages->toolTip(), "hint of Three");
    tabtest::Move(*pages, pages->TabRect(0).center());
    EXPECT_EQ(pages->toolTip(), "hint of One");
}

TEST_F(TearPageControl, CtrlTabStepsThroughSheetsWithTabsAndWraps)
{
    auto* edit = new QLineEdit(sheets[0]);
    edit->setAccessibleName("Field");
    sheets[1]->SetTabVisible(false);
    const struct {
        Qt::KeyboardModifiers modifiers;
        int key;
        TTearTabSheet* expected;
    } steps[] = {
        {Qt::ControlModifier, Qt::Key_Tab, sheets[2]},
        {Qt::ControlModifier, Qt::Key_Tab, sheets[0]},
        {Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Backtab, sheets[2]},
        {Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Backtab, sheets[0]},
    };
    int changes = 0;
    QObject::connect(pages, &TCustomTearTabControl::OnChange, [&] { ++changes; });
    for (const auto& s : steps) {
        tabtest::Key(*pages, s.key, s.modifiers);
        EXPECT_EQ(pages->ActivePage(), s.expected);
    }
    EXPECT_EQ(changes, 4);

    // The keys come up from a control on the page, and OnChanging can refuse them.
    tabtest::Key(*edit, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(pages->ActivePage(), sheets[2]);
    QObject::connect(pages, &TCustomTearTabControl::OnChanging, [](bool& allow) { allow = false; });
    tabtest::Key(*pages, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(pages->ActivePage(), sheets[2]);
}

TEST_F(TearPageControl, TheFocusFollowsIntoTheNewPage)
{
    auto* first = new QLineEdit(sheets[0]);
    auto* third = new QLineEdit(sheets[2]);
    first->setAccessibleName("First field");
    third->setAccessibleName("Third field");
    first->show();
    QApplication::setActiveWindow(&form);
    first->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), first);
    pages->SetActivePage(sheets[2]);
    EXPECT_EQ(QApplication::focusWidget(), third);
    // A page without a control that takes the focus leaves it on the tabs.
    pages->SetActivePage(sheets[1]);
    EXPECT_EQ(QApplication::focusWidget(), pages);
}

TEST_F(TearPageControl, StyleChangesReapplyTheSheetsImages)
{
    TImageList images(16, 16);
    images.Add(QImage(16, 16, QImage::Format_ARGB32));
    pages->SetImages(&images);
    sheets[0]->SetImageIndex(0);
    pages->SetTabImageIndex(0, 5);  // the tab lost its image meanwhile
    pages->SetMultiLine(true);
    Settle();
    EXPECT_EQ(pages->TabImageIndex(0), 0);
}

TEST_F(TearPageControl, ClickingATabShowsItsSheetUnlessRefused)
{
    bool allow = false;
    QObject::connect(pages, &TCustomTearTabControl::OnChanging, [&](bool& a) { a = allow; });
    tabtest::Click(*pages, pages->TabRect(2).center());
    EXPECT_EQ(pages->ActivePage(), sheets[0]);
    allow = true;
    tabtest::Click(*pages, pages->TabRect(2).center());
    EXPECT_EQ(pages->ActivePage(), sheets[2]);
    EXPECT_TRUE(sheets[2]->isVisible());
    EXPECT_FALSE(sheets[0]->isVisible());
}

TEST_F(TearPageControl, TheGripNarrowsTheClientArea)
{
    const struct {
        TGripAlign align;
        QRect grip, hit, client;
    } cases[] = {
        {gaLeft, {0, 0, 7, 100}, {0, 0, 7, 20}, {7, 0, 193, 100}},
        {gaRight, {193, 0, 7, 100}, {193, 80, 7, 20}, {0, 0, 193, 100}},
        {gaTop, {0, 0, 200, 7}, {180, 0, 20, 7}, {0, 7, 200, 93}},
        {gaBottom, {0, 93, 200, 7}, {0, 93, 20, 7}, {0, 0, 200, 93}},
    };
    TTearTabSheet sheet;
    sheet.resize(200, 100);
    EXPECT_TRUE(sheet.GripRect().isEmpty());
    EXPECT_EQ(sheet.ClientRect(), QRect(0, 0, 200, 100));
    sheet.SetDragable(true);
    for (const auto& c : cases) {
        sheet.SetGripAlign(c.align);
        EXPECT_EQ(sheet.GripRect(), c.grip);
        EXPECT_EQ(sheet.GripHitRect(), c.hit);
        EXPECT_EQ(sheet.ClientRect(), c.client);
        // The dots: button-highlight top-left pixels along the hit area.
        const QImage shot = sheet.grab().toImage();
        int lights = 0;
        for (int y = c.hit.top(); y <= c.hit.bottom(); ++y)
            for (int x = c.hit.left(); x <= c.hit.right(); ++x)
                lights += (shot.pixel(x, y) & 0xFFFFFF) == (painting::ToQColor(clBtnHighlight).rgb() & 0xFFFFFF);
        EXPECT_EQ(lights, 10);
    }
}

TEST_F(TearPageControl, TheGripTearsOffOnlyAfterAFourPixelDragAndWithAnotherPageLeft)
{
    sheets[0]->SetDragable(true);
    DragGrip(sheets[0], 3);
    EXPECT_FALSE(sheets[0]->Floating());
    EXPECT_FALSE(sheets[0]->GripPressed());

    // Outside the hit area nothing is pressed.
    tabtest::Press(*sheets[0], QPoint(3, 60));
    EXPECT_FALSE(sheets[0]->GripPressed());
    tabtest::Release(*sheets[0], QPoint(3, 60));

    const QPoint at = sheets[0]->GripHitRect().center();
    tabtest::Press(*sheets[0], at);
    tabtest::Move(*sheets[0], at + QPoint(4, 0), true);
    EXPECT_TRUE(sheets[0]->Dragging());
    tabtest::Move(*sheets[0], at + QPoint(30, 40), true);
    const QRect frame = sheets[0]->FloatRect();
    EXPECT_EQ(frame.topLeft(), sheets[0]->mapToGlobal(QPoint(30, 40)));
    EXPECT_EQ(frame.size(), sheets[0]->size());
    tabtest::Release(*sheets[0], at + QPoint(30, 40));

    ASSERT_TRUE(sheets[0]->Floating());
    TFloatingForm* window = sheets[0]->FloatingForm();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isWindow());
    EXPECT_TRUE(window->windowFlags() & Qt::Tool);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->pos(), frame.topLeft());
    EXPECT_EQ(window->windowTitle(), "One");
    EXPECT_EQ(sheets[0]->parentWidget(), window);
    EXPECT_TRUE(sheets[0]->GripRect().isEmpty());
    EXPECT_EQ(Order(), (QStringList{"Two", "Three"}));
    EXPECT_EQ(pages->ActivePage(), sheets[1]);
}

TEST_F(TearPageControl, TheLastSheetStaysUnlessRemoveLastTab)
{
    for (TTearTabSheet* s : {sheets[1], sheets[2]}) delete s;
    EXPECT_EQ(Order(), (QStringList{"One"}));
    sheets[0]->SetDragable(true);
    DragGrip(sheets[0], 10);
    EXPECT_FALSE(sheets[0]->Floating());
    sheets[0]->FloatSheet();
    EXPECT_FALSE(sheets[0]->Floating());

    pages->SetRemoveLastTab(true);
    DragGrip(sheets[0], 10);
    EXPECT_TRUE(sheets[0]->Floating());
    EXPECT_EQ(pages->PageCount(), 0);
    EXPECT_EQ(pages->ActivePage(), nullptr);
}

TEST_F(TearPageControl, ClosingTheWindowDocksAtTheStaticPlace)
{
    const struct {
        const char* name;
        std::vector<int> places;
        int torn;
        QStringList order;
    } cases[] = {
        {"static places", {0, 1, 2}, 0, {"One", "Two", "Three"}},
        {"middle sheet", {0, 1, 2}, 1, {"One", "Two", "Three"}},
        {"no places: appended, others keep their order", {-1, -1, -1}, 0, {"Two", "Three", "One"}},
        {"shared place keeps the order", {1, 1, 1}, 1, {"One", "Three", "Two"}},
        {"placed sheet passes unplaced ones", {-1, 0, -1}, 1, {"One", "Three", "Two"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (int i = 0; i < 3; ++i) sheets[i]->SetStaticPageIndex(c.places[i]);
        TTearTabSheet* sheet = sheets[c.torn];
        sheet->FloatSheet();
        ASSERT_TRUE(sheet->Floating());
        QPointer<TFloatingForm> window = sheet->FloatingForm();
        window->close();
        Settle();
        EXPECT_FALSE(sheet->Floating());
        EXPECT_EQ(sheet->PageControl(), pages);
        EXPECT_EQ(sheet->parentWidget(), pages);
        EXPECT_EQ(pages->ActivePage(), sheet);
        EXPECT_EQ(pages->Tabs().GetObject(pages->TabIndex()), sheet);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(window.isNull());
        EXPECT_EQ(sheet->FloatingForm(), nullptr);
        EXPECT_EQ(Order(), c.order);
        EXPECT_EQ(TabCaptions(), c.order);
        // Back to One, Two, Three for the next row.
        for (int i = 0; i < 3; ++i) sheets[i]->SetPageIndex(i);
    }
}

TEST_F(TearPageControl, FloatChangesAreReportedSheetFirstThenControl)
{
    QStringList events;
    const auto name = [](TFloatState s) { return s == fsFloating ? "floating" : "docked"; };
    QObject::connect(sheets[1], &TTearTabSheet::OnFloatChange,
                     [&](TFloatState s) { events << QString("sheet ") + name(s); });
    QObject::connect(pages, &TTearPageControl::OnFloatChange,
                     [&](TFloatState s) { events << QString("control ") + name(s); });
    sheets[1]->FloatSheet();
    Settle();
    sheets[1]->DockSheet();
    Settle();
    EXPECT_EQ(events, (QStringList{"sheet floating", "control floating", "sheet docked", "control docked"}));

    // A second tear-off reuses its window.
    sheets[1]->FloatSheet();
    TFloatingForm* window = sheets[1]->FloatingForm();
    sheets[1]->DockSheet();
    sheets[1]->FloatSheet();
    EXPECT_EQ(sheets[1]->FloatingForm(), window);
}

TEST_F(TearPageControl, SheetsAndControlsGoInAnyOrder)
{
    delete sheets[0];
    EXPECT_EQ(Order(), (QStringList{"Two", "Three"}));
    EXPECT_EQ(TabCaptions(), (QStringList{"Two", "Three"}));
    EXPECT_NE(pages->ActivePage(), nullptr);

    // A torn-off sheet and its window go with the page control it came from.
    sheets[2]->FloatSheet();
    QPointer<TFloatingForm> window = sheets[2]->FloatingForm();
    QPointer<TTearTabSheet> floating = sheets[2];
    delete pages;
    EXPECT_TRUE(window.isNull());
    EXPECT_TRUE(floating.isNull());
}

TEST_F(TearPageControl, FreeingTheWindowFreesItsSheet)
{
    sheets[2]->FloatSheet();
    QPointer<TTearTabSheet> floating = sheets[2];
    delete sheets[2]->FloatingForm();
    EXPECT_TRUE(floating.isNull());
    EXPECT_EQ(Order(), (QStringList{"One", "Two"}));
}

TEST_F(TearPageControl, TheActivePageFollowsTheDisplayAsRowsMove)
{
    pages->SetTabWidth(130);  // two tabs a row
    pages->SetScrollOpposite(true);
    ASSERT_EQ(pages->RowCount(), 2);
    tabtest::Click(*pages, pages->TabRect(2).center());
    EXPECT_EQ(pages->ActivePage(), sheets[2]);
    EXPECT_EQ(sheets[2]->geometry(), pages->DisplayRect());
    EXPECT_GT(pages->TabRect(0).top(), sheets[2]->geometry().bottom());  // its row went below
    pages->SetActivePage(sheets[0]);
    EXPECT_EQ(sheets[0]->geometry(), pages->DisplayRect());
    EXPECT_LT(pages->TabRect(2).bottom(), sheets[0]->geometry().top());
}

TEST_F(TearPageControl, ThePagesAreReachableOnTheAccessibilityBusAfterTheTabs)
{
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(pages);
    ASSERT_EQ(list->childCount(), 6);
    EXPECT_EQ(list->child(1)->role(), QAccessible::PageTab);
    QAccessibleInterface* page = list->child(4);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->object(), sheets[1]);
    EXPECT_EQ(page->text(QAccessible::Name), "Two");
    EXPECT_EQ(list->indexOfChild(page), 4);
}

TEST_F(TearPageControl, APageTakesItsControlsColourUntilItHasItsOwn)
{
    const auto face = [&](TTearTabSheet* sheet) { return sheet->grab().toImage().pixel(20, 20) & 0xFFFFFF; };
    pages->SetColor(clYellow);
    EXPECT_EQ(sheets[0]->Color(), clYellow);
    EXPECT_EQ(face(sheets[0]), 0xFFFF00u);
    sheets[0]->SetColor(clAqua);
    pages->SetColor(clWhite);
    EXPECT_EQ(face(sheets[0]), 0x00FFFFu);
    EXPECT_EQ(sheets[1]->Color(), clWhite);
    sheets[1]->FloatSheet();
    EXPECT_EQ(sheets[1]->Color(), clWhite);  // torn off, it keeps the colour
}

}  // namespace

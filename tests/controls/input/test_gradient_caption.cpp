#include "controls/input/CaptionHost.h"
#include "controls/input/IcGradientCaption.h"
#include "controls/input/VisualRoutines.h"
#include "desktop/icons/ProgramIcons.h"
#include "tests/support/PixelCount.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QVBoxLayout>
#include <QtTest/QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

void SetActivation(QWidget& window, bool active)
{
    QEvent event(active ? QEvent::WindowActivate : QEvent::WindowDeactivate);
    QApplication::sendEvent(&window, &event);
}

// The bar as it is on screen now.
QImage Bar(TCaptionHost& host)
{
    QApplication::processEvents();
    return host.Bar()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QRgb Rgb(TColor color) { return ToQColor(color).rgb(); }

QFont Crisp(int pixels, bool bold = true)
{
    QFont font;
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

void SendMouse(QWidget* target, QEvent::Type type, QPoint local, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(local), QPointF(target->mapToGlobal(local)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

struct GradientForm : ::testing::Test {
    std::unique_ptr<QWidget> form = std::make_unique<QWidget>();
    TIcGradientCaption* caption = nullptr;
    QLabel* body = nullptr;

    void SetUp() override
    {
        auto* layout = new QVBoxLayout(form.get());
        layout->setContentsMargins(0, 0, 0, 0);
        body = new QLabel(QStringLiteral("body"));
        layout->addWidget(body);
        caption = new TIcGradientCaption(form.get());
        form->resize(320, 120);
        form->show();
        QApplication::processEvents();
    }
    TCaptionHost& Host() { return *caption->Host(); }
};

}  // namespace

TEST_F(GradientForm, TheWindowGetsOurBarAboveItsContents)
{
    ASSERT_TRUE(Host().Attached());
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::FramelessWindowHint));
    const QRect bar = Host().Bar()->geometry();
    EXPECT_EQ(bar.height(), Host().Metrics().CaptionHeight);
    EXPECT_GT(bar.top(), 0) << "a resize frame surrounds it";
    EXPECT_GE(body->geometry().top(), bar.bottom() + 1);
    EXPECT_EQ(Host().Buttons(), cbClose | cbMinimize | cbMaximize);
    for (TCaptionButtonKind kind : {cbClose, cbMinimize, cbMaximize}) {
        ASSERT_NE(Host().Button(kind), nullptr);
        EXPECT_FALSE(Host().Button(kind)->accessibleName().isEmpty());
        EXPECT_GE(Host().Button(kind)->x(), Host().Area().Text.right());
    }

    caption->SetActive(false);
    EXPECT_FALSE(Host().Attached());
    EXPECT_EQ(Host().Bar(), nullptr);
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(form->contentsMargins(), QMargins());
    caption->SetActive(true);
    EXPECT_TRUE(Host().Attached());
}

TEST(CaptionHost, ButtonsFollowTheKindOfWindow)
{
    const struct {
        const char* name;
        Qt::WindowFlags flags;
        int buttons;
        int enabled;
        bool icon;
    } rows[] = {
        {"window", Qt::Window, cbClose | cbMinimize | cbMaximize, cbClose | cbMinimize | cbMaximize, true},
        {"dialog", Qt::Dialog, cbClose, cbClose, false},
        {"tool window", Qt::Tool, cbClose, cbClose, false},
        {"dialog with help", Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint |
                                 Qt::WindowContextHelpButtonHint, cbClose | cbHelp, cbClose | cbHelp, false},
        {"minimise only", Qt::Window | Qt::CustomizeWindowHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint, cbClose | cbMinimize | cbMaximize, cbClose | cbMinimize, true},
        {"no system menu", Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint, 0, 0, false},
    };
    for (const auto& row : rows) {
        QWidget window(nullptr, row.flags);
        TCaptionHost host(&window, {});
        EXPECT_EQ(host.Buttons(), row.buttons) << row.name;
        for (TCaptionButtonKind kind : {cbClose, cbMinimize, cbMaximize, cbHelp}) {
            TCaptionButton* button = host.Button(kind);
            EXPECT_EQ(button != nullptr, (row.buttons & kind) != 0) << row.name << " " << kind;
            if (button) {
                EXPECT_EQ(button->isEnabled(), (row.enabled & kind) != 0) << row.name << " " << kind;
            }
        }
        EXPECT_EQ(!host.Area().Icon.isEmpty(), row.icon) << row.name;
    }
}

TEST(CaptionHost, AFramelessWindowIsLeftAlone)
{
    QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
    TIcGradientCaption caption(&window);
    EXPECT_FALSE(caption.Host()->Attached());
    EXPECT_EQ(caption.Host()->Bar(), nullptr);
    EXPECT_EQ(window.contentsMargins(), QMargins());
}

TEST_F(GradientForm, ButtonsCloseAndDoubleClickMaximises)
{
    QTest::mouseDClick(Host().Bar(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 5));
    EXPECT_TRUE(form->isMaximized());
    EXPECT_EQ(Host().Button(cbMaximize)->accessibleName(), "Restore");
    EXPECT_EQ(Host().Bar()->y(), 0) << "no frame while maximised";
    QTest::mouseDClick(Host().Bar(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 5));
    EXPECT_FALSE(form->isMaximized());
    EXPECT_EQ(Host().Button(cbMaximize)->accessibleName(), "Maximize");

    QTest::mouseClick(Host().Button(cbClose), Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(GradientForm, DraggingTheBarMovesAndTheFrameSizesWhereThePlatformCannot)
{
    // The offscreen platform has no system move or resize, so ours takes over.
    const QPoint start = form->pos();
    QWidget* bar = Host().Bar();
    SendMouse(bar, QEvent::MouseButtonPress, {60, 6}, Qt::LeftButton, Qt::LeftButton);
    SendMouse(bar, QEvent::MouseMove, {70, 10}, Qt::NoButton, Qt::LeftButton);
    SendMouse(bar, QEvent::MouseMove, {90, 26}, Qt::NoButton, Qt::LeftButton);
    SendMouse(bar, QEvent::MouseButtonRelease, {90, 26}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(form->pos(), start + QPoint(30, 20));

    // The bottom frame, near its right end, sizes both ways.
    QWidget* bottom = form->childAt(form->width() - 2, form->height() - 1);
    ASSERT_NE(bottom, nullptr);
    const QSize size = form->size();
    const QPoint at = bottom->mapFrom(form.get(), QPoint(form->width() - 2, form->height() - 1));
    SendMouse(bottom, QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(bottom->cursor().shape(), Qt::SizeFDiagCursor);
    SendMouse(bottom, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    SendMouse(bottom, QEvent::MouseMove, at + QPoint(30, 20), Qt::NoButton, Qt::LeftButton);
    SendMouse(bottom, QEvent::MouseButtonRelease, at + QPoint(30, 20), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(form->size(), size + QSize(30, 20));
    EXPECT_EQ(Host().Bar()->width(), form->width() - 2 * Host().Metrics().Frame);
}

TEST_F(GradientForm, RightClickOnTheBarPopsUpTheMenu)
{
    QMenu menu;
    menu.addAction(QStringLiteral("Item"));
    caption->SetPopupMenu(&menu);
    SendMouse(Host().Bar(), QEvent::MouseButtonPress, {50, 5}, Qt::RightButton, Qt::RightButton);
    SendMouse(Host().Bar(), QEvent::MouseButtonRelease, {50, 5}, Qt::RightButton, Qt::NoButton);
    EXPECT_TRUE(menu.isVisible());
    menu.hide();
}

TEST_F(GradientForm, ActiveGradientAndInactiveSolidColours)
{
    SetActivation(*form, true);
    ASSERT_TRUE(caption->WindowActive());
    QImage image = Bar(Host());
    const int mid = image.height() / 2;
    const QRgb right = image.pixel(image.width() - 1, mid);
    const QRgb left = image.pixel(0, mid);
    EXPECT_EQ(right, Rgb(clActiveCaption)) << "the gradient runs into the caption colour";
    // It starts a quarter of the width before the bar, so the left end is already blended.
    EXPECT_GT(qBlue(left), 0);
    EXPECT_LT(qBlue(left), qBlue(right));

    SetActivation(*form, false);
    ASSERT_FALSE(caption->WindowActive());
    image = Bar(Host());
    EXPECT_EQ(image.pixel(0, mid), Rgb(clInactiveCaption));
    EXPECT_EQ(image.pixel(image.width() - 1, mid), Rgb(clInactiveCaption));

    caption->SetGradientInactive(true);
    image = Bar(Host());
    EXPECT_NE(image.pixel(0, mid), Rgb(clInactiveCaption));
    EXPECT_EQ(image.pixel(image.width() - 1, mid), Rgb(clInactiveCaption));
}

TEST_F(GradientForm, SegmentsTakeTheirOwnColourActiveAndTheirInactiveColourInactive)
{
    caption->SetFont(Crisp(14));
    TIcCaption& name = caption->Captions().Add();
    name.SetCaption(QStringLiteral("WWWW"));
    name.SetFont(Crisp(14));
    name.SetFontColor(clYellow);
    name.SetInactiveColor(clRed);
    caption->SetFormCaption(QStringLiteral("MMMM"));
    caption->SetFontColor(clLime);
    caption->SetFontInactiveColor(clAqua);
    const auto count = [&](TColor colour) {
        const QImage image = Bar(Host());
        return CountPixelsNear(image, Host().Area().Text, Rgb(colour));
    };

    SetActivation(*form, true);
    EXPECT_GT(count(clYellow), 10);
    EXPECT_GT(count(clLime), 10);
    EXPECT_EQ(count(clRed), 0);
    SetActivation(*form, false);
    EXPECT_GT(count(clRed), 10);
    EXPECT_GT(count(clAqua), 10);
    EXPECT_EQ(count(clYellow), 0);

    // Too narrow for the segment: it goes first, the form caption stays.
    form->resize(Host().Area().Bar.width() - Host().Area().Text.width() + 80 + 2 * Host().Metrics().Frame, 120);
    EXPECT_EQ(count(clRed), 0);
    EXPECT_GT(count(clAqua), 10);
}

TEST(GradientCaption, SegmentFontsFollowTheCaptionFontUntilSetThemselves)
{
    QWidget form;
    TIcGradientCaption caption(&form);
    EXPECT_TRUE(caption.DefaultFont());
    TIcCaption& first = caption.Captions().Add();
    TIcCaption& second = caption.Captions().Add();
    second.SetFont(Crisp(20, false));
    EXPECT_FALSE(second.ParentFont());

    caption.SetFont(Crisp(11));
    EXPECT_FALSE(caption.DefaultFont());
    EXPECT_EQ(first.Font().pixelSize(), 11);
    EXPECT_EQ(second.Font().pixelSize(), 20);
    second.SetParentFont(true);
    EXPECT_EQ(second.Font().pixelSize(), 11);

    caption.SetDefaultFont(true);
    EXPECT_EQ(first.Font(), TCaptionHost::CaptionFont(false));
    second.SetInactiveColor(clRed);
    second.SetVisible(false);
    second.RestoreDefaults();
    EXPECT_EQ(second.InactiveColor(), clInactiveCaptionText);
    EXPECT_TRUE(second.Visible());
    EXPECT_TRUE(second.ParentFont());
}

TEST(GradientCaption, ActivateAndDeactivateEventsRunOnChangesOnly)
{
    QWidget form;
    TIcGradientCaption caption(&form);
    int on = 0, off = 0;
    caption.OnActivate = [&](TIcGradientCaption*) { ++on; };
    caption.OnDeactivate = [&](TIcGradientCaption*) { ++off; };
    caption.SetActive(true);
    caption.SetActive(false);
    caption.SetActive(false);
    caption.SetActive(true);
    EXPECT_EQ(on, 1);
    EXPECT_EQ(off, 1);

    QWidget child(&form);
    TIcGradientCaption onChild(&child);
    EXPECT_FALSE(onChild.Active()) << "only a window's title bar can be painted";
    EXPECT_EQ(onChild.Host(), nullptr);
}

TEST(GradientCaption, GoesWithItsWindowOrLeavesItAsItWas)
{
    {
        auto form = std::make_unique<QDialog>();
        new TIcGradientCaption(form.get());
        form->show();
        form.reset();  // the caption goes with its window
    }
    QWidget form;
    auto* caption = new TIcGradientCaption(&form);
    form.show();
    delete caption;
    EXPECT_FALSE(form.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(form.contentsMargins(), QMargins());
    EXPECT_TRUE(form.findChildren<TCaptionBar*>().isEmpty());
}

// The bar's small icon: the window's own, else the program's (which both programs set), else
// the style's.
TEST(CaptionHost, SmallIconIsTheWindowsThenTheProgramsThenTheStyles)
{
    const QIcon before = QApplication::windowIcon();
    const auto image = [](const QIcon& icon) { return icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32); };
    const QIcon program = programicons::ProgramIcon("vantrel");
    ASSERT_FALSE(program.isNull());
    QPixmap red(16, 16);
    red.fill(Qt::red);
    const QIcon own(red);

    QWidget window;
    QApplication::setWindowIcon(program);
    EXPECT_EQ(image(TCaptionHost::SmallIcon(&window)), image(program));
    EXPECT_EQ(image(TCaptionHost::SmallIcon(nullptr)), image(program));
    window.setWindowIcon(own);
    EXPECT_EQ(image(TCaptionHost::SmallIcon(&window)), image(own));
    QApplication::setWindowIcon(QIcon());
    QWidget bare;
    EXPECT_EQ(image(TCaptionHost::SmallIcon(&bare)),
              image(QApplication::style()->standardIcon(QStyle::SP_TitleBarMenuButton)));
    QApplication::setWindowIcon(before);
}

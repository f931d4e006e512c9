#include "controls/input/IcSpeedButton.h"
#include "controls/input/VisualRoutines.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QPainter>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

TColor pixel(QWidget* w, int x, int y)
{
    const QImage image = w->grab().toImage();
    const QRgb p = image.pixel(x, y);
    return RGB(qRed(p), qGreen(p), qBlue(p));
}

TColor classic(TColor c) { return ClassicColorToRGB(c); }

// A strip of `count` images of `size` pixels: a square of red, green, blue, yellow, cyan on the
// transparent colour (fuchsia, at the bottom-left corner).
QImage strip(int count, int size = 8)
{
    static const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan};
    QImage image(count * size, size, QImage::Format_ARGB32);
    image.fill(Qt::magenta);
    QPainter p(&image);
    for (int i = 0; i < count; ++i) p.fillRect(i * size + 1, 1, size - 2, size - 2, colours[i]);
    return image;
}

QRgb centre(const QImage& image) { return image.pixel(image.width() / 2, image.height() / 2) & RGB_MASK; }

class SpeedButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<QWidget>();
        window->resize(200, 100);
        button = new TIcSpeedButton(window.get());
        button->setGeometry(10, 10, 40, 25);
        QObject::connect(button, &QAbstractButton::clicked, [this] { ++clicks; });
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), 2000));
    }
    void TearDown() override
    {
        // Leave no button held for the next case.
        if (button) QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(200, 200));
    }
    void press(QPoint at = QPoint(5, 5)) { QTest::mousePress(button, Qt::LeftButton, {}, at); }
    void release(QPoint at = QPoint(5, 5)) { QTest::mouseRelease(button, Qt::LeftButton, {}, at); }

    std::unique_ptr<QWidget> window;
    QPointer<TIcSpeedButton> button;
    int clicks = 0;
};

TEST_F(SpeedButtonTest, ReleaseInsideClicksAndOutsideDoesNot)
{
    struct Row {
        const char* name;
        QPoint at;
        int clicks;
    };
    const Row rows[] = {{"inside", {5, 5}, 1}, {"on the bottom edge", {5, 25}, 1}, {"right of it", {40, 5}, 0},
                        {"above it", {5, -1}, 0}};
    for (const Row& row : rows) {
        clicks = 0;
        press();
        EXPECT_EQ(button->State(), bsDown) << row.name;
        release(row.at);
        EXPECT_EQ(clicks, row.clicks) << row.name;
        EXPECT_EQ(button->State(), bsUp) << row.name;
    }
}

TEST_F(SpeedButtonTest, MovingOutWhileHeldShowsItUp)
{
    press();
    QTest::mouseMove(button, QPoint(60, 5));
    EXPECT_EQ(button->State(), bsUp);
    QTest::mouseMove(button, QPoint(6, 6));
    EXPECT_EQ(button->State(), bsDown);
    release();
    EXPECT_EQ(clicks, 1);
}

TEST_F(SpeedButtonTest, FlatButtonIsFramedOnlyUnderTheMouse)
{
    button->SetFlat(true);
    EXPECT_EQ(pixel(button, 0, 0), classic(clBtnFace));
    QEnterEvent enter(QPointF(5, 5), QPointF(15, 15), QPointF(15, 15));
    QApplication::sendEvent(button, &enter);
    ASSERT_TRUE(button->MouseInControl());
    EXPECT_EQ(pixel(button, 0, 0), classic(clBtnHighlight));
    EXPECT_EQ(pixel(button, 39, 24), classic(clBtnShadow));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    EXPECT_EQ(pixel(button, 0, 0), classic(clBtnFace));
}

TEST_F(SpeedButtonTest, RaisedAndPressedFrames)
{
    EXPECT_EQ(pixel(button, 0, 0), classic(clBtnHighlight));
    EXPECT_EQ(pixel(button, 39, 24), classic(clWindowFrame));
    EXPECT_EQ(pixel(button, 38, 23), classic(clBtnShadow));
    press();
    EXPECT_EQ(pixel(button, 0, 0), classic(clWindowFrame));
    EXPECT_EQ(pixel(button, 1, 1), classic(clBtnShadow));
    EXPECT_EQ(pixel(button, 39, 24), classic(clBtnHighlight));
}

TEST_F(SpeedButtonTest, GlyphImagesOfATwoImageStrip)
{
    button->SetGlyph(strip(2));
    EXPECT_EQ(button->NumGlyphs(), 2);
    auto& glyph = button->ButtonGlyph();
    EXPECT_EQ(centre(glyph.StateImage(bsUp)), QColor(Qt::red).rgb() & RGB_MASK);
    EXPECT_EQ(centre(glyph.StateImage(bsDown)), QColor(Qt::red).rgb() & RGB_MASK);
    EXPECT_EQ(centre(glyph.StateImage(bsDisabled)), QColor(Qt::green).rgb() & RGB_MASK);
    const int grey = speedbutton::GreyLevel(255, 0, 0);
    EXPECT_EQ(centre(glyph.StateImage(bsInactive)), qRgb(grey, grey, grey) & RGB_MASK);
}

TEST_F(SpeedButtonTest, OneImageStripEmbossesWhenDisabledAndMasksItsCornerColour)
{
    QImage image(8, 8, QImage::Format_ARGB32);
    image.fill(Qt::magenta);
    QPainter(&image).fillRect(2, 2, 4, 4, Qt::black);
    button->SetGlyph(image);
    auto& glyph = button->ButtonGlyph();
    EXPECT_EQ(glyph.TransparentColor(), clFuchsia);
    EXPECT_EQ(qAlpha(glyph.StateImage(bsUp).pixel(0, 0)), 0);
    const QImage& disabled = glyph.StateImage(bsDisabled);
    EXPECT_EQ(disabled.pixel(3, 3) & RGB_MASK, ToQColor(clBtnShadow).rgb() & RGB_MASK);
    EXPECT_EQ(disabled.pixel(6, 6) & RGB_MASK, ToQColor(clBtnHighlight).rgb() & RGB_MASK);
    EXPECT_EQ(qAlpha(disabled.pixel(0, 0)), 0);
}

TEST_F(SpeedButtonTest, FlatGlyphTurnsGreyOnlyWhenGrayedInactive)
{
    button->SetGlyph(strip(2));
    button->SetFlat(true);
    const int grey = speedbutton::GreyLevel(255, 0, 0);
    EXPECT_EQ(pixel(button, 20, 12), RGB(grey, grey, grey));
    button->SetGrayedInactive(false);
    EXPECT_EQ(pixel(button, 20, 12), RGB(255, 0, 0));
}

TEST_F(SpeedButtonTest, GroupKeepsOneButtonDown)
{
    auto* second = new TIcSpeedButton(window.get());
    auto* third = new TIcSpeedButton(window.get());
    for (auto* b : {button.data(), second, third}) b->SetGroupIndex(1);
    button->SetDown(true);
    EXPECT_EQ(button->State(), bsExclusive);
    second->SetDown(true);
    EXPECT_FALSE(button->Down());
    EXPECT_EQ(button->State(), bsUp);
    second->SetDown(false);  // refused without AllowAllUp
    EXPECT_TRUE(second->Down());
    third->SetAllowAllUp(true);  // spreads over the group
    EXPECT_TRUE(second->AllowAllUp());
    second->SetDown(false);
    EXPECT_FALSE(second->Down());

    // A click inside toggles; releasing outside keeps a down button down.
    press();
    release();
    EXPECT_TRUE(button->Down());
    press();
    release(QPoint(80, 5));
    EXPECT_TRUE(button->Down());
    EXPECT_EQ(button->State(), bsExclusive);

    auto* loner = new TIcSpeedButton(window.get());
    loner->SetDown(true);  // no group, no down state
    EXPECT_FALSE(loner->Down());
}

TEST_F(SpeedButtonTest, DropDownMenuOpensBelowTheLeftEdgeAndReleasesTheButton)
{
    QMenu menu;
    menu.addAction(QStringLiteral("One"));
    button->SetDropDownMenu(&menu);
    QPoint shownAt;
    TButtonState stateWhileShown = bsUp;
    button->SetMenuPopper([&](QMenu* m, const QPoint& at) {
        EXPECT_EQ(m, &menu);
        shownAt = at;
        stateWhileShown = button->State();
    });
    press();
    EXPECT_EQ(shownAt, button->mapToGlobal(QPoint(-1, 25)));
    EXPECT_EQ(stateWhileShown, bsDown);
    EXPECT_EQ(button->State(), bsUp);
    EXPECT_EQ(clicks, 0);
    release();
    EXPECT_EQ(clicks, 0);

    button->SetMenuPosition(dmpRight);
    QTest::qWait(1);  // the press that closed the menu is over
    press();
    EXPECT_EQ(shownAt, button->mapToGlobal(QPoint(40, -1)));
}

TEST_F(SpeedButtonTest, RepeatsAfterTheInitialPauseThenAtTheInterval)
{
    button->SetAllowTimer(true);
    press();
    ASSERT_NE(button->RepeatTimer(), nullptr);
    EXPECT_TRUE(button->RepeatTimer()->isActive());
    EXPECT_EQ(button->RepeatTimer()->interval(), 500);
    EXPECT_EQ(clicks, 0);
    button->RepeatTimerExpired();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(button->RepeatTimer()->interval(), 100);
    EXPECT_TRUE(button->RepeatTimer()->isActive());
    button->RepeatTimerExpired();
    EXPECT_EQ(clicks, 2);
    QTest::mouseMove(button, QPoint(70, 5));  // held outside: no clicks, still timing
    button->RepeatTimerExpired();
    EXPECT_EQ(clicks, 2);
    release(QPoint(70, 5));
    EXPECT_FALSE(button->RepeatTimer()->isActive());
}

TEST_F(SpeedButtonTest, RepeatStopsWhenTheHandlerHidesDisablesOrDeletes)
{
    struct Row {
        const char* name;
        std::function<void(TIcSpeedButton*)> handler;
    };
    const Row rows[] = {
        {"hides", [](TIcSpeedButton* b) { b->hide(); }},
        {"disables", [](TIcSpeedButton* b) { b->setEnabled(false); }},
        {"closes the window", [](TIcSpeedButton* b) { b->window()->close(); }},
        {"deletes", [](TIcSpeedButton* b) { delete b; }},
    };
    for (const Row& row : rows) {
        SetUp();
        button->SetAllowTimer(true);
        TIcSpeedButton* raw = button;
        QObject::connect(button, &QAbstractButton::clicked, button, [raw, &row] { row.handler(raw); });
        press();
        button->RepeatTimerExpired();
        EXPECT_EQ(clicks, 1) << row.name;
        if (button) {
            EXPECT_FALSE(button->RepeatTimer()->isActive()) << row.name;
            button->RepeatTimerExpired();  // a late tick does nothing
            EXPECT_EQ(clicks, 1) << row.name;
        }
        TearDown();
        clicks = 0;
    }
}

TEST_F(SpeedButtonTest, NoTickWhileAClickHandlerRunsAModalBox)
{
    button->SetAllowTimer(true);
    button->SetRepeatInterval(1);
    int ticksDuringModal = 0;
    QObject::connect(button, &QAbstractButton::clicked, button, [&] {
        QDialog box(window.get());
        const int before = clicks;
        QTimer::singleShot(50, &box, &QDialog::accept);
        box.exec();
        ticksDuringModal += clicks - before;
    });
    press();
    button->RepeatTimerExpired();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(ticksDuringModal, 0);
}

TEST_F(SpeedButtonTest, ModalResultEndsTheDialogAfterTheClick)
{
    QDialog dialog;
    auto* ok = new TIcSpeedButton(&dialog);
    ok->setGeometry(0, 0, 40, 25);
    ok->SetModalResult(QDialog::Accepted);
    bool handlerSawOpenDialog = false;
    QObject::connect(ok, &QAbstractButton::clicked, [&] { handlerSawOpenDialog = dialog.isVisible(); });
    QTimer::singleShot(0, ok, [ok] {
        QTest::mousePress(ok, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(ok, Qt::LeftButton, {}, QPoint(5, 5));
    });
    QTimer::singleShot(2000, &dialog, &QDialog::reject);
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_TRUE(handlerSawOpenDialog);
}

TEST_F(SpeedButtonTest, CarriedActionGivesStateAndIsTriggered)
{
    QAction action(QStringLiteral("&Save"));
    action.setIconText(QStringLiteral("Save..."));
    action.setToolTip(QStringLiteral("Saves the script"));
    action.setIcon(QIcon(QPixmap::fromImage(strip(1, 16))));
    int triggered = 0;
    QObject::connect(&action, &QAction::triggered, [&] { ++triggered; });
    button->SetAction(&action);
    EXPECT_EQ(button->Caption(), QStringLiteral("Save..."));
    EXPECT_EQ(button->Hint(), QStringLiteral("Saves the script"));
    EXPECT_EQ(button->accessibleName(), QStringLiteral("Save..."));
    EXPECT_EQ(button->NumGlyphs(), 2);
    press();
    release();
    EXPECT_EQ(triggered, 1);
    action.setEnabled(false);
    EXPECT_FALSE(button->isEnabled());
    EXPECT_EQ(button->State(), bsUp);
    button->grab();
    EXPECT_EQ(button->State(), bsDisabled);
    press();
    release();
    EXPECT_EQ(triggered, 1);
    action.setEnabled(true);
    action.setIconText(QString());
    action.setText(QString());
    EXPECT_EQ(button->accessibleName(), QStringLiteral("Saves the script"));  // no caption: the hint
}

TEST_F(SpeedButtonTest, PressedThroughTheAccessibilityInterface)
{
    button->SetCaption(QStringLiteral("&Run"));
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(button);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->text(QAccessible::Name), QStringLiteral("Run"));
    ASSERT_NE(face->actionInterface(), nullptr);
    face->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    for (int i = 0; i < 100 && clicks == 0; ++i) QTest::qWait(10);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);
}

}  // namespace

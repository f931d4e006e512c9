#include "controls/input/IcSpinButton.h"
#include "controls/input/IcSpinEdit.h"
#include "controls/input/VisualRoutines.h"

#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

class SpinEditTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<QWidget>();
        window->resize(200, 80);
        edit = new TIcSpinEdit(window.get());
        edit->setGeometry(10, 10, 120, 24);
        QObject::connect(edit, &TIcSpinEdit::Change, [this] { ++changes; });
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), 2000));
        changes = 0;
    }
    std::unique_ptr<QWidget> window;
    TIcSpinEdit* edit = nullptr;
    int changes = 0;
};

TEST_F(SpinEditTest, SpinsWithinTheBoundsAndSignalsOnlyRealChanges)
{
    EXPECT_EQ(edit->Text(), "0");
    edit->DownClick();
    edit->DownClick();
    EXPECT_EQ(edit->Text(), "-2");  // equal bounds bound nothing
    EXPECT_EQ(changes, 2);

    edit->SetMinValue(0);
    edit->SetMaxValue(10);
    edit->SetValue(10);
    changes = 0;
    edit->UpClick();
    EXPECT_EQ(edit->Text(), "10");
    EXPECT_EQ(changes, 0);
    EXPECT_FALSE(edit->findChild<QLineEdit*>()->isModified());
    edit->DownClick();
    EXPECT_EQ(edit->Text(), "9");
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(edit->findChild<QLineEdit*>()->isModified());

    edit->SetReadOnly(true);
    edit->UpClick();
    EXPECT_EQ(edit->Text(), "9");
}

TEST_F(SpinEditTest, SixtyFourBitValuesStopAtTheTop)
{
    edit->SetValue(2147483647.0L);
    edit->UpClick();
    EXPECT_EQ(edit->Text(), "2147483648");
    edit->SetText("9223372036854775807");
    edit->UpClick();
    EXPECT_EQ(edit->Text(), "9223372036854775807");
}

TEST_F(SpinEditTest, ValueTypesAndACommaLocale)
{
    edit->setLocale(QLocale(QLocale::German, QLocale::Germany));
    edit->SetValue(2.5L);
    EXPECT_EQ(edit->Text(), "2");
    edit->SetValueType(vtFloat);
    edit->SetValue(1);
    EXPECT_EQ(edit->Text(), "1,00");
    edit->SetText("2,75");
    EXPECT_EQ(edit->Value(), 2.75L);
    edit->SetDecimal(1);
    EXPECT_EQ(edit->Text(), "2,8");
    edit->SetIncrement(0.4L);
    edit->SetValueType(vtInteger);
    EXPECT_EQ(edit->Increment(), 1);
    EXPECT_EQ(edit->Text(), "3");
}

TEST_F(SpinEditTest, KeysTypeOnlyNumbersAndSpinWithTheArrows)
{
    edit->setFocus();
    edit->findChild<QLineEdit*>()->clear();
    QTest::keyClicks(edit, "1a2.-");
    EXPECT_EQ(edit->Text(), "12-");
    edit->SetMaxLength(2);
    edit->findChild<QLineEdit*>()->clear();
    QTest::keyClicks(edit, "123");
    EXPECT_EQ(edit->Text(), "12");
    edit->SetMaxLength(0);
    edit->SetText("5");
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(edit->Text(), "6");
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_Down);
    EXPECT_EQ(edit->Text(), "4");
    edit->SetArrowKeys(false);
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(edit->Text(), "4");

    edit->SetEditorEnabled(false);
    QTest::keyClicks(edit, "7");
    EXPECT_EQ(edit->Text(), "4");
    edit->UpClick();  // spinning still works
    EXPECT_EQ(edit->Text(), "5");
}

TEST_F(SpinEditTest, LeavingTheFieldBoundsItsValue)
{
    auto* other = new QLineEdit(window.get());
    other->show();
    edit->SetMinValue(1);
    edit->SetMaxValue(20);
    edit->setFocus();
    edit->SetText("99");
    other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(edit->Text(), "20");
}

TEST_F(SpinEditTest, EnteringSelectsTheTextOnlyWithAutoSelect)
{
    auto* other = new QLineEdit(window.get());
    other->show();
    edit->SetText("123");
    for (const bool autoSelect : {true, false}) {
        other->setFocus();
        edit->SetAutoSelect(autoSelect);
        edit->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        EXPECT_EQ(edit->findChild<QLineEdit*>()->hasSelectedText(), autoSelect) << autoSelect;
    }
}

TEST_F(SpinEditTest, HeightAndButtonPlaceFollowTheFrameAndFont)
{
    edit->resize(120, 3);
    EXPECT_EQ(edit->height(), MinimumEditHeight(edit->fontMetrics().height()));
    QFont big = edit->font();
    big.setPointSize(big.pointSize() * 2);
    edit->setFont(big);
    edit->resize(120, 3);
    EXPECT_EQ(edit->height(), MinimumEditHeight(QFontMetrics(big).height()));

    edit->setFont(QApplication::font());
    edit->resize(120, 24);
    EXPECT_EQ(edit->Button()->geometry(), QRect(97, 1, 21, 21));
    EXPECT_LE(edit->findChild<QLineEdit*>()->geometry().right(), 97 - 2);
}

TEST_F(SpinEditTest, StandardKindReportsEachPress)
{
    edit->SetButtonKind(bkStandard);
    ASSERT_EQ(edit->Button(), nullptr);
    ASSERT_NE(edit->UpDown(), nullptr);
    edit->UpDown()->stepBy(1);
    edit->UpDown()->stepBy(1);
    edit->UpDown()->stepBy(-1);
    EXPECT_EQ(edit->Text(), "1");
    edit->SetButtonKind(bkDiagonal);
    EXPECT_EQ(edit->UpDown(), nullptr);
    ASSERT_NE(edit->Button(), nullptr);
}

class SpinButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<QWidget>();
        window->resize(100, 100);
        button = new TIcSpinButton(window.get());
        button->setGeometry(10, 10, 20, 20);
        QObject::connect(button, &TIcSpinButton::TopClick, [this] { ++up; });
        QObject::connect(button, &TIcSpinButton::BottomClick, [this] { ++down; });
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), 2000));
    }
    void TearDown() override
    {
        if (button) QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(50, 50));
    }
    std::unique_ptr<QWidget> window;
    QPointer<TIcSpinButton> button;
    int up = 0, down = 0;
};

TEST_F(SpinButtonTest, HalvesClickAtOnceThenRepeat)
{
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(up, 1);
    EXPECT_EQ(button->DownState(), sbTopDown);
    ASSERT_NE(button->RepeatTimer(), nullptr);
    EXPECT_EQ(button->RepeatTimer()->interval(), 400);
    button->TimerExpired();
    EXPECT_EQ(up, 2);
    EXPECT_EQ(button->RepeatTimer()->interval(), 100);
    EXPECT_TRUE(button->RepeatTimer()->isActive());
    QTest::mouseMove(button, QPoint(17, 17));  // the other half: nothing is down
    EXPECT_EQ(button->DownState(), sbNotDown);
    button->TimerExpired();
    EXPECT_EQ(up, 2);
    QTest::mouseMove(button, QPoint(4, 4));
    EXPECT_EQ(button->DownState(), sbTopDown);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(4, 4));
    EXPECT_EQ(button->DownState(), sbNotDown);
    EXPECT_FALSE(button->RepeatTimer()->isActive());

    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(16, 16));
    EXPECT_EQ(down, 1);
    EXPECT_EQ(button->DownState(), sbBottomDown);
}

TEST_F(SpinButtonTest, RepeatEndsWhenAHandlerHidesOrDeletesTheButton)
{
    QObject::connect(button, &TIcSpinButton::TopClick, button, [this] {
        if (up == 2) delete button.data();
    });
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(3, 3));
    button->TimerExpired();
    EXPECT_EQ(button, nullptr);
    EXPECT_EQ(up, 2);
}

TEST_F(SpinButtonTest, FacesShowWhichHalfIsDown)
{
    const auto at = [this](int x, int y) {
        const QRgb p = button->grab().toImage().pixel(x, y);
        return RGB(qRed(p), qGreen(p), qBlue(p));
    };
    const TColor highlight = ClassicColorToRGB(clBtnHighlight), shadow = ClassicColorToRGB(clBtnShadow);
    EXPECT_EQ(at(1, 5), highlight);
    EXPECT_EQ(at(0, 0), ClassicColorToRGB(clWindowFrame));
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(at(1, 5), shadow);
}

}  // namespace

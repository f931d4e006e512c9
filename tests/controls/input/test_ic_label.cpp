#include "controls/input/IcLabel.h"
#include "controls/input/VisualRoutines.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QtTest/QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

QRgb rgbOf(TColor c) { return ToQColor(c).rgb() & RGB_MASK; }

// The first row and column, from the top-left, that hold a pixel of that colour.
QPoint firstOf(const QImage& image, QRgb colour)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & RGB_MASK) == colour) return {x, y};
    return {-1, -1};
}

class LabelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<QWidget>();
        window->resize(300, 120);
        label = new TIcLabel(window.get());
        label->move(10, 10);
        QFont font = label->font();
        font.setPixelSize(16);
        font.setStyleStrategy(QFont::NoAntialias);  // exact colours to compare
        label->setFont(font);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), 2000));
    }
    void blackText()
    {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, Qt::black);
        label->setPalette(palette);
    }
    std::unique_ptr<QWidget> window;
    TIcLabel* label = nullptr;
};

TEST_F(LabelTest, ShadowLiesAtItsSideOfTheText)
{
    label->SetColor(clWhite);
    blackText();
    label->SetShadowColor(clRed);
    label->SetShadowSize(2);
    label->SetCaption(QStringLiteral("I"));
    struct Row {
        TShadowPosition position;
        int dx, dy;
    };
    for (const Row row : {Row{spRightBottom, 2, 2}, Row{spLeftTop, -2, -2}, Row{spLeftBottom, -2, 2}}) {
        label->SetShadowPos(row.position);
        label->resize(40, 30);
        label->move(20, 20);
        const QImage image = label->grab().toImage();
        const QPoint text = firstOf(image, QColor(Qt::black).rgb() & RGB_MASK);
        const QPoint shadow = firstOf(image, rgbOf(clRed));
        ASSERT_NE(text.x(), -1);
        ASSERT_NE(shadow.x(), -1) << row.position;
        // The top rows of text and shadow are apart by the offset.
        EXPECT_EQ(shadow.y(), text.y() + row.dy) << row.position;
    }
}

TEST_F(LabelTest, AutoSizeMeasuresTheCaptionAndKeepsARightEdge)
{
    label->SetShadowSize(0);
    label->SetCaption(QStringLiteral("Workbench"));
    const QFontMetrics metrics(label->font());
    EXPECT_EQ(label->width(), metrics.horizontalAdvance(QStringLiteral("Workbench")) + 2);
    EXPECT_EQ(label->height(), metrics.height());

    label->SetAlignment(taRightJustify);
    const int right = label->x() + label->width();
    label->SetCaption(QStringLiteral("Work"));
    EXPECT_EQ(label->x() + label->width(), right);

    // An empty caption, or a lone accelerator mark, measures as a blank does.
    label->SetCaption(QStringLiteral("&"));
    const int ampersand = label->width();
    label->SetCaption(QStringLiteral("& "));
    EXPECT_EQ(label->width(), ampersand);
    label->SetCaption(QString());
    EXPECT_GT(label->height(), 0);

    label->SetShadowSize(3);
    label->SetCaption(QStringLiteral("Work"));
    EXPECT_EQ(label->height(), metrics.height() + 3);
}

TEST_F(LabelTest, AcceleratorFocusesTheFocusControl)
{
    auto* edit = new QLineEdit(window.get());
    edit->move(10, 60);
    edit->show();
    auto* other = new QLineEdit(window.get());
    other->move(150, 60);
    other->show();
    other->setFocus();
    label->SetCaption(QStringLiteral("&Name"));
    label->SetFocusControl(edit);
    QTest::keyClick(window.get(), Qt::Key_N, Qt::AltModifier);
    EXPECT_TRUE(edit->hasFocus());

    other->setFocus();
    label->SetShowAccelChar(false);
    QTest::keyClick(window.get(), Qt::Key_N, Qt::AltModifier);
    EXPECT_FALSE(edit->hasFocus());

    delete edit;
    EXPECT_EQ(label->FocusControl(), nullptr);
}

TEST_F(LabelTest, DisabledLabelIsGreyWithAHighlightShadow)
{
    label->SetShadowSize(0);
    label->SetColor(clBlack);
    label->SetCaption(QStringLiteral("I"));
    label->setEnabled(false);
    const QImage image = label->grab().toImage();
    const QPoint text = firstOf(image, rgbOf(clGrayText));
    const QPoint shadow = firstOf(image, rgbOf(clBtnHighlight));
    ASSERT_NE(text.x(), -1);
    ASSERT_NE(shadow.x(), -1);
    EXPECT_EQ(shadow.y(), text.y() + 1);  // size 1 at the right-bottom
}

TEST_F(LabelTest, LayoutMovesTheTextDown)
{
    label->SetAutoSize(false);
    label->SetColor(clWhite);
    blackText();
    label->SetShadowSize(0);
    label->SetCaption(QStringLiteral("I"));
    label->resize(40, 60);
    const QRgb black = QColor(Qt::black).rgb() & RGB_MASK;
    const int top = firstOf(label->grab().toImage(), black).y();
    label->SetLayout(tlBottom);
    const int bottom = firstOf(label->grab().toImage(), black).y();
    label->SetLayout(tlCenter);
    const int centre = firstOf(label->grab().toImage(), black).y();
    const int free = 60 - QFontMetrics(label->font()).height();
    EXPECT_EQ(bottom - top, free);
    EXPECT_EQ(centre - top, free / 2);
}

TEST_F(LabelTest, EnterAndLeaveAreReported)
{
    int entered = 0, left = 0;
    QObject::connect(label, &TIcCustomLabel::MouseEnter, [&] { ++entered; });
    QObject::connect(label, &TIcCustomLabel::MouseLeave, [&] { ++left; });
    QEnterEvent enter(QPointF(2, 2), QPointF(12, 12), QPointF(12, 12));
    QApplication::sendEvent(label, &enter);
    QApplication::sendEvent(label, &enter);
    EXPECT_EQ(entered, 1);
    EXPECT_TRUE(label->MouseInControl());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(label, &leave);
    EXPECT_EQ(left, 1);
    EXPECT_FALSE(label->MouseInControl());
}

}  // namespace

TEST_F(LabelTest, AnOpaqueLabelTakesItsParentsColourUntilGivenOne)
{
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, QColor(10, 200, 30));
    window->setPalette(palette);
    label->SetCaption(QStringLiteral("x"));
    EXPECT_TRUE(label->ParentColor());
    EXPECT_EQ(label->grab().toImage().pixel(0, 0) & RGB_MASK, QColor(10, 200, 30).rgb() & RGB_MASK);
    label->SetColor(clBtnFace);  // the default value, yet now its own
    EXPECT_FALSE(label->ParentColor());
    EXPECT_EQ(label->grab().toImage().pixel(0, 0) & RGB_MASK, rgbOf(clBtnFace));
}

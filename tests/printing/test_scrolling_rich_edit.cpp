#include "printing/ScrollingRichEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QWheelEvent>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

struct Edit : ::testing::Test {
    TSRichEdit edit;
    void SetUp() override
    {
        edit.resize(300, 200);
        edit.setPlainText("first\nsecond line\n\nlast");
    }
    int Caret() const { return edit.textCursor().position(); }
};

}  // namespace

TEST_F(Edit, SetRowClampsToTheText)
{
    const struct {
        int row, caret;
    } cases[] = {{-5, 0}, {0, 0}, {1, 6}, {2, 18}, {3, 19}, {4, 19}, {1000, 19}};
    for (const auto& c : cases) {
        QTextCursor sel = edit.textCursor();
        sel.setPosition(2);
        sel.setPosition(8, QTextCursor::KeepAnchor);
        edit.setTextCursor(sel);
        edit.SetRow(c.row);
        EXPECT_EQ(Caret(), c.caret) << "row " << c.row;
        EXPECT_FALSE(edit.textCursor().hasSelection()) << "row " << c.row;
        EXPECT_EQ(edit.GetRow(), std::clamp(c.row, 0, 3));
    }
}

TEST_F(Edit, SetColStaysOnTheCurrentLine)
{
    const struct {
        int row, col, caret;
    } cases[] = {
        {1, 0, 6}, {1, 6, 12}, {1, 11, 17}, {1, 12, 17}, {1, 500, 17}, {1, -3, 6},
        {2, 4, 18},  // an empty line keeps the caret at its start
        {3, 9, 23},  // the last line ends at the end of the text
    };
    for (const auto& c : cases) {
        edit.SetRow(c.row);
        edit.SetCol(c.col);
        EXPECT_EQ(Caret(), c.caret) << c.row << ":" << c.col;
        EXPECT_EQ(edit.GetRow(), c.row) << c.row << ":" << c.col;
    }
}

TEST_F(Edit, GetRowIsTheLineOfTheSelectionStart)
{
    QTextCursor sel = edit.textCursor();
    sel.setPosition(20);
    sel.setPosition(3, QTextCursor::KeepAnchor);  // backward: the caret is at the start
    edit.setTextCursor(sel);
    EXPECT_EQ(edit.GetRow(), 0);
    sel.setPosition(3);
    sel.setPosition(20, QTextCursor::KeepAnchor);
    edit.setTextCursor(sel);
    EXPECT_EQ(edit.GetRow(), 0);
}

TEST(EmptyEdit, CaretHelpersLeaveTheCaretAtTheStart)
{
    TSRichEdit edit;
    EXPECT_EQ(edit.GetRow(), 0);
    edit.SetRow(3);
    edit.SetCol(3);
    edit.SetRow(-1);
    EXPECT_EQ(edit.textCursor().position(), 0);
}

TEST(EditSetup, PlainNoWrapBothBarsAndTheSelectionStaysVisible)
{
    TSRichEdit edit;
    EXPECT_EQ(edit.lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(edit.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(edit.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    const QPalette p = edit.palette();
    EXPECT_EQ(p.color(QPalette::Inactive, QPalette::Highlight), p.color(QPalette::Active, QPalette::Highlight));
    edit.setPalette(QPalette(Qt::red));
    EXPECT_EQ(edit.palette().color(QPalette::Inactive, QPalette::Highlight),
              edit.palette().color(QPalette::Active, QPalette::Highlight));

    auto* data = new QMimeData;
    data->setHtml("<b>bold</b> text");
    data->setText("bold text");
    QApplication::clipboard()->setMimeData(data);
    edit.paste();
    EXPECT_EQ(edit.toPlainText(), "bold text");
    EXPECT_NE(edit.document()->firstBlock().begin().fragment().charFormat().fontWeight(), QFont::Bold);
}

namespace {

struct Scrolling : ::testing::Test {
    TSRichEdit edit;
    std::vector<std::pair<char, int>> events;  // bar and the bar's value when the event came
    void SetUp() override
    {
        QStringList lines;
        for (int i = 0; i < 200; ++i) lines << QString(300, QChar('a' + i % 26));
        edit.setPlainText(lines.join('\n'));
        edit.resize(200, 150);
        edit.show();
        QApplication::processEvents();
        QObject::connect(&edit, &TSRichEdit::OnVScroll, [this](TSRichEdit* sender) {
            EXPECT_EQ(sender, &edit);
            events.push_back({'v', edit.verticalScrollBar()->value()});
        });
        QObject::connect(&edit, &TSRichEdit::OnHScroll, [this](TSRichEdit*) {
            events.push_back({'h', edit.horizontalScrollBar()->value()});
        });
    }
    int FirstVisibleLine() { return edit.cursorForPosition(QPoint(2, 2)).blockNumber(); }
};

}  // namespace

TEST_F(Scrolling, EachBarMoveFiresOneEventAfterTheViewMoved)
{
    int seenFirstLine = -1;
    QObject::connect(&edit, &TSRichEdit::OnVScroll, [&] { seenFirstLine = FirstVisibleLine(); });
    edit.verticalScrollBar()->setValue(40);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0], std::make_pair('v', 40));
    EXPECT_EQ(seenFirstLine, 40);

    edit.horizontalScrollBar()->setValue(30);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1], std::make_pair('h', 30));

    edit.horizontalScrollBar()->setValue(30);  // no move, no event
    EXPECT_EQ(events.size(), 2u);
}

TEST_F(Scrolling, WheelAndKeysFireTheVerticalEvent)
{
    QWheelEvent wheel(QPointF(50, 50), edit.mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(edit.viewport(), &wheel);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().first, 'v');
    EXPECT_GT(events.back().second, 0);
    EXPECT_EQ(events.back().second, edit.verticalScrollBar()->value());

    events.clear();
    const int before = edit.verticalScrollBar()->value();
    QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
    QApplication::sendEvent(&edit, &end);
    // The caret goes to the end of the long last line: both bars move, each once.
    ASSERT_EQ(events.size(), 2u);
    EXPECT_GT(edit.verticalScrollBar()->value(), before + 100);
    EXPECT_NE(std::find(events.begin(), events.end(), std::make_pair('v', edit.verticalScrollBar()->value())),
              events.end());
    EXPECT_NE(std::find(events.begin(), events.end(), std::make_pair('h', edit.horizontalScrollBar()->value())),
              events.end());
}

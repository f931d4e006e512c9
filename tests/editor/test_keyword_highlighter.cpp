#include "editor/KeywordHighlighter.h"
#include "platform/Painting.h"
#include "printing/ScrollingRichEdit.h"
#include "tests/support/Shots.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTextBlock>
#include <gtest/gtest.h>

namespace {

// One character of a line as a person sees it.
enum Look { Plain, Red, BlueBold, Unset, Other };

Look LookAt(const TSRichEdit& memo, int row, int col)
{
    QTextCursor c(memo.document()->findBlockByNumber(row));
    c.setPosition(c.position() + col + 1);  // the format of the character before the cursor
    const QTextCharFormat f = c.charFormat();
    if (f.foreground().style() == Qt::NoBrush) return Unset;
    const QColor fg = f.foreground().color();
    const bool bold = f.fontWeight() == QFont::Bold;
    if (fg == QColor(255, 0, 0)) return Red;
    if (fg == QColor(0, 0, 255) && bold) return BlueBold;
    if (fg == painting::ToQColor(clWindowText) && !bold) return Plain;
    return Other;
}

// The line's looks: one letter per character, p(lain) r(ed) b(lue bold) u(nset) o(ther).
std::string Looks(const TSRichEdit& memo, int row)
{
    std::string s;
    const int n = memo.document()->findBlockByNumber(row).length() - 1;
    for (int i = 0; i < n; ++i) s += "prbuo"[LookAt(memo, row, i)];
    return s;
}

}  // namespace

TEST(HighlightLine, ColoursLinesByTheirBeginning)
{
    const struct {
        QString line;
        std::string looks;
    } cases[] = {
        {"  host=x", "uubbbbpp"},
        {";x", "rr"},
        {":Jump1", "bbbbbb"},
        {"  :Jump1 ", "uubbbbbbp"},
        {"LOCAL-EXECANDWAIT a", "bbbbbbbbbbbbbbbbbpp"},
        {"LOCAL-EXEC a", "bbbbbbbbbbpp"},
        {"ADDCCRECIPIENT a", "bbbbbbbbbbbbbbpp"},
        {"LETTER", "bbbppp"},
        {QString::fromUtf8("HOST=\xC3\xA9t\xC3\xA9"), "bbbbpppp"},
        {"", ""},
        {"nothing here", "uuuuuuuuuuuu"},
    };
    for (const auto& c : cases) {
        TSRichEdit memo;
        memo.setPlainText("first\n" + c.line + "\nlast");
        HighlightLine(memo, 1);
        EXPECT_EQ(Looks(memo, 1), c.looks) << c.line.toStdString();
        EXPECT_EQ(Looks(memo, 0), "uuuuu");
        EXPECT_EQ(Looks(memo, 2), "uuuu");
        EXPECT_EQ(memo.toPlainText(), "first\n" + c.line + "\nlast");
    }
}

TEST(HighlightLine, AnUnmatchedLineKeepsItsFormatsAndRowsOutsideDoNothing)
{
    TSRichEdit memo;
    memo.setPlainText("HOST=x\n;c");
    HighlightLine(memo, 0);
    HighlightLine(memo, 1);
    // The word changes into one no entry knows: the old colours stay.
    QTextCursor c(memo.document()->findBlockByNumber(0));
    c.setPosition(0);
    c.setPosition(1, QTextCursor::KeepAnchor);
    c.insertText("Z");
    ASSERT_EQ(memo.document()->findBlockByNumber(0).text(), "ZOST=x");
    HighlightLine(memo, 0);
    EXPECT_EQ(Looks(memo, 0), "bbbbpp");

    for (int row : {-1, 2, 1000}) HighlightLine(memo, row);
    EXPECT_EQ(Looks(memo, 1), "rr");
}

TEST(HighlightLine, AColouredLineIsRecolouredAfterAChange)
{
    TSRichEdit memo;
    memo.setPlainText("GET a b");
    HighlightLine(memo, 0);
    QTextCursor c(memo.document());
    c.insertText(";");
    HighlightLine(memo, 0);
    EXPECT_EQ(Looks(memo, 0), "rrrrrrrr");
    c.setPosition(0);
    c.deleteChar();
    c.insertText("LOCAL-CD x");
    c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    c.removeSelectedText();
    HighlightLine(memo, 0);
    EXPECT_EQ(Looks(memo, 0), "bbbbbbbbpp");
}

TEST(HighlightLine, NeverMarksTheTextChangedNorAddsAnUndoStep)
{
    TSRichEdit memo;
    memo.setPlainText("HOST=x\n;c\n:L");
    ASSERT_FALSE(memo.document()->isModified());
    for (int row = 0; row < 3; ++row) HighlightLine(memo, row);
    EXPECT_FALSE(memo.document()->isModified());
    EXPECT_FALSE(memo.document()->isUndoAvailable());
    EXPECT_EQ(Looks(memo, 0), "bbbbpp");
}

TEST(HighlightLine, OneUndoTakesATypedCharacterAndItsColourBack)
{
    TSRichEdit memo;
    memo.setPlainText("host\n");
    HighlightLine(memo, 0);
    int calls = 0;
    QObject::connect(memo.document(), &QTextDocument::contentsChange, [&] {
        ++calls;
        HighlightLine(memo, memo.GetRow());
    });
    memo.SetRow(0);
    memo.SetCol(4);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Equal, Qt::NoModifier, "=");
    QApplication::sendEvent(&memo, &press);
    ASSERT_EQ(memo.document()->firstBlock().text(), "host=");
    EXPECT_EQ(Looks(memo, 0), "bbbbp");
    EXPECT_GE(calls, 1);

    // Undo by its key, as a person does it.
    QKeyEvent undo(QEvent::KeyPress, Qt::Key_Z, Qt::ControlModifier);
    QApplication::sendEvent(&memo, &undo);
    EXPECT_EQ(memo.document()->firstBlock().text(), "host");
    EXPECT_EQ(Looks(memo, 0), "uuuu");
    memo.redo();
    EXPECT_EQ(memo.document()->firstBlock().text(), "host=");
    EXPECT_EQ(Looks(memo, 0), "bbbbp");
}

TEST(HighlightLine, AWholeScriptColouredInOneEditBlock)
{
    TSRichEdit memo;
    QStringList lines;
    for (int i = 0; i < 300; ++i) lines << (i % 3 == 0 ? "; c" : i % 3 == 1 ? "GET a b" : ":L");
    memo.setPlainText(lines.join('\n'));
    QTextCursor block(memo.document());
    block.beginEditBlock();
    for (int row = 0; row < 300; ++row) HighlightLine(memo, row);
    block.endEditBlock();
    memo.document()->clearUndoRedoStacks();
    EXPECT_EQ(Looks(memo, 297), "rrr");
    EXPECT_EQ(Looks(memo, 298), "bbbpppp");
    EXPECT_EQ(Looks(memo, 299), "bb");
    EXPECT_FALSE(memo.document()->isModified());
    const TempDir shots;
    memo.grab().save(ShotPath(shots.path(), "highlight.png"));
}

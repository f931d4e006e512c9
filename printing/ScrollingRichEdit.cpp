#include "printing/ScrollingRichEdit.h"

#include <QScrollBar>
#include <QTextBlock>
#include <algorithm>

TSRichEdit::TSRichEdit(QWidget* parent) : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Connected after the scroll area's own handler, so the view has moved when these fire. Caret
    // moves scroll vertically without the bar's signal; the repaint request they make catches them.
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &TSRichEdit::VerticalMoved);
    connect(this, &QPlainTextEdit::updateRequest, this, &TSRichEdit::VerticalMoved);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { emit OnHScroll(this); });
    KeepSelectionVisible();
}

void TSRichEdit::VerticalMoved()
{
    const int now = verticalScrollBar()->value();
    if (now == shownTop_) return;
    shownTop_ = now;
    emit OnVScroll(this);
}

int TSRichEdit::GetRow() const
{
    return document()->findBlock(textCursor().selectionStart()).blockNumber();
}

void TSRichEdit::SetRow(int row)
{
    row = std::clamp(row, 0, std::max(0, document()->blockCount() - 1));
    QTextCursor c = textCursor();
    c.setPosition(document()->findBlockByNumber(row).position());
    setTextCursor(c);
}

void TSRichEdit::SetCol(int column)
{
    const QTextBlock line = document()->findBlockByNumber(GetRow());
    column = std::clamp(column, 0, line.length() - 1);
    QTextCursor c = textCursor();
    c.setPosition(line.position() + column);
    setTextCursor(c);
}

void TSRichEdit::keyPressEvent(QKeyEvent* event)
{
    QTextCursor step(document());
    step.beginEditBlock();
    QPlainTextEdit::keyPressEvent(event);
    step.endEditBlock();
}

void TSRichEdit::inputMethodEvent(QInputMethodEvent* event)
{
    QTextCursor step(document());
    step.beginEditBlock();
    QPlainTextEdit::inputMethodEvent(event);
    step.endEditBlock();
}

void TSRichEdit::changeEvent(QEvent* event)
{
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) KeepSelectionVisible();
}

void TSRichEdit::KeepSelectionVisible()
{
    QPalette p = palette();
    const QBrush highlight = p.brush(QPalette::Active, QPalette::Highlight);
    const QBrush highlightedText = p.brush(QPalette::Active, QPalette::HighlightedText);
    if (p.brush(QPalette::Inactive, QPalette::Highlight) == highlight &&
        p.brush(QPalette::Inactive, QPalette::HighlightedText) == highlightedText)
        return;
    p.setBrush(QPalette::Inactive, QPalette::Highlight, highlight);
    p.setBrush(QPalette::Inactive, QPalette::HighlightedText, highlightedText);
    setPalette(p);
}

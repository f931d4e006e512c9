#pragma once
// The script text control: plain text that still carries character formats (for colouring and
// printing), no wrap, both scroll bars, the selection shown while unfocused, scroll events after
// the view has moved, and caret helpers in lines and columns. Positions count a line break as one
// character.

#include <QPlainTextEdit>

class TSRichEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TSRichEdit(QWidget* parent = nullptr);

    // The 0-based line holding the start of the selection.
    int GetRow() const;
    // Caret to the start of the line, clamped to 0 .. line count - 1; no selection.
    void SetRow(int row);
    // Caret to the column of the current line, clamped to 0 .. the line's length; no selection.
    void SetCol(int column);

signals:
    // After the view has scrolled, however it was moved (bar, wheel, keys, caret).
    void OnVScroll(TSRichEdit* sender);
    void OnHScroll(TSRichEdit* sender);

protected:
    void changeEvent(QEvent* event) override;
    // Each key's edit is one undo step, so what change handlers add to it (its colour) is undone
    // with it; a lone typed character would otherwise be a step no later edit can join.
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    int shownTop_ = 0;  // the vertical bar's value when OnVScroll last fired
    void KeepSelectionVisible();
    void VerticalMoved();
};

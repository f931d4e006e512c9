#pragma once
// The runner's window: the "Executing" bar, the run log, the status line and Cancel. A view over
// the engine's log and status; closing it while a run pumps only cancels the run.

#include <QStringList>
#include <QTimer>
#include <QWidget>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class TEffFill;
class TEffLabelFill;
class TScriptVantrel;

// "Panel1", the "Executing" bar: a textured fill, a bevel and the title with filled letters.
class TExecutingBar : public QWidget {
    Q_OBJECT
public:
    explicit TExecutingBar(QWidget* parent = nullptr);
    TEffFill* EffFill1;
    QFrame* Bevel2;
    TEffLabelFill* EffLabelFill1;

protected:
    void resizeEvent(QResizeEvent* event) override;
};

class TScriptVantrelWindow : public QWidget {
    Q_OBJECT
public:
    explicit TScriptVantrelWindow(TScriptVantrel& engine, QWidget* parent = nullptr);

    // The log with every line logged so far.
    QPlainTextEdit* Memo2();
    QLabel* StatusLine() const { return status_; }
    QPushButton* Button1() const { return cancel_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    TScriptVantrel& engine_;
    QPlainTextEdit* memo_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* cancel_ = nullptr;
    bool closing_ = false;
    // Log lines waiting for the next repaint: appended together, so a run that logs hundreds of
    // lines a second lays out and paints the log a few dozen times a second, not once per line.
    QStringList pendingLines_;
    QTimer logFlush_;
    QSize storedSize_;
    void FlushLog();
    void KeepSize();
};

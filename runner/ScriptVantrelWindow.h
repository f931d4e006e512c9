#pragma once
// The runner's window: the "Executing" bar, the run log, the status line and Cancel. A view over
// the engine's log and status; closing it while a run pumps only cancels the run.

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class TScriptVantrel;

class TScriptVantrelWindow : public QWidget {
    Q_OBJECT
public:
    explicit TScriptVantrelWindow(TScriptVantrel& engine, QWidget* parent = nullptr);

    QPlainTextEdit* Memo2() const { return memo_; }
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
};

#pragma once
// The progress window of a print job: status, job title and page number, on top of the other
// windows, centred on the screen, neither closable nor resizable by the user.

#include <QDialog>

class QLabel;

class TRichPrntProgDlg : public QDialog {
    Q_OBJECT
public:
    explicit TRichPrntProgDlg(QWidget* parent = nullptr);

    // Sets the labels (an empty status keeps the last one) and repaints at once.
    void ShowState(const QString& status, const QString& title, int page);

    QLabel* lblStatus() const { return status_; }
    QLabel* lblTitle() const { return title_; }
    QLabel* lblPageNumDesc() const { return pageDesc_; }
    QLabel* lblPageNumber() const { return pageNumber_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLabel* status_;
    QLabel* title_;
    QLabel* pageDesc_;
    QLabel* pageNumber_;
};

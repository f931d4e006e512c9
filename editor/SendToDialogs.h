#pragma once
// The Send-To description form, the please-wait window and the seams that show them: each
// window is made for one use and destroyed after it.

#include "editor/SendTo.h"

#include <QDialog>

class TEffNImage;
class TIcLabel;

class QLabel;
class QLineEdit;
class QPushButton;

class TCreateASendTo : public QDialog {
    Q_OBJECT
public:
    explicit TCreateASendTo(QWidget* parent = nullptr);
    QLabel* Memo1() const { return memo_; }
    QLineEdit* Edit1() const { return edit_; }
    QPushButton* Button1() const { return ok_; }
    QPushButton* Button2() const { return cancel_; }

    // Drops the characters a description may not hold as they are typed: "*", "/", ":", "?", "\".
    static QString WithoutRejectedCharacters(const QString& typed);

private:
    void Edit1KeyPress(const QString& typed);

    QLabel* memo_;
    QLineEdit* edit_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

class TPleaseWait : public QDialog {
    Q_OBJECT
public:
    static constexpr int Dashes = 37;
    explicit TPleaseWait(QWidget* parent = nullptr);
    TIcLabel* IcLabel1() const { return dashes_; }
    QWidget* Image1() const;
    // One more dash, back to one at 37; repainted at once.
    void PleaseWaitTick();

private:
    TIcLabel* dashes_;
    TEffNImage* image_;
};

// The windows above, and the save dialog of programs.
class WidgetSendToSeams : public SendToSeams {
public:
    std::optional<QString> AskDescription() override;
    std::unique_ptr<Progress> ShowPleaseWait() override;
    QString ProgramFileName(const QString& folder, const QString& proposal) override;
};

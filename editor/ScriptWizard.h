#pragma once
// The script wizard: pages for a description, the dial-up login, the FTP host and a list of
// commands composed one by one; Finish hands the whole script to the editor. A view over
// WizardLines.

#include "editor/WizardLines.h"

#include <QDialog>
#include <QStringList>
#include <array>
#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;
class TFormStorage;
class TTearPageControl;
class TIcSpinEdit;
class TIcLabel;

class TScriptWizard : public QDialog {
    Q_OBJECT
public:
    // `phoneBookPath` is the phone book the dial-up page reads its entries and logins from.
    explicit TScriptWizard(std::string phoneBookPath, QWidget* parent = nullptr);
    ~TScriptWizard() override;

    TTearPageControl* PageControl981() const { return pages_; }
    TTearPageControl* PageControl1() const { return commandPages_; }
    QWidget* Panel8() const { return panel8_; }
    QPlainTextEdit* Memo2() const { return memo2_; }
    QComboBox* ComboBox2() const { return comboBox2_; }
    // The input field `name` of any page (Edit1, FilenameEdit1, DirectoryEdit1, ...).
    QLineEdit* Field(const char* name) const;
    TIcSpinEdit* IcSpinEdit1() const { return spin_; }
    QComboBox* ComboBox3() const { return serverType_; }

    void ComboBox1Exit();
    void CheckBox1Click();
    void CheckBox2Click();
    void Edit5Enter();
    void ComboBox2Change(int index);
    void Button1Click();
    void Button2Click();
    void Edit11Enter();
    void Edit16Enter();
    void FilenameEdit2Enter();

    // The script as the Finish button writes it.
    QStringList ScriptLines() const;
    // Emitted by Finish before the wizard closes with Accepted.
    void BitBtn1Click();
    // Asked by Finish first: false keeps the wizard open with everything filled in.
    std::function<bool()> BeforeFinish;

signals:
    void Finished(const QStringList& lines);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::string phoneBookPath_;
    TTearPageControl* pages_ = nullptr;
    TTearPageControl* commandPages_ = nullptr;
    QPlainTextEdit* memo1_ = nullptr;
    QPlainTextEdit* memo2_ = nullptr;
    QComboBox* comboBox1_ = nullptr;
    QComboBox* comboBox2_ = nullptr;
    QComboBox* serverType_ = nullptr;
    QCheckBox* checkBox1_ = nullptr;
    QCheckBox* checkBox2_ = nullptr;
    TIcSpinEdit* spin_ = nullptr;
    TIcLabel* secondsWord_ = nullptr;
    QWidget* panel8_ = nullptr;
    TFormStorage* formStorage_ = nullptr;
    bool shown_ = false;

    void BuildGeneralPages();
    void BuildCommandPages();
    QLineEdit* AddEdit(QWidget* page, const char* name, const QString& caption, const QString& text = {});
    // The texts of item `index`'s fields in table order.
    std::vector<std::string> FieldTexts(int index) const;
    QWidget* FirstInput(int index) const;
};

// The script wizard as a window: its field events, Submit, Finish into the editor, the fields it
// keeps between runs, and a picture of each page.

#include "controls/effects/EffForm.h"
#include "controls/input/IcSpinButton.h"
#include "controls/input/IcSpinEdit.h"
#include "controls/tabs/TearPageControl.h"
#include "controls/tabs/HostStatusBar.h"
#include "controls/tabs/TearTabSheet.h"
#include "desktop/dialup/PhoneBook.h"
#include "editor/ScriptWizard.h"
#include "editor/ScriptingEditor.h"
#include "platform/AppPaths.h"
#include "printing/ScrollingRichEdit.h"
#include "tests/support/FakeEditorSeams.h"
#include "tests/support/PixelCount.h"
#include "tests/support/Shots.h"
#include "tests/support/TempDir.h"
#include "tests/support/XdgHome.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

struct Wizard : ::testing::Test {
    XdgHome home;
    std::string phoneBook;
    std::unique_ptr<TScriptWizard> wizard;

    void SetUp() override
    {
        phoneBook = home.dir().write("phonebook.ini",
                                     "[Office]\r\nUp=true\r\nUserName=office-user\r\nPassword=s3cret-pw\r\n");
        Open();
    }
    void Open()
    {
        wizard = std::make_unique<TScriptWizard>(phoneBook);
        wizard->show();
    }
    QLineEdit* F(const char* name) { return wizard->Field(name); }
    QCheckBox* Check(const char* name) { return wizard->findChild<QCheckBox*>(name); }
    QComboBox* Box(const char* name) { return wizard->findChild<QComboBox*>(name); }
    void Choose(int item)
    {
        wizard->ComboBox2()->setCurrentIndex(item);
        wizard->ComboBox2Change(item);
    }
    QStringList Composed() const
    {
        const QString text = wizard->Memo2()->toPlainText();
        return text.isEmpty() ? QStringList() : text.split('\n');
    }
};

TEST_F(Wizard, SubmitAddsTheCommandOrNothingAndAlwaysClosesThePanel)
{
    ASSERT_EQ(wizard->PageControl1()->PageCount(), 37);
    Choose(8);
    EXPECT_TRUE(!wizard->Panel8()->isHidden());
    EXPECT_EQ(wizard->PageControl1()->ActivePage(), wizard->PageControl1()->Pages(9));
    F("FilenameEdit1")->setText("\"/home/u/a b.txt\"");
    wizard->Button1Click();
    EXPECT_FALSE(!wizard->Panel8()->isHidden());
    EXPECT_EQ(wizard->ComboBox2()->currentText(), "");
    EXPECT_EQ(Composed(), QStringList({"; Send a file to remote host", "send \"/home/u/a b.txt\" \"a b.txt\""}));

    Choose(0);  // empty guard
    wizard->Button1Click();
    EXPECT_FALSE(!wizard->Panel8()->isHidden());
    EXPECT_EQ(Composed().size(), 2);

    // A wait the runner cannot make is refused with a word and the command stays open.
    for (const auto& [seconds, line] : {std::pair{7.0, QString("WaitSeconds \"7\"")}, std::pair{0.0, QString()}}) {
        wizard->Memo2()->clear();
        Choose(24);
        wizard->IcSpinEdit1()->SetDoubleValue(seconds);
        wizard->Button1Click();
        EXPECT_EQ(Composed(), line.isEmpty() ? QStringList() : QStringList({"; Wait for a specified number of seconds", line}));
        EXPECT_EQ(!wizard->Panel8()->isHidden(), line.isEmpty());
        EXPECT_EQ(wizard->findChild<QLabel*>("SecondsWord")->text().isEmpty(), !line.isEmpty());
    }
    wizard->Button2Click();

    wizard->Memo2()->clear();
    Choose(30);
    Box("ComboBox3")->setCurrentText("UNIX");
    wizard->Button1Click();
    Choose(3);
    wizard->Button2Click();  // Cancel adds nothing
    EXPECT_EQ(Composed(), QStringList({"; Set type of server (Unix,NT,VMS,etc...)", " ServerType=\"UNIX\""}));
}

TEST_F(Wizard, ChoosingAnItemClearsOnlyTheTransferPages)
{
    Choose(10);
    F("Edit13")->setText("a");
    wizard->Button2Click();
    Choose(10);
    EXPECT_EQ(F("Edit13")->text(), "");
    Choose(17);
    F("Edit18")->setText("kept");
    wizard->Button2Click();
    Choose(17);
    EXPECT_EQ(F("Edit18")->text(), "kept");
}

TEST_F(Wizard, FieldEvents)
{
    Check("CheckBox1")->setChecked(true);
    EXPECT_FALSE(Box("ComboBox1")->isEnabled());
    EXPECT_FALSE(F("Edit2")->isEnabled());
    Check("CheckBox1")->setChecked(false);
    EXPECT_TRUE(F("Edit1")->isEnabled());

    EXPECT_FALSE(F("Edit8")->isEnabled());
    Check("CheckBox2")->setChecked(true);
    EXPECT_TRUE(F("Edit8")->isEnabled() && F("Edit10")->isEnabled());

    F("Edit4")->setText("Anonymous");
    wizard->Edit5Enter();
    EXPECT_EQ(F("Edit5")->echoMode(), QLineEdit::Normal);
    F("Edit4")->setText("joe");
    wizard->Edit5Enter();
    EXPECT_EQ(F("Edit5")->echoMode(), QLineEdit::Password);

    F("FilenameEdit1")->setText("\"/a/b/c d.bin\"");
    wizard->Edit11Enter();
    EXPECT_EQ(F("Edit11")->text(), "c d.bin");
    F("Edit12")->setText("/pub/x/y.txt");
    wizard->FilenameEdit2Enter();
    EXPECT_EQ(F("FilenameEdit2")->text(), "y.txt");
    F("FilenameEdit4")->setText("\"/tmp/old\"");
    wizard->Edit16Enter();
    EXPECT_EQ(F("Edit16")->text(), "/tmp/old");

    Box("ComboBox1")->setCurrentText("Nobody");  // not in the phone book: fields kept
    F("Edit1")->setText("typed");
    wizard->ComboBox1Exit();
    EXPECT_EQ(F("Edit1")->text(), "typed");
    Box("ComboBox1")->setCurrentText("Office");
    wizard->ComboBox1Exit();
    EXPECT_EQ(F("Edit1")->text(), "office-user");
    EXPECT_EQ(F("Edit2")->text(), "s3cret-pw");
}

TEST_F(Wizard, KeepsItsFieldsButNotTheDialPassword)
{
    EXPECT_EQ(Box("ComboBox1")->count(), 1);
    Box("ComboBox1")->setCurrentText("Office");
    wizard->ComboBox1Exit();
    Check("CheckBox2")->setChecked(true);
    F("Edit8")->setText("proxy.lan");
    wizard->close();
    wizard.reset();

    for (const auto& entry : std::filesystem::recursive_directory_iterator(home.home())) {
        if (!entry.is_regular_file() || entry.path() == phoneBook) continue;
        EXPECT_EQ(TempDir::read(entry.path()).find("s3cret-pw"), std::string::npos) << entry.path();
    }
    Open();
    EXPECT_EQ(Box("ComboBox1")->currentText(), "Office");
    EXPECT_EQ(F("Edit1")->text(), "office-user");
    EXPECT_EQ(F("Edit2")->text(), "s3cret-pw");  // refilled from the phone book
    EXPECT_TRUE(Check("CheckBox2")->isChecked());
    EXPECT_EQ(F("Edit8")->text(), "proxy.lan");
}

TEST_F(Wizard, EscapeCancelsFromAnyFieldAndFinishIsNoDefaultButton)
{
    auto* finish = wizard->findChild<QPushButton*>("BitBtn1");
    auto* cancel = wizard->findChild<QPushButton*>("BitBtn2");
    EXPECT_FALSE(finish->isDefault());
    EXPECT_FALSE(finish->icon().isNull());
    EXPECT_FALSE(cancel->icon().isNull());
    bool finished = false;
    QObject::connect(wizard.get(), &TScriptWizard::Finished, [&finished] { finished = true; });
    for (const char* field : {"Edit3", "Edit9"}) {
        SCOPED_TRACE(field);
        wizard->show();
        if (std::string(field) == "Edit9") Choose(0);
        else wizard->PageControl981()->SetActivePage(wizard->PageControl981()->Pages(2));
        F(field)->setFocus();
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(F(field), &escape);
        EXPECT_TRUE(wizard->isHidden());
        EXPECT_EQ(wizard->result(), QDialog::Rejected);
    }
    EXPECT_FALSE(finished);
}

// Real focus moves and key presses: a proposal fills an empty field when the focus comes from
// another field, never when a menu closes or the window comes back, and never over typed text;
// Enter submits the pending command; only the button or Alt+F finishes.
TEST_F(Wizard, FocusAndKeysKeepWhatWasTyped)
{
    QWidget other;
    other.setAccessibleName("Other window");
    bool finished = false;
    QObject::connect(wizard.get(), &TScriptWizard::Finished, [&finished] { finished = true; });
    wizard->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(wizard.get()));
    wizard->PageControl981()->SetActivePage(wizard->PageControl981()->Pages(3));
    const auto closeMenuSoon = [] {
        QTimer::singleShot(50, [] {
            if (QWidget* menu = QApplication::activePopupWidget()) menu->close();
        });
    };
    const auto leaveAndComeBack = [&] {
        other.show();
        other.activateWindow();
        QTest::qWaitForWindowActive(&other);
        wizard->activateWindow();
        QTest::qWaitForWindowActive(wizard.get());
    };

    Choose(8);
    QTest::keyClicks(F("FilenameEdit1"), "/src/a.txt");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), F("Edit11"));
    EXPECT_EQ(F("Edit11")->text(), "a.txt");  // proposed, and selected: typing replaces it
    QTest::qWait(10);
    QTest::keyClicks(F("Edit11"), "dest.bin");
    EXPECT_EQ(F("Edit11")->text(), "dest.bin");
    closeMenuSoon();
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(5, 5));
    QApplication::sendEvent(F("Edit11"), &menu);
    EXPECT_EQ(F("Edit11")->text(), "dest.bin");
    leaveAndComeBack();
    EXPECT_EQ(F("Edit11")->text(), "dest.bin");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(F("Edit11")->text(), "dest.bin");
    QTest::keyClick(F("Edit11"), Qt::Key_Return);  // submits, does not finish
    EXPECT_FALSE(finished);
    EXPECT_TRUE(wizard->isVisible());
    EXPECT_EQ(Composed(), QStringList({"; Send a file to remote host", "send \"/src/a.txt\" \"dest.bin\""}));

    Choose(9);
    QTest::keyClicks(F("Edit12"), "/pub/remote.bin");
    QTest::mouseClick(F("FilenameEdit2"), Qt::LeftButton, {}, QPoint(10, 5));
    ASSERT_EQ(QApplication::focusWidget(), F("FilenameEdit2"));
    QTest::qWait(10);
    QTest::keyClicks(F("FilenameEdit2"), "/home/u/got.bin");
    EXPECT_EQ(F("FilenameEdit2")->text(), "/home/u/got.bin");
    leaveAndComeBack();
    QTest::keyClick(F("FilenameEdit2"), Qt::Key_Enter);
    EXPECT_FALSE(finished);
    EXPECT_EQ(Composed().mid(2), QStringList({"; Get a file from the remote host",
                                              "get \"/pub/remote.bin\" \"/home/u/got.bin\""}));

    // The wait starts at 10 and steps by 1; Enter in it submits.
    Choose(24);
    EXPECT_EQ(wizard->IcSpinEdit1()->Value(), 10);
    QTest::keyClick(wizard->IcSpinEdit1(), Qt::Key_Up);
    EXPECT_EQ(wizard->IcSpinEdit1()->Value(), 11);
    QTest::keyClick(wizard->IcSpinEdit1(), Qt::Key_Return);
    EXPECT_EQ(Composed().mid(4), QStringList({"; Wait for a specified number of seconds", "WaitSeconds \"11\""}));

    // Enter outside a command does nothing; Alt+F finishes.
    wizard->PageControl981()->SetActivePage(wizard->PageControl981()->Pages(2));
    F("Edit3")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(F("Edit3"), Qt::Key_Return);
    EXPECT_FALSE(finished);
    EXPECT_TRUE(wizard->isVisible());
    QTest::keyClick(wizard->windowHandle(), Qt::Key_F, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&finished] { return finished; }, 5000));  // a shortcut animates the click
    EXPECT_EQ(wizard->result(), QDialog::Accepted);
}

TEST_F(Wizard, TheFormHelperOpensItAndStoresNothing)
{
    auto* helper = wizard->findChild<TEffForm*>("EffForm1");
    ASSERT_NE(helper, nullptr);
    EXPECT_EQ(helper->Effect(), deExplode);
    EXPECT_EQ(helper->IniKey(), "ScriptWizard");
    EXPECT_EQ(helper->IniUse(), ioNone);
    EXPECT_EQ(helper->IniSaveOptions(), TEffForm::TEffFormIniSaveOptions());
    wizard->close();
    wizard.reset();
    for (const auto& entry : std::filesystem::recursive_directory_iterator(home.home())) {
        if (entry.is_regular_file())
            EXPECT_EQ(TempDir::read(entry.path()).find("ScriptWizard="), std::string::npos) << entry.path();
    }
}

TEST_F(Wizard, EveryControlHasAName)
{
    for (QWidget* w : wizard->findChildren<QWidget*>()) {
        if (!w->isWidgetType() || w->objectName().isEmpty() || w->objectName().startsWith("qt_")) continue;
        if (!w->focusPolicy()) continue;
        EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
    }
    // Two fields of one command page never share a name.
    for (int item = 0; item < wizard::CommandCount; ++item) {
        QStringList names;
        for (const wizard::CommandField& field : wizard::CommandItems()[std::size_t(item)].fields)
            names << wizard->findChild<QWidget*>(field.name)->accessibleName();
        EXPECT_EQ(names.removeDuplicates(), 0) << "item " << item;
    }
    EXPECT_EQ(F("Edit19")->accessibleName(), "Send NEWER files (destination)");
    for (int page : {1, 2}) {
        QStringList names;
        for (QWidget* w : wizard->PageControl981()->Pages(page)->findChildren<QWidget*>())
            if (w->focusPolicy() && !w->objectName().isEmpty()) names << w->accessibleName();
        EXPECT_EQ(names.removeDuplicates(), 0) << names.join(", ").toStdString();
    }
}

int DarkPixels(const QImage& image, const QRect& area)
{
    int n = 0;
    const QRect inside = area & image.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x) n += qGray(image.pixel(x, y)) < 80;
    return n;
}

// Every page as it is seen, each written as a picture (into VANTREL_SHOTS when that is set):
// the chosen tab's caption, each page's labels and fields, the wait's 10 and its refusal.
TEST_F(Wizard, PagesRender)
{
    const TempDir pictures;
    TTearPageControl* pages = wizard->PageControl981();
    const auto take = [&](const QString& name) {
        const QImage picture = wizard->grab().toImage();
        EXPECT_TRUE(picture.save(ShotPath(pictures.path(), (name + ".png").toStdString().c_str())));
        return picture;
    };
    const auto in = [&](const QWidget* w) { return QRect(w->mapTo(wizard.get(), QPoint(0, 0)), w->size()); };
    // The words of each visible label of the page, the white ground of each enabled field and the
    // grey one of each disabled field.
    const auto labelsAndFieldsSeen = [&](const QImage& picture, const QWidget* page, const QString& name) {
        for (const QLabel* label : page->findChildren<QLabel*>())
            if (label->isVisible() && !label->text().isEmpty())
                EXPECT_GT(DarkPixels(picture, in(label)), 10) << name.toStdString() << " " << label->text().toStdString();
        for (const QLineEdit* field : page->findChildren<QLineEdit*>())
            if (field->isVisible() && field->width() > 20) {
                const int white = CountPixelsNear(picture, in(field).adjusted(3, 3, -3, -3), qRgb(255, 255, 255));
                if (field->isEnabled())
                    EXPECT_GT(white, field->width() * field->height() / 4) << name.toStdString() << " "
                                                                            << field->objectName().toStdString();
                else
                    EXPECT_EQ(white, 0) << name.toStdString() << " " << field->objectName().toStdString();
            }
    };
    for (int i = 0; i < pages->PageCount(); ++i) {
        pages->SetActivePage(pages->Pages(i));
        const QString name = QString("wizard-%1").arg(i);
        const QImage picture = take(name);
        const QRect tab(pages->mapTo(wizard.get(), pages->TabRect(i).topLeft()), pages->TabRect(i).size());
        EXPECT_GT(DarkPixels(picture, tab), 20) << "the caption of tab " << i;
        labelsAndFieldsSeen(picture, pages->Pages(i), name);
    }
    // Every command page inside the activity page.
    for (int item = 0; item < wizard::CommandCount; ++item) {
        Choose(item);
        const QString name = QString("wizard-3-%1").arg(item, 2, 10, QChar('0'));
        labelsAndFieldsSeen(take(name), wizard->PageControl1()->ActivePage(), name);
    }
    Choose(24);
    const QRect spin = in(wizard->IcSpinEdit1());
    const QRect refusal = in(wizard->findChild<QWidget*>("SecondsWord"));
    const QImage waiting = take("wizard-3-24");
    EXPECT_GT(DarkPixels(waiting, QRect(spin.left() + 2, spin.top() + 3, 20, spin.height() - 6)), 10);  // "10"
    EXPECT_EQ(DarkPixels(waiting, refusal), 0);
    wizard->IcSpinEdit1()->SetDoubleValue(0);
    wizard->Button1Click();
    EXPECT_GT(DarkPixels(take("wizard-3-24-refused"), refusal), 30);
}

struct EditorWizard : ::testing::Test {
    XdgHome home;
    TempDir program;
    FakeSeams seams;
    void SetUp() override { apppaths::setProgramFolderForTesting(program.path()); }
    void TearDown() override { apppaths::setProgramFolderForTesting(""); }
};

TEST_F(EditorWizard, FinishReplacesTheTextAndCancelKeepsIt)
{
    TScriptingEditor editor(seams);
    editor.show();
    QStringList expected;
    seams.modal = [&expected](QDialog& dialog) {
        auto& wizard = static_cast<TScriptWizard&>(dialog);
        wizard.show();
        wizard.findChild<QCheckBox*>("CheckBox1")->setChecked(true);
        wizard.Field("Edit3")->setText("127.0.0.1");
        wizard.ComboBox2()->setCurrentIndex(3);
        wizard.ComboBox2Change(3);
        wizard.Button1Click();
        expected = wizard.ScriptLines();
        wizard.findChild<QPushButton*>("BitBtn1")->click();
        return wizard.result();
    };
    editor.Action("ScriptingWizard1")->trigger();
    EXPECT_TRUE(seams.asked.empty());  // nothing to save: nothing asked
    EXPECT_TRUE(expected.contains("BINARY"));
    EXPECT_EQ(editor.Memo1()->toPlainText(), expected.join('\n'));
    EXPECT_TRUE(editor.Modified());
    EXPECT_TRUE(editor.Action("SaveBtn")->isEnabled());
    EXPECT_EQ(editor.CurrentFileName(), "");
    // Coloured as the highlighter colours a typed line.
    const QTextBlock host = editor.Memo1()->document()->findBlockByNumber(int(expected.indexOf("Host=\"127.0.0.1\"")));
    EXPECT_EQ(host.text(), "Host=\"127.0.0.1\"");
    EXPECT_EQ(host.begin().fragment().charFormat().foreground().color(), QColor(0, 0, 255));
    EXPECT_TRUE(seams.informed.empty());
}

TEST_F(EditorWizard, OverChangedTextFinishAsksFirstAndCancelOfTheWizardKeepsNameAndState)
{
    const std::string old = program.write("Scripts/Old.ftp", "old text\r\n");
    program.write("Scripts/Other.ftp", "other\r\n");
    TScriptingEditor editor(seams);
    editor.show();
    const auto openAndEdit = [&] {
        editor.SelectScript("Old.ftp");
        ASSERT_EQ(editor.CurrentFileName(), old);
        editor.Memo1()->moveCursor(QTextCursor::End);
        editor.Memo1()->insertPlainText(" edited");
        ASSERT_TRUE(editor.Modified());
    };
    openAndEdit();
    seams.modal = [](QDialog& dialog) { return dialog.reject(), int(QDialog::Rejected); };
    editor.Action("ScriptingWizard1")->trigger();
    EXPECT_TRUE(seams.asked.empty());
    EXPECT_EQ(editor.Memo1()->toPlainText(), "old text edited");
    EXPECT_EQ(editor.CurrentFileName(), old);
    EXPECT_TRUE(editor.Modified());
    EXPECT_EQ(editor.SBar()->Panel(1).Text, "Changed!");
    EXPECT_EQ(editor.SBar()->Panel(0).Text.toStdString(), old);

    const struct {
        const char* name;
        EditorSeams::Answer answer;
        bool replaced;
        std::string file;  // Old.ftp after
    } cases[] = {
        {"cancel: the wizard stays open, the edits stay", EditorSeams::Answer::Cancel, false, "old text\r\n"},
        {"no: the edits are given up", EditorSeams::Answer::No, true, "old text\r\n"},
        {"yes: saved, then replaced", EditorSeams::Answer::Yes, true, "old text edited\r\n"},
    };
    for (const auto& c : cases) {
        program.write("Scripts/Old.ftp", "old text\r\n");
        seams.answers = {EditorSeams::Answer::No};
        editor.SelectScript("Other.ftp");  // then Old.ftp afresh
        openAndEdit();
        seams.asked.clear();
        bool stayedOpen = false;
        seams.modal = [&](QDialog& dialog) {
            auto& wizard = static_cast<TScriptWizard&>(dialog);
            wizard.show();
            wizard.Field("Edit3")->setText("127.0.0.1");
            seams.answers = {c.answer};
            wizard.findChild<QPushButton*>("BitBtn1")->click();
            stayedOpen = wizard.isVisible() && wizard.result() != QDialog::Accepted;
            if (stayedOpen) wizard.reject();
            return wizard.result();
        };
        editor.Action("ScriptingWizard1")->trigger();
        ASSERT_EQ(seams.asked.size(), 1u) << c.name;
        EXPECT_TRUE(seams.asked[0].startsWith("The file has changed...")) << c.name;
        EXPECT_EQ(stayedOpen, !c.replaced) << c.name;
        EXPECT_EQ(TempDir::read(old), c.file) << c.name;
        if (c.replaced) {
            EXPECT_TRUE(editor.Memo1()->toPlainText().contains("Host=\"127.0.0.1\"")) << c.name;
            EXPECT_EQ(editor.CurrentFileName(), "") << c.name;
            EXPECT_EQ(editor.SBar()->Panel(0).Text, "") << c.name;
        } else {
            EXPECT_EQ(editor.Memo1()->toPlainText(), "old text edited") << c.name;
            EXPECT_EQ(editor.CurrentFileName(), old) << c.name;
            EXPECT_TRUE(editor.Memo1()->document()->isUndoAvailable()) << c.name;  // Ctrl+Z still works
        }
        EXPECT_TRUE(editor.Modified()) << c.name;
    }
}

}  // namespace

#include "controls/input/IcSpeedButton.h"
#include "controls/tabs/HostStatusBar.h"
#include "controls/tabs/LedLight.h"
#include "editor/EditorSeams.h"
#include "editor/ScriptFile.h"
#include "editor/ScriptingEditor.h"
#include "platform/AppPaths.h"
#include "printing/ScrollingRichEdit.h"
#include "tests/support/TempDir.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QTextBlock>
#include <QTimer>
#include <QtTest/QTest>
#include <deque>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

// Answers every question from prepared queues and records what was asked and started.
struct FakeSeams : EditorSeams {
    std::deque<Answer> answers;
    std::deque<bool> confirms;
    std::deque<QString> saveNames;
    std::vector<QString> asked, informed, failed;
    std::vector<std::vector<std::string>> started;
    bool startWorks = true;

    Answer AskYesNoCancel(const QString& text) override
    {
        asked.push_back(text);
        EXPECT_FALSE(answers.empty()) << "unexpected question: " << text.toStdString();
        if (answers.empty()) return Answer::Cancel;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    bool Confirm(const QString& text) override
    {
        asked.push_back(text);
        EXPECT_FALSE(confirms.empty()) << "unexpected question: " << text.toStdString();
        if (confirms.empty()) return false;
        const bool c = confirms.front();
        confirms.pop_front();
        return c;
    }
    void Inform(const QString& text) override { informed.push_back(text); }
    void Fail(const QString& text) override { failed.push_back(text); }
    QString SaveAsName(const QString&, const QString&) override
    {
        if (saveNames.empty()) return {};
        const QString n = saveNames.front();
        saveNames.pop_front();
        return n;
    }
    QString PictureName() override { return {}; }
    bool Start(const std::vector<std::string>& argv, std::string& error) override
    {
        started.push_back(argv);
        if (!startWorks) error = "No such file or directory";
        return startWorks;
    }
};

std::string Read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Editor : ::testing::Test {
    TempDir program;
    FakeSeams seams;
    std::unique_ptr<TScriptingEditor> editor;
    std::string scripts;

    void SetUp() override
    {
        apppaths::setProgramFolderForTesting(program.path());
        scripts = program.path() + "/Scripts";
        program.write("Scripts/First.ftp", "; first\r\nHOST=example\r\n");
        program.write("Scripts/Second.ftp", "GET a b\r\n");
        program.write("Scripts/notes.txt", "not a script\r\n");
        editor = std::make_unique<TScriptingEditor>(seams);
        editor->show();
    }
    void TearDown() override
    {
        editor.reset();
        apppaths::setProgramFolderForTesting("");
    }
    void Type(const QString& text)
    {
        for (QChar ch : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(editor->Memo1(), &press);
        }
    }
    QString Panel(int i) const { return editor->SBar()->Panel(i).Text; }
    bool Closes()
    {
        QCloseEvent close;
        QApplication::sendEvent(editor.get(), &close);
        return close.isAccepted();
    }
};

}  // namespace

TEST_F(Editor, ListsTheScriptsAndOpensOneColouredAndClean)
{
    ASSERT_EQ(editor->FList()->count(), 2);
    EXPECT_EQ(editor->FList()->item(0)->text(), "First.ftp");
    editor->SelectScript("First.ftp");
    EXPECT_EQ(editor->CurrentFileName(), scripts + "/First.ftp");
    EXPECT_EQ(editor->Memo1()->toPlainText(), "; first\nHOST=example");
    EXPECT_FALSE(editor->Modified());
    EXPECT_EQ(Panel(0).toStdString(), scripts + "/First.ftp");
    EXPECT_EQ(Panel(1), "...");
    EXPECT_FALSE(editor->Light()->Value());
    EXPECT_FALSE(editor->Action("SaveBtn")->isEnabled());
    EXPECT_FALSE(editor->Memo1()->document()->isUndoAvailable());
    const QTextBlock host = editor->Memo1()->document()->findBlockByNumber(1);
    EXPECT_EQ(host.begin().fragment().charFormat().foreground().color(), QColor(0, 0, 255));
    EXPECT_EQ(host.begin().fragment().length(), 4);
    editor->resize(860, 420);
    editor->grab().save("/tmp/editor-window.png");
}

TEST_F(Editor, TypingPastingAndKeysMarkTheTextChanged)
{
    editor->SelectScript("Second.ftp");
    Type("x");
    EXPECT_TRUE(editor->Modified());
    EXPECT_EQ(Panel(1), "Changed!");
    EXPECT_TRUE(editor->Light()->Value());
    EXPECT_TRUE(editor->Light()->Blink());
    EXPECT_TRUE(editor->Action("SaveBtn")->isEnabled());

    seams.answers = {EditorSeams::Answer::No};
    editor->SelectScript("First.ftp");
    ASSERT_FALSE(editor->Modified());
    QApplication::clipboard()->setText("pasted");
    editor->Action("Paste1")->trigger();
    EXPECT_TRUE(editor->Modified());

    seams.answers = {EditorSeams::Answer::No};
    editor->SelectScript("Second.ftp");
    ASSERT_FALSE(editor->Modified());
    editor->Action("SelectAll1")->trigger();
    EXPECT_FALSE(editor->Modified());
    editor->Action("Cut1")->trigger();
    EXPECT_TRUE(editor->Modified());
    EXPECT_EQ(editor->Memo1()->toPlainText(), "");

    seams.answers = {EditorSeams::Answer::No};
    editor->SelectScript("First.ftp");
    ASSERT_FALSE(editor->Modified());
    QKeyEvent copy(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);  // no character
    QApplication::sendEvent(editor->FList(), &copy);
    EXPECT_FALSE(editor->Modified());
    QKeyEvent letter(QEvent::KeyPress, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    QApplication::sendEvent(editor->FList(), &letter);
    EXPECT_TRUE(editor->Modified());
}

TEST_F(Editor, AskSaveAnswers)
{
    const struct {
        const char* name;
        EditorSeams::Answer answer;
        bool switched, saved;
    } cases[] = {
        {"yes", EditorSeams::Answer::Yes, true, true},
        {"no", EditorSeams::Answer::No, true, false},
        {"cancel", EditorSeams::Answer::Cancel, false, false},
    };
    for (const auto& c : cases) {
        program.write("Scripts/First.ftp", "; first\r\n");
        editor->SelectScript("First.ftp");
        editor->Memo1()->moveCursor(QTextCursor::End);
        Type("z");
        seams.answers = {c.answer};
        editor->SelectScript("Second.ftp");
        EXPECT_EQ(editor->CurrentFileName() == scripts + "/Second.ftp", c.switched) << c.name;
        EXPECT_EQ(Read(scripts + "/First.ftp"), c.saved ? "; firstz\r\n" : "; first\r\n") << c.name;
        EXPECT_EQ(editor->Modified(), !c.switched) << c.name;
        if (!c.switched) {
            // The list shows the script still being edited.
            EXPECT_EQ(editor->FList()->selectedItems().value(0)->text(), "First.ftp") << c.name;
            EXPECT_EQ(Panel(1), "Changed!");
        }
        seams.answers = {EditorSeams::Answer::No};
        editor->SelectScript("First.ftp");
        editor->SelectScript("Second.ftp");
        seams.answers.clear();
    }
}

TEST_F(Editor, SaveAsReplacesBlanksAndAsksAgainForAnExistingUnderscoreName)
{
    program.write("Scripts/my_script.ftp", "old\r\n");
    editor->SelectScript("Second.ftp");
    Type(";");
    seams.saveNames = {QString::fromStdString(scripts + "/my script.ftp"),
                       QString::fromStdString(scripts + "/other name.ftp")};
    seams.confirms = {false};
    ASSERT_TRUE(editor->SaveAsClick());
    EXPECT_EQ(seams.asked.size(), 1u);
    EXPECT_TRUE(seams.asked[0].contains("my_script.ftp"));
    EXPECT_EQ(Read(scripts + "/my_script.ftp"), "old\r\n");
    EXPECT_EQ(Read(scripts + "/other_name.ftp"), ";GET a b\r\n");
    EXPECT_FALSE(apppaths::fileExists(scripts + "/other name.ftp"));
    EXPECT_EQ(editor->CurrentFileName(), scripts + "/other_name.ftp");
    EXPECT_FALSE(editor->Modified());
    EXPECT_EQ(editor->FList()->selectedItems().value(0)->text(), "other_name.ftp");
}

TEST_F(Editor, ANewScriptWithSaveAsCancelledVetoesTheClose)
{
    editor->SelectScript("First.ftp");
    seams.confirms = {true};
    editor->RemoveClick();  // the edited script is gone: its text stays, without a name
    ASSERT_TRUE(editor->CurrentFileName().empty());
    Type("new");
    seams.answers = {EditorSeams::Answer::Yes};
    EXPECT_FALSE(Closes());
    EXPECT_TRUE(editor->Modified());
    EXPECT_EQ(Panel(1), "Changed!");
    EXPECT_TRUE(seams.started.empty());

    // A failed save vetoes it as well.
    seams.answers = {EditorSeams::Answer::Yes};
    seams.saveNames = {"/nonexistent-folder/x.ftp"};
    EXPECT_FALSE(Closes());
    EXPECT_EQ(seams.failed.size(), 1u);
    EXPECT_TRUE(editor->Modified());

    seams.answers = {EditorSeams::Answer::No};
    EXPECT_TRUE(Closes());
}

TEST_F(Editor, RemovingAnotherScriptKeepsTheChangeMark)
{
    editor->SelectScript("First.ftp");
    Type("q");
    editor->FList()->blockSignals(true);
    editor->FList()->setCurrentRow(1);
    editor->FList()->blockSignals(false);
    seams.confirms = {true};
    editor->RemoveClick();
    EXPECT_FALSE(apppaths::fileExists(scripts + "/Second.ftp"));
    EXPECT_TRUE(editor->Modified());
    EXPECT_EQ(editor->CurrentFileName(), scripts + "/First.ftp");
}

TEST_F(Editor, RunSavesFirstAndStartsTheRunnerOnTheCurrentScript)
{
    editor->RunClick();  // nothing being edited: nothing runs
    EXPECT_TRUE(seams.started.empty());

    editor->SelectScript("First.ftp");
    editor->Memo1()->moveCursor(QTextCursor::End);
    Type("CONNECT");
    editor->FList()->blockSignals(true);
    editor->FList()->setCurrentRow(1);  // the list may point elsewhere
    editor->FList()->blockSignals(false);
    editor->Action("IcSpeedButton3")->trigger();
    EXPECT_EQ(Read(scripts + "/First.ftp"), "; first\r\nHOST=exampleCONNECT\r\n");
    EXPECT_FALSE(editor->Modified());
    ASSERT_EQ(seams.started.size(), 1u);
    EXPECT_EQ(seams.started[0], (std::vector<std::string>{program.path() + "/Trevask", scripts + "/First.ftp"}));

    seams.startWorks = false;
    editor->RunClick();
    ASSERT_EQ(seams.failed.size(), 1u);
    EXPECT_TRUE(seams.failed[0].contains("Trevask"));
}

TEST_F(Editor, ViewLogOpensTheRunnersHistoryFile)
{
    editor->SelectScript("First.ftp");
    editor->ViewLogClick();
    EXPECT_EQ(seams.informed, std::vector<QString>{"No log available!"});
    EXPECT_TRUE(seams.started.empty());

    program.write("Scripts/First.History.txt", "log\r\n");
    editor->Action("IcSpeedButton5")->trigger();
    ASSERT_EQ(seams.started.size(), 1u);
    EXPECT_EQ(seams.started[0], (std::vector<std::string>{"xdg-open", scripts + "/First.History.txt"}));

    editor->Action("IcSpeedButton7")->trigger();
    ASSERT_EQ(seams.started.size(), 2u);
    EXPECT_EQ(seams.started[1], (std::vector<std::string>{"xdg-open", program.path() + "/Scripts.txt"}));
}

TEST_F(Editor, EightBitScriptWithPasswordSavedUnchangedKeepsItsBytes)
{
    const std::string m(1, kPasswordMarker);
    const std::string bytes = "; caf\xE9\r\nPassword=\"" + m + ScramblePassword("s3cr\xEBt") + m + "\"\r\nCONNECT\r\n";
    program.write("Scripts/Eight.ftp", bytes);
    editor->SelectScript("Eight.ftp");  // listed at the next refresh
    ASSERT_TRUE(editor->CurrentFileName().empty());
    editor->SaveBtnClick();  // refreshes the list; nothing to save
    editor->SelectScript("Eight.ftp");
    ASSERT_EQ(editor->CurrentFileName(), scripts + "/Eight.ftp");
    EXPECT_TRUE(editor->Memo1()->toPlainText().contains(QString::fromLatin1("Password=\"s3cr\xEBt\"")));
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(editor->FList(), &escape);  // marks changed, changes nothing
    ASSERT_TRUE(editor->Modified());
    ASSERT_TRUE(editor->SaveBtnClick());
    EXPECT_EQ(Read(scripts + "/Eight.ftp"), bytes);
}

TEST_F(Editor, AReadErrorKeepsTrackingAndColouring)
{
    editor->SelectScript("First.ftp");
    std::remove((scripts + "/Second.ftp").c_str());  // gone since the list was read
    editor->SelectScript("Second.ftp");
    EXPECT_EQ(seams.failed.size(), 1u);
    EXPECT_EQ(editor->CurrentFileName(), scripts + "/First.ftp");
    EXPECT_EQ(editor->FList()->selectedItems().value(0)->text(), "First.ftp");
    editor->Memo1()->SetRow(1);
    Type(";");
    EXPECT_TRUE(editor->Modified());
    const QTextBlock last = editor->Memo1()->document()->lastBlock();
    EXPECT_EQ(last.begin().fragment().charFormat().foreground().color(), QColor(255, 0, 0));
}

TEST_F(Editor, EveryControlHasAnAccessibleName)
{
    for (QWidget* w : editor->findChildren<QWidget*>()) {
        if (!w->isVisible() || !w->focusPolicy()) continue;
        const bool named = !w->accessibleName().isEmpty() || !w->toolTip().isEmpty() ||
                           (w->inherits("QAbstractButton") && !w->property("text").toString().isEmpty());
        EXPECT_TRUE(named) << w->metaObject()->className() << " " << w->objectName().toStdString();
    }
    EXPECT_FALSE(editor->Light()->accessibleName().isEmpty());
}

TEST_F(Editor, PowerItemsNeedAScriptFileName)
{
    auto* power = editor->findChild<QMenu*>("Power1");
    ASSERT_NE(power, nullptr);
    auto enabled = [&] {
        emit power->aboutToShow();
        int n = 0;
        for (QAction* a : power->actions()) n += a->isEnabled();
        return n;
    };
    EXPECT_EQ(enabled(), 0);
    editor->SelectScript("First.ftp");
    EXPECT_EQ(enabled(), 3);
}

TEST_F(Editor, ToolbarButtonsFollowTheirActionsAndCloseRepeatsNoFurther)
{
    auto* save = editor->findChild<TIcSpeedButton*>("SaveBtn");
    auto* out = editor->findChild<TIcSpeedButton*>("GetOut");
    ASSERT_NE(save, nullptr);
    ASSERT_NE(out, nullptr);
    EXPECT_FALSE(save->isEnabled());
    EXPECT_EQ(save->accessibleName(), "Save...");
    EXPECT_EQ(out->accessibleName(), "Close!");
    EXPECT_TRUE(out->AllowTimer());
    editor->SelectScript("First.ftp");
    Type("x");
    EXPECT_TRUE(save->isEnabled());

    // Held down, "Close!" asks once; once the window is closing, further ticks do nothing.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(editor.get(), 2000));
    seams.answers = {EditorSeams::Answer::No};
    QTest::mousePress(out, Qt::LeftButton, {}, QPoint(5, 5));
    out->RepeatTimerExpired();
    EXPECT_EQ(seams.asked.size(), 1u);
    EXPECT_FALSE(editor->isVisible());
    out->RepeatTimerExpired();
    EXPECT_EQ(seams.asked.size(), 1u);
    EXPECT_FALSE(out->RepeatTimer()->isActive());
    QTest::mouseRelease(out, Qt::LeftButton, {}, QPoint(5, 5));
}

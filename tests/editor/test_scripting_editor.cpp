#include "controls/effects/EffForm.h"
#include "controls/effects/EffLabels.h"
#include "controls/input/FormPlacement.h"
#include "controls/input/IcSpeedButton.h"
#include "controls/tabs/CaptionBar.h"
#include "controls/tabs/HostStatusBar.h"
#include "controls/tabs/LedLight.h"
#include "editor/EditorPanels.h"
#include "editor/EditorSeams.h"
#include "editor/ScriptingEditor.h"
#include "platform/AppPaths.h"
#include "platform/IniFile.h"
#include "platform/KeyStore.h"
#include "printing/ScrollingRichEdit.h"
#include "script/ScriptFile.h"
#include "tests/support/FakeEditorSeams.h"
#include "tests/support/Shots.h"
#include "tests/support/TempDir.h"
#include "tests/support/XdgHome.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenuBar>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QSignalSpy>
#include <QSplitter>
#include <QToolBar>
#include <QTextBlock>
#include <QTimer>
#include <QtTest/QTest>
#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sstream>

namespace {

std::string Read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Editor : ::testing::Test {
    XdgHome home;  // the editor registers its file type and keeps its settings there
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
    QString Shot(const char* name) const { return ShotPath(program.path(), name); }
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
    editor->grab().save(Shot("editor-window.png"));
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

TEST_F(Editor, AViewerThatCannotStartOrEndsInFailureIsSaidInABox)
{
    program.write("Scripts/First.History.txt", "log\r\n");
    editor->SelectScript("First.ftp");
    const struct {
        const char* name;
        const char* action;
        bool starts;
        int status;  // xdg-open's
        bool box;
        const char* file;
    } cases[] = {
        {"log shown", "IcSpeedButton5", true, 0, false, "First.History.txt"},
        {"log: no viewer for it", "IcSpeedButton5", true, 3, true, "First.History.txt"},
        {"help: the viewer failed", "IcSpeedButton7", true, 4, true, "Scripts.txt"},
        {"help: xdg-open missing", "IcSpeedButton7", false, 0, true, "Scripts.txt"},
    };
    for (const auto& c : cases) {
        seams.failed.clear();
        seams.started.clear();
        seams.startWorks = c.starts;
        seams.exitStatus = c.status;
        editor->Action(c.action)->trigger();
        ASSERT_EQ(seams.started.size(), 1u) << c.name;
        EXPECT_TRUE(seams.started[0][1].ends_with(c.file)) << c.name;
        ASSERT_EQ(seams.failed.size(), c.box ? 1u : 0u) << c.name;
        if (c.box) {
            EXPECT_TRUE(seams.failed[0].contains(c.file)) << c.name;
        }
    }
}

TEST_F(Editor, ThePanelsAndTheLedFollowTheDocumentMarkedOncePerKey)
{
    editor->SelectScript("First.ftp");
    QSignalSpy marks(&editor->Document(), &ScriptDocument::modifiedChanged);
    Type("x");  // the key and the text change it makes
    EXPECT_EQ(marks.count(), 1);
    editor->Document().SetModified(false);
    EXPECT_EQ(Panel(1), "...");
    EXPECT_FALSE(editor->Light()->Value());
    EXPECT_FALSE(editor->Action("SaveBtn")->isEnabled());
    editor->Document().SetModified(true);
    EXPECT_EQ(Panel(1), "Changed!");
    EXPECT_TRUE(editor->Light()->Blink());
    EXPECT_TRUE(editor->Action("SaveBtn")->isEnabled());
    editor->Document().New();
    EXPECT_EQ(Panel(0), "");
}

TEST_F(Editor, SaveSaysWhyItLeftTheFileAsItWas)
{
    const struct {
        const char* name;
        std::string bytes;
        std::function<void(const std::string&)> meanwhile;  // another program, on the script's path
        QString typed;
        std::deque<bool> confirms;
        bool saved;
        const char* said;  // in the question asked, or the failure box
        std::string after;
    } cases[] = {
        {"read-only", "HOST=x\r\n", [](const std::string& p) { ::chmod(p.c_str(), 0444); }, "x", {}, false,
         "read-only", "HOST=x\r\n"},
        {"changed by another program: kept", "HOST=x\r\n",
         [](const std::string& p) { std::ofstream(p, std::ios::binary) << "theirs\r\n"; }, "x", {false}, false,
         "changed by another program", "theirs\r\n"},
        {"latin-1 and a euro: cancelled", "; caf\xE9\r\n", {}, QString(QChar(0x20AC)), {false}, false, "UTF-8",
         "; caf\xE9\r\n"},
        {"latin-1 and a euro: as UTF-8", "; caf\xE9\r\n", {}, QString(QChar(0x20AC)), {true}, true, "UTF-8",
         "\xE2\x82\xAC; caf\xC3\xA9\r\n"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string name = "Own" + std::to_string(n++) + ".ftp";
        const std::string path = program.write("Scripts/" + name, c.bytes);
        const QString item = QString::fromStdString(name);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !editor->FList()->findItems(item, Qt::MatchExactly).isEmpty(); }, 20000));
        if (editor->Modified()) seams.answers = {EditorSeams::Answer::No};
        editor->SelectScript(item);
        ASSERT_EQ(editor->CurrentFileName(), path) << c.name;
        if (c.meanwhile) c.meanwhile(path);
        Type(c.typed);
        seams.asked.clear();
        seams.failed.clear();
        seams.confirms = c.confirms;
        EXPECT_EQ(editor->SaveBtnClick(), c.saved) << c.name;
        const std::vector<QString>& said = c.confirms.empty() ? seams.failed : seams.asked;
        ASSERT_EQ(said.size(), 1u) << c.name;
        EXPECT_TRUE(said[0].contains(c.said)) << c.name << ": " << said[0].toStdString();
        EXPECT_EQ(Read(path), c.after) << c.name;
        EXPECT_EQ(editor->Modified(), !c.saved) << c.name;
        EXPECT_EQ(Panel(1), c.saved ? "..." : "Changed!") << c.name;
    }
}

TEST_F(Editor, TheListShowsEveryNameAndFollowsOtherPrograms)
{
    const std::string latin = "caf\xE9.ftp";  // not UTF-8
    program.write("Scripts/" + latin, "; caf\xE9\r\n");
    const auto listed = [&] {
        QStringList names;
        for (int i = 0; i < editor->FList()->count(); ++i) names << editor->FList()->item(i)->text();
        return names;
    };
    const QString shown = QString::fromLatin1("caf\xE9.ftp");
    // Made by another program while the editor runs: listed without a command of the editor's.
    ASSERT_TRUE(QTest::qWaitFor([&] { return listed().contains(shown); }, 20000)) << listed().join(", ").toStdString();
    editor->SelectScriptFile(latin);
    ASSERT_EQ(editor->CurrentFileName(), scripts + "/" + latin);
    EXPECT_EQ(editor->Memo1()->toPlainText(), QString::fromLatin1("; caf\xE9"));
    EXPECT_EQ(Panel(0), QString::fromLatin1((scripts + "/" + latin).c_str()));
    Type(";");
    editor->grab().save(Shot("editor-name-not-utf8-changed.png"));
    ASSERT_TRUE(editor->SaveBtnClick());
    EXPECT_EQ(Read(scripts + "/" + latin), ";; caf\xE9\r\n");

    std::filesystem::rename(scripts + "/Second.ftp", scripts + "/Renamed.ftp");
    std::remove((scripts + "/First.ftp").c_str());
    const QStringList after{"Renamed.ftp", shown};
    ASSERT_TRUE(QTest::qWaitFor([&] { return listed() == after; }, 20000)) << listed().join(", ").toStdString();
    // The script being edited stays the one selected.
    EXPECT_EQ(editor->FList()->selectedItems().value(0)->text(), shown);
    EXPECT_EQ(editor->CurrentFileName(), scripts + "/" + latin);
    EXPECT_FALSE(editor->Modified());
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

TEST_F(Editor, ColumnTitlesAreGradientLetters)
{
    QStringList captions;
    for (TEffLabelFill* title : editor->findChildren<TEffLabelFill*>()) {
        captions << title->Caption();
        EXPECT_EQ(title->FillObject()->Style(), sfGradient);
        EXPECT_EQ(title->FontFx()->Style(), tdRaisedShadow);
        EXPECT_EQ(title->accessibleName(), captions.back());
        // The letters are drawn: dark pixels in the middle of the title.
        const QImage image = title->grab().toImage();
        int dark = 0;
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, image.height() / 2)) < 100) ++dark;
        EXPECT_GT(dark, 5) << captions.back().toStdString();
    }
    captions.sort();
    EXPECT_EQ(captions, QStringList({"Script files", "Workbench"}));
}

TEST_F(Editor, TheTitleBarIsOursAndTheWindowTextNamesAllThreeParts)
{
    EXPECT_EQ(editor->windowTitle(), "Vantrel Dolmark - FTP scripts");
    TPaintedCaption* caption = editor->PaintedCaption1();
    ASSERT_NE(caption, nullptr);
    EXPECT_TRUE(caption->CompanyText().Font().bold());
    EXPECT_TRUE(caption->CompanyText().Font().italic());
    EXPECT_TRUE(caption->AppNameText().Font().bold());
    EXPECT_EQ(caption->CaptionText().Font(), caption->SystemFont());
    ASSERT_TRUE(caption->Host()->Attached());
    EXPECT_GE(editor->menuBar()->geometry().top(), caption->Host()->Bar()->geometry().bottom() + 1);
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

namespace {

// What the script file type's registration leaves in the XDG folders and the key store.
struct Registration {
    const XdgHome& home;
    std::string entry() const { return home.dataHome() + "/applications/vantrel-ftp-scripts.desktop"; }
    bool written() const
    {
        return apppaths::fileExists(entry()) && apppaths::fileExists(home.dataHome() + "/mime/packages/vantrel-ftp.xml") &&
               keystore::readValue("HKEY_CLASSES_ROOT\\.ftp", "").value_or("") == "FTP scripts";
    }
    static std::string recorded(const std::string& programFolder)
    {
        IniFile ini(programFolder + "/Wizard.ini");
        return ini.load() ? ini.readString("Registry", "Done FTP", "<none>") : "<unreadable>";
    }
};

// The editor with a phone book of two entries and a script of its own.
struct InsertEditor : Editor {
    void SetUp() override
    {
        home.dir().write("home/.config/vantrel/phonebook.ini", "[Office VPN]\nUp=true\n[home]\nUp=true\n");
        Editor::SetUp();
    }
    void Open(const std::string& bytes)
    {
        if (editor->CurrentFileName() == scripts + "/Own.ftp") editor->SelectScript("First.ftp");
        program.write("Scripts/Own.ftp", bytes);
        editor->SaveBtnClick();  // lists it
        editor->SelectScript("Own.ftp");
        ASSERT_EQ(editor->CurrentFileName(), scripts + "/Own.ftp");
        ASSERT_FALSE(editor->Modified());
    }
    QString Line(int row) const { return editor->Memo1()->document()->findBlockByNumber(row).text(); }
    QColor ColourAt(int row) const
    {
        return editor->Memo1()->document()->findBlockByNumber(row).begin().fragment().charFormat().foreground().color();
    }
    QComboBox* Box(const char* name) const { return editor->findChild<QComboBox*>(name); }
};

}  // namespace

TEST_F(InsertEditor, SyntaxCheckSelectsTheRawBadLineAndReports)
{
    const struct {
        const char* name;
        std::string script;
        QString report;
        int row;  // selected line, -1 for none
    } cases[] = {
        {"bad word", "; x\r\n  get\r\nCONNECT\r\n",
         "Errors occured in this line:\n\n  get\n\nPlease correct and try again!", 1},
        {"unknown entry", "DIAL\r\nDialEntry=\"office vpn\"\r\n",
         "Error found: Dial entry not found!\n\nDialEntry=\"office vpn\"\n\nPlease correct and try again!", 1},
        {"known entry", "; x\r\nDialEntry=\"Office VPN\"\r\nget a b\r\n",
         "No errors found in script!\n\nNote: Command parameters are not validated.\n"
         "Try executing the script for such validations!",
         -1},
    };
    for (const auto& c : cases) {
        Open(c.script);
        seams.informed.clear();
        editor->Action("IcSpeedButton6")->trigger();
        EXPECT_EQ(seams.informed, std::vector<QString>{c.report}) << c.name;
        const QTextCursor caret = editor->Memo1()->textCursor();
        if (c.row >= 0) {
            EXPECT_EQ(editor->Memo1()->GetRow(), c.row) << c.name;
            EXPECT_EQ(caret.selectedText(), Line(c.row)) << c.name;
        } else {
            EXPECT_FALSE(caret.hasSelection()) << c.name;
        }
        EXPECT_FALSE(editor->Modified()) << c.name;
    }
}

TEST_F(InsertEditor, DefaultScriptIsANewChangedColouredText)
{
    Open("HOST=x\r\n");
    Type("y");
    seams.answers = {EditorSeams::Answer::Cancel};
    editor->Action("Default1")->trigger();
    EXPECT_EQ(editor->CurrentFileName(), scripts + "/Own.ftp");  // Cancel keeps everything
    EXPECT_EQ(Line(0), "yHOST=x");

    seams.answers = {EditorSeams::Answer::No};
    editor->Action("Default1")->trigger();
    EXPECT_EQ(Read(scripts + "/Own.ftp"), "HOST=x\r\n");
    EXPECT_TRUE(editor->CurrentFileName().empty());
    EXPECT_TRUE(editor->FList()->selectedItems().isEmpty());
    EXPECT_EQ(Panel(0), "");
    EXPECT_EQ(Panel(1), "Changed!");
    EXPECT_TRUE(editor->Modified());
    EXPECT_TRUE(editor->Light()->Blink());
    EXPECT_TRUE(editor->Action("SaveBtn")->isEnabled());
    EXPECT_EQ(editor->Memo1()->document()->blockCount(), 47);
    EXPECT_EQ(Line(3), "; DialEntry=\"\"");
    EXPECT_EQ(ColourAt(0), QColor(255, 0, 0));
    EXPECT_EQ(ColourAt(20), QColor(0, 0, 255));  // connect
    EXPECT_EQ(editor->Memo1()->GetRow(), 0);
    editor->grab().save(Shot("editor-default-script.png"));

    // Its first save goes through Save As; the file holds the 47 lines.
    seams.saveNames = {QString::fromStdString(scripts + "/New one.ftp")};
    ASSERT_TRUE(editor->SaveBtnClick());
    const std::string saved = Read(scripts + "/New_one.ftp");
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 47);
    EXPECT_TRUE(saved.ends_with("; Hangup\r\n\r\n"));
}

TEST_F(InsertEditor, ContextMenuListsInsertAtTheCaretAndMarkChanged)
{
    ASSERT_EQ(Box("ComboBox1")->count(), 66);
    EXPECT_EQ(Box("ComboBox2")->itemText(0), "Office VPN");
    EXPECT_EQ(Box("ComboBox2")->count(), 2);
    EXPECT_EQ(Box("ComboBox3")->itemText(0), "Automatic detect");
    const struct {
        const char* name;
        const char* action;
        const char* box;
        int item;
        int selectFrom, selectTo;  // in line 1
        QString line;
    } cases[] = {
        {"template at the caret", "Commands1", "ComboBox1", 8, 1, 1, "aCONNECTbc"},
        {"template over a selection", "Commands1", "ComboBox1", 0, 1, 3, "aHOST=\"<ftp server name>\""},
        {"dial entry", "Dialupentries1", "ComboBox2", 1, 0, 0, "homeabc"},
        {"server type", "Hostnames1", "ComboBox3", 4, 3, 3, "abcVMSUCX"},
    };
    for (const auto& c : cases) {
        Open("; first\r\nabc\r\n");
        QTextCursor cursor(editor->Memo1()->document()->findBlockByNumber(1));
        cursor.setPosition(cursor.position() + c.selectFrom);
        cursor.setPosition(cursor.block().position() + c.selectTo, QTextCursor::KeepAnchor);
        editor->Memo1()->setTextCursor(cursor);
        emit editor->Memo1()->customContextMenuRequested(QPoint(40, 30));
        editor->findChild<QAction*>(c.action)->trigger();
        QComboBox* box = Box(c.box);
        EXPECT_TRUE(box->isVisible()) << c.name;
        if (c.item == 8) {
            editor->grab().save(Shot("editor-insert-box.png"));
            box->view()->window()->grab().save(Shot("editor-insert-list.png"));
        }
        emit box->activated(c.item);
        EXPECT_FALSE(box->isVisible()) << c.name;
        EXPECT_EQ(Line(1), c.line) << c.name;
        EXPECT_EQ(Line(0), "; first") << c.name;
        EXPECT_TRUE(editor->Modified()) << c.name;
        EXPECT_EQ(Panel(1), "Changed!") << c.name;
        seams.answers = {EditorSeams::Answer::No};
        editor->SelectScript("First.ftp");
    }
    // A list also goes when the focus leaves it.
    emit editor->findChild<QAction*>("Commands1")->triggered();
    ASSERT_TRUE(Box("ComboBox1")->isVisible());
    QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
    QApplication::sendEvent(Box("ComboBox1"), &out);
    EXPECT_FALSE(Box("ComboBox1")->isVisible());
}

TEST_F(InsertEditor, ServerMenuOpensOnASERVERTYPELineAndRewritesIt)
{
    const struct {
        const char* name;
        std::string line;
        QString choice;
        QString typed;
        int popUps;
        QString result;
    } cases[] = {
        {"chosen, key swallowed", "SERVERTYPE=", "VMS UCX", "x", 1, "SERVERTYPE=\"VMSUCX\""},
        {"any case and blanks", "  server type = ", "&Automatix detect", "x", 1, "  server type =\"Auto\""},
        {"dismissed, key typed", "SERVERTYPE=", "", "x", 1, "SERVERTYPE=x"},
        {"a value already there", "SERVERTYPE=U", "UNIX", "x", 0, "SERVERTYPE=Ux"},
        {"chosen, then typing goes on", "SERVERTYPE=", "HP3000", "xy", 1, "SERVERTYPE=\"HP3000\"y"},
    };
    for (const auto& c : cases) {
        Open("; first\r\n" + c.line + "\r\n");
        editor->Memo1()->SetRow(1);
        editor->Memo1()->moveCursor(QTextCursor::EndOfBlock);
        seams.popUps = 0;
        seams.popUpChoice = c.choice;
        Type(c.typed);
        EXPECT_EQ(seams.popUps, c.popUps) << c.name;
        EXPECT_EQ(Line(1), c.result) << c.name;
        EXPECT_TRUE(editor->Modified()) << c.name;
        if (c.result.startsWith("SERVERTYPE")) {
            EXPECT_EQ(ColourAt(1), QColor(0, 0, 255)) << c.name;
        }
        seams.answers = {EditorSeams::Answer::No};
        editor->SelectScript("First.ftp");
    }
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

TEST_F(Editor, TheFirstStartRegistersTheScriptTypeAndRecordsIt)
{
    const Registration reg{home};
    EXPECT_TRUE(reg.written());
    EXPECT_EQ(Registration::recorded(program.path()), "1");
    EXPECT_EQ(keystore::readValue("HKEY_CLASSES_ROOT\\FTP scripts", "").value_or(""), "Quorvel's FTP Script-vantrel");
    EXPECT_EQ(keystore::readValue("HKEY_CLASSES_ROOT\\FTP scripts\\shell\\open\\command", "").value_or(""),
              "\"" + program.path() + "/Trevask\" \"%1\"");
    // The runner's theme icon, not its program file.
    EXPECT_EQ(keystore::readValue("HKEY_CLASSES_ROOT\\FTP scripts\\DefaultIcon", "").value_or(""), "trevask");
    EXPECT_NE(Read(reg.entry()).find("\nIcon=trevask\n"), std::string::npos);
    EXPECT_TRUE(seams.failed.empty());

    std::remove(reg.entry().c_str());
    TScriptingEditor second(seams);
    second.show();
    EXPECT_FALSE(apppaths::fileExists(reg.entry()));  // recorded: not registered again
    EXPECT_TRUE(seams.failed.empty());
}

TEST_F(Editor, AFailedRegistrationRecordsNothingSaysSoAndTheEditorGoesOn)
{
    const Registration reg{home};
    std::remove((program.path() + "/Wizard.ini").c_str());
    const std::string blocker = home.dir().write("blocker", "a file, not a folder");
    home.set("XDG_DATA_HOME", blocker + "/share");
    {
        TScriptingEditor failing(seams);
        failing.show();
        ASSERT_EQ(seams.failed.size(), 1u);
        EXPECT_TRUE(seams.failed[0].contains("could not be registered")) << seams.failed[0].toStdString();
        EXPECT_EQ(Registration::recorded(program.path()), "<none>");
        EXPECT_TRUE(failing.isVisible());
        failing.SelectScript("First.ftp");
        EXPECT_EQ(failing.CurrentFileName(), scripts + "/First.ftp");
    }
    home.set("XDG_DATA_HOME", home.dataHome());
    std::remove(reg.entry().c_str());
    TScriptingEditor next(seams);
    next.show();  // tried again at the next start
    EXPECT_TRUE(reg.written());
    EXPECT_EQ(Registration::recorded(program.path()), "1");
    EXPECT_EQ(seams.failed.size(), 1u);
}

TEST_F(Editor, TheMenuRegistersAfterAskingWithoutLookingAtTheRecord)
{
    const Registration reg{home};
    std::remove(reg.entry().c_str());
    QAction* menu = editor->Action("ApplyVantreltoWindowsRegistry1");
    seams.confirms = {false};
    menu->trigger();
    ASSERT_EQ(seams.asked.size(), 1u);
    EXPECT_TRUE(seams.asked[0].startsWith("  This option will make Pellisar the default application\nfor servicing"));
    EXPECT_TRUE(seams.asked[0].endsWith("etc, etc...\n\nDo you want to continue?"));
    EXPECT_FALSE(apppaths::fileExists(reg.entry()));
    seams.confirms = {true};
    menu->trigger();
    EXPECT_TRUE(reg.written());
    EXPECT_TRUE(seams.informed.empty());

    const std::string blocker = home.dir().write("blocker", "a file, not a folder");
    home.set("XDG_DATA_HOME", blocker + "/share");
    seams.confirms = {true};
    menu->trigger();
    EXPECT_EQ(seams.failed.size(), 1u);
}

TEST_F(Editor, PlacementPanelWidthAndBackgroundComeBackAtTheNextStart)
{
    // The first run opens centred on the screen.
    const QRect screen = editor->screen()->geometry();
    const QRect frame = editor->frameGeometry();
    if (frame.width() <= screen.width() && frame.height() <= screen.height())
        EXPECT_LE((frame.center() - screen.center()).manhattanLength(), 2);

    const std::string picture = program.file("stripes.png");
    QImage stripes(8, 8, QImage::Format_RGB32);
    stripes.fill(QColor(200, 120, 40));
    ASSERT_TRUE(stripes.save(QString::fromStdString(picture)));
    seams.picture = QString::fromStdString(picture);
    editor->Action("Changebackground1")->trigger();
    EXPECT_FALSE(editor->EffFill1()->FillObject()->Picture().isNull());
    auto* panel = editor->findChild<TScriptsPanel*>("Panel1");
    ASSERT_NE(panel, nullptr);
    const QRect placed(40, 30, 700, 500);
    editor->setGeometry(placed);
    panel->SetWidth(240);
    QApplication::processEvents();
    ASSERT_EQ(panel->width(), 240);
    editor->grab().save(Shot("editor-background.png"));
    ASSERT_TRUE(Closes());
    editor->hide();
    editor.reset();

    IniFile ini(home.configHome() + "/vantrel/ftploc.ini");
    ASSERT_TRUE(ini.load());
    EXPECT_EQ(ini.readString("ScriptMainScreen", "Panel1_Width"), "240");
    EXPECT_EQ(ini.readString("ScriptMainScreen", "EffFill1_FillObjectBitmap"), picture);

    editor = std::make_unique<TScriptingEditor>(seams);
    editor->show();
    QApplication::processEvents();
    EXPECT_EQ(editor->geometry(), placed);
    EXPECT_EQ(editor->findChild<TScriptsPanel*>("Panel1")->width(), 240);
    EXPECT_EQ(editor->EffFill1()->FillObject()->Bitmap().toStdString(), picture);
    const QImage shown = editor->findChild<QToolBar*>("ToolBar1")->grab().toImage();
    EXPECT_EQ(shown.pixelColor(shown.width() - 3, shown.height() / 2), QColor(200, 120, 40));

    // A picture that cannot be read is said so and keeps the one there is.
    seams.picture = QString::fromStdString(program.write("broken.png", "no picture"));
    editor->Action("Changebackground1")->trigger();
    ASSERT_EQ(seams.failed.size(), 1u);
    EXPECT_EQ(editor->EffFill1()->FillObject()->Bitmap().toStdString(), picture);
}

TEST_F(Editor, TheFormHelperOnlyOpensTheWindowTheFormStorageKeepsThePlacement)
{
    TEffForm* helper = editor->EffForm1();
    ASSERT_NE(helper, nullptr);
    EXPECT_EQ(helper->objectName(), "EffForm1");
    EXPECT_EQ(helper->Effect(), deExplode);
    EXPECT_EQ(helper->IniKey(), "ScriptingEditor");
    EXPECT_EQ(helper->IniUse(), ioNone);
    EXPECT_EQ(helper->IniSaveOptions(), TEffForm::TEffFormIniSaveOptions());
    EXPECT_TRUE(helper->Hooked());
    // No size limits of its own: the window keeps the ones it has.
    EXPECT_EQ(editor->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));

    editor->setGeometry(60, 40, 720, 520);
    ASSERT_TRUE(Closes());
    editor->hide();
    editor.reset();
    for (const auto& entry : std::filesystem::recursive_directory_iterator(home.home())) {
        if (!entry.is_regular_file()) continue;
        EXPECT_EQ(Read(entry.path()).find("ScriptingEditor"), std::string::npos) << entry.path();
    }
    // The helper sees the show once the form storage has placed the window: its effect opens
    // onto the restored rectangle.
    editor = std::make_unique<TScriptingEditor>(seams);
    QRect seenAtShow;
    editor->EffForm1()->OnTrackInfo = [&](QObject*, TEffTrackInfo&) { seenAtShow = editor->geometry(); };
    editor->show();
    EXPECT_EQ(seenAtShow, QRect(60, 40, 720, 520));
    EXPECT_EQ(editor->geometry(), QRect(60, 40, 720, 520));
}

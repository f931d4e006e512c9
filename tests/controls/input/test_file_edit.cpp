#include "controls/input/FileDirEdit.h"
#include "controls/input/VisualRoutines.h"
#include "tests/support/PixelCount.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <QMimeData>
#include <QSignalSpy>
#include <QStyle>
#include <QUrl>
#include <QtTest/QTest>
#include <gtest/gtest.h>
#include <filesystem>
#include <functional>
#include <memory>

namespace {

// Answers the dialogs from the test and keeps what they were asked.
struct FakeDialogs : TFileDialogs {
    std::vector<TFileDialogRequest> fileRequests;
    std::vector<std::string> folderStarts;
    std::vector<std::string> answer;
    bool ok = true;
    bool ExecuteFile(QWidget*, const TFileDialogRequest& request, std::vector<std::string>& names) override
    {
        fileRequests.push_back(request);
        names = answer;
        return ok;
    }
    bool ExecuteDirectory(QWidget*, TDirDialogKind, TSelectDirOpts, const std::string&, std::string& folder) override
    {
        folderStarts.push_back(folder);
        if (ok && !answer.empty()) folder = answer.front();
        return ok;
    }
};

template <class Field>
struct FieldTest : ::testing::Test {
    void SetUp() override
    {
        window = std::make_unique<QWidget>();
        window->resize(300, 60);
        field = new Field(window.get());
        field->setGeometry(10, 10, 200, 24);
        field->SetDialogs(&dialogs);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), 2000));
    }
    void drop(const std::vector<std::string>& names)
    {
        auto* data = new QMimeData;
        QList<QUrl> urls;
        for (const auto& n : names) urls.push_back(QUrl::fromLocalFile(QString::fromStdString(n)));
        data->setUrls(urls);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(field, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(field, &event);
        delete data;
    }
    std::unique_ptr<QWidget> window;
    Field* field = nullptr;
    FakeDialogs dialogs;
    TempDir dir;
};

using FilenameEditTest = FieldTest<TFilenameEdit>;
using DirectoryEditTest = FieldTest<TDirectoryEdit>;

TEST_F(FilenameEditTest, FileNameIsQuotedInTheTextAndReadBackPlain)
{
    const std::string spaced = dir.path() + "/My Files/a.txt";
    field->SetFileName(spaced);
    EXPECT_EQ(field->text().toStdString(), "\"" + spaced + "\"");
    EXPECT_EQ(field->FileName(), spaced);
    field->SetFileName("");
    EXPECT_TRUE(field->text().isEmpty());

    field->SetFileName("/tmp/keep.txt");
    try {
        field->SetFileName("/tmp/bad|name");
        ADD_FAILURE() << "no error";
    } catch (const EComboEditError& e) {
        EXPECT_STREQ(e.what(), "Invalid file name - /tmp/bad|name");
    }
    EXPECT_EQ(field->text(), "/tmp/keep.txt");
}

TEST_F(FilenameEditTest, ButtonAndClickKeyOpenTheDialogUnlessReadOnly)
{
    dialogs.answer = {dir.path() + "/chosen file.ftp"};
    field->SetFilter("Scripts|*.ftp|All files|*.*");
    field->SetFilterIndex(2);
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Down, Qt::AltModifier);
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(dialogs.fileRequests[0].Filter, "Scripts (*.ftp);;All files (*)");
    EXPECT_EQ(dialogs.fileRequests[0].SelectedFilter, "All files (*)");
    EXPECT_EQ(dialogs.fileRequests[0].Title, "Browse");
    EXPECT_EQ(field->FileName(), dir.path() + "/chosen file.ftp");
    EXPECT_EQ(field->InitialDir(), dir.path());

    // The next dialog starts from the name in the field.
    field->Button()->click();
    ASSERT_EQ(dialogs.fileRequests.size(), 2u);
    EXPECT_EQ(dialogs.fileRequests[1].FileName, dir.path() + "/chosen file.ftp");

    field->SetButtonWidth(0);
    QTest::keyClick(field, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(dialogs.fileRequests.size(), 2u);

    field->SetButtonWidth(21);
    field->SetReadOnly(true);
    field->Button()->click();
    EXPECT_EQ(dialogs.fileRequests.size(), 2u);

    // A cancelled dialog, or one refused before it opens, leaves the text.
    field->SetReadOnly(false);
    const QString before = field->text();
    dialogs.ok = false;
    field->Button()->click();
    EXPECT_EQ(field->text(), before);
    field->OnBeforeDialog = [](std::string&, bool& action) { action = false; };
    field->Button()->click();
    EXPECT_EQ(dialogs.fileRequests.size(), 3u);
}

TEST_F(FilenameEditTest, WithoutDirectInputOnlyTheButtonSetsTheText)
{
    field->SetDirectInput(false);
    field->setFocus();
    QTest::keyClicks(field, "typed");
    EXPECT_TRUE(field->text().isEmpty());
    dialogs.answer = {"/tmp/from-dialog"};
    field->Button()->click();
    EXPECT_EQ(field->text(), "/tmp/from-dialog");
    field->SetDirectInput(true);
    field->end(false);
    QTest::keyClicks(field, "x");
    EXPECT_EQ(field->text(), "/tmp/from-dialog" "x");
}

TEST_F(FilenameEditTest, DropsTakeTheWholePathAndOnlyTheFirstWithoutMultiple)
{
    field->SetAcceptFiles(true);
    const std::string longName = dir.path() + "/" + std::string(300, 'n') + ".txt";
    int drops = 0;
    QObject::connect(field, &TFileDirEdit::DropFiles, [&] { ++drops; });
    drop({longName, "/tmp/second", "/tmp/third"});
    EXPECT_EQ(field->FileName(), longName);
    EXPECT_EQ(drops, 1);

    field->SetAllowMultiSelect(true);
    drop({"/tmp/one", "/tmp/two"});
    EXPECT_EQ(field->FileName(), "/tmp/one");
    EXPECT_EQ(field->Files(), (std::vector<std::string>{"/tmp/one", "/tmp/two"}));
}

TEST_F(DirectoryEditTest, FolderDialogStartsAtTheRootWhenNothingIsKnown)
{
    dialogs.answer = {dir.path()};
    field->Button()->click();
    ASSERT_EQ(dialogs.folderStarts.size(), 1u);
    EXPECT_EQ(dialogs.folderStarts[0], "/");
    EXPECT_EQ(field->text().toStdString(), dir.path());
    EXPECT_EQ(field->InitialDir(), dir.path());

    field->setText("/no/such/folder");
    field->Button()->click();
    EXPECT_EQ(dialogs.folderStarts[1], "/");

    field->SetMultipleDirs(true);
    field->setText("/a");
    field->Button()->click();
    EXPECT_EQ(field->text().toStdString(), "/a;" + dir.path());
}

TEST_F(DirectoryEditTest, DroppedFileGivesItsFolder)
{
    field->SetAcceptFiles(true);
    const std::string file = dir.write("sub/f.txt", "x");
    drop({file});
    EXPECT_EQ(field->text().toStdString(), dir.path() + "/sub");
}

TEST_F(FilenameEditTest, ADialogOfAnotherKindKeepsEverySetting)
{
    field->SetFilter("Scripts|*.ftp");
    field->SetFilterIndex(1);
    field->SetDialogTitle("Pick");
    field->SetDefaultExt("ftp");
    field->SetHistoryList({"/tmp/a", "/tmp/b"});
    field->SetFileEditStyle(fsComboBox);
    field->SetInitialDir(dir.path());
    field->SetDialogOptions(ofAllowMultiSelect | ofOverwritePrompt);
    EXPECT_TRUE(field->AllowMultiSelect());
    field->SetAcceptFiles(true);
    drop({"/tmp/one", "/tmp/two"});
    const TFileDialogSettings before = field->Dialog();

    field->SetDialogKind(dkSave);
    TFileDialogSettings expected = before;
    expected.Kind = dkSave;
    EXPECT_TRUE(field->Dialog() == expected);
    EXPECT_EQ(field->Files(), (std::vector<std::string>{"/tmp/one", "/tmp/two"}));

    dialogs.ok = false;
    field->Button()->click();
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    const TFileDialogRequest& asked = dialogs.fileRequests[0];
    EXPECT_EQ(asked.Kind, dkSave);
    EXPECT_EQ(asked.Title, "Pick");
    EXPECT_EQ(asked.Filter, "Scripts (*.ftp)");
    EXPECT_EQ(asked.DefaultExt, "ftp");
    EXPECT_EQ(asked.History, before.History);
    EXPECT_EQ(asked.Options, ofAllowMultiSelect | ofOverwritePrompt);
    EXPECT_TRUE(asked.Multiple);

    // Without several names the file list goes.
    field->SetDialogOptions(ofHideReadOnly);
    EXPECT_FALSE(field->AllowMultiSelect());
    EXPECT_TRUE(field->Files().empty());
}

TEST_F(FilenameEditTest, StoredFormKeepsOnlyWhatDiffersFromTheDefaults)
{
    // The folder glyph is 14 wide: 14 + 6 is under the default 21.
    EXPECT_EQ(field->GlyphKind(), gkDefault);
    EXPECT_EQ(field->ButtonWidth(), 21);
    EXPECT_FALSE(field->IsButtonWidthStored());
    EXPECT_FALSE(field->IsGlyphStored());
    EXPECT_FALSE(field->IsFilterStored());
    EXPECT_FALSE(field->IsDialogTitleStored());

    field->SetButtonWidth(30);
    EXPECT_TRUE(field->IsButtonWidthStored());
    field->SetGlyphKind(gkDropDown);
    EXPECT_EQ(field->ButtonWidth(), field->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    EXPECT_FALSE(field->IsButtonWidthStored());
    field->SetGlyph(QImage(10, 10, QImage::Format_ARGB32));
    EXPECT_EQ(field->GlyphKind(), gkCustom);
    EXPECT_TRUE(field->IsGlyphStored());
    EXPECT_TRUE(field->IsButtonWidthStored());  // custom glyphs imply 21

    // A width the field's inside cannot hold is refused.
    field->SetButtonWidth(21);
    field->SetButtonWidth(field->width());
    EXPECT_EQ(field->ButtonWidth(), 21);

    field->SetFilter("Scripts|*.ftp");
    field->SetDialogTitle("Pick");
    EXPECT_TRUE(field->IsFilterStored());
    EXPECT_TRUE(field->IsDialogTitleStored());
}

TEST_F(FilenameEditTest, HeightCaretAndDisabledText)
{
    const int least = MinimumEditHeight(std::min(QFontMetrics(QApplication::font()).height(), field->fontMetrics().height()));
    field->resize(field->width(), 5);
    EXPECT_EQ(field->height(), least);
    QFont big = field->font();
    big.setPointSize(big.pointSize() * 3);
    field->setFont(big);
    field->resize(field->width(), 5);
    EXPECT_GE(field->height(), least);  // the smaller of the system's and the field's font counts
    field->setFont(QApplication::font());

    // The button stays inside the frame at the right, the text stops short of it.
    field->resize(200, 24);
    EXPECT_EQ(field->Button()->geometry(), QRect(177, 2, 21, 20));
    EXPECT_EQ(field->textMargins().right(), 23);

    const auto caretWidth = [this] { return field->style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, field); };
    QFont bold = field->font();
    bold.setBold(true);
    field->setFont(bold);
    field->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(caretWidth(), 2);
    field->setFont(QApplication::font());
    EXPECT_EQ(caretWidth(), 1);

    field->setEnabled(false);
    EXPECT_EQ(field->palette().color(QPalette::Disabled, QPalette::Text), ToQColor(clGrayText));
}

// A field with a pop-up of its own: the pop-up holds a value and closes itself on request.
struct ValuePopup : TComboPopup {
    using TComboPopup::TComboPopup;
    QVariant value;
    QVariant Value() const override { return value; }
    void SetValue(const QVariant& v) override { value = v; }
};

struct PopupEdit : TCustomComboEdit {
    explicit PopupEdit(QWidget* parent) : TCustomComboEdit(parent)
    {
        popup = new ValuePopup(this);
        popup->resize(120, 60);
        SetPopup(popup);
    }
    ValuePopup* popup;
};

class PopupEditTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<QWidget>();
        window->resize(300, 100);
        field = new PopupEdit(window.get());
        field->setGeometry(10, 10, 200, 24);
        other = new QLineEdit(window.get());
        other->setGeometry(10, 50, 100, 24);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), 2000));
        field->setFocus();
    }
    void open(const QString& value)
    {
        field->Button()->click();
        ASSERT_TRUE(field->PopupVisible());
        field->popup->value = value;
    }
    std::unique_ptr<QWidget> window;
    PopupEdit* field = nullptr;
    QLineEdit* other = nullptr;
};

TEST_F(PopupEditTest, ButtonDropsThePopUpUnderTheFieldAndTakesItsValue)
{
    int clicks = 0;
    QObject::connect(field, &TCustomComboEdit::ButtonClick, [&] { ++clicks; });
    QSignalSpy changes(field, &QLineEdit::textChanged);
    field->Button()->click();
    EXPECT_EQ(clicks, 1);
    ASSERT_TRUE(field->PopupVisible());
    EXPECT_TRUE(field->popup->isVisible());
    EXPECT_TRUE(field->popup->value.isNull());  // an empty text is no value
    const QPoint under = field->mapToGlobal(QPoint(field->width() - 120, field->height()));
    EXPECT_EQ(field->popup->pos(), under);
    EXPECT_TRUE(field->isReadOnly());  // no typing while it is open

    field->popup->value = QStringLiteral("picked");
    field->Button()->click();
    EXPECT_EQ(clicks, 2);
    EXPECT_FALSE(field->PopupVisible());
    EXPECT_FALSE(field->popup->isVisible());
    EXPECT_EQ(field->text(), "picked");
    EXPECT_TRUE(field->isModified());
    EXPECT_EQ(changes.count(), 1);
    EXPECT_FALSE(field->isReadOnly());

    // Opening again hands the text over; the same value changes nothing.
    open(QStringLiteral("picked"));
    EXPECT_EQ(field->popup->Value(), "picked");
    field->PopupCloseUp(true);
    EXPECT_EQ(changes.count(), 1);
}

TEST_F(PopupEditTest, WaysOfClosingWithAndWithoutTheValue)
{
    struct Row {
        const char* name;
        std::function<void(PopupEdit*, QLineEdit*)> close;
        bool taken;
    };
    const Row rows[] = {
        {"Enter", [](PopupEdit* f, QLineEdit*) { QTest::keyClick(f, Qt::Key_Return); }, true},
        {"Escape", [](PopupEdit* f, QLineEdit*) { QTest::keyClick(f, Qt::Key_Escape); }, false},
        {"click key", [](PopupEdit* f, QLineEdit*) { QTest::keyClick(f, Qt::Key_Down, Qt::AltModifier); }, true},
        {"the pop-up asks", [](PopupEdit* f, QLineEdit*) { emit f->popup->CloseUp(true); }, true},
        {"a press on the field", [](PopupEdit* f, QLineEdit*) { QTest::mouseClick(f, Qt::LeftButton, {}, QPoint(5, 5)); }, false},
        {"a press elsewhere", [](PopupEdit*, QLineEdit* o) { QTest::mouseClick(o, Qt::LeftButton, {}, QPoint(5, 5)); }, false},
        {"focus leaves", [](PopupEdit*, QLineEdit* o) { o->setFocus(); }, false},
    };
    for (const Row& row : rows) {
        field->setText("before");
        field->setFocus();
        open(QStringLiteral("after"));
        row.close(field, other);
        EXPECT_FALSE(field->PopupVisible()) << row.name;
        EXPECT_FALSE(field->popup->isVisible()) << row.name;
        EXPECT_EQ(field->text(), row.taken ? "after" : "before") << row.name;
    }
}

TEST_F(PopupEditTest, PressOnTheButtonClosesWithoutOpeningAgain)
{
    open(QStringLiteral("after"));
    QTest::mouseClick(field->Button(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(field->PopupVisible());
    EXPECT_EQ(field->text(), "after");
    // The next click is an ordinary one again.
    QTest::mouseClick(field->Button(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(field->PopupVisible());
}

TEST_F(PopupEditTest, AReadOnlyFieldKeepsItsText)
{
    open(QStringLiteral("after"));
    field->SetReadOnly(true);
    emit field->popup->CloseUp(true);
    EXPECT_FALSE(field->PopupVisible());
    EXPECT_TRUE(field->text().isEmpty());
    field->Button()->click();
    EXPECT_FALSE(field->PopupVisible());
}

}  // namespace

namespace {

// The directory and selection a real file dialog opens with; the dialog is closed at once.
struct DialogStart {
    QString directory;
    QStringList selected;
};

DialogStart OpenRealDialog(const TFileDialogRequest& request)
{
    DialogStart start;
    QTimer::singleShot(0, [&start] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        start.directory = dialog->directory().absolutePath();
        start.selected = dialog->selectedFiles();
        dialog->reject();
    });
    std::vector<std::string> names;
    TFileDialogs platform;
    EXPECT_FALSE(platform.ExecuteFile(nullptr, request, names));
    return start;
}

}  // namespace

TEST_F(FilenameEditTest, TheRealDialogStartsInTheInitialFolderForABareName)
{
    const std::string sub = dir.path() + "/start here";
    std::filesystem::create_directories(sub);
    std::filesystem::create_directories(dir.path() + "/other");
    const struct {
        const char* name;
        std::string fileName, initialDir;
        QString directory, selected;
    } cases[] = {
        {"bare name", "report.txt", sub, QString::fromStdString(sub), QString::fromStdString(sub + "/report.txt")},
        {"no name", "", sub, QString::fromStdString(sub), {}},
        {"name with its folder", dir.path() + "/other/a.txt", sub, QString::fromStdString(dir.path() + "/other"),
         QString::fromStdString(dir.path() + "/other/a.txt")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TFileDialogRequest request;
        request.FileName = c.fileName;
        request.InitialDir = c.initialDir;
        const DialogStart start = OpenRealDialog(request);
        EXPECT_EQ(start.directory, c.directory);
        if (!c.selected.isEmpty()) EXPECT_EQ(start.selected, QStringList{c.selected});
    }
}

TEST_F(FilenameEditTest, NamesAreBytes)
{
    for (const std::string name : {std::string("/tmp/caf\xE9 x.txt"), std::string("/tmp/caf\xC3\xA9.txt"),
                                   std::string("/tmp/\xFF\xFE")}) {
        field->SetFileName(name);
        EXPECT_EQ(field->FileName(), name);
    }
    // Typed text is UTF-8.
    field->setText(QString::fromUtf8("/tmp/\xC3\xA9t\xC3\xA9"));
    EXPECT_EQ(field->FileName(), "/tmp/\xC3\xA9t\xC3\xA9");
}

// The folder glyph has a real mask: nothing of the key colour shows, up or pressed, and its black
// outline is drawn.
TEST_F(FilenameEditTest, TheFolderGlyphIsDrawnThroughAMask)
{
    const QString dirOut = qEnvironmentVariable("FILE_EDIT_PICTURE_DIR");
    for (const bool pressed : {false, true}) {
        SCOPED_TRACE(pressed ? "pressed" : "up");
        TEditButton* button = field->Button();
        if (pressed) QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
        const QImage picture = window->grab().toImage();
        if (!dirOut.isEmpty()) picture.save(dirOut + (pressed ? "/file-edit-pressed.png" : "/file-edit-up.png"));
        const QRect area = button->geometry().translated(field->pos());
        EXPECT_EQ(CountPixelsNear(picture, area, qRgb(255, 0, 255)), 0);
        EXPECT_GT(CountPixelsNear(picture, area, qRgb(0, 0, 0)), 20);
        // Not hot, the flat button shows its glyph in grey; pressed, in its colours.
        EXPECT_EQ(CountPixelsNear(picture, area, qRgb(255, 255, 0)) > 10, pressed);
        if (pressed) QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(5, 5));
    }
    dialogs.ok = false;
}

#include "controls/input/FileDirEdit.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QMimeData>
#include <QUrl>
#include <QtTest/QTest>
#include <gtest/gtest.h>
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
    bool ExecuteDirectory(QWidget*, TDirDialogKind, const std::string&, std::string& folder) override
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

}  // namespace

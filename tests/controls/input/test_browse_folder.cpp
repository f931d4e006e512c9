#include "controls/input/BrowseFolderDialog.h"
#include "platform/Errors.h"
#include "tests/support/Shots.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QFileDialog>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

// Answers the dialog seam from a script: what it was asked, what it reports, what it returns.
struct FakeFolderDialog {
    FolderDialogRequest seen;
    std::vector<std::string> selections;
    bool choose = true;
    std::string chosen;
    int calls = 0;

    FakeFolderDialog()
    {
        SetFolderDialogRunner([this](const FolderDialogRequest& request, std::string& out) {
            ++calls;
            seen = request;
            if (request.initialized) request.initialized();
            for (const auto& s : selections)
                if (request.selectionChanged) request.selectionChanged(s);
            if (choose) out = chosen;
            return choose;
        });
    }
    ~FakeFolderDialog() { SetFolderDialogRunner({}); }
};

}  // namespace

TEST(BrowseFolderDlg, ChosenFolderLosesItsTrailingSlashExceptTheRoot)
{
    const struct {
        const char *chosen, *folderName;
    } cases[] = {{"/home/user/", "/home/user"}, {"/home/user", "/home/user"}, {"/", "/"}, {"//", "/"},
                 {"/data/\xE4\xFF//", "/data/\xE4\xFF"}};
    for (const auto& c : cases) {
        FakeFolderDialog fake;
        fake.chosen = c.chosen;
        TBrowseFolderDlg dialog;
        EXPECT_TRUE(dialog.Execute()) << c.chosen;
        EXPECT_EQ(dialog.FolderName(), c.folderName);
    }
}

TEST(BrowseFolderDlg, RequestEventsAndCancel)
{
    TempDir dir;
    std::filesystem::create_directory(dir.file("sub"));
    const std::string file = dir.write("f.txt", "x");

    FakeFolderDialog fake;
    fake.selections = {dir.file("sub"), file, dir.file("missing")};
    fake.choose = false;

    TBrowseFolderDlg dialog;
    dialog.SetDialogText("Pick a folder");
    dialog.SetFolderName(dir.path());
    std::vector<std::string> reported;
    int initialized = 0;
    dialog.OnInitialized = [&](TBrowseFolderDlg* sender) {
        EXPECT_EQ(sender, &dialog);
        ++initialized;
    };
    dialog.OnSelChanged = [&](TBrowseFolderDlg* sender) { reported.push_back(sender->SelectedPath()); };

    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.FolderName(), dir.path());  // a cancel keeps the folder
    EXPECT_EQ(fake.seen.title, "Pick a folder");
    EXPECT_EQ(fake.seen.initialFolder, dir.path());
    EXPECT_TRUE(fake.seen.centred);
    EXPECT_EQ(initialized, 1);
    EXPECT_EQ(reported, (std::vector<std::string>{dir.file("sub"), "", ""}));  // only folders count

    // A folder that does not exist is no starting point; the default position is left alone.
    dialog.SetFolderName(dir.file("missing"));
    dialog.SetPosition(dpDefault);
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(fake.seen.initialFolder, "");
    EXPECT_FALSE(fake.seen.centred);

    // An empty answer is no choice.
    fake.choose = true;
    fake.chosen.clear();
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.FolderName(), dir.file("missing"));
}

TEST(BrowseFolderDlg, ComputersCannotBeBrowsed)
{
    FakeFolderDialog fake;
    TBrowseFolderDlg dialog;
    dialog.SetBrowseKind(bfComputers);
    EXPECT_THROW(dialog.Execute(), Exception);
    EXPECT_EQ(fake.calls, 0);
}

TEST(BrowseDirectory, UpdatesTheFolderOnlyOnAChoice)
{
    FakeFolderDialog fake;
    fake.chosen = "/srv/ftp/";
    std::string folder = "/tmp";
    EXPECT_TRUE(BrowseDirectory(folder, "Folder", 0));
    EXPECT_EQ(folder, "/srv/ftp");
    EXPECT_EQ(fake.seen.title, "Folder");
    fake.choose = false;
    EXPECT_FALSE(BrowseDirectory(folder, "Folder", 0));
    EXPECT_EQ(folder, "/srv/ftp");
}

TEST(BrowseFolderDlg, QtDialogOpensOnTheFolderAndReturnsIt)
{
    TempDir dir;
    std::filesystem::create_directory(dir.file("sub"));
    TBrowseFolderDlg dialog;
    dialog.SetDialogText("Choose");
    dialog.SetFolderName(dir.file("sub"));
    bool initialized = false;
    dialog.OnInitialized = [&](TBrowseFolderDlg*) { initialized = true; };

    QString title, directory;
    bool sawDialog = false;
    // Accepts the open dialog; the time-out rejects it so the test never blocks.
    QTimer accept, giveUp;
    QObject::connect(&accept, &QTimer::timeout, [&] {
        if (auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            sawDialog = true;
            title = d->windowTitle();
            directory = d->directory().absolutePath();
            static_cast<QDialog*>(d)->accept();
        }
    });
    QObject::connect(&giveUp, &QTimer::timeout, [] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->reject();
    });
    accept.start(20);
    giveUp.setSingleShot(true);
    giveUp.start(10000);

    const bool chosen = dialog.Execute();
    ASSERT_TRUE(sawDialog);
    EXPECT_TRUE(initialized);
    EXPECT_EQ(title, "Choose");
    EXPECT_EQ(directory.toStdString(), dir.file("sub"));
    EXPECT_TRUE(chosen);
    EXPECT_EQ(dialog.FolderName(), dir.file("sub"));
}

// The application's help as a test sees it: each context asked for.
struct RecordedHelp {
    std::vector<int> contexts;
    RecordedHelp()
    {
        SetApplicationHelp([this](int context) { contexts.push_back(context); });
    }
    ~RecordedHelp() { SetApplicationHelp({}); }
};

TEST(BrowseFolderDlg, AHelpContextAsksForAHelpButtonThatShowsTheApplicationsHelp)
{
    RecordedHelp help;
    for (int context : {0, 42}) {
        FakeFolderDialog fake;
        fake.chosen = "/";
        TBrowseFolderDlg dialog;
        dialog.SetHelpContext(context);
        ASSERT_TRUE(dialog.Execute());
        EXPECT_EQ(fake.seen.helpContext, context);
        EXPECT_EQ(bool(fake.seen.help), context != 0);
        if (fake.seen.help) fake.seen.help();
    }
    EXPECT_EQ(help.contexts, std::vector<int>{42});
}

TEST(BrowseFolderDlg, QtDialogHasAHelpButtonOnlyForAHelpContext)
{
    RecordedHelp help;
    const TempDir pictures;
    for (int context : {0, 7}) {
        TBrowseFolderDlg dialog;
        dialog.SetHelpContext(context);
        QString text;
        bool sawDialog = false, sameSize = false;
        // Looks at the open dialog, presses Help when there is one, then cancels.
        QTimer look, giveUp;
        QObject::connect(&look, &QTimer::timeout, [&] {
            auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!d || sawDialog) return;
            sawDialog = true;
            if (auto* button = d->findChild<QPushButton*>(QStringLiteral("HelpButton"))) {
                d->grab().save(ShotPath(pictures.path(), "folder-dialog-help.png"));
                text = button->text();
                for (QPushButton* other : d->findChildren<QPushButton*>()) {
                    if (other == button || other->parentWidget() != button->parentWidget()) continue;
                    sameSize = other->size() == button->size();
                }
                button->click();
            }
            d->reject();
        });
        QObject::connect(&giveUp, &QTimer::timeout, [] {
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->reject();
        });
        look.start(20);
        giveUp.setSingleShot(true);
        giveUp.start(10000);
        EXPECT_FALSE(dialog.Execute());
        ASSERT_TRUE(sawDialog) << context;
        EXPECT_EQ(text, context ? QStringLiteral("&Help") : QString()) << context;
        EXPECT_EQ(sameSize, context != 0);  // beside the dialog's own buttons, as large as they are
    }
    EXPECT_EQ(help.contexts, std::vector<int>{7});
}

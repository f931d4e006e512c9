#pragma once
// The folder browser: Qt's folder dialog behind a seam, so tests and headless runs never block.

#include <QObject>
#include <functional>
#include <string>

class QWidget;

enum TBrowseKind { bfFolders, bfComputers };
enum TDialogPosition { dpDefault, dpScreenCenter };

// What the dialog is asked to show, and where it reports back while it is open.
struct FolderDialogRequest {
    std::string title;          // empty: the dialog's own caption
    std::string initialFolder;  // empty: the current folder
    QWidget* parent = nullptr;
    bool centred = false;
    int helpContext = 0;        // not 0: the dialog offers a "&Help" button that runs `help`
    std::function<void()> help;
    std::function<void()> initialized;
    std::function<void(const std::string& path)> selectionChanged;
};
// The dialog seam: true with the chosen folder when one was chosen.
using FolderDialogRunner = std::function<bool(const FolderDialogRequest& request, std::string& chosen)>;
void SetFolderDialogRunner(FolderDialogRunner runner);  // empty restores Qt's folder dialog

// The application's help, shown for a help context; none is installed until a program installs
// one, and then a help request shows nothing.
using ApplicationHelp = std::function<void(int helpContext)>;
void SetApplicationHelp(ApplicationHelp help);
void ShowApplicationHelp(int helpContext);

class TBrowseFolderDlg : public QObject {
    Q_OBJECT
public:
    explicit TBrowseFolderDlg(QObject* owner = nullptr);

    TBrowseKind BrowseKind() const { return browseKind_; }
    void SetBrowseKind(TBrowseKind kind) { browseKind_ = kind; }
    // The whole file system is the root here; kept for stored settings.
    bool DesktopRoot() const { return desktopRoot_; }
    void SetDesktopRoot(bool value) { desktopRoot_ = value; }
    const std::string& DialogText() const { return dialogText_; }
    void SetDialogText(const std::string& text) { dialogText_ = text; }
    const std::string& FolderName() const { return folderName_; }
    void SetFolderName(const std::string& name) { folderName_ = name; }
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int context) { helpContext_ = context; }
    TDialogPosition Position() const { return position_; }
    void SetPosition(TDialogPosition position) { position_ = position; }
    // The folder selected while the dialog is open; empty when the selection is no folder.
    const std::string& SelectedPath() const { return selectedPath_; }

    std::function<void(TBrowseFolderDlg* sender)> OnInitialized;
    std::function<void(TBrowseFolderDlg* sender)> OnSelChanged;

    // Shows the dialog; true when a folder was chosen, which becomes FolderName (without a
    // trailing "/", except for "/" itself). Computers cannot be browsed here: bfComputers raises.
    bool Execute();

private:
    TBrowseKind browseKind_ = bfFolders;
    bool desktopRoot_ = true;
    std::string dialogText_;
    std::string folderName_;
    int helpContext_ = 0;
    TDialogPosition position_ = dpScreenCenter;
    std::string selectedPath_;
};

// Runs a TBrowseFolderDlg with that title, folder and help context; on success the folder
// takes the chosen one.
bool BrowseDirectory(std::string& folder, const std::string& title, int helpContext);

#include "controls/input/BrowseFolderDialog.h"

#include "controls/input/FileRoutines.h"
#include "controls/input/VisualRoutines.h"
#include "platform/Errors.h"
#include "platform/QtText.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QPointer>
#include <QPushButton>

namespace {

QString toPath(const std::string& bytes) { return QFile::decodeName(QByteArray::fromStdString(bytes)); }
std::string fromPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

bool qtFolderDialog(const FolderDialogRequest& request, std::string& chosen)
{
    const QPointer<QWidget> previouslyActive = QApplication::activeWindow();
    QFileDialog dialog(request.parent ? request.parent : previouslyActive.data());
    dialog.setFileMode(QFileDialog::Directory);
    // Qt's own dialog, so centring and the selection reports work on every desktop.
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (!request.title.empty()) dialog.setWindowTitle(qttext::toQString(request.title));
    if (!request.initialFolder.empty()) dialog.setDirectory(toPath(request.initialFolder));
    QObject::connect(&dialog, &QFileDialog::currentChanged, [&](const QString& path) {
        if (request.selectionChanged) request.selectionChanged(fromPath(path));
    });
    if (request.helpContext != 0)
        if (auto* buttons = dialog.findChild<QDialogButtonBox*>()) {
            // Beside the dialog's own buttons and sized as they are: the dialog lays them out, and a
            // button placed by hand would cover its labels.
            QPushButton* help = buttons->addButton(QCoreApplication::translate("TBrowseFolderDlg", "&Help"),
                                                   QDialogButtonBox::HelpRole);
            help->setObjectName(QStringLiteral("HelpButton"));
            help->setAccessibleName(QCoreApplication::translate("TBrowseFolderDlg", "Help"));
            QObject::connect(help, &QPushButton::clicked, [&] {
                if (request.help) request.help();
            });
        }
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    if (request.centred) CenterWindow(&dialog);
    if (request.initialized) request.initialized();
    const bool accepted = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    if (accepted) chosen = fromPath(dialog.selectedFiles().constFirst());
    if (previouslyActive) previouslyActive->activateWindow();
    return accepted;
}

ApplicationHelp& helpSlot()
{
    static ApplicationHelp help;
    return help;
}

FolderDialogRunner& runnerSlot()
{
    static FolderDialogRunner runner;
    return runner;
}

}  // namespace

void SetFolderDialogRunner(FolderDialogRunner runner) { runnerSlot() = std::move(runner); }

void SetApplicationHelp(ApplicationHelp help) { helpSlot() = std::move(help); }

void ShowApplicationHelp(int helpContext)
{
    if (helpSlot()) helpSlot()(helpContext);
}

TBrowseFolderDlg::TBrowseFolderDlg(QObject* owner) : QObject(owner) {}

bool TBrowseFolderDlg::Execute()
{
    if (browseKind_ == bfComputers) throw Exception("Browsing for computers is not available on this system");
    FolderDialogRequest request;
    request.title = dialogText_;
    if (DirExists(folderName_)) request.initialFolder = folderName_;
    request.centred = position_ == dpScreenCenter;
    request.helpContext = helpContext_;
    if (helpContext_ != 0) request.help = [this] { ShowApplicationHelp(helpContext_); };
    request.initialized = [this] {
        if (OnInitialized) OnInitialized(this);
    };
    request.selectionChanged = [this](const std::string& path) {
        selectedPath_ = DirExists(path) ? path : std::string();
        if (OnSelChanged) OnSelChanged(this);
    };
    selectedPath_.clear();
    std::string chosen;
    const FolderDialogRunner& run = runnerSlot() ? runnerSlot() : FolderDialogRunner(qtFolderDialog);
    if (!run(request, chosen) || chosen.empty()) return false;
    while (chosen.size() > 1 && chosen.back() == '/') chosen.pop_back();
    folderName_ = chosen;
    return true;
}

bool BrowseDirectory(std::string& folder, const std::string& title, int helpContext)
{
    TBrowseFolderDlg dialog;
    dialog.SetDialogText(title);
    dialog.SetFolderName(folder);
    dialog.SetHelpContext(helpContext);
    if (!dialog.Execute()) return false;
    folder = dialog.FolderName();
    return true;
}

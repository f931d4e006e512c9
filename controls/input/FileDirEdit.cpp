#include "controls/input/FileDirEdit.h"

#include "controls/input/BrowseFolderDialog.h"
#include "controls/input/FileEditRules.h"
#include "controls/input/FileRoutines.h"
#include "platform/AppPaths.h"
#include "platform/Guard.h"
#include "platform/QtText.h"

#include <QDragEnterEvent>
#include <QFile>
#include <QFileDialog>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

namespace {

QString Q(const std::string& s) { return qttext::toQString(s); }

// The field's default glyph: a small open folder, 14 x 12, on a truly transparent ground. The
// button takes the bottom-left pixel as its key colour, so the folder leaves the last row empty
// (its black outline there would be keyed away).
QImage folderGlyph()
{
    QImage glyph(14, 12, QImage::Format_ARGB32);
    glyph.fill(Qt::transparent);
    QPainter p(&glyph);
    p.setPen(Qt::black);
    p.setBrush(QColor(255, 255, 0));
    p.drawRect(0, 2, 12, 8);
    p.drawRect(0, 0, 5, 2);
    p.setBrush(QColor(128, 128, 0));
    const QPoint lid[] = {{2, 5}, {13, 5}, {11, 10}, {0, 10}};
    p.drawPolygon(lid, 4);
    return glyph;
}

std::vector<std::string> localFiles(const QMimeData* data)
{
    std::vector<std::string> names;
    if (!data || !data->hasUrls()) return names;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) names.push_back(QFile::encodeName(url.toLocalFile()).toStdString());  // the whole path, however long
    return names;
}

}  // namespace

bool TFileDialogs::ExecuteFile(QWidget* parent, const TFileDialogRequest& r, std::vector<std::string>& names)
{
    names.clear();
    const bool save = r.Kind == dkSave || r.Kind == dkSavePicture;
    // A bare name lies in the initial folder, not in the process's working folder.
    const std::string folder = fileedit::FolderOf(r.FileName);
    QFileDialog dialog(parent, Q(r.Title), Q(folder.empty() ? r.InitialDir : folder), Q(r.Filter));
    if (!r.FileName.empty()) dialog.selectFile(Q(fileedit::FilePartOf(r.FileName)));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (save)
        dialog.setFileMode(QFileDialog::AnyFile);
    else if (r.Multiple)
        dialog.setFileMode(QFileDialog::ExistingFiles);
    else
        dialog.setFileMode(r.Options & ofFileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !(r.Options & ofOverwritePrompt));
    dialog.setOption(QFileDialog::DontResolveSymlinks, (r.Options & ofNoDereferenceLinks) != 0);
    dialog.setDefaultSuffix(Q(r.DefaultExt));
    if (!r.SelectedFilter.empty()) dialog.selectNameFilter(Q(r.SelectedFilter));
    QStringList history;
    for (const std::string& h : r.History) history.push_back(Q(h));
    dialog.setHistory(history);
    if (dialog.exec() != QDialog::Accepted) return false;
    for (const QString& name : dialog.selectedFiles()) names.push_back(QFile::encodeName(name).toStdString());
    return !names.empty();
}

// Qt's folder dialog always offers to make a new folder, so the creation options are its own.
bool TFileDialogs::ExecuteDirectory(QWidget* parent, TDirDialogKind kind, TSelectDirOpts, const std::string& text,
                                    std::string& folder)
{
    if (kind == dkWin32) return BrowseDirectory(folder, text, 0);
    const QString chosen = QFileDialog::getExistingDirectory(parent, Q(text), Q(folder));
    if (chosen.isEmpty()) return false;
    folder = QFile::encodeName(chosen).toStdString();
    return true;
}

TFileDirEdit::TFileDirEdit(QWidget* parent) : TCustomComboEdit(parent)
{
    SetGlyphKind(gkDefault);
}

QImage TFileDirEdit::DefaultGlyph() const
{
    static const QImage glyph = folderGlyph();
    return glyph;
}

std::string TFileDirEdit::Bytes() const
{
    const QString shown = text();
    return shown == setText_ ? setBytes_ : shown.toStdString();
}

void TFileDirEdit::SetBytes(const std::string& value)
{
    setBytes_ = value;
    setText_ = qttext::toQString(value);
    setText(setText_);
}

TFileDialogs& TFileDirEdit::Dialogs() const
{
    static TFileDialogs platform;
    return dialogs_ ? *dialogs_ : platform;
}

void TFileDirEdit::SetAcceptFiles(bool value)
{
    acceptFiles_ = value;
    setAcceptDrops(value);
}

void TFileDirEdit::DoBeforeDialog(std::string& name, bool& action)
{
    if (OnBeforeDialog) OnBeforeDialog(name, action);
}

void TFileDirEdit::DoAfterDialog(std::string& name, bool& action)
{
    if (OnAfterDialog) OnAfterDialog(name, action);
}

void TFileDirEdit::dragEnterEvent(QDragEnterEvent* event)
{
    if (acceptFiles_ && !localFiles(event->mimeData()).empty())
        event->acceptProposedAction();
    else
        TCustomComboEdit::dragEnterEvent(event);
}

void TFileDirEdit::dragMoveEvent(QDragMoveEvent* event)
{
    if (acceptFiles_ && !localFiles(event->mimeData()).empty())
        event->acceptProposedAction();
    else
        TCustomComboEdit::dragMoveEvent(event);
}

void TFileDirEdit::dropEvent(QDropEvent* event)
{
    const std::vector<std::string> names = localFiles(event->mimeData());
    if (!acceptFiles_ || names.empty()) {
        TCustomComboEdit::dropEvent(event);
        return;
    }
    event->acceptProposedAction();
    // A name no file can have is reported, not thrown through the event loop.
    guard::toApplication([&] {
        ClearFileList();
        for (const std::string& name : names) {
            ReceptFileDir(name);
            if (!multiple_) break;
        }
        emit DropFiles();
    });
}

TFilenameEdit::TFilenameEdit(QWidget* parent) : TFileDirEdit(parent) {}

std::string TFilenameEdit::FileName() const { return fileedit::ClipFileName(Bytes(), apppaths::fileExists); }

void TFilenameEdit::SetFileName(const std::string& value)
{
    if (value.empty()) {
        SetBytes(value);
        ClearFileList();
        return;
    }
    const std::string name = fileedit::ClipFileName(value, apppaths::fileExists);
    if (!ValidFileName(name)) throw EComboEditError("Invalid file name - " + value);
    SetBytes(fileedit::QuotedName(value));
    ClearFileList();
}

void TFilenameEdit::SetDialogOptions(TOpenOptions value)
{
    dialog_.Options = value;
    multiple_ = (value & ofAllowMultiSelect) != 0;
    if (!multiple_) ClearFileList();
}

void TFilenameEdit::SetAllowMultiSelect(bool value)
{
    SetDialogOptions(value ? dialog_.Options | ofAllowMultiSelect : dialog_.Options & ~ofAllowMultiSelect);
}

void TFilenameEdit::ReceptFileDir(const std::string& name)
{
    if (multiple_) {
        if (dialog_.Files.empty()) SetFileName(name);
        dialog_.Files.push_back(name);
    } else {
        SetFileName(name);
    }
}

void TFilenameEdit::DoButtonClick()
{
    TFileDirEdit::DoButtonClick();
    std::string name = FileName();
    bool action = true;
    DoBeforeDialog(name, action);
    if (!action) return;
    if (ValidFileName(name)) {
        const std::string folder = fileedit::FolderOf(name);
        if (!folder.empty() && DirExists(folder)) dialog_.InitialDir = folder;
        const std::string part = fileedit::FilePartOf(name);
        dialog_.FileName = part.empty() || !ValidFileName(part) ? std::string() : name;
    }
    TFileDialogRequest request;
    request.Kind = dialog_.Kind;
    request.Title = dialog_.Title;
    request.DefaultExt = dialog_.DefaultExt;
    request.Filter = fileedit::ToQtFilter(dialog_.Filter);
    request.SelectedFilter = fileedit::QtFilterAt(dialog_.Filter, dialog_.FilterIndex);
    request.Options = dialog_.Options;
    request.History = dialog_.History;
    request.Multiple = multiple_;
    request.FileName = dialog_.FileName;
    request.InitialDir = dialog_.InitialDir;
    std::vector<std::string> names;
    action = Dialogs().ExecuteFile(window(), request, names);
    if (action && !names.empty()) {
        name = names.front();
        dialog_.FileName = name;
        dialog_.Files = multiple_ ? names : std::vector<std::string>{};
    }
    if (focusPolicy() & Qt::TabFocus && isEnabled()) setFocus();
    DoAfterDialog(name, action);
    if (!action) return;
    SetBytes(fileedit::QuotedName(name));
    const std::string folder = fileedit::FolderOf(dialog_.FileName);
    if (!folder.empty()) dialog_.InitialDir = folder;
}

TDirectoryEdit::TDirectoryEdit(QWidget* parent) : TFileDirEdit(parent) {}

// Names have one form here; each folder of a list is kept, empty pieces dropped.
std::string TDirectoryEdit::LongName() const
{
    if (!multiple_) return ShortToLongPath(Bytes());
    std::string joined;
    std::string_view rest = Bytes();
    for (;;) {
        const auto at = rest.find(';');
        const std::string piece = ShortToLongPath(std::string(rest.substr(0, at)));
        if (!piece.empty()) {
            if (!joined.empty()) joined += ';';
            joined += piece;
        }
        if (at == std::string_view::npos) return joined;
        rest.remove_prefix(at + 1);
    }
}

std::string TDirectoryEdit::ShortName() const { return LongName(); }

void TDirectoryEdit::ReceptFileDir(const std::string& name)
{
    const std::string folder = apppaths::fileExists(name) ? fileedit::FolderOf(name) : name;
    SetBytes(fileedit::WithFolder(Bytes(), folder, multiple_));
}

void TDirectoryEdit::DoButtonClick()
{
    TFileDirEdit::DoButtonClick();
    std::string name = Bytes();
    bool action = true;
    DoBeforeDialog(name, action);
    if (!action) return;
    // An empty name starts at the initial folder; a missing folder at the root.
    static const std::string root(1, '/');
    if (name.empty()) name = initialDir_.empty() ? root : initialDir_;
    if (!DirExists(name)) name = root;
    action = Dialogs().ExecuteDirectory(window(), dialogKind_, dialogOptions_, dialogText_, name);
    if (focusPolicy() & Qt::TabFocus && isEnabled()) setFocus();
    DoAfterDialog(name, action);
    if (!action) return;
    if (hasSelectedText()) del();
    SetBytes(fileedit::WithFolder(Bytes(), name, multiple_));
    if (!name.empty() && DirExists(name)) initialDir_ = name;
}

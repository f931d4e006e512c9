#pragma once
// Fields for a file name (its button opens a file dialog) and for a folder (a folder dialog),
// both taking names dropped from a file manager. The dialogs sit behind TFileDialogs, so tests
// answer them.

#include "controls/input/ComboEdit.h"
#include "platform/Errors.h"

#include <functional>
#include <string>
#include <vector>

class EComboEditError : public Exception {
public:
    using Exception::Exception;
};

enum TFileDialogKind { dkOpen, dkSave, dkOpenPicture, dkSavePicture };
enum TDirDialogKind { dkFramework, dkWin32 };
enum TFileEditStyle { fsEdit, fsComboBox };

// Options of the file dialog that mean something here; a set is their sum.
enum TOpenOption : unsigned {
    ofOverwritePrompt = 1u << 0,  // a save dialog asks before it names an existing file
    ofHideReadOnly = 1u << 1,     // no read-only check box (the dialogs here have none)
    ofAllowMultiSelect = 1u << 2,
    ofFileMustExist = 1u << 3,    // an open dialog takes only existing files
    ofNoDereferenceLinks = 1u << 4,
};
using TOpenOptions = unsigned;

// Options of the folder dialog: a new folder may be named, is then made, after asking.
enum TSelectDirOpt : unsigned { sdAllowCreate = 1u << 0, sdPerformCreate = 1u << 1, sdPrompt = 1u << 2 };
using TSelectDirOpts = unsigned;

// What a file dialog is set to. The field keeps one; a new dialog kind keeps every setting.
struct TFileDialogSettings {
    TFileDialogKind Kind = dkOpen;
    std::string Title = fileedit::kDefaultDialogTitle;
    std::string Filter = fileedit::kDefaultFilter;  // "Desc|*.x;*.y|..."
    int FilterIndex = 1;
    std::string InitialDir, FileName, DefaultExt;
    TOpenOptions Options = ofHideReadOnly;
    TFileEditStyle EditStyle = fsEdit;
    std::vector<std::string> History, Files;
    friend bool operator==(const TFileDialogSettings&, const TFileDialogSettings&) = default;
};

// One run of a file dialog, as the dialogs below are asked.
struct TFileDialogRequest {
    TFileDialogKind Kind = dkOpen;
    std::string Title, InitialDir, FileName, DefaultExt;
    std::string Filter;        // in Qt's form
    std::string SelectedFilter;
    TOpenOptions Options = ofHideReadOnly;
    std::vector<std::string> History;
    bool Multiple = false;
};

class TFileDialogs {
public:
    virtual ~TFileDialogs() = default;
    // The chosen names (several only when asked); false when cancelled.
    virtual bool ExecuteFile(QWidget* parent, const TFileDialogRequest& request, std::vector<std::string>& names);
    // The chosen folder in `folder` (it comes in as the one to start at); false when cancelled.
    virtual bool ExecuteDirectory(QWidget* parent, TDirDialogKind kind, TSelectDirOpts options,
                                  const std::string& text, std::string& folder);
};

class TFileDirEdit : public TCustomComboEdit {
    Q_OBJECT
public:
    explicit TFileDirEdit(QWidget* parent = nullptr);

    bool AcceptFiles() const { return acceptFiles_; }
    void SetAcceptFiles(bool value);
    void SetDialogs(TFileDialogs* dialogs) { dialogs_ = dialogs; }

    virtual std::string LongName() const = 0;
    virtual std::string ShortName() const = 0;
    // A name from a drop or a dialog.
    virtual void ReceptFileDir(const std::string& name) = 0;
    virtual void ClearFileList() {}

    using TExecOpenDialogEvent = std::function<void(std::string& name, bool& action)>;
    TExecOpenDialogEvent OnBeforeDialog, OnAfterDialog;

signals:
    void DropFiles();

protected:
    QImage DefaultGlyph() const override;
    void DoBeforeDialog(std::string& name, bool& action);
    void DoAfterDialog(std::string& name, bool& action);
    TFileDialogs& Dialogs() const;
    // The text as bytes, and bytes shown as text (UTF-8 when valid, else Latin-1). Text that is
    // still what was set gives back the very bytes set; typed text is UTF-8.
    std::string Bytes() const;
    void SetBytes(const std::string& value);
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

    bool multiple_ = false;

private:
    bool acceptFiles_ = false;
    TFileDialogs* dialogs_ = nullptr;
    std::string setBytes_;
    QString setText_;
};

class TFilenameEdit : public TFileDirEdit {
    Q_OBJECT
public:
    explicit TFilenameEdit(QWidget* parent = nullptr);

    std::string FileName() const;
    // Raises EComboEditError for a name no file can have; the text is then unchanged.
    void SetFileName(const std::string& value);
    TFileDialogKind DialogKind() const { return dialog_.Kind; }
    // Another kind of dialog, with every setting and the file list of the old one.
    void SetDialogKind(TFileDialogKind value) { dialog_.Kind = value; }
    const std::string& Filter() const { return dialog_.Filter; }
    void SetFilter(const std::string& value) { dialog_.Filter = value; }
    bool IsFilterStored() const { return dialog_.Filter != fileedit::kDefaultFilter; }
    int FilterIndex() const { return dialog_.FilterIndex; }
    void SetFilterIndex(int value) { dialog_.FilterIndex = value; }
    const std::string& InitialDir() const { return dialog_.InitialDir; }
    void SetInitialDir(const std::string& value) { dialog_.InitialDir = value; }
    const std::string& DefaultExt() const { return dialog_.DefaultExt; }
    void SetDefaultExt(const std::string& value) { dialog_.DefaultExt = value; }
    const std::string& DialogTitle() const { return dialog_.Title; }
    void SetDialogTitle(const std::string& value) { dialog_.Title = value; }
    bool IsDialogTitleStored() const { return dialog_.Title != fileedit::kDefaultDialogTitle; }
    TOpenOptions DialogOptions() const { return dialog_.Options; }
    // Several names only with ofAllowMultiSelect; without it the file list is emptied.
    void SetDialogOptions(TOpenOptions value);
    // Kept for stored settings: Qt's file dialog has one kind of name field, so the style
    // changes nothing there.
    TFileEditStyle FileEditStyle() const { return dialog_.EditStyle; }
    void SetFileEditStyle(TFileEditStyle value) { dialog_.EditStyle = value; }
    const std::vector<std::string>& HistoryList() const { return dialog_.History; }
    void SetHistoryList(const std::vector<std::string>& value) { dialog_.History = value; }
    bool AllowMultiSelect() const { return multiple_; }
    void SetAllowMultiSelect(bool value);
    const std::vector<std::string>& Files() const { return dialog_.Files; }
    const TFileDialogSettings& Dialog() const { return dialog_; }

    std::string LongName() const override { return FileName(); }
    std::string ShortName() const override { return FileName(); }
    void ReceptFileDir(const std::string& name) override;
    void ClearFileList() override { dialog_.Files.clear(); }

protected:
    void DoButtonClick() override;

private:
    TFileDialogSettings dialog_;
};

class TDirectoryEdit : public TFileDirEdit {
    Q_OBJECT
public:
    explicit TDirectoryEdit(QWidget* parent = nullptr);

    TDirDialogKind DialogKind() const { return dialogKind_; }
    void SetDialogKind(TDirDialogKind value) { dialogKind_ = value; }
    const std::string& InitialDir() const { return initialDir_; }
    void SetInitialDir(const std::string& value) { initialDir_ = value; }
    const std::string& DialogText() const { return dialogText_; }
    void SetDialogText(const std::string& value) { dialogText_ = value; }
    bool MultipleDirs() const { return multiple_; }
    void SetMultipleDirs(bool value) { multiple_ = value; }
    TSelectDirOpts DialogOptions() const { return dialogOptions_; }
    void SetDialogOptions(TSelectDirOpts value) { dialogOptions_ = value; }

    std::string LongName() const override;
    std::string ShortName() const override;
    void ReceptFileDir(const std::string& name) override;

protected:
    void DoButtonClick() override;

private:
    TDirDialogKind dialogKind_ = dkFramework;
    TSelectDirOpts dialogOptions_ = 0;
    std::string initialDir_, dialogText_;
};

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

struct TFileDialogRequest {
    TFileDialogKind Kind = dkOpen;
    std::string Title, InitialDir, FileName, DefaultExt;
    std::string Filter;        // in Qt's form
    std::string SelectedFilter;
    bool Multiple = false;
};

class TFileDialogs {
public:
    virtual ~TFileDialogs() = default;
    // The chosen names (several only when asked); false when cancelled.
    virtual bool ExecuteFile(QWidget* parent, const TFileDialogRequest& request, std::vector<std::string>& names);
    // The chosen folder in `folder` (it comes in as the one to start at); false when cancelled.
    virtual bool ExecuteDirectory(QWidget* parent, TDirDialogKind kind, const std::string& text, std::string& folder);
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
    // The text as bytes, and bytes shown as text (UTF-8 when valid, else Latin-1).
    std::string Bytes() const;
    void SetBytes(const std::string& value);
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

    bool multiple_ = false;

private:
    bool acceptFiles_ = false;
    TFileDialogs* dialogs_ = nullptr;
};

class TFilenameEdit : public TFileDirEdit {
    Q_OBJECT
public:
    explicit TFilenameEdit(QWidget* parent = nullptr);

    std::string FileName() const;
    // Raises EComboEditError for a name no file can have; the text is then unchanged.
    void SetFileName(const std::string& value);
    TFileDialogKind DialogKind() const { return dialogKind_; }
    void SetDialogKind(TFileDialogKind value) { dialogKind_ = value; }
    const std::string& Filter() const { return filter_; }
    void SetFilter(const std::string& value) { filter_ = value; }
    int FilterIndex() const { return filterIndex_; }
    void SetFilterIndex(int value) { filterIndex_ = value; }
    const std::string& InitialDir() const { return initialDir_; }
    void SetInitialDir(const std::string& value) { initialDir_ = value; }
    const std::string& DefaultExt() const { return defaultExt_; }
    void SetDefaultExt(const std::string& value) { defaultExt_ = value; }
    const std::string& DialogTitle() const { return title_; }
    void SetDialogTitle(const std::string& value) { title_ = value; }
    bool AllowMultiSelect() const { return multiple_; }
    void SetAllowMultiSelect(bool value);
    const std::vector<std::string>& Files() const { return files_; }

    std::string LongName() const override { return FileName(); }
    std::string ShortName() const override { return FileName(); }
    void ReceptFileDir(const std::string& name) override;
    void ClearFileList() override { files_.clear(); }

protected:
    void DoButtonClick() override;

private:
    TFileDialogKind dialogKind_ = dkOpen;
    std::string filter_ = "All files (*.*)|*.*";
    int filterIndex_ = 1;
    std::string initialDir_, defaultExt_, title_ = "Browse";
    std::vector<std::string> files_;
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

    std::string LongName() const override;
    std::string ShortName() const override;
    void ReceptFileDir(const std::string& name) override;

protected:
    void DoButtonClick() override;

private:
    TDirDialogKind dialogKind_ = dkFramework;
    std::string initialDir_, dialogText_;
};

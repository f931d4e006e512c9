#pragma once
// The editor's main window: the script list of the "Scripts" folder, the coloured script text,
// the commands (save, run in the runner, view its log...) and the status bar with the change
// mark. Questions and program starts go through EditorSeams.

#include <QMainWindow>
#include <memory>
#include <string>

class EditorSeams;
class QAction;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QToolBar;
class TSRichEdit;
class THostStatusBar;
class TLedLight;
class TScriptPrinter;

class TScriptingEditor : public QMainWindow {
    Q_OBJECT
public:
    // Creates the scripts folder when it is missing; raises Exception when it cannot.
    explicit TScriptingEditor(EditorSeams& seams, QWidget* parent = nullptr);
    ~TScriptingEditor() override;

    std::string ScriptsFolder() const { return scriptsFolder_; }
    const std::string& CurrentFileName() const { return currentFileName_; }
    bool Modified() const { return modified_; }

    TSRichEdit* Memo1() const { return memo_; }
    QListWidget* FList() const { return list_; }
    THostStatusBar* SBar() const { return bar_; }
    TLedLight* Light() const { return light_; }
    QAction* Action(const char* objectName) const;

    // Opens a script of the list by its file name (as choosing it in the list does).
    void SelectScript(const QString& name);
    // Saves when changed: asks with `ask`; false when the user cancelled or the save failed, and
    // the command that asked must stop.
    bool AskSaveChanges(bool ask);
    // The command handlers; each returns false when it stopped without doing its work.
    bool SaveBtnClick();
    bool SaveAsClick();
    void RemoveClick();
    void RunClick();
    void ViewLogClick();
    void HelpClick();
    // Prints the script text through the print dialog; the view of the text does not move.
    void PrintClick();
    TScriptPrinter& ScriptPrinter() { return *printer_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    EditorSeams& seams_;
    std::string scriptsFolder_;
    std::string currentFileName_;
    bool modified_ = false;
    bool utf8_ = true;          // the encoding the current script is saved in
    bool listSync_ = false;     // the editor moves the list selection itself
    bool quiet_ = false;        // loading or colouring: text changes are not edits

    TSRichEdit* memo_ = nullptr;
    QListWidget* list_ = nullptr;
    THostStatusBar* bar_ = nullptr;
    TLedLight* light_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QMenu* power_ = nullptr;
    std::unique_ptr<TScriptPrinter> printer_;

    void BuildActions();
    void BuildWindow();
    void NotAvailableYet(const QString& what);

    void MarkChanged();
    void MarkClean();
    void SetModifiedLed(int mode, bool on);

    void RefreshList();
    void SyncListTo(const std::string& path);
    QListWidgetItem* SelectedItem() const;
    void ListChanged();
    bool LoadScript(const std::string& path);
    bool WriteScript(const std::string& path);
    void TextChanged(int position, int removed, int added);
    void ColourAll();
};

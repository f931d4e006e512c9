#pragma once
// The editor's main window: the script list of the "Scripts" folder, the coloured script text,
// the commands (save, run in the runner, view its log...) and the status bar with the change
// mark. Questions and program starts go through EditorSeams.

#include "editor/ScriptDocument.h"

#include <QMainWindow>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

class EditorSeams;
class SendToSeams;
class QAction;
class QComboBox;
class QFileSystemWatcher;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QToolBar;
class TSRichEdit;
class THostStatusBar;
class TLedLight;
class TScriptPrinter;
class TFormStorage;
class TEffForm;
class TToolbarFill;
class TPaintedCaption;

class TScriptingEditor : public QMainWindow {
    Q_OBJECT
public:
    // Creates the scripts folder when it is missing; raises Exception when it cannot.
    explicit TScriptingEditor(EditorSeams& seams, QWidget* parent = nullptr);
    // Saves the placement and settings when the close did not.
    ~TScriptingEditor() override;

    std::string ScriptsFolder() const { return scriptsFolder_; }
    const std::string& CurrentFileName() const { return doc_.Path(); }
    bool Modified() const { return doc_.Modified(); }
    ScriptDocument& Document() { return doc_; }

    TSRichEdit* Memo1() const { return memo_; }
    QListWidget* FList() const { return list_; }
    THostStatusBar* SBar() const { return bar_; }
    TLedLight* Light() const { return light_; }
    QAction* Action(const char* objectName) const;

    // Opens a script of the list by its file name (as choosing it in the list does).
    void SelectScript(const QString& name);
    // The same by the name's bytes, which need not be UTF-8.
    void SelectScriptFile(const std::string& name);
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
    // The Power menu: Send-To launchers and stand-alone programs. Their dialogs go through
    // `seams` from now on.
    void SetSendToSeams(SendToSeams& seams) { sendToSeams_ = &seams; }
    void AddthisscripttoExplorersSendTocontextmenu1Click();
    void RemovethisscriptfromExplorersSendTocontextmenu1Click();
    void CreateaEXEprogramforthescript1Click();
    // Checks the text's lines, selects the first bad one and reports the result.
    void SyntaxCheckClick();
    // A new, unnamed script from the default template, marked changed.
    void DefaultScriptClick();
    // The script wizard, shown modally through the seams; Finish replaces the text once the
    // changed text was saved or given up (else the wizard stays open).
    void ScriptingWizard1Click();
    // The text becomes `lines`, coloured, unnamed and marked changed.
    void PutWizardScript(const QStringList& lines);
    // Prints the script text through the print dialog; the view of the text does not move.
    void PrintClick();
    TScriptPrinter& ScriptPrinter() { return *printer_; }
    // The first show's registration of the script file type; a failure is reported.
    void RegisterFileTypeOnce();
    // The menu's registration, after a confirmation.
    void ApplyVantreltoWindowsRegistry1Click();
    TFormStorage* FormStorage1() const { return formStorage_; }
    TEffForm* EffForm1() const { return effForm_; }
    TToolbarFill* EffFill1() const { return fill_; }
    TPaintedCaption* PaintedCaption1() const { return paintedCaption_; }
    // A fresh about box, shown modally through the seams and freed.
    void About1Click();
    // The start-up splash, hidden and freed at the first show before anything there can ask.
    void SetSplash(std::unique_ptr<QWidget> splash);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    EditorSeams& seams_;
    SendToSeams* sendToSeams_ = nullptr;
    std::string scriptsFolder_;
    ScriptDocument doc_;
    bool listSync_ = false;     // the editor moves the list selection itself
    bool quiet_ = false;        // loading or colouring: text changes are not edits

    TSRichEdit* memo_ = nullptr;
    QListWidget* list_ = nullptr;
    THostStatusBar* bar_ = nullptr;
    TLedLight* light_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QMenu* power_ = nullptr;
    std::unique_ptr<TScriptPrinter> printer_;
    TFormStorage* formStorage_ = nullptr;
    TEffForm* effForm_ = nullptr;
    TToolbarFill* fill_ = nullptr;
    TPaintedCaption* paintedCaption_ = nullptr;
    bool shown_ = false;
    std::unique_ptr<QWidget> splash_;
    void HideSplash();

    void BuildActions();
    void BuildWindow();
    void SetupFormStorage();
    // The title bar and the window text (EditorCaption.cpp).
    void SetupPaintedCaption();
    void ChangeBackground();
    // Runs a registration; a failure is reported and the editor goes on.
    void RunRegistration(void (*registration)());

    void MarkChanged() { doc_.SetModified(true); }
    // Panel 1, the LED and Save follow the document's mark; panel 0 its file name.
    void ShowModified(bool modified);
    void SetModifiedLed(int mode, bool on);
    // The save of the text, its questions through the seams; a failure is reported.
    bool WriteScript(const std::string& path);
    // Opens a file viewer on `file`; a viewer that cannot start or ends in failure is reported.
    void View(const std::string& file);

    QFileSystemWatcher* watcher_ = nullptr;  // the list follows files other programs add or remove
    void RefreshList();
    void SyncListTo(const std::string& path);
    QListWidgetItem* SelectedItem() const;
    std::string SelectedPath() const;  // the selected script's path, empty for none
    void ListChanged();
    bool LoadScript(const std::string& path);
    void TextChanged(int position, int removed, int added);
    void ColourAll();
    void PutText(const QString& text);

    // The context menu's insert lists and the server-type menu (EditorInsertCommands.cpp).
    std::vector<std::string> dialEntryCache_;
    QMenu* serversMenu_ = nullptr;
    QComboBox* insertBoxes_[3] = {};
    QPoint popupAt_;  // where the context menu was asked for, in window coordinates
    void BuildInsertMenus();
    void ShowInsertBox(QComboBox* box);
    void InsertFromBox(QComboBox* box, int index);
    // Before a typed character goes into the text: true when it is to be swallowed.
    bool ServerMenuOnKey();
};

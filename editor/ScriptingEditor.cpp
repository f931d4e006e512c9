#include "editor/ScriptingEditor.h"

#include "controls/effects/EffForm.h"
#include "controls/effects/EffLabels.h"
#include "controls/input/FormPlacement.h"
#include "controls/input/IcSpeedButton.h"
#include "controls/tabs/HostStatusBar.h"
#include "controls/tabs/LedLight.h"
#include "editor/EditorPanels.h"
#include "editor/EditorRegistration.h"
#include "editor/EditorRules.h"
#include "editor/EditorSeams.h"
#include "editor/KeywordHighlighter.h"
#include "editor/ScriptText.h"
#include "editor/SendToDialogs.h"
#include "platform/AppPaths.h"
#include "platform/ByteText.h"
#include "platform/Errors.h"
#include "platform/LocalFiles.h"
#include "platform/QtText.h"
#include "printing/ScriptPrinter.h"
#include "printing/ScrollingRichEdit.h"
#include "script/ScriptFile.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileSystemWatcher>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QMenuBar>
#include <QShowEvent>
#include <QSplitter>
#include <QStyle>
#include <QTextBlock>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>

namespace {

QString Q(const std::string& bytes)
{
    return qttext::toQString(bytes);
}

std::string B(const QString& text)
{
    return qttext::fromQString(text, true);
}

// Sets a flag for the life of a scope, whichever way the scope is left.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = old_; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
    bool old_;
};

// A control under its caption, which also names it for screen readers.
QWidget* CaptionedColumn(const QString& caption, QWidget* control, QWidget* column = nullptr)
{
    if (!column) column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    TEffLabelFill* title = NewBarTitle(caption);
    title->setFixedHeight(24);
    control->setAccessibleName(caption);
    layout->addWidget(title);
    layout->addWidget(control);
    return column;
}

}  // namespace

TScriptingEditor::TScriptingEditor(EditorSeams& seams, QWidget* parent) : QMainWindow(parent), seams_(seams)
{
    setObjectName(QStringLiteral("ScriptingEditor"));
    SetupPaintedCaption();
    scriptsFolder_ = apppaths::dataFolder() + "/Scripts";
    if (!apppaths::makeDirectories(scriptsFolder_))
        throw Exception("Cannot create the folder \"" + scriptsFolder_ + "\". " + std::strerror(errno));
    printer_ = std::make_unique<TScriptPrinter>([this] { return doc_.Path(); },
                                                std::make_unique<TWidgetPrintDialog>(this));
    BuildActions();
    BuildWindow();
    connect(&doc_, &ScriptDocument::modifiedChanged, this, &TScriptingEditor::ShowModified);
    connect(&doc_, &ScriptDocument::fileNameChanged, this, [this](const QString& path) { bar_->SetPanelText(0, path); });
    ShowModified(doc_.Modified());
    RefreshList();
    watcher_ = new QFileSystemWatcher(this);
    watcher_->addPath(Q(scriptsFolder_));
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { RefreshList(); });
    SetupFormStorage();
}

QAction* TScriptingEditor::Action(const char* objectName) const
{
    return findChild<QAction*>(QString::fromLatin1(objectName));
}

void TScriptingEditor::BuildActions()
{
    auto action = [this](const char* name, const QString& menuText, const QString& buttonText,
                         QStyle::StandardPixmap icon, auto handler) {
        auto* a = new QAction(style()->standardIcon(icon), menuText, this);
        a->setObjectName(QString::fromLatin1(name));
        if (!buttonText.isEmpty()) {
            a->setIconText(buttonText);
            a->setToolTip(buttonText);
        }
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    action("ScriptingWizard1", tr("Scripting &Wizard"), {}, QStyle::SP_FileIcon,
           [this] { ScriptingWizard1Click(); });
    action("Default1", tr("&Default"), {}, QStyle::SP_FileIcon, [this] { DefaultScriptClick(); });
    action("CreateSendTo1", tr("&Create a Send-To menu item Script..."), {}, QStyle::SP_FileIcon,
           [this] { AddthisscripttoExplorersSendTocontextmenu1Click(); });
    action("SaveBtn", tr("&Save"), tr("Save..."), QStyle::SP_DialogSaveButton, [this] { SaveBtnClick(); });
    action("IcSpeedButton1", tr("Save &As..."), tr("Save As..."), QStyle::SP_DriveFDIcon, [this] { SaveAsClick(); });
    action("IcSpeedButton4", tr("Remove script..."), tr("Remove script..."), QStyle::SP_TrashIcon,
           [this] { RemoveClick(); });
    action("IcSpeedButton5", tr("&View log of current Script"), tr("View log of last process..."),
           QStyle::SP_FileDialogDetailedView, [this] { ViewLogClick(); });
    action("IcSpeedButton8", tr("Print..."), tr("Print current Scriptfile..."), QStyle::SP_ComputerIcon,
           [this] { PrintClick(); });
    action("IcSpeedButton7", tr("&Help with commands"), tr("Help: Command list..."), QStyle::SP_DialogHelpButton,
           [this] { HelpClick(); });
    action("IcSpeedButton6", tr("&Syntax check the selected script..."), tr("Syntax check commands..."),
           QStyle::SP_DialogApplyButton, [this] { SyntaxCheckClick(); });
    action("IcSpeedButton3", tr("&Perform the selected script..."), tr("Execute script..."), QStyle::SP_MediaPlay,
           [this] { RunClick(); });
    action("GetOut", tr("&Exit"), tr("Close!"), QStyle::SP_DialogCloseButton, [this] { close(); });
    action("ApplyVantreltoWindowsRegistry1", tr("&Apply Vantrel to Windows Registry..."), {},
           QStyle::SP_DriveHDIcon, [this] { ApplyVantreltoWindowsRegistry1Click(); });
    action("Copy1", tr("&Copy"), {}, QStyle::SP_FileIcon, [this] { memo_->copy(); });
    action("Paste1", tr("&Paste"), {}, QStyle::SP_FileIcon, [this] { memo_->paste(); });
    action("Cut1", tr("Cu&t"), {}, QStyle::SP_FileIcon, [this] { memo_->cut(); });
    action("SelectAll1", tr("Select &All"), {}, QStyle::SP_FileIcon, [this] { memo_->selectAll(); });
    action("About1", tr("About..."), {}, QStyle::SP_MessageBoxInformation, [this] { About1Click(); });
    action("AddthisscripttoExplorersSendTocontextmenu1", tr("&Add this script to the Send-To menu"), {},
           QStyle::SP_FileLinkIcon, [this] { AddthisscripttoExplorersSendTocontextmenu1Click(); });
    action("RemovethisscriptfromExplorersSendTocontextmenu1", tr("&Remove this script from the Send-To menu"), {},
           QStyle::SP_FileLinkIcon, [this] { RemovethisscriptfromExplorersSendTocontextmenu1Click(); });
    action("CreateaEXEprogramforthescript1", tr("&Create a program for the script"), {}, QStyle::SP_FileLinkIcon,
           [this] { CreateaEXEprogramforthescript1Click(); });
    action("Changebackground1", tr("&Change background..."), {}, QStyle::SP_DesktopIcon,
           [this] { ChangeBackground(); });
    for (QAction* a : findChildren<QAction*>()) {
        // The names screen readers give the commands: the caption without its accelerator mark.
        QString plain = a->text();
        plain.remove(QLatin1Char('&'));
        a->setToolTip(a->toolTip().isEmpty() ? plain : a->toolTip());
    }
}

void TScriptingEditor::BuildWindow()
{
    QMenu* file = menuBar()->addMenu(tr("&File"));
    QMenu* newMenu = file->addMenu(tr("&New"));
    newMenu->addAction(Action("ScriptingWizard1"));
    newMenu->addAction(Action("Default1"));
    file->addAction(Action("SaveBtn"));
    file->addAction(Action("IcSpeedButton1"));
    file->addSeparator();
    file->addAction(Action("GetOut"));
    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    for (const char* name : {"Copy1", "Paste1", "Cut1", "SelectAll1"}) edit->addAction(Action(name));
    QMenu* view = menuBar()->addMenu(tr("&View"));
    view->addAction(Action("IcSpeedButton5"));
    QMenu* tools = menuBar()->addMenu(tr("&Tools"));
    tools->addAction(Action("IcSpeedButton3"));
    tools->addAction(Action("IcSpeedButton6"));
    tools->addSeparator();
    tools->addAction(Action("ApplyVantreltoWindowsRegistry1"));
    power_ = menuBar()->addMenu(tr("P&ower"));
    power_->setObjectName(QStringLiteral("Power1"));
    for (const char* name : {"AddthisscripttoExplorersSendTocontextmenu1",
                             "RemovethisscriptfromExplorersSendTocontextmenu1", "CreateaEXEprogramforthescript1"})
        power_->addAction(Action(name));
    connect(power_, &QMenu::aboutToShow, this, [this] {
        const bool named = !bytetext::trim(doc_.Path()).empty();
        for (QAction* a : power_->actions()) a->setEnabled(named);
    });
    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->addAction(Action("IcSpeedButton7"));
    help->addAction(Action("About1"));

    toolBar_ = addToolBar(tr("Commands"));
    toolBar_->setObjectName(QStringLiteral("ToolBar1"));
    toolBar_->setAccessibleName(tr("Commands"));
    toolBar_->setMovable(false);
    toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    auto* popup1 = new QMenu(this);
    popup1->setObjectName(QStringLiteral("PopupMenu1"));
    popup1->addAction(Action("ScriptingWizard1"));
    popup1->addAction(Action("Default1"));
    popup1->addAction(Action("CreateSendTo1"));
    // Flat, transparent speed buttons over the toolbar's background; "New" drops its menu down.
    auto* newButton = new TIcSpeedButton;
    newButton->setObjectName(QStringLiteral("IcSpeedButton2"));
    newButton->SetGlyph(style()->standardIcon(QStyle::SP_FileIcon).pixmap(16, 16).toImage());
    newButton->SetCaption(tr("New script..."));
    newButton->SetHint(tr("New script..."));
    newButton->SetTransparent(true);
    newButton->SetDropDownMenu(popup1);
    // One width for all, so the row fits the window; long captions are shortened with "...".
    const auto place = [this](TIcSpeedButton* button) {
        button->setFixedSize(76, button->sizeHint().height());
        toolBar_->addWidget(button);
    };
    place(newButton);
    for (const char* name : {"SaveBtn", "IcSpeedButton1", "IcSpeedButton4", "IcSpeedButton5", "IcSpeedButton8",
                             "IcSpeedButton7", "IcSpeedButton6", "IcSpeedButton3", "GetOut"}) {
        auto* button = new TIcSpeedButton;
        button->setObjectName(QString::fromLatin1(name));
        button->SetFlat(true);
        button->SetTransparent(true);
        button->SetGrayedInactive(false);
        button->SetAction(Action(name));
        button->SetAllowTimer(button->Action() == Action("GetOut"));
        place(button);
    }
    toolBar_->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* backgroundMenu = new QMenu(this);
    backgroundMenu->setObjectName(QStringLiteral("BackgroundMenu"));
    backgroundMenu->addAction(Action("Changebackground1"));
    connect(toolBar_, &QWidget::customContextMenuRequested, this,
            [this, backgroundMenu](const QPoint& at) { backgroundMenu->popup(toolBar_->mapToGlobal(at)); });

    auto* splitter = new QSplitter;
    splitter->setObjectName(QStringLiteral("Splitter1"));
    list_ = new QListWidget;
    list_->setObjectName(QStringLiteral("fList"));
    memo_ = new TSRichEdit;
    memo_->setObjectName(QStringLiteral("Memo1"));
    memo_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    QWidget* panel = CaptionedColumn(tr("Script files"), list_, new TScriptsPanel);
    panel->setObjectName(QStringLiteral("Panel1"));
    QWidget* work = CaptionedColumn(tr("Workbench"), memo_);
    splitter->addWidget(panel);
    splitter->addWidget(work);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({180, 600});
    setCentralWidget(splitter);

    bar_ = new THostStatusBar;
    bar_->setObjectName(QStringLiteral("sBar"));
    bar_->setFixedHeight(19);
    bar_->AddPanel(420);
    bar_->AddPanel(100);
    setStatusBar(bar_);
    light_ = new TLedLight(bar_);
    light_->setObjectName(QStringLiteral("Light"));
    light_->SetLEDStyle(TLEDStyle::LEDHorizontal);
    light_->SetBlink(false);
    light_->move(528, 3);

    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    // Selection, not the current item: a click, the keys and the accessibility bus all select.
    connect(list_, &QListWidget::itemSelectionChanged, this, [this] { ListChanged(); });
    connect(memo_->document(), &QTextDocument::contentsChange, this, &TScriptingEditor::TextChanged);
    // The window sees every key first, whichever control has the focus.
    for (QWidget* w : {static_cast<QWidget*>(memo_), static_cast<QWidget*>(list_)}) w->installEventFilter(this);
    memo_->viewport()->installEventFilter(this);
    BuildInsertMenus();
    resize(860, 560);
}

bool TScriptingEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // A typed character in the text, control characters too, or a key of the key rule.
        const bool typed = watched == memo_ && !key->text().isEmpty();
        if (typed || KeyMarksChanged(key->key(), key->modifiers())) MarkChanged();
        if (typed && ServerMenuOnKey()) return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TScriptingEditor::TextChanged(int position, int removed, int added)
{
    if (quiet_) return;
    // Colouring changes formats only; anything else is an edit (typing, paste, cut, drop, undo).
    FlagScope quiet(quiet_);
    QTextDocument* doc = memo_->document();
    const int first = doc->findBlock(position).blockNumber();
    const int last = doc->findBlock(position + std::max(added, 0)).blockNumber();
    for (int row = first; row <= std::max(first, last); ++row) HighlightLine(*memo_, row);
    if (removed > 0 || added > 0) MarkChanged();
}

void TScriptingEditor::SetModifiedLed(int mode, bool on)
{
    if (mode != 1) return;
    light_->SetValue(on);
    light_->SetBlink(on);
}

void TScriptingEditor::ShowModified(bool modified)
{
    bar_->SetPanelText(1, modified ? tr("Changed!") : QStringLiteral("..."));
    SetModifiedLed(1, modified);
    Action("SaveBtn")->setEnabled(modified);
}

namespace {

// Each item keeps its file name's bytes: a name that is not UTF-8 is shown as Latin-1.
constexpr int kNameBytes = Qt::UserRole;

std::string ItemName(const QListWidgetItem* item)
{
    const QByteArray b = item->data(kNameBytes).toByteArray();
    return std::string(b.constData(), std::size_t(b.size()));
}

QListWidgetItem* ItemNamed(const QListWidget& list, const std::string& name)
{
    for (int i = 0; i < list.count(); ++i)
        if (ItemName(list.item(i)) == name) return list.item(i);
    return nullptr;
}

}  // namespace

void TScriptingEditor::RefreshList()
{
    std::vector<std::string> names;
    if (DIR* d = ::opendir(scriptsFolder_.c_str())) {
        while (const dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (name[0] != '.' && localfiles::matchesMask("*.ftp", name) && apppaths::fileExists(scriptsFolder_ + "/" + name))
                names.push_back(name);
        }
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    std::vector<std::string> listed;
    for (int i = 0; i < list_->count(); ++i) listed.push_back(ItemName(list_->item(i)));
    if (names != listed) {
        // Rebuilt only when the names differ, so a save beside the list does not move it.
        FlagScope sync(listSync_);
        list_->clear();
        const QIcon glyph = style()->standardIcon(QStyle::SP_FileIcon);
        for (const std::string& name : names) {
            auto* item = new QListWidgetItem(glyph, Q(name));
            item->setData(kNameBytes, QByteArray::fromStdString(name));
            list_->addItem(item);
        }
    }
    SyncListTo(doc_.Path());
}

void TScriptingEditor::SyncListTo(const std::string& path)
{
    FlagScope sync(listSync_);
    list_->clearSelection();
    list_->setCurrentItem(nullptr);
    if (path.empty() || apppaths::extractFilePath(path) != scriptsFolder_ + "/") return;
    if (QListWidgetItem* item = ItemNamed(*list_, apppaths::extractFileName(path))) list_->setCurrentItem(item);
}

QListWidgetItem* TScriptingEditor::SelectedItem() const
{
    const auto selected = list_->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

std::string TScriptingEditor::SelectedPath() const
{
    const QListWidgetItem* item = SelectedItem();
    return item ? scriptsFolder_ + "/" + ItemName(item) : std::string();
}

void TScriptingEditor::SelectScript(const QString& name)
{
    const auto found = list_->findItems(name, Qt::MatchExactly);
    if (found.isEmpty()) list_->clearSelection();
    else list_->setCurrentItem(found.first());
}

void TScriptingEditor::SelectScriptFile(const std::string& name)
{
    if (QListWidgetItem* item = ItemNamed(*list_, name)) list_->setCurrentItem(item);
    else list_->clearSelection();
}

void TScriptingEditor::ListChanged()
{
    if (listSync_) return;
    const std::string path = SelectedPath();
    if (path == doc_.Path() && !path.empty()) return;
    if (!AskSaveChanges(true)) {
        SyncListTo(doc_.Path());  // the choice is undone with the command
        return;
    }
    if (path.empty()) {
        doc_.SetModified(false);
        return;
    }
    if (!LoadScript(path)) SyncListTo(doc_.Path());
}

bool TScriptingEditor::LoadScript(const std::string& path)
{
    QString text;
    try {
        text = doc_.Load(path);
    } catch (const std::exception& e) {
        seams_.Fail(Q(e.what()));
        return false;
    }
    PutText(text);
    SyncListTo(doc_.Path());
    return true;
}

void TScriptingEditor::PutText(const QString& text)
{
    // One edit block with updates off: colouring a long script costs no layout per line, and
    // nothing is pumped, so no input re-enters while it runs.
    FlagScope quiet(quiet_);
    memo_->setUpdatesEnabled(false);
    memo_->setPlainText(text);
    ColourAll();
    memo_->SetRow(0);
    memo_->setUpdatesEnabled(true);
}

void TScriptingEditor::ColourAll()
{
    QTextDocument* doc = memo_->document();
    QTextCursor block(doc);
    block.beginEditBlock();
    for (int row = 0; row < doc->blockCount(); ++row) HighlightLine(*memo_, row);
    block.endEditBlock();
    doc->clearUndoRedoStacks();
    doc->setModified(false);
}

bool TScriptingEditor::WriteScript(const std::string& path)
{
    ScriptDocument::SaveQuestions ask;
    ask.overwriteChanged = [this](const std::string& file) {
        return seams_.Confirm(tr("The file \"%1\" was changed by another program since it was opened.\n\n"
                                 "Do you want to overwrite it?").arg(Q(file)));
    };
    ask.saveAsUtf8 = [this](const std::string& file) {
        return seams_.Confirm(tr("The script \"%1\" holds characters its 8-bit encoding cannot store.\n\n"
                                 "Do you want to save it as UTF-8?").arg(Q(file)));
    };
    const ScriptDocument::SaveResult result = doc_.Save(memo_->toPlainText(), path, ask);
    if (result.status == ScriptDocument::SaveResult::Failed) seams_.Fail(Q(result.error));
    return result.saved();
}

bool TScriptingEditor::AskSaveChanges(bool ask)
{
    std::optional<SaveAnswer> answer;
    if (ask && doc_.Modified())
        answer = seams_.AskYesNoCancel(tr("The file has changed...\n\nDo you want to save the changed file?"));
    switch (ScriptDocument::AskSaveDecision(doc_.Modified(), answer)) {
    case ScriptDocument::Decision::Cancel: return false;
    case ScriptDocument::Decision::Proceed: doc_.SetModified(false); return true;
    case ScriptDocument::Decision::SaveFirst: break;
    }
    return doc_.Path().empty() ? SaveAsClick() : WriteScript(doc_.Path());
}

bool TScriptingEditor::SaveBtnClick()
{
    if (!AskSaveChanges(false)) return false;
    RefreshList();
    return true;
}

bool TScriptingEditor::SaveAsClick()
{
    QString proposal = Q(doc_.Path());
    for (;;) {
        const QString chosen = seams_.SaveAsName(Q(scriptsFolder_), proposal);
        if (chosen.isEmpty()) return false;
        const std::string picked = B(chosen);
        const std::string path = UnderscoreBlanksInName(picked);
        // The dialog asked about the name it showed; the name written may be another one.
        if (path != picked && apppaths::fileExists(path) &&
            !seams_.Confirm(tr("%1 already exists.\nDo you want to replace it?").arg(Q(path)))) {
            proposal = Q(path);
            continue;
        }
        if (!WriteScript(path)) return false;
        RefreshList();
        return true;
    }
}

void TScriptingEditor::RemoveClick()
{
    QListWidgetItem* item = SelectedItem();
    if (!item) return;
    const std::string path = SelectedPath();
    if (!seams_.Confirm(tr("Delete script: \"%1\"?").arg(item->text()))) return;
    if (std::remove(path.c_str()) != 0) {
        seams_.Fail(tr("Cannot delete \"%1\". %2").arg(Q(path), QString::fromLocal8Bit(std::strerror(errno))));
        return;
    }
    if (path == doc_.Path()) {
        doc_.Forget();
        doc_.SetModified(false);
    }
    RefreshList();
}

void TScriptingEditor::RunClick()
{
    if (doc_.Modified() && !SaveBtnClick()) return;
    if (doc_.Path().empty()) return;
    std::string error;
    const std::string runner = apppaths::programFolder() + "/Trevask";
    if (!seams_.Start({runner, doc_.Path()}, error))
        seams_.Fail(tr("Cannot start \"%1\". %2").arg(Q(runner), Q(error)));
}

void TScriptingEditor::ViewLogClick()
{
    const std::string script = SelectedPath();
    if (script.empty()) return;
    const std::string log = apppaths::historyPathFor(script);
    if (!apppaths::fileExists(log)) {
        seams_.Inform(tr("No log available!"));
        return;
    }
    View(log);
}

void TScriptingEditor::HelpClick() { View(apppaths::programFolder() + "/Scripts.txt"); }

void TScriptingEditor::View(const std::string& file)
{
    std::string error;
    // xdg-open says by its exit status whether it found a viewer; the window may be gone by then.
    QPointer<TScriptingEditor> self(this);
    const auto ended = [self, file](int code) {
        if (self && code != 0)
            self->seams_.Fail(tr("No program could be started to show \"%1\" (xdg-open ended with status %2).")
                                  .arg(Q(file))
                                  .arg(code));
    };
    if (!seams_.StartWatched({"xdg-open", file}, error, ended))
        seams_.Fail(tr("Cannot show \"%1\". %2").arg(Q(file), Q(error)));
}

void TScriptingEditor::PrintClick()
{
    std::string error;
    if (!printer_->Print(*memo_->document(), error)) seams_.Fail(Q(error));
}

void TScriptingEditor::closeEvent(QCloseEvent* event)
{
    if (AskSaveChanges(true)) event->accept();
    else event->ignore();
}

namespace {

// The Power menu's commands, with the editor's script as it stands in the text.
void WithSendTo(EditorSeams& seams, SendToSeams* dialogs, const std::string& script,
                const std::function<void(TSendToCommands&)>& command)
{
    static WidgetSendToSeams windows;
    if (bytetext::trim(script).empty()) return;  // the items need a script file name
    TSendToCommands commands(seams, dialogs ? *dialogs : windows);
    command(commands);
}

}  // namespace

void TScriptingEditor::AddthisscripttoExplorersSendTocontextmenu1Click()
{
    WithSendTo(seams_, sendToSeams_, doc_.Path(), [this](TSendToCommands& c) {
        c.Add({doc_.Path(), doc_.Lines(memo_->toPlainText()), scriptsFolder_});
    });
}

void TScriptingEditor::RemovethisscriptfromExplorersSendTocontextmenu1Click()
{
    WithSendTo(seams_, sendToSeams_, doc_.Path(), [this](TSendToCommands& c) { c.Remove(doc_.Path()); });
}

void TScriptingEditor::CreateaEXEprogramforthescript1Click()
{
    WithSendTo(seams_, sendToSeams_, doc_.Path(), [this](TSendToCommands& c) {
        c.CreateProgram({doc_.Path(), doc_.Lines(memo_->toPlainText()), scriptsFolder_});
    });
}

void TScriptingEditor::SetupFormStorage()
{
    // The toolbar's background fill: its picture is one of the settings kept.
    fill_ = new TToolbarFill(toolBar_);
    // The opening effect; it stores nothing. Made first, it sees the show after the placement.
    effForm_ = new TEffForm(this);
    effForm_->setObjectName(QStringLiteral("EffForm1"));
    SetupOpeningEffForm(*effForm_, "ScriptingEditor");
    effForm_->Loaded();
    formStorage_ = new TFormStorage(this);
    formStorage_->setObjectName(QStringLiteral("FormStorage1"));
    SetupEditorFormStorage(*formStorage_);
    formStorage_->SetFormPosition(TFormPlacement::poScreenCenter);
}

TScriptingEditor::~TScriptingEditor()
{
    formStorage_->FormDestroying();
}

void TScriptingEditor::ChangeBackground()
{
    const QString name = seams_.PictureName();
    if (name.isEmpty()) return;
    if (!fill_->FillObject()->LoadBitmap(name)) seams_.Fail(tr("The picture \"%1\" cannot be read.").arg(name));
}

void TScriptingEditor::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // The splash stays on top of everything: it goes first, so no question or failure below
    // ends up beneath it.
    HideSplash();
    if (shown_ || event->spontaneous()) return;
    shown_ = true;
    RegisterFileTypeOnce();
}

void TScriptingEditor::RunRegistration(void (*registration)())
{
    try {
        registration();
    } catch (const std::exception& e) {
        seams_.Fail(tr("The script file type could not be registered. %1").arg(Q(e.what())));
    }
}

void TScriptingEditor::RegisterFileTypeOnce() { RunRegistration(&RegisterScriptFileTypeOnce); }

void TScriptingEditor::ApplyVantreltoWindowsRegistry1Click()
{
    if (!seams_.Confirm(tr("  This option will make Pellisar the default application\nfor servicing .FTP script files. "
                           "\n  This will make you able to simply Double-click on such a file\nin Explorer to execute "
                           "it. \n  Other programs will be able to execute such scripts, like, f.ex., \nWindows "
                           "Scheduler, etc, etc...\n\nDo you want to continue?")))
        return;
    RunRegistration(&RegisterScriptFileType);
}

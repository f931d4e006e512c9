// The editor window's commands that put ready-made text into the script or check it: the text's
// context menu with its insert lists, the server-type menu of a "SERVERTYPE=" line, the default
// script and the syntax check.

#include "desktop/dialup/PhoneBook.h"
#include "editor/EditorSeams.h"
#include "editor/ScriptInserts.h"
#include "editor/ScriptText.h"
#include "editor/ScriptingEditor.h"
#include "editor/SyntaxCheck.h"
#include "platform/QtText.h"
#include "printing/ScrollingRichEdit.h"

#include <QAction>
#include <QComboBox>
#include <QFocusEvent>
#include <QMenu>
#include <QTextBlock>
#include <algorithm>

namespace {

QString Shown(std::string_view bytes)
{
    return qttext::toQString(std::string(bytes));
}

QStringList ShownList(auto&& texts)
{
    QStringList list;
    for (const auto& t : texts) list << Shown(t);
    return list;
}

// Read once: the check and the insert list both use this list.
std::vector<std::string> ReadDialEntries()
{
    PhoneBook book(PhoneBook::DefaultPath());
    if (!book.Load()) return {};
    return book.EntryNames();
}

// An insert list goes away once the focus leaves it, but not for its own drop-down.
class HideOnLeave : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::FocusOut && static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
            static_cast<QWidget*>(watched)->hide();
        return false;
    }
};

// "&Automatix detect" -> "Automatixdetect1"
QString ItemName(std::string_view caption)
{
    QString name = Shown(caption);
    name.remove(QLatin1Char('&'));
    name.remove(QLatin1Char(' '));
    name.remove(QLatin1Char('/'));
    return name + QLatin1Char('1');
}

}  // namespace

void TScriptingEditor::BuildInsertMenus()
{
    dialEntryCache_ = ReadDialEntries();

    const struct {
        const char* name;
        QString caption;
        QStringList items;
    } lists[] = {
        {"ComboBox1", tr("Commands"), ShownList(CommandTemplates())},
        {"ComboBox2", tr("Dialup entries"), ShownList(dialEntryCache_)},
        {"ComboBox3", tr("Server types"), ShownList(ServerTypeChoices())},
    };
    auto* hider = new HideOnLeave(this);
    for (int i = 0; i < 3; ++i) {
        auto* box = new QComboBox(this);
        box->setObjectName(QString::fromLatin1(lists[i].name));
        box->setAccessibleName(lists[i].caption);
        box->setToolTip(lists[i].caption);
        box->setPlaceholderText(lists[i].caption);
        box->addItems(lists[i].items);
        box->setMaxVisibleItems(30);
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        box->setCurrentIndex(-1);
        box->adjustSize();
        box->hide();
        box->installEventFilter(hider);
        connect(box, &QComboBox::activated, this, [this, box](int index) { InsertFromBox(box, index); });
        insertBoxes_[i] = box;
    }

    auto* popup2 = new QMenu(this);
    popup2->setObjectName(QStringLiteral("PopupMenu2"));
    const struct {
        const char* name;
        QString text;
        int box;
    } items[] = {
        {"Commands1", tr("&Commands..."), 0},
        {"Dialupentries1", tr("&Dialup entries..."), 1},
        {"Hostnames1", tr("Host names..."), 2},
    };
    for (const auto& item : items) {
        if (item.box == 1) popup2->addSeparator();
        QAction* a = popup2->addAction(item.text);
        a->setObjectName(QString::fromLatin1(item.name));
        QComboBox* box = insertBoxes_[item.box];
        connect(a, &QAction::triggered, this, [this, box] { ShowInsertBox(box); });
    }
    memo_->setContextMenuPolicy(Qt::CustomContextMenu);
    // A scroll area reports the point in its viewport's coordinates.
    connect(memo_, &QWidget::customContextMenuRequested, this, [this, popup2](const QPoint& at) {
        popupAt_ = memo_->viewport()->mapTo(this, at);
        popup2->popup(memo_->viewport()->mapToGlobal(at));
    });

    serversMenu_ = new QMenu(this);
    serversMenu_->setObjectName(QStringLiteral("ServersMenu"));
    for (const ServerMenuItem& item : ServerMenuItems()) {
        if (item.caption.empty()) {
            serversMenu_->addSeparator();
            continue;
        }
        QAction* a = serversMenu_->addAction(Shown(item.caption));
        a->setObjectName(ItemName(item.caption));
        a->setData(item.tag);
    }
}

void TScriptingEditor::ShowInsertBox(QComboBox* box)
{
    // Kept inside the window, so the whole box can be seen.
    const QPoint at(std::clamp(popupAt_.x(), 0, std::max(0, width() - box->width())),
                    std::clamp(popupAt_.y(), 0, std::max(0, height() - box->height())));
    box->move(at);
    box->setCurrentIndex(-1);
    box->show();
    box->raise();
    box->setFocus(Qt::OtherFocusReason);
    box->showPopup();
}

void TScriptingEditor::InsertFromBox(QComboBox* box, int index)
{
    if (index < 0 || index >= box->count()) return;
    const QString text = box->itemText(index);
    memo_->setFocus(Qt::OtherFocusReason);
    box->hide();
    // An edit like any other: coloured and marked changed by the text's change handler.
    memo_->insertPlainText(text);
}

bool TScriptingEditor::ServerMenuOnKey()
{
    const int row = memo_->textCursor().blockNumber();
    if (!OpensServerMenu(qttext::fromQString(memo_->textCursor().block().text(), doc_.Utf8()))) return false;
    QAction* chosen = seams_.PopUp(*serversMenu_, memo_->mapToGlobal(memo_->pos()));
    // Dismissed: the key goes into the text as typed.
    if (!chosen || !serversMenu_->actions().contains(chosen)) return false;
    const QTextBlock block = memo_->document()->findBlockByNumber(row);
    if (!block.isValid()) return false;
    QTextCursor line(block);
    line.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    const std::string rewritten = ServerTypeLine(qttext::fromQString(block.text(), doc_.Utf8()), chosen->data().toInt());
    line.insertText(doc_.Shown(rewritten));
    memo_->setTextCursor(line);
    // The key that opened the menu would land after the closing quote.
    return true;
}

void TScriptingEditor::DefaultScriptClick()
{
    if (!AskSaveChanges(true)) return;
    doc_.New();
    RefreshList();
    PutText(ShownList(DefaultScriptLines()).join(QLatin1Char('\n')));
    MarkChanged();
}

void TScriptingEditor::SyntaxCheckClick()
{
    const std::vector<std::string> lines = doc_.Lines(memo_->toPlainText());
    const std::optional<SyntaxError> error = SyntaxCheck(lines, dialEntryCache_);
    std::string line;
    if (error) {
        QTextCursor select(memo_->document()->findBlockByNumber(int(error->line)));
        select.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        memo_->setTextCursor(select);
        line = lines[error->line];
    }
    seams_.Inform(doc_.Shown(SyntaxCheckReport(error, line)));
}

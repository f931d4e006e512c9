#include "editor/ScriptWizard.h"

#include "controls/effects/EffForm.h"
#include "controls/input/FileDirEdit.h"
#include "controls/input/FormPlacement.h"
#include "controls/input/IcLabel.h"
#include "controls/input/IcSpinButton.h"
#include "controls/input/IcSpinEdit.h"
#include "controls/tabs/ImageList.h"
#include "controls/tabs/TearPageControl.h"
#include "controls/tabs/TearTabSheet.h"
#include "desktop/dialup/PhoneBook.h"
#include "platform/ByteText.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace {

std::string bytes(const QString& text) { return text.toUtf8().toStdString(); }
constexpr int SendToItem = 31;  // its page has no field, only a note
constexpr int WaitItem = 24;

// The phone book as it is on disk now; unreadable counts as empty.
PhoneBook loaded(const std::string& path)
{
    PhoneBook book(path);
    if (!book.Load()) return PhoneBook(std::string());
    return book;
}

QString shown(const std::string& text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

TTearTabSheet* addSheet(TTearPageControl* pages, const QString& caption)
{
    auto* sheet = new TTearTabSheet(pages);
    sheet->SetCaption(caption);
    sheet->setAccessibleName(caption);
    return sheet;
}

TIcLabel* newLabel(QWidget* parent, const QString& text)
{
    auto* label = new TIcLabel(parent);
    label->SetTransparent(true);
    label->setText(text);
    return label;
}

QPushButton* newButton(QWidget* parent, const char* name, const QString& caption, const QString& accessible)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(accessible);
    return button;
}

// An editable box whose text is kept between runs as "Text", as an edit field's is.
class TTextComboBox : public QComboBox {
    Q_OBJECT
    Q_PROPERTY(QString Text READ currentText WRITE setCurrentText)
public:
    using QComboBox::QComboBox;
};

}  // namespace

TScriptWizard::TScriptWizard(std::string phoneBookPath, QWidget* parent)
    : QDialog(parent), phoneBookPath_(std::move(phoneBookPath))
{
    setObjectName(QStringLiteral("ScriptWizard"));
    setWindowTitle(tr("Scripting Wizard..."));
    setAccessibleName(windowTitle());
    resize(560, 420);
    auto* layout = new QVBoxLayout(this);
    pages_ = new TTearPageControl(this);
    pages_->setObjectName(QStringLiteral("PageControl981"));
    pages_->setAccessibleName(tr("Script pages"));
    layout->addWidget(pages_, 1);
    BuildGeneralPages();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* finish = newButton(this, "BitBtn1", tr("Finish"), tr("Finish"));
    finish->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    // Finish only by its button or Alt+F: Enter in a field belongs to the pending command.
    finish->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F));
    auto* cancel = newButton(this, "BitBtn2", tr("Cancel"), tr("Cancel"));
    cancel->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    buttons->addWidget(finish);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(finish, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);  // Escape does the same

    // FormCreate: one picture a tab, in page order.
    auto* images = new TImageList(16, 16, this);
    int page = 0;
    for (QStyle::StandardPixmap icon : {QStyle::SP_FileDialogDetailedView, QStyle::SP_DriveNetIcon,
                                        QStyle::SP_ComputerIcon, QStyle::SP_MediaPlay}) {
        images->Add(style()->standardIcon(icon).pixmap(16, 16).toImage());
        pages_->Pages(page)->SetImageIndex(page);
        ++page;
    }
    pages_->SetImages(images);
    pages_->SetActivePage(pages_->Pages(0));
    // The opening effect, storing nothing; made before the form storage so it opens onto the placement.
    auto* effForm = new TEffForm(this);
    effForm->setObjectName(QStringLiteral("EffForm1"));
    SetupOpeningEffForm(*effForm, "ScriptWizard");
    effForm->Loaded();
    formStorage_ = new TFormStorage(this);
    formStorage_->setObjectName(QStringLiteral("FormStorage1"));
    SetupWizardFormStorage(*formStorage_);
}

TScriptWizard::~TScriptWizard() { formStorage_->FormDestroying(); }

QLineEdit* TScriptWizard::AddEdit(QWidget* page, const char* name, const QString& caption, const QString& text)
{
    auto* grid = static_cast<QGridLayout*>(page->layout());
    const int row = grid->rowCount();
    auto* label = newLabel(page, caption);
    auto* edit = new QLineEdit(text, page);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setAccessibleName(caption);
    label->setBuddy(edit);
    grid->addWidget(label, row, 0, Qt::AlignVCenter);
    grid->addWidget(edit, row, 1);
    return edit;
}

void TScriptWizard::BuildGeneralPages()
{
    TTearTabSheet* description = addSheet(pages_, tr("Description"));
    auto* d = new QVBoxLayout(description);
    auto* intro = newLabel(description, tr("You can write a free text description about the script and it's purpose:"));
    memo1_ = new QPlainTextEdit(description);
    memo1_->setObjectName(QStringLiteral("Memo1"));
    memo1_->setAccessibleName(tr("Description"));
    intro->setBuddy(memo1_);
    d->addWidget(intro);
    d->addWidget(memo1_, 1);

    TTearTabSheet* dialup = addSheet(pages_, tr("Dialup"));
    auto* g = new QGridLayout(dialup);
    checkBox1_ = new QCheckBox(tr("Do not dial up!"), dialup);
    checkBox1_->setObjectName(QStringLiteral("CheckBox1"));
    checkBox1_->setAccessibleName(checkBox1_->text());
    g->addWidget(checkBox1_, 0, 0, 1, 2);
    auto* entryLabel = newLabel(dialup, tr("Dial up entry:"));
    comboBox1_ = new TTextComboBox(dialup);
    comboBox1_->setObjectName(QStringLiteral("ComboBox1"));
    comboBox1_->setEditable(true);
    comboBox1_->setAccessibleName(tr("Dial up entry:"));
    comboBox1_->installEventFilter(this);
    entryLabel->setBuddy(comboBox1_);
    g->addWidget(entryLabel, 1, 0, Qt::AlignVCenter);
    g->addWidget(comboBox1_, 1, 1);
    AddEdit(dialup, "Edit1", tr("Username:"));
    AddEdit(dialup, "Edit2", tr("Password:"))->setEchoMode(QLineEdit::Password);
    g->setRowStretch(g->rowCount(), 1);
    connect(checkBox1_, &QCheckBox::toggled, this, [this] { CheckBox1Click(); });

    TTearTabSheet* host = addSheet(pages_, tr("Host"));
    auto* h = new QGridLayout(host);
    AddEdit(host, "Edit3", tr("FTP Host:"));
    AddEdit(host, "Edit4", tr("User login:"), QStringLiteral("anonymous"));
    AddEdit(host, "Edit5", tr("Password:"), QStringLiteral("guest@example.org"))->installEventFilter(this);
    AddEdit(host, "Edit6", tr("Port:"), QStringLiteral("21"));
    AddEdit(host, "Edit7", tr("Timeout [seconds]:"), QStringLiteral("60"));
    checkBox2_ = new QCheckBox(tr("Connect via Proxy:"), host);
    checkBox2_->setObjectName(QStringLiteral("CheckBox2"));
    checkBox2_->setAccessibleName(checkBox2_->text());
    h->addWidget(checkBox2_, h->rowCount(), 0, 1, 2);
    AddEdit(host, "Edit8", tr("Proxy:"))->setEnabled(false);
    QLineEdit* proxyPort = AddEdit(host, "Edit10", tr("Port:"), QStringLiteral("21"));
    proxyPort->setEnabled(false);
    proxyPort->setAccessibleName(tr("Proxy port:"));  // the host's port is "Port:" too
    h->setRowStretch(h->rowCount(), 1);
    connect(checkBox2_, &QCheckBox::toggled, this, [this] { CheckBox2Click(); });

    TTearTabSheet* activity = addSheet(pages_, tr("Activity"));
    auto* a = new QVBoxLayout(activity);
    auto* choose = newLabel(activity, tr("Select a command:"));
    comboBox2_ = new QComboBox(activity);
    comboBox2_->setObjectName(QStringLiteral("ComboBox2"));
    comboBox2_->setAccessibleName(tr("Select a command:"));
    for (const wizard::CommandItem& item : wizard::CommandItems()) comboBox2_->addItem(QString::fromLatin1(item.caption));
    comboBox2_->setCurrentIndex(-1);
    choose->setBuddy(comboBox2_);
    a->addWidget(choose);
    a->addWidget(comboBox2_);
    memo2_ = new QPlainTextEdit(activity);
    memo2_->setObjectName(QStringLiteral("Memo2"));
    memo2_->setAccessibleName(tr("Command lines"));
    a->addWidget(memo2_, 1);
    panel8_ = new QWidget(activity);
    panel8_->setObjectName(QStringLiteral("Panel8"));
    panel8_->setAccessibleName(tr("Command"));
    auto* p = new QVBoxLayout(panel8_);
    p->setContentsMargins(0, 0, 0, 0);
    commandPages_ = new TTearPageControl(panel8_);
    commandPages_->setObjectName(QStringLiteral("PageControl1"));
    commandPages_->setAccessibleName(tr("Command fields"));
    commandPages_->setMinimumHeight(120);
    p->addWidget(commandPages_, 1);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    auto* submit = newButton(panel8_, "Button1", tr("&Submit!"), tr("Submit!"));
    auto* cancel = newButton(panel8_, "Button2", tr("&Cancel"), tr("Cancel command"));
    row->addWidget(submit);
    row->addWidget(cancel);
    p->addLayout(row);
    a->addWidget(panel8_, 1);
    panel8_->hide();
    BuildCommandPages();
    connect(comboBox2_, &QComboBox::activated, this, [this](int index) { ComboBox2Change(index); });
    connect(submit, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(cancel, &QPushButton::clicked, this, [this] { Button2Click(); });
}

void TScriptWizard::BuildCommandPages()
{
    (new TTearTabSheet(commandPages_))->SetTabVisible(false);  // page 0: no command chosen
    for (int index = 0; index < wizard::CommandCount; ++index) {
        const wizard::CommandItem& item = wizard::CommandItems()[std::size_t(index)];
        const QString caption = QString::fromLatin1(item.caption);
        TTearTabSheet* sheet = addSheet(commandPages_, caption);
        sheet->SetTabVisible(false);
        auto* grid = new QGridLayout(sheet);
        auto* heading = newLabel(sheet, index == SendToItem ? tr("Press [Submit] to create the line...") : caption);
        grid->addWidget(heading, 0, 0, 1, 2);
        for (const wizard::CommandField& field : item.fields) {
            const QString name = QString::fromLatin1(field.name);
            // A field without a label is named after its command; a second one is where it goes.
            const bool second = &field != &item.fields.front();
            const QString fieldCaption = *field.caption ? QString::fromLatin1(field.caption)
                                         : second       ? caption + tr(" (destination)")
                                                        : caption;
            const int r = grid->rowCount();
            QWidget* input = nullptr;
            switch (field.kind) {
            case wizard::FieldKind::Edit:
                input = new QLineEdit(QString::fromLatin1(field.defaultText), sheet);
                break;
            case wizard::FieldKind::File: input = new TFilenameEdit(sheet); break;
            case wizard::FieldKind::Directory: input = new TDirectoryEdit(sheet); break;
            case wizard::FieldKind::Seconds:
                spin_ = new TIcSpinEdit(sheet);
                spin_->SetValue(QString::fromLatin1(field.defaultText).toInt());
                input = spin_;
                break;
            case wizard::FieldKind::ServerType:
                // Enabled, so the user picks a name; it starts at "<Auto Detect>".
                serverType_ = new QComboBox(sheet);
                serverType_->addItem(QString::fromLatin1(wizard::AutoDetect));
                for (const std::string& type : wizard::ServerTypeNames()) serverType_->addItem(shown(type));
                input = serverType_;
                break;
            }
            input->setObjectName(name);
            input->setAccessibleName(fieldCaption);
            if (*field.caption) {
                auto* label = newLabel(sheet, fieldCaption);
                label->setBuddy(input);
                grid->addWidget(label, r, 0, Qt::AlignVCenter);
            }
            grid->addWidget(input, r, 1);
            if (field.kind == wizard::FieldKind::Seconds) {
                secondsWord_ = newLabel(sheet, {});
                secondsWord_->setObjectName(QStringLiteral("SecondsWord"));
                secondsWord_->setAccessibleName(tr("Seconds refused"));
                grid->addWidget(secondsWord_, r + 1, 1);
            }
            if (name == "Edit11" || name == "Edit16" || name == "FilenameEdit2") input->installEventFilter(this);
        }
        grid->setRowStretch(grid->rowCount(), 1);
        grid->setColumnStretch(1, 1);
    }
    commandPages_->SetActivePage(commandPages_->Pages(0));
}

QLineEdit* TScriptWizard::Field(const char* name) const { return findChild<QLineEdit*>(QString::fromLatin1(name)); }

std::vector<std::string> TScriptWizard::FieldTexts(int index) const
{
    std::vector<std::string> texts;
    for (const wizard::CommandField& field : wizard::CommandItems()[std::size_t(index)].fields) {
        switch (field.kind) {
        case wizard::FieldKind::Seconds: texts.push_back(bytes(QString::number(spin_->DoubleValue(), 'g', 17))); break;
        case wizard::FieldKind::ServerType: texts.push_back(bytes(serverType_->currentText())); break;
        default: texts.push_back(bytes(Field(field.name)->text())); break;
        }
    }
    return texts;
}

QWidget* TScriptWizard::FirstInput(int index) const
{
    const auto& fields = wizard::CommandItems()[std::size_t(index)].fields;
    if (fields.empty()) return nullptr;
    return findChild<QWidget*>(QString::fromLatin1(fields[0].name));
}

void TScriptWizard::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (shown_) return;
    shown_ = true;
    // FormShow: the entry names; the password is not stored, so it comes back from the phone book.
    const PhoneBook book = loaded(phoneBookPath_);
    const QString entry = comboBox1_->currentText();
    comboBox1_->clear();
    for (const std::string& name : book.EntryNames()) comboBox1_->addItem(shown(name));
    comboBox1_->setCurrentText(entry);
    if (!entry.isEmpty() && Field("Edit2")->text().isEmpty()) {
        if (const auto found = book.Find(bytes(entry))) Field("Edit2")->setText(shown(found->password));
    }
    CheckBox1Click();
    CheckBox2Click();
}

bool TScriptWizard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut && watched == comboBox1_) ComboBox1Exit();
    if (event->type() == QEvent::FocusIn) {
        // Only a move from another control counts: not the window coming back or a menu closing.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        const bool entered = reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason ||
                             reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason;
        const QString name = watched->objectName();
        if (name == "Edit5") Edit5Enter();
        else if (!entered) {
        } else if (name == "Edit11") Edit11Enter();
        else if (name == "Edit16") Edit16Enter();
        else if (name == "FilenameEdit2") FilenameEdit2Enter();
    }
    return QDialog::eventFilter(watched, event);
}

void TScriptWizard::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) return QDialog::keyPressEvent(event);
    // Enter in a command's field submits that command; anywhere else it does nothing.
    if (panel8_->isVisible() && panel8_->isAncestorOf(QApplication::focusWidget())) Button1Click();
    event->accept();
}

void TScriptWizard::ComboBox1Exit()
{
    const std::string entry = bytes(comboBox1_->currentText());
    if (entry.empty()) return;
    try {
        // An entry the phone book does not hold leaves both fields as they are.
        const auto found = loaded(phoneBookPath_).Find(entry);
        if (!found) return;
        Field("Edit1")->setText(shown(found->userName));
        Field("Edit2")->setText(shown(found->password));
    } catch (const std::exception&) {
    }
}

void TScriptWizard::CheckBox1Click()
{
    const bool dial = !checkBox1_->isChecked();
    comboBox1_->setEnabled(dial);
    Field("Edit1")->setEnabled(dial);
    Field("Edit2")->setEnabled(dial);
}

void TScriptWizard::CheckBox2Click()
{
    Field("Edit8")->setEnabled(checkBox2_->isChecked());
    Field("Edit10")->setEnabled(checkBox2_->isChecked());
}

void TScriptWizard::Edit5Enter()
{
    const bool anonymous = bytetext::toUpper(bytes(Field("Edit4")->text())) == "ANONYMOUS";
    Field("Edit5")->setEchoMode(anonymous ? QLineEdit::Normal : QLineEdit::Password);
}

namespace {

// A proposal fills only an empty field, what the user typed stays; it is selected (after the click
// that brought the focus has placed the caret) so typing replaces it instead of adding to it.
void Propose(QLineEdit* field, const QString& text)
{
    if (!field->text().isEmpty() || text.isEmpty()) return;
    field->setText(text);
    QTimer::singleShot(0, field, [field, text] {
        if (field->hasFocus() && field->text() == text) field->selectAll();
    });
}

}  // namespace

void TScriptWizard::Edit11Enter()
{
    Propose(Field("Edit11"), shown(wizard::NamePart(bytes(Field("FilenameEdit1")->text()))));
}

void TScriptWizard::FilenameEdit2Enter()
{
    Propose(Field("FilenameEdit2"), shown(wizard::NamePart(bytes(Field("Edit12")->text()))));
}

void TScriptWizard::Edit16Enter()
{
    if (Field("Edit16")->text().isEmpty())
        Field("Edit16")->setText(shown(wizard::Unquoted(bytes(Field("FilenameEdit4")->text()))));
}

void TScriptWizard::ComboBox2Change(int index)
{
    if (index < 0 || index >= wizard::CommandCount) return;
    const wizard::CommandItem& item = wizard::CommandItems()[std::size_t(index)];
    panel8_->show();
    commandPages_->SetActivePage(commandPages_->Pages(index + 1));
    if (item.clearOnChoose)
        for (const wizard::CommandField& field : item.fields) Field(field.name)->clear();
    if (QWidget* first = FirstInput(index)) first->setFocus();
    else if (index != SendToItem) findChild<QPushButton*>(QStringLiteral("Button1"))->setFocus();
}

void TScriptWizard::Button1Click()
{
    const int index = commandPages_->IndexOfPage(commandPages_->ActivePage()) - 1;
    if (index == WaitItem && wizard::WholeSeconds(bytes(QString::number(spin_->DoubleValue(), 'g', 17))) < 1) {
        // The runner waits nothing for less than a second: say so, keep the command open.
        secondsWord_->setText(tr("Not waited: enter 1 second or more."));
        spin_->setFocus();
        return;
    }
    secondsWord_->setText({});
    if (index >= 0 && index < wizard::CommandCount)
        for (const std::string& line : wizard::SubmitLines(index, FieldTexts(index))) memo2_->appendPlainText(shown(line));
    Button2Click();
}

void TScriptWizard::Button2Click()
{
    comboBox2_->setCurrentIndex(-1);
    panel8_->hide();
    commandPages_->SetActivePage(commandPages_->Pages(0));
}

QStringList TScriptWizard::ScriptLines() const
{
    wizard::ScriptSettings s;
    const auto linesOf = [](const QPlainTextEdit* memo) {
        std::vector<std::string> lines;
        if (memo->document()->isEmpty()) return lines;
        for (const QString& line : memo->toPlainText().split(QLatin1Char('\n'))) lines.push_back(bytes(line));
        return lines;
    };
    const auto text = [this](const char* name) { return bytes(Field(name)->text()); };
    s.description = linesOf(memo1_);
    s.noDialUp = checkBox1_->isChecked();
    s.dialEntry = bytes(comboBox1_->currentText());
    s.dialUser = text("Edit1");
    s.dialPassword = text("Edit2");
    s.host = text("Edit3");
    s.user = text("Edit4");
    s.password = text("Edit5");
    s.port = text("Edit6");
    s.timeout = text("Edit7");
    s.useProxy = checkBox2_->isChecked();
    s.proxy = text("Edit8");
    s.proxyPort = text("Edit10");
    s.commands = linesOf(memo2_);
    QStringList out;
    for (const std::string& line : wizard::FinishLines(s)) out << shown(line);
    return out;
}

void TScriptWizard::BitBtn1Click()
{
    if (BeforeFinish && !BeforeFinish()) return;
    emit Finished(ScriptLines());
    accept();
}

#include "ScriptWizard.moc"

#include "runner/ScriptVantrelWindow.h"

#include "controls/effects/EffLabels.h"
#include "platform/AppPaths.h"
#include "platform/Guard.h"
#include "platform/IniFile.h"
#include "platform/Painting.h"
#include "platform/QtText.h"
#include "runner/ScriptVantrel.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {
// How long a logged line may wait before the log shows it.
constexpr int kLogFlushMs = 50;
// The log shows the most recent lines; the history file holds them all. A document of every line
// of a long run (with the undo record of each append) grew without bound.
constexpr int kShownLogLines = 5000;

// The window's size as the user left it, kept for the next run.
IniFile windowIni() { return IniFile(apppaths::configFolder() + "/trevask.ini"); }
constexpr std::string_view kWindowSection = "ScriptVantrel";
const QSize kDefaultSize(407, 318);
const QSize kMinimumSize(300, 200);
// The bar's texture: soft diagonal ridges in button-face shades, drawn here.
QImage barTexture()
{
    QImage tile(8, 8, QImage::Format_RGB32);
    const QColor face = painting::ToQColor(clBtnFace);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const int d = (x + y) % 8;
            tile.setPixelColor(x, y, d == 0 ? face.lighter(112) : d == 1 ? face.darker(106) : face);
        }
    return tile;
}

}  // namespace

// "Panel1": the bar above the log. A textured fill over the whole bar, a sunken bevel inside it,
// and "Executing" with its letters filled by a gradient.
TExecutingBar::TExecutingBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Panel1"));
    EffFill1 = new TEffFill(this);
    EffFill1->setObjectName(QStringLiteral("EffFill1"));
    EffFill1->Bevel()->SetMode(bmStandard);
    EffFill1->Bevel()->SetStandardStyle(lsSingleLowered);
    EffFill1->FillObject()->Bitmap()->SetImage(barTexture());
    EffFill1->FillObject()->SetTileMode(tmTile);
    EffFill1->FillObject()->SetStyle(sfBitmap);

    Bevel2 = new QFrame(this);
    Bevel2->setObjectName(QStringLiteral("Bevel2"));
    Bevel2->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel2->setAttribute(Qt::WA_TransparentForMouseEvents);

    EffLabelFill1 = NewBarTitle(QStringLiteral("Executing"), this);
    EffLabelFill1->setObjectName(QStringLiteral("EffLabelFill1"));
}

void TExecutingBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    EffFill1->setGeometry(rect());
    Bevel2->setGeometry(rect().adjusted(3, 3, -3, -3));
    EffLabelFill1->setGeometry(rect().adjusted(5, 4, -5, -4));
}

TScriptVantrelWindow::TScriptVantrelWindow(TScriptVantrel& engine, QWidget* parent)
    : QWidget(parent, Qt::Tool), engine_(engine)
{
    setWindowTitle(QStringLiteral("Script Vantrel"));
    setMinimumSize(kMinimumSize);
    IniFile ini = windowIni();
    (void)ini.load();
    const QSize stored(ini.readInteger(kWindowSection, "Width", kDefaultSize.width()),
                       ini.readInteger(kWindowSection, "Height", kDefaultSize.height()));
    storedSize_ = stored.expandedTo(kMinimumSize).boundedTo(QSize(10000, 10000));
    resize(storedSize_);

    auto* panel1 = new TExecutingBar(this);
    panel1->setFixedHeight(33);

    memo_ = new QPlainTextEdit(this);
    memo_->setReadOnly(true);
    memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo_->setUndoRedoEnabled(false);
    memo_->setMaximumBlockCount(kShownLogLines);

    auto* panel2 = new QFrame(this);
    panel2->setFixedHeight(28);
    status_ = new QLabel(panel2);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), panel2);
    auto* p2 = new QHBoxLayout(panel2);
    p2->setContentsMargins(4, 1, 4, 1);
    p2->addWidget(status_, 1);
    p2->addWidget(cancel_);

    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    v->addWidget(panel1);
    v->addWidget(memo_, 1);
    v->addWidget(panel2);

    if (QScreen* s = QGuiApplication::primaryScreen()) move(s->geometry().center() - rect().center());

    logFlush_.setSingleShot(true);
    logFlush_.setInterval(kLogFlushMs);
    connect(&logFlush_, &QTimer::timeout, this, [this] { FlushLog(); });
    connect(&engine_, &TScriptVantrel::logLineAdded, this, [this](const QByteArray& l) {
        // Lines the view would push out at once are not worth converting.
        if (pendingLines_.size() >= kShownLogLines) pendingLines_.removeFirst();
        pendingLines_.append(qttext::toQString(l.toStdString()));
        if (!logFlush_.isActive()) logFlush_.start();
    });
    connect(&engine_, &TScriptVantrel::logCleared, this, [this] {
        pendingLines_.clear();
        memo_->clear();
    });
    connect(&engine_, &TScriptVantrel::statusTextChanged, this,
            [this](const QByteArray& t) { status_->setText(qttext::toQString(t.toStdString())); });
    connect(&engine_, &TScriptVantrel::minimizeRequested, this, [this] { showMinimized(); });
    connect(&engine_, &TScriptVantrel::restoreRequested, this, [this] {
        if (!engine_.HideApp.HideForm()) showNormal();
    });
    connect(&engine_, &TScriptVantrel::closeRequested, this, [this](int code) {
        FlushLog();
        KeepSize();
        closing_ = true;
        close();
        QCoreApplication::exit(code);
    });
    connect(cancel_, &QPushButton::clicked, this, [this] { guard::absorb([&] { engine_.Button1Click(); }); });
    engine_.HideApp.Apply = [this](bool hidden) { setVisible(!hidden); };
}

void TScriptVantrelWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Showing the window again while it is meant to be hidden re-applies the hiding.
    if (engine_.HideApp.HideForm()) QTimer::singleShot(0, this, [this] { hide(); });
}

void TScriptVantrelWindow::closeEvent(QCloseEvent* event)
{
    if (closing_ || !engine_.Running()) {
        KeepSize();
        event->accept();
        if (!closing_) QCoreApplication::exit(engine_.ExitCode());
        return;
    }
    // The run still uses the engine: cancel it (ending the wait it is in, as Cancel does); the
    // window closes when the run has returned.
    guard::absorb([&] { engine_.Button1Click(); });
    event->ignore();
}

QPlainTextEdit* TScriptVantrelWindow::Memo2()
{
    FlushLog();
    return memo_;
}

void TScriptVantrelWindow::FlushLog()
{
    logFlush_.stop();
    if (pendingLines_.isEmpty()) return;
    // The log follows new lines unless the user scrolled up to read an earlier one.
    QScrollBar* bar = memo_->verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    memo_->appendPlainText(pendingLines_.join(QLatin1Char('\n')));
    pendingLines_.clear();
    if (following) bar->setValue(bar->maximum());
}

void TScriptVantrelWindow::KeepSize()
{
    // Only a size the user changed is written: an untouched window leaves the file alone.
    const QSize now = isMaximized() || isMinimized() ? normalGeometry().size() : size();
    if (now == storedSize_ || now.isEmpty()) return;
    IniFile ini = windowIni();
    if (!ini.load()) return;
    ini.writeInteger(kWindowSection, "Width", now.width());
    ini.writeInteger(kWindowSection, "Height", now.height());
    if (ini.save()) storedSize_ = now;
}

#include "editor/SendToDialogs.h"

#include "controls/effects/EffImage.h"
#include "controls/input/IcLabel.h"
#include "platform/Painting.h"

#include <QApplication>
#include <algorithm>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

TCreateASendTo::TCreateASendTo(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CreateASendTo"));
    setWindowTitle(tr("CreateASendTo"));
    memo_ = new QLabel(tr("This will create a new menu item in Windows Explorer's Send-To context menu.\n"
                          "This will allow you to send files from the Windows Explorer to the site to which this "
                          "script is \ndesigned to send them!\n\n"
                          "Please provide a description and afterwards - Click [OK] to continue, otherwise "
                          "[Cancel]..."));
    memo_->setObjectName(QStringLiteral("Memo1"));
    memo_->setAlignment(Qt::AlignCenter);
    memo_->setWordWrap(true);
    memo_->setMargin(8);
    memo_->setBackgroundRole(QPalette::Button);
    memo_->setAutoFillBackground(true);
    memo_->setFrameShape(QFrame::StyledPanel);
    memo_->setAccessibleName(tr("Explanation"));
    memo_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    auto* label = new QLabel(tr("Description:"));
    label->setObjectName(QStringLiteral("Label1"));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edit_ = new QLineEdit;
    edit_->setObjectName(QStringLiteral("Edit1"));
    edit_->setAccessibleName(tr("Description"));
    label->setBuddy(edit_);
    connect(edit_, &QLineEdit::textEdited, this, &TCreateASendTo::Edit1KeyPress);

    ok_ = new QPushButton(tr("OK"));
    ok_->setObjectName(QStringLiteral("Button1"));
    ok_->setDefault(true);
    ok_->setAccessibleName(tr("OK"));
    cancel_ = new QPushButton(tr("Cancel"));
    cancel_->setObjectName(QStringLiteral("Button2"));
    cancel_->setAccessibleName(tr("Cancel"));
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);  // Escape rejects as well

    auto* field = new QHBoxLayout;
    field->addWidget(label);
    field->addWidget(edit_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(memo_);
    layout->addLayout(field);
    layout->addLayout(buttons);
    resize(460, sizeHint().height());
    edit_->setFocus();
}

QString TCreateASendTo::WithoutRejectedCharacters(const QString& typed)
{
    QString kept;
    for (const QChar c : typed)
        if (!QStringLiteral("*/:?\\").contains(c)) kept += c;
    return kept;
}

void TCreateASendTo::Edit1KeyPress(const QString& typed)
{
    const QString kept = WithoutRejectedCharacters(typed);
    if (kept == typed) return;
    const int cursor = edit_->cursorPosition() - static_cast<int>(typed.size() - kept.size());
    edit_->setText(kept);
    edit_->setCursorPosition(std::max(cursor, 0));
}

namespace {

// The frame's own colour, keyed out so the window shows through around the hourglass.
constexpr TColor kWaitFrameKey = 0x408000;

QImage WaitFrame()
{
    QImage frame(17, 19, QImage::Format_RGB32);
    frame.fill(painting::ToQColor(kWaitFrameKey));
    QPainter p(&frame);
    p.setPen(Qt::black);
    p.setBrush(QColor(255, 255, 192));
    const QPoint glass[] = {{2, 1}, {14, 1}, {9, 9}, {14, 17}, {2, 17}, {7, 9}};
    p.drawPolygon(glass, 6);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(192, 128, 0));
    const QPoint sand[] = {{4, 16}, {12, 16}, {8, 11}};
    p.drawPolygon(sand, 3);
    p.setPen(Qt::black);
    p.drawLine(1, 0, 15, 0);
    p.drawLine(1, 18, 15, 18);
    return frame;
}

}  // namespace

TPleaseWait::TPleaseWait(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PleaseWait"));
    setWindowTitle(tr("Working..."));
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    auto* label = new QLabel(tr("Please wait..."));
    label->setObjectName(QStringLiteral("Label1"));
    label->setAlignment(Qt::AlignCenter);
    QFont big = label->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    label->setFont(big);
    image_ = new TEffNImage;
    image_->setObjectName(QStringLiteral("Image1"));
    image_->Bitmap()->SetImage(WaitFrame());
    image_->TransparentStyle()->SetMode(tpRestoreBack);
    image_->TransparentStyle()->SetColor(kWaitFrameKey);
    image_->setFixedSize(17, 19);
    image_->setAccessibleName(tr("Working"));
    dashes_ = new TIcLabel;
    dashes_->SetCaption(QString(Dashes, QLatin1Char('-')));
    dashes_->setObjectName(QStringLiteral("IcLabel1"));
    dashes_->setAccessibleName(tr("Progress"));
    dashes_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    dashes_->setMinimumWidth(dashes_->fontMetrics().horizontalAdvance(QString(Dashes + 1, QLatin1Char('-'))));
    auto* top = new QHBoxLayout;
    top->addWidget(image_);
    top->addWidget(label, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(dashes_);
    setFixedSize(sizeHint());
}

QWidget* TPleaseWait::Image1() const { return image_; }

void TPleaseWait::PleaseWaitTick()
{
    QString dashes = dashes_->Caption() + QLatin1Char('-');
    if (dashes.size() >= Dashes) dashes = QStringLiteral("-");
    dashes_->SetCaption(dashes);
    dashes_->repaint();
    // Paint only: a click now must not start a second command inside this one.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

namespace {

QWidget* Owner()
{
    return QApplication::activeWindow();
}

class WaitWindow : public SendToSeams::Progress {
public:
    WaitWindow() : window_(Owner())
    {
        if (QWidget* owner = window_.parentWidget()) {
            const QRect area = owner->frameGeometry();
            window_.move(area.center() - window_.rect().center());
        }
        window_.show();
        window_.repaint();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        clock_.start();
    }
    void Tick() override
    {
        // Ticks come every thousand bytes; a repaint each time would cost more than the work.
        if (clock_.elapsed() < 40) return;
        clock_.restart();
        window_.PleaseWaitTick();
    }

private:
    TPleaseWait window_;
    QElapsedTimer clock_;
};

}  // namespace

std::optional<QString> WidgetSendToSeams::AskDescription()
{
    TCreateASendTo form(Owner());
    if (form.exec() != QDialog::Accepted) return std::nullopt;
    return form.Edit1()->text();
}

std::unique_ptr<SendToSeams::Progress> WidgetSendToSeams::ShowPleaseWait()
{
    return std::make_unique<WaitWindow>();
}

QString WidgetSendToSeams::ProgramFileName(const QString& folder, const QString& proposal)
{
    QFileDialog dialog(Owner(), QObject::tr("Create EXE file for script..."), folder, QObject::tr("Programs (*)"));
    dialog.setObjectName(QStringLiteral("EXEsave"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!proposal.isEmpty()) dialog.selectFile(proposal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

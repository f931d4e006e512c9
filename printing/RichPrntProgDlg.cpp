#include "printing/RichPrntProgDlg.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>

namespace {
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& accessible, const QRect& at)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAccessibleName(accessible);
    label->setGeometry(at);
    return label;
}
}  // namespace

TRichPrntProgDlg::TRichPrntProgDlg(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("RichPrntProgDlg"));
    setWindowTitle(tr("Print Progress"));
    setAccessibleName(tr("Print Progress"));
    setFixedSize(284, 85);
    auto* bevel = new QFrame(this);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameShape(QFrame::Box);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setGeometry(6, 6, 272, 73);
    status_ = MakeLabel(this, "lblStatus", tr("Status"), QRect(16, 12, 252, 18));
    title_ = MakeLabel(this, "lblTitle", tr("Job title"), QRect(16, 32, 252, 18));
    pageDesc_ = MakeLabel(this, "lblPageNumDesc", tr("Page Number:"), QRect(16, 54, 90, 18));
    pageDesc_->setText(tr("Page Number:"));
    pageNumber_ = MakeLabel(this, "lblPageNumber", tr("Page number"), QRect(110, 54, 150, 18));
    pageDesc_->setBuddy(pageNumber_);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

void TRichPrntProgDlg::ShowState(const QString& status, const QString& title, int page)
{
    if (!status.isEmpty()) status_->setText(status);
    title_->setText(title);
    pageNumber_->setText(QString::number(page));
    if (!isVisible()) show();
    repaint();
}

// The job closes the window, not the user: it has no close button and ignores Escape.
void TRichPrntProgDlg::closeEvent(QCloseEvent* event)
{
    if (event->spontaneous()) event->ignore();
    else QDialog::closeEvent(event);
}

void TRichPrntProgDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) return;
    QDialog::keyPressEvent(event);
}

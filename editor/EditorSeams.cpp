#include "editor/EditorSeams.h"

#include "editor/StartUp.h"
#include "platform/Process.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <cstring>
#include <sys/types.h>

namespace {

// Programs started without waiting are reaped once they end, so none is left a zombie.
void ReapWhenDone(pid_t pid, std::function<void(int)> ended = {})
{
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, pid, ended = std::move(ended)] {
        int code = 0;
        if (!process::TryWait(pid, code)) return;
        poll->deleteLater();
        if (ended) ended(code);
    });
    poll->start(200);
}

QString Caption()
{
    const QString title = qApp->property(ApplicationTitleProperty).toString();
    return title.isEmpty() ? QApplication::applicationName() : title;
}

}  // namespace

QAction* EditorSeams::PopUp(QMenu& menu, const QPoint& at)
{
    return menu.exec(at);
}

bool EditorSeams::StartWatched(const std::vector<std::string>& argv, std::string& error, std::function<void(int)>)
{
    return Start(argv, error);
}

int EditorSeams::RunModal(QDialog& dialog)
{
    return dialog.exec();
}

EditorSeams::Answer WidgetSeams::AskYesNoCancel(const QString& text)
{
    switch (QMessageBox::question(owner_, Caption(), text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;
    }
}

bool WidgetSeams::Confirm(const QString& text)
{
    return QMessageBox::question(owner_, Caption(), text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void WidgetSeams::Inform(const QString& text)
{
    QMessageBox::information(owner_, Caption(), text);
}

void WidgetSeams::Fail(const QString& text)
{
    QMessageBox::critical(owner_, Caption(), text);
}

QString WidgetSeams::SaveAsName(const QString& folder, const QString& current)
{
    QFileDialog dialog(owner_, QObject::tr("Save As"), folder, QObject::tr("Script files (*.ftp)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("ftp"));
    if (!current.isEmpty()) dialog.selectFile(current);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

QString WidgetSeams::PictureName()
{
    return QFileDialog::getOpenFileName(owner_, QObject::tr("Select a background image..."), {},
                                        QObject::tr("Pictures (*.png *.jpg *.jpeg *.bmp *.gif)"));
}

bool WidgetSeams::Start(const std::vector<std::string>& argv, std::string& error)
{
    return StartWatched(argv, error, {});
}

bool WidgetSeams::StartWatched(const std::vector<std::string>& argv, std::string& error,
                               std::function<void(int exitCode)> ended)
{
    const process::Started started = process::Start({argv, {}, {}, false});
    if (!started.ok()) {
        error = std::strerror(started.error);
        return false;
    }
    ReapWhenDone(started.pid, std::move(ended));
    return true;
}

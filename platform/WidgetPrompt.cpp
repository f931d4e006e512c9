#include "platform/WidgetPrompt.h"

#include "platform/QtText.h"

#include <QApplication>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace {

// The programs' texts break lines with CR (CR LF at times); a box breaks only on LF.
QString boxText(const std::string& text)
{
    QString t = qttext::toQString(text);
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

QString boxCaption(const std::string& caption)
{
    return caption.empty() ? QApplication::applicationName() : qttext::toQString(caption);
}

}  // namespace

void WidgetPrompt::message(const std::string& text, const std::string& caption, MessageKind kind)
{
    const QString t = boxText(text);
    const QString c = boxCaption(caption);
    switch (kind) {
    case MessageKind::Warning: QMessageBox::warning(nullptr, c, t); break;
    case MessageKind::Error: QMessageBox::critical(nullptr, c, t); break;
    default: QMessageBox::information(nullptr, c, t); break;
    }
}

bool WidgetPrompt::input(const std::string& caption, const std::string& label, std::string& value)
{
    bool ok = false;
    const QString r = QInputDialog::getText(nullptr, qttext::toQString(caption), qttext::toQString(label),
                                            QLineEdit::Normal, qttext::toQString(value), &ok);
    if (!ok) return false;
    value = qttext::fromQString(r, true);  // typed text is the locale's UTF-8
    return true;
}

bool WidgetPrompt::question(const std::string& text, const std::string& caption, MessageKind kind)
{
    QMessageBox::Icon icon = QMessageBox::Question;
    if (kind == MessageKind::Information) icon = QMessageBox::Information;
    else if (kind == MessageKind::Warning) icon = QMessageBox::Warning;
    else if (kind == MessageKind::Error) icon = QMessageBox::Critical;
    QMessageBox box(icon, boxCaption(caption), boxText(text), QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void WidgetPrompt::beep() { QApplication::beep(); }

namespace headless {
bool hasDisplay()
{
    const QString p = QGuiApplication::platformName();
    return !p.isEmpty() && p != QLatin1String("offscreen") && p != QLatin1String("minimal");
}
}  // namespace headless

#include "platform/WidgetPrompt.h"

#include "platform/QtText.h"

#include <QApplication>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>

void WidgetPrompt::message(const std::string& text, const std::string& caption, MessageKind kind)
{
    const QString t = qttext::toQString(text);
    const QString c = caption.empty() ? QApplication::applicationName() : qttext::toQString(caption);
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

namespace headless {
bool hasDisplay()
{
    const QString p = QGuiApplication::platformName();
    return !p.isEmpty() && p != QLatin1String("offscreen") && p != QLatin1String("minimal");
}
}  // namespace headless

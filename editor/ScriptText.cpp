#include "editor/ScriptText.h"

#include "platform/QtText.h"

#include <QStringList>

ShownScript ShowScriptLines(const std::vector<std::string>& lines)
{
    ShownScript shown;
    for (const std::string& l : lines)
        if (!qttext::isValidUtf8(l)) {
            shown.utf8 = false;
            break;
        }
    std::string joined;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) joined += '\n';
        joined += lines[i];
    }
    shown.text = shown.utf8 ? QString::fromUtf8(joined) : QString::fromLatin1(joined);
    return shown;
}

std::vector<std::string> ScriptLinesOf(const QString& text, bool utf8)
{
    std::vector<std::string> lines;
    if (text.isEmpty()) return lines;
    const QStringList parts = text.split(QLatin1Char('\n'));
    for (const QString& part : parts) lines.push_back(qttext::fromQString(part, utf8));
    return lines;
}

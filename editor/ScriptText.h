#pragma once
// A script's lines as the editor shows them and back: UTF-8 when every line is valid UTF-8,
// else Latin-1, so that a script opened and saved unchanged keeps its bytes. Lines are the
// file's lines after the password load pass.

#include <QString>
#include <string>
#include <vector>

struct ShownScript {
    QString text;  // lines joined by "\n"
    bool utf8 = true;
};

ShownScript ShowScriptLines(const std::vector<std::string>& lines);
// The editor's text as lines in the given encoding, one per line the editor shows (an empty text
// has none).
std::vector<std::string> ScriptLinesOf(const QString& text, bool utf8);

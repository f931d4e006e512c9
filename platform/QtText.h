#pragma once
// The UI edge: bytes become a QString for display (UTF-8 when valid, else Latin-1) and back.

#include <QString>
#include <string>

namespace qttext {
bool isValidUtf8(const std::string& bytes);
QString toQString(const std::string& bytes);
// Back to bytes in the given encoding; Latin-1 replaces what it cannot hold with "?".
std::string fromQString(const QString& s, bool utf8);
}  // namespace qttext

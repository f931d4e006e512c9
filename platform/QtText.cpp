#include "platform/QtText.h"

#include "platform/ByteText.h"

namespace qttext {

bool isValidUtf8(const std::string& bytes) { return bytetext::isValidUtf8(bytes); }

QString toQString(const std::string& bytes)
{
    if (isValidUtf8(bytes)) return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string fromQString(const QString& s, bool utf8)
{
    const QByteArray b = utf8 ? s.toUtf8() : s.toLatin1();
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

}  // namespace qttext

#include "platform/QtText.h"

namespace qttext {

bool isValidUtf8(const std::string& b)
{
    std::size_t i = 0;
    const std::size_t n = b.size();
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(b[i]);
        std::size_t len = 0;
        unsigned cp = 0;
        if (c < 0x80) { ++i; continue; }
        if (c >= 0xC2 && c <= 0xDF) { len = 1; cp = c & 0x1F; }
        else if (c >= 0xE0 && c <= 0xEF) { len = 2; cp = c & 0x0F; }
        else if (c >= 0xF0 && c <= 0xF4) { len = 3; cp = c & 0x07; }
        else return false;
        for (std::size_t k = 1; k <= len; ++k) {
            if (i + k >= n) return false;
            const unsigned char cc = static_cast<unsigned char>(b[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if ((len == 2 && cp < 0x800) || (len == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len + 1;
    }
    return true;
}

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

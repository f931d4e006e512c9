#include "controls/effects/EffBitmapData.h"

#include <QBuffer>
#include <QImageReader>

namespace {

// The classic sixteen colours, for four-bit files.
QList<QRgb> sixteenColours()
{
    return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(128, 128, 128),
            qRgb(192, 192, 192), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

int bitsFor(const QImage& bitmap, int format)
{
    int bits = 24;
    switch (format) {
    case 2: bits = 1; break;
    case 16: bits = 4; break;
    case 256: bits = 8; break;
    default: bits = bitmap.depth(); break;
    }
    if (bits == 16 || bits == 32 || (bits != 1 && bits != 4 && bits != 8)) bits = 24;
    return bits;
}

void put16(std::vector<std::uint8_t>& b, unsigned v)
{
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& b, std::uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

}  // namespace

std::vector<std::uint8_t> BmpFileImage(const QImage& bitmap, int format)
{
    if (bitmap.isNull()) throw EInvalidGraphic("Bitmap image is not valid");
    const int bits = bitsFor(bitmap, format);
    const int w = bitmap.width(), h = bitmap.height();
    QImage pixels;
    QList<QRgb> table;
    if (bits == 1) pixels = bitmap.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
    else if (bits == 4) pixels = bitmap.convertToFormat(QImage::Format_Indexed8, sixteenColours(), Qt::ThresholdDither);
    else if (bits == 8) pixels = bitmap.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    else pixels = bitmap.convertToFormat(QImage::Format_RGB32);
    if (bits < 24) table = pixels.colorTable();
    const std::uint32_t stride = (static_cast<std::uint32_t>(w) * bits + 31) / 32 * 4;
    const std::uint32_t imageSize = stride * static_cast<std::uint32_t>(h);
    const std::uint32_t tableSize = bits < 24 ? 4u << bits : 0;
    const std::uint32_t offset = 14 + 40 + tableSize;
    std::vector<std::uint8_t> b;
    b.reserve(offset + imageSize);
    b.push_back('B');
    b.push_back('M');
    put32(b, offset + imageSize);
    put32(b, 0);
    put32(b, offset);
    put32(b, 40);
    put32(b, static_cast<std::uint32_t>(w));
    put32(b, static_cast<std::uint32_t>(h));
    put16(b, 1);
    put16(b, static_cast<unsigned>(bits));
    put32(b, 0);
    put32(b, imageSize);
    for (int i = 0; i < 4; ++i) put32(b, 0);
    for (std::uint32_t i = 0; i < tableSize / 4; ++i) {
        const QRgb c = i < static_cast<std::uint32_t>(table.size()) ? table[static_cast<qsizetype>(i)] : 0;
        b.push_back(static_cast<std::uint8_t>(qBlue(c)));
        b.push_back(static_cast<std::uint8_t>(qGreen(c)));
        b.push_back(static_cast<std::uint8_t>(qRed(c)));
        b.push_back(0);
    }
    // Rows bottom-up, each padded to four bytes.
    for (int y = h - 1; y >= 0; --y) {
        const std::size_t start = b.size();
        const uchar* line = pixels.constScanLine(y);
        if (bits == 1) {
            b.insert(b.end(), line, line + (w + 7) / 8);
        } else if (bits == 4) {
            for (int x = 0; x < w; x += 2)
                b.push_back(static_cast<std::uint8_t>((line[x] & 0x0F) << 4 | (x + 1 < w ? line[x + 1] & 0x0F : 0)));
        } else if (bits == 8) {
            b.insert(b.end(), line, line + w);
        } else {
            const auto* rgb = reinterpret_cast<const QRgb*>(line);
            for (int x = 0; x < w; ++x) {
                b.push_back(static_cast<std::uint8_t>(qBlue(rgb[x])));
                b.push_back(static_cast<std::uint8_t>(qGreen(rgb[x])));
                b.push_back(static_cast<std::uint8_t>(qRed(rgb[x])));
            }
        }
        b.resize(start + stride, 0);
    }
    return b;
}

void WriteDIB(TStream& stream, const QImage& bitmap, int format, bool withSize)
{
    const std::vector<std::uint8_t> file = BmpFileImage(bitmap, format);
    if (withSize) WriteInteger(stream, static_cast<std::int32_t>(file.size()));
    stream.WriteBuffer(file.data(), file.size());
}

void WriteBitmapData(TStream& dest, const QImage& bitmap, bool compressed, int format)
{
    // Our own stream format is a BMP file of the bitmap's depth; an empty bitmap writes nothing.
    const bool own = format == kOwnFormat;
    const int code = own ? 0 : (bitmap.depth() == 1 ? 2 : format);
    const std::vector<std::uint8_t> file = bitmap.isNull() && own ? std::vector<std::uint8_t>() : BmpFileImage(bitmap, code);
    WritePayload(dest, file, compressed);
}

QImage ReadBitmapData(TStream& source, bool compressed)
{
    const std::vector<std::uint8_t> file = ReadPayload(source, compressed);
    if (file.empty()) return {};
    QByteArray bytes(reinterpret_cast<const char*>(file.data()), static_cast<qsizetype>(file.size()));
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, "BMP");
    // A crafted header must not ask for a huge picture: 64 MiB is far beyond any list image.
    reader.setAllocationLimit(64);
    QImage image = reader.read();
    if (image.isNull()) throw EInvalidGraphic("Bitmap image is not valid");
    return image;
}

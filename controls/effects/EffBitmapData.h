#pragma once
// Bitmaps in the effect library's records: our own BMP file writer (1, 4, 8 or 24 bits) and the
// bitmap payloads of list items, compressed or length-prefixed.

#include "controls/effects/EffStreams.h"

#include <QImage>

class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

// Colour codes: 0 the bitmap's own depth (16 and 32 bits become 24), 2 one bit, 16 four bits,
// 256 eight bits; -1 (WriteBitmapData only) the bitmap's own stream format, a BMP file of its
// own depth.
inline constexpr int kOwnFormat = -1;

// A complete BMP file image, preceded by its 4-byte length with WithSize. A null bitmap raises
// EInvalidGraphic ("Bitmap image is not valid").
void WriteDIB(TStream& stream, const QImage& bitmap, int format, bool withSize);
std::vector<std::uint8_t> BmpFileImage(const QImage& bitmap, int format);

void WriteBitmapData(TStream& dest, const QImage& bitmap, bool compressed, int format);
// The bitmap of a payload; an empty payload is an empty bitmap, one that is no BMP file an
// EInvalidGraphic.
QImage ReadBitmapData(TStream& source, bool compressed);

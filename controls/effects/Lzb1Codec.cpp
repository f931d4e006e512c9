#include "controls/effects/Lzb1Codec.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

std::uint32_t hash3(std::uint32_t b0, std::uint32_t b1, std::uint32_t b2)
{
    std::uint32_t h = (b0 << 4) ^ b1;
    h = (h << 4) ^ b2;
    return ((h * 40543u) >> 4) & 0xFFF;
}

// Bytes past the end of the block enter the hash as 0; no match can start there anyway.
std::uint32_t hashAt(const std::uint8_t* s, std::uint32_t x, std::uint32_t size)
{
    if (x + 2 < size) return hash3(s[x], s[x + 1], s[x + 2]);
    return hash3(s[x], x + 1 < size ? s[x + 1] : 0, 0);
}

void putWord(std::uint8_t* at, std::uint16_t value)
{
    at[0] = static_cast<std::uint8_t>(value >> 8);
    at[1] = static_cast<std::uint8_t>(value);
}

// FindMatch's search, inlined into the compressor's loop: the match length at X, -1 when no
// position within the window is stored for its hash; X is stored in every case.
inline int matchAt(const std::uint8_t* source, std::uint32_t x, std::uint32_t sourceSize, std::uint16_t* hash,
                   std::uint32_t& pos)
{
    const std::uint32_t h = hashAt(source, x, sourceSize);
    pos = hash[h];
    hash[h] = static_cast<std::uint16_t>(x);
    if (pos == kLzbHashEmpty || x - pos >= 4096) return -1;
    const std::uint32_t limit = std::min<std::uint32_t>(18, sourceSize - x);
    std::uint32_t size = 0;
    while (size < limit && source[x + size] == source[pos + size]) ++size;
    return static_cast<int>(size);
}

[[noreturn]] void corrupt() { throw ELzbError("LZB Error!"); }

}  // namespace

bool FindMatch(const std::uint8_t* source, std::uint16_t x, std::uint16_t sourceSize, std::uint16_t* hash,
               std::uint16_t& pos, std::uint16_t& size)
{
    std::uint32_t at = 0;
    const int length = matchAt(source, x, sourceSize, hash, at);
    if (length < 0) return false;
    pos = static_cast<std::uint16_t>(at);
    size = static_cast<std::uint16_t>(length);
    return length >= 3;
}

std::uint16_t CompressBlock(const std::uint8_t* source, std::uint8_t* dest, std::uint16_t sourceSize)
{
    std::uint16_t hash[kLzbHashSize];
    std::memset(hash, 0xFF, sizeof hash);
    dest[0] = kLzbCompressed;
    std::uint32_t x = 0, y = 3, z = 1, bit = 0;
    std::uint16_t command = 0;
    while (x < sourceSize && y <= sourceSize) {
        if (bit > 15) {
            putWord(dest + z, command);
            z = y;
            y += 2;
            bit = 0;
        }
        // A run comes first: 16 or more equal bytes are a run even where a match would do.
        const std::uint8_t c = source[x];
        const std::uint32_t runEnd = std::min<std::uint32_t>(sourceSize, x + 4095);
        std::uint32_t end = x + 1;
        while (end < runEnd && source[end] == c) ++end;
        const std::uint32_t run = end - x;
        if (run >= 16) {
            dest[y] = 0;
            putWord(dest + y + 1, static_cast<std::uint16_t>(run - 16));
            dest[y + 3] = c;
            y += 4;
            x += run;
            command = static_cast<std::uint16_t>(command * 2 + 1);
            ++bit;
            continue;
        }
        std::uint32_t pos = 0;
        const int size = matchAt(source, x, sourceSize, hash, pos);
        if (size >= 3) {
            putWord(dest + y, static_cast<std::uint16_t>(((x - pos) << 4) + (size - 3)));
            y += 2;
            x += size;
            command = static_cast<std::uint16_t>(command * 2 + 1);
        } else {
            dest[y] = c;
            y += 1;
            x += 1;
            command = static_cast<std::uint16_t>(command * 2);
        }
        ++bit;
    }
    command = bit == 0 ? 0 : static_cast<std::uint16_t>(command << (16 - bit));
    putWord(dest + z, command);
    if (y > sourceSize) {
        if (sourceSize > 0) std::memcpy(dest + 1, source, sourceSize);
        dest[0] = kLzbStored;
        y = sourceSize + 1u;
    }
    return static_cast<std::uint16_t>(y);
}

std::uint16_t DecompressBlock(const std::uint8_t* source, std::uint8_t* dest, std::uint16_t sourceSize,
                              std::size_t destCapacity)
{
    if (sourceSize == 0) corrupt();
    if (source[0] == kLzbStored) {
        const std::size_t n = sourceSize - 1u;
        if (n > destCapacity) corrupt();
        if (n > 0) std::memcpy(dest, source + 1, n);
        return static_cast<std::uint16_t>(n);
    }
    std::size_t x = 0, y = 3;
    if (y >= sourceSize) return 0;
    std::uint16_t command = static_cast<std::uint16_t>(source[1] << 8 | source[2]);
    int bit = 16;
    // Every read and write is checked: a crafted block is an error, never an overrun.
    while (y < sourceSize) {
        if (bit == 0) {
            if (y + 2 > sourceSize) corrupt();
            command = static_cast<std::uint16_t>(source[y] << 8 | source[y + 1]);
            bit = 16;
            y += 2;
            // A control word with no item after it ends the block.
            if (y >= sourceSize) break;
        }
        if (!(command & 0x8000)) {
            if (x >= destCapacity) corrupt();
            dest[x++] = source[y++];
        } else {
            if (y + 2 > sourceSize) corrupt();
            const std::size_t pos = std::size_t(source[y]) * 16 + (source[y + 1] >> 4);
            if (pos == 0) {
                if (y + 4 > sourceSize) corrupt();
                const std::size_t size = std::size_t(source[y + 1]) * 256 + source[y + 2] + 16;
                if (size > destCapacity - x) corrupt();
                std::memset(dest + x, source[y + 3], size);
                x += size;
                y += 4;
            } else {
                const std::size_t size = (source[y + 1] & 0x0F) + 3u;
                if (pos > x || size > destCapacity - x) corrupt();
                // Byte by byte where it overlaps its own output, so the pattern repeats.
                if (pos >= size) std::memcpy(dest + x, dest + x - pos, size);
                else for (std::size_t k = 0; k < size; ++k) dest[x + k] = dest[x - pos + k];
                x += size;
                y += 2;
            }
        }
        command = static_cast<std::uint16_t>(command << 1);
        --bit;
    }
    return static_cast<std::uint16_t>(x);
}

#pragma once
// LZB1: a byte-oriented LZ77 block codec with a 4096-byte window, 16 items under a 16-bit
// control word (big-endian, first item in the top bit) and a run item. Blocks start with a flag:
// 0x40 compressed, 0x80 stored. Plain code, no Qt.

#include "platform/Errors.h"

#include <cstddef>
#include <cstdint>

// A block that cannot be expanded: it reads past its end, copies from before its output or
// writes more than a chunk.
class ELzbError : public Exception {
public:
    using Exception::Exception;
};

inline constexpr std::size_t kLzbChunkSize = 32782;                 // source bytes per block at most
inline constexpr std::size_t kLzbBlockSize = kLzbChunkSize + 1;     // the largest block: a stored full chunk
inline constexpr std::size_t kLzbDestSlack = 6;                     // the compressor's room past the source size
inline constexpr std::size_t kLzbHashSize = 4096;
inline constexpr std::uint16_t kLzbHashEmpty = 0xFFFF;
inline constexpr std::uint8_t kLzbCompressed = 0x40, kLzbStored = 0x80;

// Looks up the three bytes at X, proposes the stored position, and stores X in every case; true
// for a match of at least 3 bytes (at most 18, within 4095 bytes back).
bool FindMatch(const std::uint8_t* source, std::uint16_t x, std::uint16_t sourceSize, std::uint16_t* hash,
               std::uint16_t& pos, std::uint16_t& size);
// Compresses SourceSize (at most kLzbChunkSize) bytes into Dest, which must hold SourceSize +
// kLzbDestSlack bytes; returns the block length, flag included. Incompressible input is stored.
std::uint16_t CompressBlock(const std::uint8_t* source, std::uint8_t* dest, std::uint16_t sourceSize);
// Expands a block of SourceSize bytes into Dest (room for destCapacity bytes); returns the bytes
// produced. A block that does not fit its own length or Dest raises ELzbError.
std::uint16_t DecompressBlock(const std::uint8_t* source, std::uint8_t* dest, std::uint16_t sourceSize,
                              std::size_t destCapacity = kLzbChunkSize);

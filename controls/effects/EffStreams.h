#pragma once
// Byte streams as the effect library's records use them (Read, Write, ReadBuffer, WriteBuffer,
// Position, Size), a memory stream, and the record routines: 4-byte little-endian integers,
// bytes, short strings, string lists and compressed streams. Plain code, no Qt.

#include "platform/Errors.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A read that found fewer bytes than it needs.
class EReadError : public Exception {
public:
    using Exception::Exception;
};

class TStream {
public:
    virtual ~TStream() = default;
    // As many bytes as there are, up to count.
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
    virtual std::int64_t Position() const = 0;
    virtual void SetPosition(std::int64_t position) = 0;
    virtual std::int64_t Size() const = 0;
    // A hint that the stream will grow to about `size` bytes; streams that cannot use it ignore it.
    virtual void Reserve(std::int64_t size) {}

    // Exactly count bytes, or EReadError ("Stream read error").
    void ReadBuffer(void* buffer, std::size_t count);
    void WriteBuffer(const void* buffer, std::size_t count);
    // What is left to read.
    std::int64_t Remaining() const { return Size() - Position(); }
};

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    std::int64_t Position() const override { return static_cast<std::int64_t>(position_); }
    void SetPosition(std::int64_t position) override;
    std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }
    void SetSize(std::size_t size);
    // Room for the bytes at once: growing by doubling would copy them again and again.
    void Reserve(std::int64_t size) override;

    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

// Count bytes of Source, in chunks of kLzbChunkSize, appended to Dest as a compressed stream: a
// 4-byte total, then per chunk its 4-byte block length and the block. Stops early at the end of
// Source.
void WriteCompressedStream(TStream& source, TStream& dest, std::int64_t count);
// One compressed stream of Source, expanded and appended to Dest. Lengths that do not fit what
// the stream holds, and blocks that do not expand, are errors.
void ReadCompressedStream(TStream& source, TStream& dest);

void WriteInteger(TStream& stream, std::int32_t value);
// 0 when nothing could be read.
std::int32_t ReadInteger(TStream& stream);
void WriteByte(TStream& stream, std::uint8_t value);
std::uint8_t ReadByte(TStream& stream);
// A length byte and at most 255 characters.
void WriteString(TStream& stream, std::string_view s);
void ReadString(TStream& stream, std::string& s);

// An object's bytes as a compressed stream or as a length-prefixed payload, and back.
void WritePayload(TStream& dest, const std::vector<std::uint8_t>& data, bool compressed);
std::vector<std::uint8_t> ReadPayload(TStream& source, bool compressed);

// A string list as its text (each line ended by CR LF).
void WriteStringsData(TStream& dest, const std::vector<std::string>& strings, bool compressed);
void ReadStringsData(TStream& source, std::vector<std::string>& strings, bool compressed);

// Bytes as text for stores that hold no binary values: two upper-case hexadecimal digits a byte.
std::string BytesToHex(const std::vector<std::uint8_t>& bytes);
// False (and Bytes empty) for text of odd length or with a character that is no hex digit.
bool HexToBytes(std::string_view text, std::vector<std::uint8_t>& bytes);

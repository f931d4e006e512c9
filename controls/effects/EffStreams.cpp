#include "controls/effects/EffStreams.h"

#include "controls/effects/Lzb1Codec.h"

#include <algorithm>
#include <cstring>
#include <memory>

void TStream::ReadBuffer(void* buffer, std::size_t count)
{
    if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::size_t count)
{
    if (count != 0 && Write(buffer, count) != count) throw Exception("Stream write error");
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count)
{
    const std::size_t n = position_ >= bytes_.size() ? 0 : std::min(count, bytes_.size() - position_);
    if (n) std::memcpy(buffer, bytes_.data() + position_, n);
    position_ += n;
    return n;
}

std::size_t TMemoryStream::Write(const void* buffer, std::size_t count)
{
    // Appending copies straight in; resizing first would clear the bytes only to overwrite them.
    if (position_ == bytes_.size() && count) {
        const auto* bytes = static_cast<const std::uint8_t*>(buffer);
        bytes_.insert(bytes_.end(), bytes, bytes + count);
        position_ += count;
        return count;
    }
    if (position_ + count > bytes_.size()) bytes_.resize(position_ + count);
    if (count) std::memcpy(bytes_.data() + position_, buffer, count);
    position_ += count;
    return count;
}

void TMemoryStream::SetPosition(std::int64_t position) { position_ = position < 0 ? 0 : static_cast<std::size_t>(position); }

void TMemoryStream::Reserve(std::int64_t size)
{
    if (size > 0) bytes_.reserve(static_cast<std::size_t>(size));
}

void TMemoryStream::SetSize(std::size_t size)
{
    bytes_.resize(size);
    position_ = std::min(position_, size);
}

void WriteInteger(TStream& stream, std::int32_t value)
{
    const auto u = static_cast<std::uint32_t>(value);
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
                                   static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)};
    stream.WriteBuffer(bytes, 4);
}

std::int32_t ReadInteger(TStream& stream)
{
    std::uint8_t bytes[4] = {};
    // A short read keeps what was there, the rest as 0.
    stream.Read(bytes, 4);
    return static_cast<std::int32_t>(std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 |
                                     std::uint32_t(bytes[2]) << 16 | std::uint32_t(bytes[3]) << 24);
}

void WriteByte(TStream& stream, std::uint8_t value) { stream.WriteBuffer(&value, 1); }

std::uint8_t ReadByte(TStream& stream)
{
    std::uint8_t value = 0;
    stream.ReadBuffer(&value, 1);
    return value;
}

void WriteString(TStream& stream, std::string_view s)
{
    const auto n = static_cast<std::uint8_t>(std::min<std::size_t>(s.size(), 255));
    WriteByte(stream, n);
    stream.WriteBuffer(s.data(), n);
}

void ReadString(TStream& stream, std::string& s)
{
    const std::uint8_t n = ReadByte(stream);
    s.assign(n, '\0');
    stream.ReadBuffer(s.data(), n);
}

void WriteCompressedStream(TStream& source, TStream& dest, std::int64_t count)
{
    const std::int64_t start = dest.Position();
    // At most every chunk stored, with its flag byte and its length.
    const std::int64_t promised = std::min(count, std::max<std::int64_t>(source.Remaining(), 0));
    const std::int64_t chunks = (promised + std::int64_t(kLzbChunkSize) - 1) / std::int64_t(kLzbChunkSize);
    dest.Reserve(start + 4 + promised + 5 * chunks);
    dest.SetPosition(start + 4);
    std::int64_t total = 0;
    std::vector<std::uint8_t> chunk(kLzbChunkSize), block(kLzbChunkSize + kLzbDestSlack);
    while (count > 0) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(count, kLzbChunkSize));
        const std::size_t n = source.Read(chunk.data(), want);
        if (n == 0) break;  // a source shorter than promised ends the stream
        const std::uint16_t length = CompressBlock(chunk.data(), block.data(), static_cast<std::uint16_t>(n));
        WriteInteger(dest, length);
        dest.WriteBuffer(block.data(), length);
        total += length + 4;
        count -= static_cast<std::int64_t>(n);
    }
    const std::int64_t end = dest.Position();
    dest.SetPosition(start);
    WriteInteger(dest, static_cast<std::int32_t>(total));
    dest.SetPosition(end);
}

void ReadCompressedStream(TStream& source, TStream& dest)
{
    std::vector<std::uint8_t> block(kLzbBlockSize), chunk(kLzbChunkSize);
    std::int64_t total = ReadInteger(source);
    if (total < 0 || total > source.Remaining()) throw ELzbError("LZB Error!");
    while (total > 0) {
        const std::int32_t length = ReadInteger(source);
        if (length <= 0 || static_cast<std::size_t>(length) > kLzbBlockSize || length + 4 > total)
            throw ELzbError("LZB Error!");
        source.ReadBuffer(block.data(), static_cast<std::size_t>(length));
        const std::uint16_t n = DecompressBlock(block.data(), chunk.data(), static_cast<std::uint16_t>(length));
        dest.WriteBuffer(chunk.data(), n);
        total -= length + 4;
    }
}

void WritePayload(TStream& dest, const std::vector<std::uint8_t>& data, bool compressed)
{
    if (compressed) {
        TMemoryStream temp(data);
        WriteCompressedStream(temp, dest, temp.Size());
        return;
    }
    WriteInteger(dest, static_cast<std::int32_t>(data.size()));
    dest.WriteBuffer(data.data(), data.size());
}

std::vector<std::uint8_t> ReadPayload(TStream& source, bool compressed)
{
    TMemoryStream temp;
    if (compressed) {
        ReadCompressedStream(source, temp);
        return temp.Bytes();
    }
    const std::int32_t count = ReadInteger(source);
    if (count < 0 || count > source.Remaining()) throw EReadError("Stream read error");
    std::vector<std::uint8_t> data(static_cast<std::size_t>(count));
    source.ReadBuffer(data.data(), data.size());
    return data;
}

void WriteStringsData(TStream& dest, const std::vector<std::string>& strings, bool compressed)
{
    std::vector<std::uint8_t> text;
    for (const std::string& line : strings) {
        text.insert(text.end(), line.begin(), line.end());
        text.push_back('\r');
        text.push_back('\n');
    }
    WritePayload(dest, text, compressed);
}

void ReadStringsData(TStream& source, std::vector<std::string>& strings, bool compressed)
{
    const std::vector<std::uint8_t> text = ReadPayload(source, compressed);
    strings.clear();
    std::string line;
    // Lines end at CR LF, CR or LF, as a string list reads its text.
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = static_cast<char>(text[i]);
        if (c == '\r' || c == '\n') {
            strings.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty()) strings.push_back(line);
}

std::string BytesToHex(const std::vector<std::uint8_t>& bytes)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0xF];
    }
    return text;
}

bool HexToBytes(std::string_view text, std::vector<std::uint8_t>& bytes)
{
    bytes.clear();
    const auto digit = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    };
    if (text.size() % 2 != 0) return false;
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int hi = digit(text[i]), lo = digit(text[i + 1]);
        if (hi < 0 || lo < 0) {
            bytes.clear();
            return false;
        }
        bytes.push_back(static_cast<std::uint8_t>(hi << 4 | lo));
    }
    return true;
}

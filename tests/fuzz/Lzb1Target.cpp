// The LZB1 codec and its compressed streams on any bytes: what is compressed expands to itself,
// and a crafted block or stream is refused, never read or written past its buffers.

#include "FuzzCheck.h"
#include "FuzzTargets.h"
#include "controls/effects/EffStreams.h"
#include "controls/effects/Lzb1Codec.h"

#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void checkRoundTrip(const Bytes& source)
{
    TMemoryStream in(source), packed;
    WriteCompressedStream(in, packed, in.Size());
    FUZZ_CHECK(packed.Size() <= static_cast<std::int64_t>(source.size() + 4 + (source.size() / kLzbChunkSize + 1) * 5),
               "compressed stream larger than stored blocks");
    packed.SetPosition(0);
    TMemoryStream out;
    ReadCompressedStream(packed, out);
    FUZZ_CHECK(out.Bytes() == source, "round trip of " + std::to_string(source.size()) + " bytes");
}

void checkBlock(const Bytes& block)
{
    // Exactly the block's size, so AddressSanitizer sees every stray read.
    const Bytes exact(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(std::min(block.size(), kLzbBlockSize)));
    Bytes out(kLzbChunkSize);
    try {
        const std::uint16_t n = DecompressBlock(exact.data(), out.data(), static_cast<std::uint16_t>(exact.size()));
        FUZZ_CHECK(n <= kLzbChunkSize, "expanded past a chunk");
    } catch (const ELzbError&) {
    }
}

void checkStream(const Bytes& data)
{
    TMemoryStream in(data), out;
    try {
        ReadCompressedStream(in, out);
    } catch (const ELzbError&) {
    } catch (const EReadError&) {
    }
}

}  // namespace

void fuzz::Lzb1(std::string_view data)
{
    const Bytes bytes(data.begin(), data.end());
    checkRoundTrip(bytes);
    checkBlock(bytes);
    checkStream(bytes);
}

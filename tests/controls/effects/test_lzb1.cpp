#include "controls/effects/EffStreams.h"
#include "controls/effects/Lzb1Codec.h"

#include <functional>
#include <gtest/gtest.h>
#include <random>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(std::string_view s) { return Bytes(s.begin(), s.end()); }

Bytes compress(const Bytes& source)
{
    Bytes block(source.size() + kLzbDestSlack);
    const std::uint16_t n = CompressBlock(source.data(), block.data(), static_cast<std::uint16_t>(source.size()));
    block.resize(n);
    return block;
}

Bytes decompress(const Bytes& block)
{
    Bytes out(kLzbChunkSize);
    out.resize(DecompressBlock(block.data(), out.data(), static_cast<std::uint16_t>(block.size())));
    return out;
}

Bytes randomBytes(std::size_t n, unsigned seed, int alphabet)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> byte(0, alphabet - 1);
    Bytes b(n);
    for (auto& c : b) c = static_cast<std::uint8_t>(byte(random));
    return b;
}

}  // namespace

TEST(Lzb1, BlockVectors)
{
    struct Case {
        const char* name;
        Bytes source;
        Bytes block;
    };
    const Case cases[] = {
        {"empty", {}, {0x80}},
        {"twenty equal bytes: one run", Bytes(20, 'x'), {0x40, 0x80, 0x00, 0x00, 0x00, 0x04, 'x'}},
        {"three different bytes: stored", bytesOf("abc"), {0x80, 'a', 'b', 'c'}},
        // Literals a, b, then a match of offset 2 and length 18 over its own output.
        {"overlapping match", bytesOf("abababababababababab"), {0x40, 0x20, 0x00, 'a', 'b', 0x00, 0x2F}},
        // Runs come before matches: at the 17 a's a match of "aaa" would do, but they are a run.
        {"run before match", bytesOf("aaab" + std::string(17, 'a')),
         {0x40, 0x08, 0x00, 'a', 'a', 'a', 'b', 0x00, 0x00, 0x01, 'a'}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(compress(c.source), c.block) << c.name;
        EXPECT_EQ(decompress(c.block), c.source) << c.name;
    }
}

TEST(Lzb1, FullGroupsWriteTheirControlWordOnlyBeforeAnotherItem)
{
    // Sixteen runs fill the first group exactly.
    Bytes source;
    for (int i = 0; i < 16; ++i) source.insert(source.end(), 16, static_cast<std::uint8_t>('a' + i));
    const Bytes block = compress(source);
    ASSERT_EQ(block.size(), 1u + 2 + 16 * 4);  // one control word, unshifted, and 16 runs
    EXPECT_EQ(block[0], 0x40);
    EXPECT_EQ(block[1], 0xFF);
    EXPECT_EQ(block[2], 0xFF);
    source.insert(source.end(), 16, 'z');
    const Bytes longer = compress(source);
    ASSERT_EQ(longer.size(), 1u + 2 + 16 * 4 + 2 + 4);
    EXPECT_EQ(longer[67], 0x80);  // the second group's word, left-aligned
    EXPECT_EQ(longer[68], 0x00);
    EXPECT_EQ(decompress(longer), source);
}

TEST(Lzb1, RoundTripsOfRandomAndRepetitiveData)
{
    for (auto [size, alphabet] : {std::pair{1, 256}, std::pair{2, 2}, std::pair{1000, 256}, std::pair{32782, 4},
                                  std::pair{32782, 256}, std::pair{32782, 1}, std::pair{5000, 16}}) {
        const Bytes source = randomBytes(static_cast<std::size_t>(size), static_cast<unsigned>(size * 7 + alphabet), alphabet);
        const Bytes block = compress(source);
        EXPECT_LE(block.size(), source.size() + 1) << size << "/" << alphabet;
        EXPECT_EQ(decompress(block), source) << size << "/" << alphabet;
    }
    // Text-like data compresses.
    Bytes text;
    for (int i = 0; i < 500; ++i) {
        const Bytes line = bytesOf("GET /files/report-" + std::to_string(i % 37) + ".txt\r\n");
        text.insert(text.end(), line.begin(), line.end());
    }
    EXPECT_LT(compress(text).size(), text.size() / 3);
}

TEST(Lzb1, CorruptBlocksAreRejected)
{
    struct Case {
        const char* name;
        Bytes block;
    };
    const Case cases[] = {
        {"empty block", {}},
        {"match before the output", {0x40, 0x80, 0x00, 0x01, 0x00}},
        {"truncated match", {0x40, 0x80, 0x00, 0x01}},
        {"truncated run", {0x40, 0x80, 0x00, 0x00, 0x00, 0x04}},
        {"run past a chunk", {0x40, 0x80, 0x00, 0x00, 0xFF, 0xFF, 'x'}},
        {"truncated control word", {0x40, 0x00, 0x00, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', 'm',
                                    'n', 'o', 'p', 0x80}},
    };
    for (const Case& c : cases) {
        Bytes out(kLzbChunkSize);
        EXPECT_THROW(DecompressBlock(c.block.data(), out.data(), static_cast<std::uint16_t>(c.block.size())), ELzbError)
            << c.name;
    }
    // A run longer than the room given is refused, too.
    const Bytes run = {0x40, 0x80, 0x00, 0x00, 0x00, 0x04, 'x'};
    Bytes small(10);
    EXPECT_THROW(DecompressBlock(run.data(), small.data(), static_cast<std::uint16_t>(run.size()), small.size()), ELzbError);
}

TEST(Lzb1Streams, ChunksOfACompressedStream)
{
    const Bytes source = randomBytes(70000, 3, 256);
    TMemoryStream in(source), out;
    WriteCompressedStream(in, out, in.Size());
    out.SetPosition(0);
    const std::int32_t total = ReadInteger(out);
    EXPECT_EQ(total, out.Size() - 4);
    std::vector<std::int32_t> lengths;
    while (out.Remaining() > 0) {
        const std::int32_t length = ReadInteger(out);
        lengths.push_back(length);
        out.SetPosition(out.Position() + length);
    }
    // Random data is stored: each block is its chunk and the flag.
    EXPECT_EQ(lengths, (std::vector<std::int32_t>{32783, 32783, 4437}));
    EXPECT_EQ(total, 32783 + 32783 + 4437 + 3 * 4);
    out.SetPosition(0);
    TMemoryStream back;
    ReadCompressedStream(out, back);
    EXPECT_EQ(back.Bytes(), source);

    TMemoryStream empty, emptyOut;
    WriteCompressedStream(empty, emptyOut, 0);
    EXPECT_EQ(emptyOut.Bytes(), (Bytes{0, 0, 0, 0}));
    // A source shorter than the count ends the stream at its end.
    TMemoryStream shortSource(Bytes(100, 'q')), shortOut;
    WriteCompressedStream(shortSource, shortOut, 1'000'000);
    shortOut.SetPosition(0);
    TMemoryStream shortBack;
    ReadCompressedStream(shortOut, shortBack);
    EXPECT_EQ(shortBack.Bytes(), Bytes(100, 'q'));
}

TEST(Lzb1Streams, CorruptStreamsAreErrors)
{
    const Bytes source = randomBytes(40000, 9, 8);
    TMemoryStream in(source), good;
    WriteCompressedStream(in, good, in.Size());
    const Bytes bytes = good.Bytes();
    struct Case {
        const char* name;
        std::function<void(Bytes&)> spoil;
    };
    const Case cases[] = {
        {"total past the end", [](Bytes& b) { b[3] = 0x7F; }},
        {"negative total", [](Bytes& b) { b[3] = 0x80; }},
        {"block longer than a chunk", [](Bytes& b) { b[6] = 0x10; }},
        {"zero block length", [](Bytes& b) { b[4] = b[5] = b[6] = b[7] = 0; }},
        {"truncated", [](Bytes& b) { b.resize(b.size() - 10); }},
    };
    for (const Case& c : cases) {
        Bytes spoiled = bytes;
        c.spoil(spoiled);
        TMemoryStream s(spoiled), out;
        EXPECT_ANY_THROW(ReadCompressedStream(s, out)) << c.name;
    }
}

TEST(Lzb1Streams, RecordRoutines)
{
    TMemoryStream s;
    WriteInteger(s, -2);
    WriteByte(s, 7);
    WriteString(s, "hello");
    WriteString(s, std::string(300, 'x'));  // at most 255 characters
    WriteStringsData(s, {"one", "", "three"}, true);
    WriteStringsData(s, {"plain"}, false);
    EXPECT_EQ((Bytes(s.Bytes().begin(), s.Bytes().begin() + 4)), (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
    s.SetPosition(0);
    EXPECT_EQ(ReadInteger(s), -2);
    EXPECT_EQ(ReadByte(s), 7);
    std::string text;
    ReadString(s, text);
    EXPECT_EQ(text, "hello");
    ReadString(s, text);
    EXPECT_EQ(text, std::string(255, 'x'));
    std::vector<std::string> lines;
    ReadStringsData(s, lines, true);
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "", "three"}));
    ReadStringsData(s, lines, false);
    EXPECT_EQ(lines, (std::vector<std::string>{"plain"}));
    EXPECT_EQ(ReadInteger(s), 0);  // nothing left
    EXPECT_THROW(ReadByte(s), EReadError);
    // A payload count beyond the stream is an error, not an allocation.
    TMemoryStream big;
    WriteInteger(big, 0x7FFFFFFF);
    big.SetPosition(0);
    EXPECT_THROW(ReadPayload(big, false), EReadError);
}

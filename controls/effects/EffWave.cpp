#include "controls/effects/EffWave.h"

#include "platform/LocalFiles.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>

void TEffWave::SetData(std::unique_ptr<TMemoryStream> data)
{
    data_ = std::move(data);
    if (data_) data_->SetPosition(0);
    Change();
}

void TEffWave::Assign(const TEffObject* source)
{
    if (!source) {
        Clear();
        return;
    }
    const auto* other = qobject_cast<const TEffWave*>(source);
    if (!other) AssignError(source);
    if (other == this) return;
    data_.reset();
    if (!other->Empty()) data_ = std::make_unique<TMemoryStream>(other->data_->Bytes());
    Change();
}

bool TEffWave::GetWaveData(TStream* stream, TEffWaveInfo& info)
{
    if (!stream || stream->Size() == 0) return false;
    const auto tag = [&](const char* expected) {
        char text[4];
        stream->ReadBuffer(text, 4);
        return std::memcmp(text, expected, 4) == 0;
    };
    bool ok = false;
    try {
        stream->SetPosition(0);
        if (tag("RIFF")) {
            info.RiffSize = static_cast<std::uint32_t>(ReadInteger(*stream));
            if (tag("WAVE") && tag("fmt ")) {
                ReadInteger(*stream);  // the chunk length
                std::uint8_t format[12];
                stream->ReadBuffer(format, sizeof format);
                const int formatTag = format[0] | format[1] << 8, channels = format[2] | format[3] << 8;
                info.Pcm = formatTag == 1;
                info.Channels = channels == 1 || channels == 2 ? static_cast<std::uint8_t>(channels) : 0;
                info.SamplesPerSec = std::uint32_t(format[4]) | std::uint32_t(format[5]) << 8 |
                                     std::uint32_t(format[6]) << 16 | std::uint32_t(format[7]) << 24;
                std::uint8_t align[2];
                stream->ReadBuffer(align, 2);
                info.BlockAlign = static_cast<std::uint16_t>(align[0] | align[1] << 8);
                ok = true;
            }
        }
    } catch (const EReadError&) {
        stream->SetPosition(0);
        // A stream has no file name; LoadFromFile puts the file's name in its place.
        throw EErrorCheckingWave("GetWaveData: Cannot open file <stream>");
    }
    stream->SetPosition(0);
    return ok;
}

void TEffWave::LoadFromStreamSized(std::int64_t count, TStream& stream)
{
    if (stream.Size() == 0) {
        SetData(nullptr);
        return;
    }
    // A count beyond what the stream holds is a bad record, not an allocation.
    if (count < 0 || count > stream.Remaining()) throw EReadError("Stream read error");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
    stream.ReadBuffer(bytes.data(), bytes.size());
    auto loaded = std::make_unique<TMemoryStream>(std::move(bytes));
    TEffWaveInfo info;
    // Not a wave: the held data stays. A header cut short raises, the held data staying too.
    if (GetWaveData(loaded.get(), info)) SetData(std::move(loaded));
}

void TEffWave::ReadData(TStream& stream)
{
    const std::int32_t count = ReadInteger(stream);
    LoadFromStreamSized(count, stream);
}

void TEffWave::WriteStream(TStream& stream, bool withSize)
{
    if (!data_) data_ = std::make_unique<TMemoryStream>();
    if (withSize) WriteInteger(stream, static_cast<std::int32_t>(data_->Size()));
    stream.WriteBuffer(data_->Bytes().data(), data_->Bytes().size());
}

void TEffWave::ReadCompressed(TStream& stream)
{
    TMemoryStream expanded;
    ReadCompressedStream(stream, expanded);
    expanded.SetPosition(0);
    LoadFromStreamSized(expanded.Size(), expanded);
}

void TEffWave::WriteCompressed(TStream& stream)
{
    TMemoryStream copy(data_ ? data_->Bytes() : std::vector<std::uint8_t>());
    WriteCompressedStream(copy, stream, copy.Size());
}

void TEffWave::LoadFromFile(const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw Exception("Cannot open file " + fileName);
    std::vector<std::uint8_t> bytes;
    try {
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    } catch (const std::ios_base::failure&) {
        // A folder opens as a stream but fails on the first read.
        throw Exception("Cannot open file " + fileName);
    }
    if (in.bad()) throw Exception("Cannot open file " + fileName);
    TMemoryStream file(std::move(bytes));
    try {
        LoadFromStream(file);
    } catch (const EErrorCheckingWave&) {
        throw EErrorCheckingWave("GetWaveData: Cannot open file " + fileName);
    }
}

std::unique_ptr<TEffWave> TEffWave::CreateFromFile(const std::string& fileName, QObject* parent)
{
    auto wave = std::make_unique<TEffWave>(parent);
    wave->LoadFromFile(fileName);
    return wave;
}

void WriteWaveData(TStream& dest, TEffWave& wave, bool compressed)
{
    if (compressed) wave.WriteCompressed(dest);
    else wave.WriteData(dest);
}

void ReadWaveData(TStream& source, TEffWave& wave, bool compressed)
{
    if (compressed) wave.ReadCompressed(source);
    else wave.ReadData(source);
}

void TEffWave::SaveToFile(const std::string& fileName)
{
    TMemoryStream bytes;
    SaveToStream(bytes);
    // Whole or not at all: a reader never finds half a sound.
    const std::string_view text(reinterpret_cast<const char*>(bytes.Bytes().data()), bytes.Bytes().size());
    if (!localfiles::writeFileAtomically(fileName, text, 0644)) throw Exception("Cannot create file " + fileName);
}

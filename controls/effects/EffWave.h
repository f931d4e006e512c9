#pragma once
// The bytes of one RIFF/WAVE sound, held so that a list item can store it. Loaded data must start
// like a wave file; anything else leaves the holder as it was. Nothing is played here.

#include "controls/effects/EffObject.h"
#include "controls/effects/EffStreams.h"

#include <memory>
#include <string>

class EErrorCheckingWave : public Exception {
public:
    using Exception::Exception;
};
// Declared for data that is not a wave; loading does not raise it.
class EInvalidWave : public Exception {
public:
    using Exception::Exception;
};

struct TEffWaveInfo {
    std::uint32_t RiffSize = 0;
    std::uint32_t SamplesPerSec = 0;
    std::uint8_t Channels = 0;  // 1 mono, 2 stereo, 0 other
    bool Pcm = false;
    std::uint16_t BlockAlign = 0;
};

class TEffWave : public TEffObject {
    Q_OBJECT
public:
    explicit TEffWave(QObject* parent = nullptr) : TEffObject(parent) {}
    // A holder with the file's sound (LoadFromFile's errors).
    static std::unique_ptr<TEffWave> CreateFromFile(const std::string& fileName, QObject* parent = nullptr);
    void Assign(const TEffObject* source) override;

    bool Empty() const { return !data_ || data_->Size() == 0; }
    std::int64_t Size() const { return Empty() ? 0 : data_->Size(); }
    const TMemoryStream* Data() const { return data_.get(); }
    void Clear() { SetData(nullptr); }
    // Takes the stream (or none), rewound to 0.
    void SetData(std::unique_ptr<TMemoryStream> data);

    // The "Data" record: a 4-byte size, then the RIFF file image.
    void ReadData(TStream& stream);
    void WriteData(TStream& stream) { WriteStream(stream, true); }
    void LoadFromStreamSized(std::int64_t count, TStream& stream);
    void WriteStream(TStream& stream, bool withSize);
    void ReadCompressed(TStream& stream);
    void WriteCompressed(TStream& stream);
    void LoadFromStream(TStream& stream) { LoadFromStreamSized(stream.Remaining(), stream); }
    void SaveToStream(TStream& stream) { WriteStream(stream, false); }
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);

    // False for no data or data that does not start like a wave file; the stream is rewound.
    static bool GetWaveData(TStream* stream, TEffWaveInfo& info);

private:
    std::unique_ptr<TMemoryStream> data_;
};

// A wave in a list-item record: a compressed stream, or the length-prefixed data.
void WriteWaveData(TStream& dest, TEffWave& wave, bool compressed);
void ReadWaveData(TStream& source, TEffWave& wave, bool compressed);

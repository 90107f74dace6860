// The host's sample formats for a render (interleaved stereo) and the audio file they are written
// to. The file type follows the name's extension: .wav or .flac.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "qmvsti/com.h"

namespace qm::host {

enum class SampleFormat { S16, S24, S32, F32 };

// "s16", "s24", "s32", "f32"; false for anything else.
bool ParseSampleFormat(const std::string& text, SampleFormat* format) noexcept;
const char* SampleFormatName(SampleFormat format) noexcept;
int SampleBytes(SampleFormat format) noexcept;  // s24 is packed: 3 bytes
// The buffer format handed to the library's SetFormat: PCM (tag 1) or IEEE float (tag 3), 2 channels.
WAVEFORMATEX HostWaveFormat(SampleFormat format, uint32_t rate) noexcept;
// One sample at `p` as a fraction of full scale, for metering.
double SampleValue(const uint8_t* p, SampleFormat format) noexcept;

enum class AudioFileType { Wav, Flac };
// The type from the extension (case-insensitive); false with a reason for anything else, or for a
// sample format the type cannot hold (FLAC stores at most 24-bit integers).
bool ChooseAudioFileType(const std::string& utf8Path, SampleFormat format, AudioFileType* type, std::string* error);

// The WAVE_FORMAT_EXTENSIBLE speaker mask of a file of `channels` channels in the standard order
// (front left, front right, centre, LFE, back left, back right, ...); 0 past the 18 named speakers.
uint32_t SpeakerMask(int channels) noexcept;

// Writes interleaved frames (stereo, or `channels` channels) in the chosen sample format to a new
// file; more than two channels are written as WAVE_FORMAT_EXTENSIBLE with the standard speaker mask.
class AudioFileWriter {
public:
    AudioFileWriter() = default;
    ~AudioFileWriter();
    AudioFileWriter(const AudioFileWriter&) = delete;
    AudioFileWriter& operator=(const AudioFileWriter&) = delete;

    bool Open(const std::string& utf8Path, SampleFormat format, uint32_t rate, std::string* error, int channels = 2);
    bool Write(const void* frames, size_t count, std::string* error);
    // Finishes the file (headers, FLAC stream end); false with a reason when that fails.
    bool Close(std::string* error);

private:
    void* file_ = nullptr;
    SampleFormat format_ = SampleFormat::S16;
    std::string path_;
    uint32_t rate_ = 0;       // kept where the header is written at the end
    int channels_ = 2;
    uint64_t dataBytes_ = 0;
};

}  // namespace qm::host

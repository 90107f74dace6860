// Audio files on Windows: WAV written directly (a RIFF header whose sizes are patched at Close).
// This build carries no FLAC encoder.
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "audio_file.h"
#include "text.h"

namespace qm::host {

namespace {

void PutU32(uint8_t* p, uint32_t v) noexcept {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void PutU16(uint8_t* p, uint16_t v) noexcept {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

constexpr size_t kHeaderBytes = 44;
constexpr size_t kExtensibleHeaderBytes = 68;
constexpr uint16_t kTagExtensible = 0xFFFE;

size_t HeaderBytes(int channels) noexcept { return channels > 2 ? kExtensibleHeaderBytes : kHeaderBytes; }

// The plain header for stereo; WAVE_FORMAT_EXTENSIBLE with the standard speaker mask for more
// channels, whose sub-format GUID carries the plain tag.
void MakeHeader(uint8_t* h, WAVEFORMATEX wfx, int channels, uint32_t dataBytes) noexcept {
    const size_t bytes = HeaderBytes(channels);
    const bool extensible = channels > 2;
    wfx.nChannels = static_cast<WORD>(channels);
    wfx.nBlockAlign = static_cast<WORD>(wfx.wBitsPerSample / 8 * channels);
    wfx.nAvgBytesPerSec = wfx.nBlockAlign * wfx.nSamplesPerSec;
    std::memcpy(h, "RIFF", 4);
    PutU32(h + 4, static_cast<uint32_t>(bytes - 8 + dataBytes));
    std::memcpy(h + 8, "WAVEfmt ", 8);
    PutU32(h + 16, extensible ? 40 : 16);
    PutU16(h + 20, extensible ? kTagExtensible : wfx.wFormatTag);
    PutU16(h + 22, wfx.nChannels);
    PutU32(h + 24, wfx.nSamplesPerSec);
    PutU32(h + 28, wfx.nAvgBytesPerSec);
    PutU16(h + 32, wfx.nBlockAlign);
    PutU16(h + 34, wfx.wBitsPerSample);
    if (extensible) {
        static const uint8_t kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                              0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        PutU16(h + 36, 22);
        PutU16(h + 38, wfx.wBitsPerSample);
        PutU32(h + 40, SpeakerMask(channels));
        PutU16(h + 44, wfx.wFormatTag);
        std::memcpy(h + 46, kGuidTail, sizeof kGuidTail);
    }
    std::memcpy(h + bytes - 8, "data", 4);
    PutU32(h + bytes - 4, dataBytes);
}

}  // namespace

AudioFileWriter::~AudioFileWriter() {
    if (file_ != nullptr) std::fclose(static_cast<FILE*>(file_));
}

bool AudioFileWriter::Open(const std::string& utf8Path, SampleFormat format, uint32_t rate, std::string* error,
                           int channels) {
    AudioFileType type;
    if (!ChooseAudioFileType(utf8Path, format, &type, error)) return false;
    if (type != AudioFileType::Wav) {
        *error = "this build writes WAV files only (FLAC needs libsndfile)";
        return false;
    }
    FILE* file = _wfopen(std::filesystem::u8path(utf8Path).wstring().c_str(), L"wb");
    if (file == nullptr) {
        *error = "cannot create " + utf8Path;
        return false;
    }
    uint8_t header[kExtensibleHeaderBytes];
    MakeHeader(header, HostWaveFormat(format, rate), channels, 0);
    if (std::fwrite(header, 1, HeaderBytes(channels), file) != HeaderBytes(channels)) {
        std::fclose(file);
        *error = "cannot write " + utf8Path;
        return false;
    }
    file_ = file;
    format_ = format;
    path_ = utf8Path;
    rate_ = rate;
    channels_ = channels;
    dataBytes_ = 0;
    return true;
}

bool AudioFileWriter::Write(const void* frames, size_t count, std::string* error) {
    FILE* file = static_cast<FILE*>(file_);
    const size_t bytes = count * static_cast<size_t>(channels_) * static_cast<size_t>(SampleBytes(format_));
    if (file == nullptr || std::fwrite(frames, 1, bytes, file) != bytes) {
        *error = "cannot write " + path_;
        return false;
    }
    dataBytes_ += bytes;
    return true;
}

bool AudioFileWriter::Close(std::string* error) {
    FILE* file = static_cast<FILE*>(file_);
    file_ = nullptr;
    if (file == nullptr) return true;
    uint8_t header[kExtensibleHeaderBytes];
    MakeHeader(header, HostWaveFormat(format_, rate_), channels_, static_cast<uint32_t>(dataBytes_));
    const size_t bytes = HeaderBytes(channels_);
    bool ok = std::fseek(file, 0, SEEK_SET) == 0 && std::fwrite(header, 1, bytes, file) == bytes;
    ok = std::fclose(file) == 0 && ok;
    if (!ok) *error = "cannot finish " + path_;
    return ok;
}

}  // namespace qm::host

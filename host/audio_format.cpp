#include <cctype>
#include <cstring>

#include "audio_file.h"

namespace qm::host {

namespace {
constexpr WORD kTagPcm = 1;
constexpr WORD kTagIeeeFloat = 3;
constexpr int kChannels = 2;

std::string LowerExtension(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}
}  // namespace

bool ParseSampleFormat(const std::string& text, SampleFormat* format) noexcept {
    if (text == "s16") *format = SampleFormat::S16;
    else if (text == "s24") *format = SampleFormat::S24;
    else if (text == "s32") *format = SampleFormat::S32;
    else if (text == "f32") *format = SampleFormat::F32;
    else return false;
    return true;
}

const char* SampleFormatName(SampleFormat format) noexcept {
    switch (format) {
    case SampleFormat::S16: return "s16";
    case SampleFormat::S24: return "s24";
    case SampleFormat::S32: return "s32";
    case SampleFormat::F32: return "f32";
    }
    return "?";
}

int SampleBytes(SampleFormat format) noexcept {
    switch (format) {
    case SampleFormat::S16: return 2;
    case SampleFormat::S24: return 3;
    case SampleFormat::S32:
    case SampleFormat::F32: return 4;
    }
    return 0;
}

uint32_t SpeakerMask(int channels) noexcept {
    constexpr int kNamedSpeakers = 18;
    if (channels <= 0 || channels > kNamedSpeakers) return 0;
    return (1u << channels) - 1;
}

WAVEFORMATEX HostWaveFormat(SampleFormat format, uint32_t rate) noexcept {
    WAVEFORMATEX wfx;
    std::memset(&wfx, 0, sizeof wfx);
    wfx.wFormatTag = format == SampleFormat::F32 ? kTagIeeeFloat : kTagPcm;
    wfx.nChannels = kChannels;
    wfx.nSamplesPerSec = rate;
    wfx.wBitsPerSample = static_cast<WORD>(SampleBytes(format) * 8);
    wfx.nBlockAlign = static_cast<WORD>(SampleBytes(format) * kChannels);
    wfx.nAvgBytesPerSec = wfx.nBlockAlign * rate;
    wfx.cbSize = 0;
    return wfx;
}

double SampleValue(const uint8_t* p, SampleFormat format) noexcept {
    switch (format) {
    case SampleFormat::S16: {
        const int16_t v = static_cast<int16_t>(p[0] | (p[1] << 8));
        return v / 32768.0;
    }
    case SampleFormat::S24: {
        const int32_t v = static_cast<int32_t>((uint32_t{p[0]} << 8) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 24)) >> 8;
        return v / 8388608.0;
    }
    case SampleFormat::S32: {
        int32_t v;
        std::memcpy(&v, p, 4);
        return v / 2147483648.0;
    }
    case SampleFormat::F32: {
        float v;
        std::memcpy(&v, p, 4);
        return v;
    }
    }
    return 0.0;
}

bool ChooseAudioFileType(const std::string& utf8Path, SampleFormat format, AudioFileType* type, std::string* error) {
    const std::string ext = LowerExtension(utf8Path);
    if (ext == ".wav") {
        *type = AudioFileType::Wav;
        return true;
    }
    if (ext == ".flac") {
        if (format == SampleFormat::S32 || format == SampleFormat::F32) {
            *error = std::string("FLAC holds at most 24-bit integer samples, not ") + SampleFormatName(format) +
                     " (use --format s16 or s24, or a .wav file)";
            return false;
        }
        *type = AudioFileType::Flac;
        return true;
    }
    *error = "cannot tell the file type of " + utf8Path + " (use a .wav or .flac name)";
    return false;
}

}  // namespace qm::host

// Audio files through libsndfile: WAV and FLAC, integer samples scaled to the file's width.
#include <sndfile.h>

#include <cstring>
#include <vector>

#include "audio_file.h"

namespace qm::host {

namespace {

int SubFormat(SampleFormat format) noexcept {
    switch (format) {
    case SampleFormat::S16: return SF_FORMAT_PCM_16;
    case SampleFormat::S24: return SF_FORMAT_PCM_24;
    case SampleFormat::S32: return SF_FORMAT_PCM_32;
    case SampleFormat::F32: return SF_FORMAT_FLOAT;
    }
    return 0;
}

std::string WriteFailure(SNDFILE* file, const std::string& path) {
    return "cannot write " + path + ": " + sf_strerror(file);
}

}  // namespace

AudioFileWriter::~AudioFileWriter() {
    if (file_ != nullptr) sf_close(static_cast<SNDFILE*>(file_));
}

bool AudioFileWriter::Open(const std::string& utf8Path, SampleFormat format, uint32_t rate, std::string* error,
                           int channels) {
    AudioFileType type;
    if (!ChooseAudioFileType(utf8Path, format, &type, error)) return false;
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    info.samplerate = static_cast<int>(rate);
    info.channels = channels;
    // Readers take the speaker layout of more than two channels from the extensible header only.
    const int container = type == AudioFileType::Flac ? SF_FORMAT_FLAC : (channels > 2 ? SF_FORMAT_WAVEX : SF_FORMAT_WAV);
    info.format = container | SubFormat(format);
    if (!sf_format_check(&info)) {
        *error = "this libsndfile cannot write " + std::string(SampleFormatName(format)) + " to " + utf8Path;
        return false;
    }
    SNDFILE* file = sf_open(utf8Path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        *error = "cannot create " + utf8Path + ": " + sf_strerror(nullptr);
        return false;
    }
    if (channels > 2 && SpeakerMask(channels) != 0) {
        static const int kSpeakers[] = {
            SF_CHANNEL_MAP_LEFT, SF_CHANNEL_MAP_RIGHT, SF_CHANNEL_MAP_CENTER, SF_CHANNEL_MAP_LFE,
            SF_CHANNEL_MAP_REAR_LEFT, SF_CHANNEL_MAP_REAR_RIGHT, SF_CHANNEL_MAP_FRONT_LEFT_OF_CENTER,
            SF_CHANNEL_MAP_FRONT_RIGHT_OF_CENTER, SF_CHANNEL_MAP_REAR_CENTER, SF_CHANNEL_MAP_SIDE_LEFT,
            SF_CHANNEL_MAP_SIDE_RIGHT, SF_CHANNEL_MAP_TOP_CENTER, SF_CHANNEL_MAP_TOP_FRONT_LEFT,
            SF_CHANNEL_MAP_TOP_FRONT_CENTER, SF_CHANNEL_MAP_TOP_FRONT_RIGHT, SF_CHANNEL_MAP_TOP_REAR_LEFT,
            SF_CHANNEL_MAP_TOP_REAR_CENTER, SF_CHANNEL_MAP_TOP_REAR_RIGHT};
        std::vector<int> map(kSpeakers, kSpeakers + channels);
        sf_command(file, SFC_SET_CHANNEL_MAP_INFO, map.data(), static_cast<int>(map.size() * sizeof(int)));
    }
    file_ = file;
    format_ = format;
    path_ = utf8Path;
    channels_ = channels;
    return true;
}

bool AudioFileWriter::Write(const void* frames, size_t count, std::string* error) {
    SNDFILE* file = static_cast<SNDFILE*>(file_);
    if (file == nullptr) {
        *error = "no file open";
        return false;
    }
    const sf_count_t n = static_cast<sf_count_t>(count);
    sf_count_t written = 0;
    switch (format_) {
    case SampleFormat::S16:
        written = sf_writef_short(file, static_cast<const short*>(frames), n);
        break;
    case SampleFormat::S32:
        written = sf_writef_int(file, static_cast<const int*>(frames), n);
        break;
    case SampleFormat::F32:
        written = sf_writef_float(file, static_cast<const float*>(frames), n);
        break;
    case SampleFormat::S24: {
        // Packed 24-bit samples go in as the top 24 bits of an int, which libsndfile scales back.
        const auto* bytes = static_cast<const uint8_t*>(frames);
        std::vector<int> wide(count * static_cast<size_t>(channels_));
        for (size_t i = 0; i < wide.size(); ++i, bytes += 3)
            wide[i] = static_cast<int>((uint32_t{bytes[0]} << 8) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 24));
        written = sf_writef_int(file, wide.data(), n);
        break;
    }
    }
    if (written != n) {
        *error = WriteFailure(file, path_);
        return false;
    }
    return true;
}

bool AudioFileWriter::Close(std::string* error) {
    SNDFILE* file = static_cast<SNDFILE*>(file_);
    file_ = nullptr;
    if (file == nullptr) return true;
    if (sf_close(file) != 0) {
        *error = "cannot finish " + path_;
        return false;
    }
    return true;
}

}  // namespace qm::host

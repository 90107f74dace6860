// HostSampleWriter: the float-to-host conversions of the render path.
#include "hosting/host_sample_writer.h"

#include <cstring>

namespace qm {

bool HostSampleWriter::Prepare(const WAVEFORMATEX& hostFormat) noexcept {
    std::memcpy(&format_, &hostFormat, sizeof format_);
    const QMSAMPLETYPE type = QmAudio_GetSampleType(&format_);
    sampleBytes_ = static_cast<uint32_t>(audio::SampleTypeBytes(type));
    interleave_ = QmAudio_GetStereoInterleaveFunction(type, QMST_FLOAT32);
    scatter_ = QmAudio_GetCopyChannelsFunction2(type, QMST_FLOAT32);
    copy_ = QmAudio_GetCopyFunction2(type, type);
    // A host block that does not hold whole samples of every channel cannot be written safely.
    ready_ = type != QMST_NONE && format_.nChannels > 0 && sampleBytes_ > 0 &&
             format_.nBlockAlign == sampleBytes_ * format_.nChannels && copy_ != nullptr &&
             (format_.nChannels == 2 ? interleave_ != nullptr : scatter_ != nullptr);
    return ready_;
}

void HostSampleWriter::Write(void* dest, const float* left, const float* right, uint32_t frames) const noexcept {
    if (!ready_ || frames == 0) return;
    if (format_.nChannels == 2) {
        interleave_(dest, left, right, frames);
        return;
    }
    if (format_.nChannels > 2) Silence(dest, frames);
    scatter_(dest, format_.nChannels, left, 1, frames);
    if (format_.nChannels > 1) scatter_(static_cast<unsigned char*>(dest) + sampleBytes_, format_.nChannels, right, 1, frames);
}

void HostSampleWriter::CopyScaled(void* dest, const void* source, uint32_t frames, float gain) const noexcept {
    if (!ready_ || frames == 0) return;
    copy_(dest, source, frames * format_.nChannels, gain);
}

void HostSampleWriter::Silence(void* dest, uint32_t frames) const noexcept {
    if (dest == nullptr || frames == 0) return;
    QmAudio_FillSilence(&format_, dest, frames);
}

}  // namespace qm

// Writes the plug-in's 32-bit float runs into the host's buffer format: the left and right runs of
// the main output become the host's first two channels (a mono host takes the left run only, further
// host channels get silence). Chosen once per format, so the render path only calls converters.
#pragma once
#include <cstdint>

#include "framework/audio.h"
#include "qmvsti/com.h"

namespace qm {

class HostSampleWriter {
public:
    // Picks the converters for the host's format; false when the framework has none for it.
    bool Prepare(const WAVEFORMATEX& hostFormat) noexcept;
    bool Ready() const noexcept { return ready_; }
    uint32_t BlockAlign() const noexcept { return format_.nBlockAlign; }
    const WAVEFORMATEX& Format() const noexcept { return format_; }

    // frames frames of left (and right) into dest, interleaved in the host's format.
    void Write(void* dest, const float* left, const float* right, uint32_t frames) const noexcept;
    // A copy of frames frames already in the host's format, scaled by gain.
    void CopyScaled(void* dest, const void* source, uint32_t frames, float gain) const noexcept;
    void Silence(void* dest, uint32_t frames) const noexcept;

private:
    WAVEFORMATEX format_{};
    bool ready_ = false;
    uint32_t sampleBytes_ = 0;
    QMAUDIOINTERLEAVEPROC interleave_ = nullptr;
    QMAUDIOCOPYCHANNELSPROC scatter_ = nullptr;
    QMAUDIOCOPYPROC copy_ = nullptr;
};

}  // namespace qm

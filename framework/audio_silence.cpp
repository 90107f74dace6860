// Silence in the host's format: zero for signed and float samples, the midpoint for unsigned 8-bit.
#include <cstdint>
#include <cstring>

#include "framework/audio.h"

namespace {

constexpr int kNoSilence = -1;

// The fill byte of a plain format tag, kNoSilence for a tag the framework has no silence for.
int SilenceByteForTag(WORD tag, WORD bitsPerSample) noexcept {
    switch (tag) {
        case WAVE_FORMAT_PCM:
        case QM_WAVE_FORMAT_PCM_BIGENDIAN: return bitsPerSample == 8 ? 0x80 : 0;
        case WAVE_FORMAT_IEEE_FLOAT:
        case QM_WAVE_FORMAT_PCM24IN32:
        case QM_WAVE_FORMAT_PCM_SIGNED8: return 0;
        default: return kNoSilence;
    }
}

}  // namespace

extern "C" QM_EXPORT HRESULT QMAPI QmAudio_FillSilence(const WAVEFORMATEX* pwfx, void* pBuffer,
                                                       DWORD frames) noexcept {
    if (!pwfx) return E_POINTER;
    const size_t bytes = size_t(pwfx->nBlockAlign) * frames;
    if (bytes == 0) return S_OK;
    if (!pBuffer) return E_POINTER;
    WORD tag = pwfx->wFormatTag;
    if (tag == WAVE_FORMAT_EXTENSIBLE) {
        // Only the PCM and IEEE-float sub-formats have a known silence; writing nothing while
        // reporting success would leave the host playing whatever the buffer held.
        if (!qm::audio::SubFormatTag(pwfx, &tag) || (tag != WAVE_FORMAT_PCM && tag != WAVE_FORMAT_IEEE_FLOAT))
            return E_FAIL;
    }
    const int fill = SilenceByteForTag(tag, pwfx->wBitsPerSample);
    if (fill == kNoSilence) return E_FAIL;
    std::memset(pBuffer, fill, bytes);
    return S_OK;
}

extern "C" QM_EXPORT HRESULT QMAPI QmAudio_FillSilence2(QMSAMPLETYPE type, void* pBuffer, DWORD samples) noexcept {
    int fill;
    switch (type) {
        case QMST_PCM8: fill = 0x80; break;
        case QMST_PCM16:
        case QMST_PCM24:
        case QMST_PCM32:
        case QMST_FLOAT32:
        case QMST_FLOAT64:
        case QMST_PCM24IN32:
        case QMST_PCM8S:
        case QMST_PCM16BE:
        case QMST_PCM24BE:
        case QMST_PCM32BE: fill = 0; break;
        default: return E_FAIL;
    }
    const size_t bytes = size_t(qm::audio::SampleTypeBytes(type)) * samples;
    if (bytes == 0) return S_OK;
    if (!pBuffer) return E_POINTER;
    std::memset(pBuffer, fill, bytes);
    return S_OK;
}

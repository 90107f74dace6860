// Whole-buffer operations of the render path: format-to-format copy with gain, channel scatter and
// stereo interleave, each reduced to one looked-up converter.
#include <cstddef>
#include <cstdint>

#include "framework/audio.h"
#include "framework/audio_convert.h"

namespace {
constexpr size_t kMaxSlice = 0x40000000;
}  // namespace

extern "C" QM_EXPORT HRESULT QMAPI QmAudio_Copy(const WAVEFORMATEX* pwfxDst, void* pDst,
                                                const WAVEFORMATEX* pwfxSrc, const void* pSrc, DWORD frames,
                                                float gain) noexcept {
    if (!pwfxDst || !pwfxSrc) return E_POINTER;
    const QMAUDIOCOPYPROC proc =
        QmAudio_GetCopyFunction2(QmAudio_GetSampleType(pwfxDst), QmAudio_GetSampleType(pwfxSrc));
    if (!proc) return E_NOTIMPL;
    // One run of channels x frames samples only lines up when both sides have the same channels.
    if (pwfxDst->nChannels != pwfxSrc->nChannels) return E_INVALIDARG;
    size_t samples = size_t(pwfxSrc->nChannels) * frames;
    if (samples == 0) return S_OK;
    if (!pDst || !pSrc) return E_POINTER;
    // Channels x frames can pass what one converter call counts on 64-bit builds: go in slices.
    const size_t dstBytes = size_t(qm::audio::SampleTypeBytes(QmAudio_GetSampleType(pwfxDst)));
    const size_t srcBytes = size_t(qm::audio::SampleTypeBytes(QmAudio_GetSampleType(pwfxSrc)));
    auto* d = static_cast<uint8_t*>(pDst);
    const auto* s = static_cast<const uint8_t*>(pSrc);
    while (samples) {
        const DWORD n = DWORD(samples < kMaxSlice ? samples : kMaxSlice);
        proc(d, s, n, gain);
        d += n * dstBytes;
        s += n * srcBytes;
        samples -= n;
    }
    return S_OK;
}

extern "C" QM_EXPORT HRESULT QMAPI QmAudio_CopyChannels(const WAVEFORMATEX* pwfxDst, void* pDst,
                                                        const WAVEFORMATEX* pwfxSrc, const void* pSrc,
                                                        DWORD frames, const int* channelMap) noexcept {
    if (!channelMap) return QmAudio_Copy(pwfxDst, pDst, pwfxSrc, pSrc, frames, 1.0f);
    if (!pwfxDst || !pwfxSrc) return E_POINTER;
    const QMSAMPLETYPE dstType = QmAudio_GetSampleType(pwfxDst), srcType = QmAudio_GetSampleType(pwfxSrc);
    const QMAUDIOCOPYCHANNELSPROC proc = QmAudio_GetCopyChannelsFunction2(dstType, srcType);
    if (!proc) return E_NOTIMPL;
    if (frames == 0) return S_OK;
    if (!pDst || !pSrc) return E_POINTER;
    const UINT dstChannels = pwfxDst->nChannels, srcChannels = pwfxSrc->nChannels;
    const size_t dstBytes = size_t(qm::audio::SampleTypeBytes(dstType));
    const size_t srcBytes = size_t(qm::audio::SampleTypeBytes(srcType));
    for (UINT c = 0; c < srcChannels; ++c) {
        const int to = channelMap[c];
        if (to < 0 || UINT(to) >= dstChannels) continue;
        proc(static_cast<uint8_t*>(pDst) + size_t(to) * dstBytes, dstChannels,
             static_cast<const uint8_t*>(pSrc) + size_t(c) * srcBytes, srcChannels, frames);
    }
    return S_OK;
}

extern "C" QM_EXPORT HRESULT QMAPI QmAudio_InterleaveStereoEx(void* pDst, QMSAMPLETYPE dstType, const void* pLeft,
                                                              const void* pRight, QMSAMPLETYPE srcType,
                                                              DWORD frames) noexcept {
    const QMAUDIOINTERLEAVEPROC proc = QmAudio_GetStereoInterleaveFunction(dstType, srcType);
    if (!proc) return E_NOTIMPL;
    if (frames == 0) return S_OK;
    if (!pDst || !pLeft || !pRight) return E_POINTER;
    proc(pDst, pLeft, pRight, frames);
    return S_OK;
}

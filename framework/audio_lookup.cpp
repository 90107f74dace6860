// Converter look-up: the fastest variant of a pair that the processor runs (AVX2, then SSSE3, then
// SSE2), otherwise the scalar reference.
#include "framework/audio.h"
#include "framework/audio_convert.h"
#include "platform/cpu_features.h"

extern "C" QM_EXPORT QMAUDIOCOPYPROC QMAPI QmAudio_GetCopyFunction2(QMSAMPLETYPE dstType,
                                                                    QMSAMPLETYPE srcType) noexcept {
    if (qm::platform::CpuHasSse2())
        if (QMAUDIOCOPYPROC proc = qm::audio::Sse2CopyFunction(dstType, srcType)) return proc;
    return qm::audio::ReferenceCopyFunction(dstType, srcType);
}

extern "C" QM_EXPORT QMAUDIOCOPYCHANNELSPROC QMAPI QmAudio_GetCopyChannelsFunction2(QMSAMPLETYPE dstType,
                                                                                    QMSAMPLETYPE srcType) noexcept {
    if (qm::platform::CpuHasSse2())
        if (QMAUDIOCOPYCHANNELSPROC proc = qm::audio::Sse2CopyChannelsFunction(dstType, srcType)) return proc;
    return qm::audio::ReferenceCopyChannelsFunction(dstType, srcType);
}

extern "C" QM_EXPORT QMAUDIOINTERLEAVEPROC QMAPI QmAudio_GetStereoInterleaveFunction(QMSAMPLETYPE dstType,
                                                                                     QMSAMPLETYPE srcType) noexcept {
    using namespace qm::platform;
    if (CpuHasAvx2())
        if (QMAUDIOINTERLEAVEPROC proc = qm::audio::Avx2InterleaveFunction(dstType, srcType)) return proc;
    if (CpuHasSsse3())
        if (QMAUDIOINTERLEAVEPROC proc = qm::audio::Ssse3InterleaveFunction(dstType, srcType)) return proc;
    if (CpuHasSse2())
        if (QMAUDIOINTERLEAVEPROC proc = qm::audio::Sse2InterleaveFunction(dstType, srcType)) return proc;
    return qm::audio::ReferenceInterleaveFunction(dstType, srcType);
}

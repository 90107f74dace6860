// Converter look-up: the SSE2 variant of a pair where the processor has SSE2 and the pair has one,
// otherwise the scalar reference.
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
    if (qm::platform::CpuHasSse2())
        if (QMAUDIOINTERLEAVEPROC proc = qm::audio::Sse2InterleaveFunction(dstType, srcType)) return proc;
    return qm::audio::ReferenceInterleaveFunction(dstType, srcType);
}

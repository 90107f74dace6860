// The converter tables behind the QmAudio_* look-ups: which type pairs are supported, the scalar
// reference converters (the test oracle, and the fallback on processors without SSE2) and the SIMD
// variants (SSE2, SSSE3, AVX2), which give the same bytes for every input.
#pragma once
#include "framework/audio.h"

namespace qm::audio {

// Pairs the converters take (destination, source).
bool IsCopyPair(QMSAMPLETYPE dst, QMSAMPLETYPE src) noexcept;
bool IsChannelPair(QMSAMPLETYPE dst, QMSAMPLETYPE src) noexcept;  // channel converters and interleavers

// Scalar reference converters; null for pairs without a converter.
QMAUDIOCOPYPROC ReferenceCopyFunction(QMSAMPLETYPE dst, QMSAMPLETYPE src) noexcept;
QMAUDIOCOPYCHANNELSPROC ReferenceCopyChannelsFunction(QMSAMPLETYPE dst, QMSAMPLETYPE src) noexcept;
QMAUDIOINTERLEAVEPROC ReferenceInterleaveFunction(QMSAMPLETYPE dst, QMSAMPLETYPE src) noexcept;

// SSE2 variants; null where the pair has none (the reference is then the converter on every processor).
QMAUDIOCOPYPROC Sse2CopyFunction(QMSAMPLETYPE dst, QMSAMPLETYPE src) noexcept;
QMAUDIOCOPYCHANNELSPROC Sse2CopyChannelsFunction(QMSAMPLETYPE dst, QMSAMPLETYPE src) noexcept;
QMAUDIOINTERLEAVEPROC Sse2InterleaveFunction(QMSAMPLETYPE dst, QMSAMPLETYPE src) noexcept;

// Interleavers for later instruction sets, null where the pair has none; callers check the processor.
QMAUDIOINTERLEAVEPROC Ssse3InterleaveFunction(QMSAMPLETYPE dst, QMSAMPLETYPE src) noexcept;
QMAUDIOINTERLEAVEPROC Avx2InterleaveFunction(QMSAMPLETYPE dst, QMSAMPLETYPE src) noexcept;

// The converters of the render path by name (source to destination): the reference and its SSE2
// variant side by side, for tests and benchmarks.
void QMAPI Convert_f32_to_s16_reference(void* dst, const void* src, DWORD samples, float gain) noexcept;
void QMAPI Convert_f32_to_s24_reference(void* dst, const void* src, DWORD samples, float gain) noexcept;
void QMAPI Convert_f32_to_s32_reference(void* dst, const void* src, DWORD samples, float gain) noexcept;
void QMAPI Convert_f32_to_s24in32_reference(void* dst, const void* src, DWORD samples, float gain) noexcept;
void QMAPI Convert_f32_to_f32_reference(void* dst, const void* src, DWORD samples, float gain) noexcept;
void QMAPI Convert_s16_to_f32_reference(void* dst, const void* src, DWORD samples, float gain) noexcept;
void QMAPI Convert_s24_to_f32_reference(void* dst, const void* src, DWORD samples, float gain) noexcept;
void QMAPI Convert_s32_to_f32_reference(void* dst, const void* src, DWORD samples, float gain) noexcept;
void QMAPI Convert_s24in32_to_f32_reference(void* dst, const void* src, DWORD samples, float gain) noexcept;

void QMAPI Convert_f32_to_s16_sse2(void* dst, const void* src, DWORD samples, float gain) noexcept;
void QMAPI Convert_f32_to_s24_sse2(void* dst, const void* src, DWORD samples, float gain) noexcept;
void QMAPI Convert_f32_to_s32_sse2(void* dst, const void* src, DWORD samples, float gain) noexcept;
void QMAPI Convert_f32_to_s24in32_sse2(void* dst, const void* src, DWORD samples, float gain) noexcept;
void QMAPI Convert_f32_to_f32_sse2(void* dst, const void* src, DWORD samples, float gain) noexcept;
void QMAPI Convert_s16_to_f32_sse2(void* dst, const void* src, DWORD samples, float gain) noexcept;
void QMAPI Convert_s24_to_f32_sse2(void* dst, const void* src, DWORD samples, float gain) noexcept;
void QMAPI Convert_s32_to_f32_sse2(void* dst, const void* src, DWORD samples, float gain) noexcept;
void QMAPI Convert_s24in32_to_f32_sse2(void* dst, const void* src, DWORD samples, float gain) noexcept;

void QMAPI Interleave_f32_to_s16_reference(void* dst, const void* left, const void* right, DWORD frames) noexcept;
void QMAPI Interleave_f32_to_s24_reference(void* dst, const void* left, const void* right, DWORD frames) noexcept;
void QMAPI Interleave_f32_to_s32_reference(void* dst, const void* left, const void* right, DWORD frames) noexcept;
void QMAPI Interleave_f32_to_s24in32_reference(void* dst, const void* left, const void* right,
                                               DWORD frames) noexcept;
void QMAPI Interleave_f32_to_f32_reference(void* dst, const void* left, const void* right, DWORD frames) noexcept;

void QMAPI Interleave_f32_to_s16_sse2(void* dst, const void* left, const void* right, DWORD frames) noexcept;
void QMAPI Interleave_f32_to_s24_sse2(void* dst, const void* left, const void* right, DWORD frames) noexcept;
void QMAPI Interleave_f32_to_s32_sse2(void* dst, const void* left, const void* right, DWORD frames) noexcept;
void QMAPI Interleave_f32_to_s24in32_sse2(void* dst, const void* left, const void* right, DWORD frames) noexcept;

void QMAPI Interleave_f32_to_s24_ssse3(void* dst, const void* left, const void* right, DWORD frames) noexcept;

void QMAPI Interleave_f32_to_s16_avx2(void* dst, const void* left, const void* right, DWORD frames) noexcept;
void QMAPI Interleave_f32_to_s24_avx2(void* dst, const void* left, const void* right, DWORD frames) noexcept;
void QMAPI Interleave_f32_to_s32_avx2(void* dst, const void* left, const void* right, DWORD frames) noexcept;
void QMAPI Interleave_f32_to_s24in32_avx2(void* dst, const void* left, const void* right, DWORD frames) noexcept;

}  // namespace qm::audio

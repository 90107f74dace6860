// AVX2 interleavers of the render path: a stereo plug-in's two float outputs into the host's integer
// formats, eight frames per loop turn. They give exactly the bytes of the reference: the same clamps in
// the same single precision and cvtps2dq's round-to-nearest-even, which the reference's rounding copies.
//
// Only this file's own functions are compiled for AVX2, and it instantiates no inline function or
// template of the shared headers: the linker keeps one copy of such a function from any object file,
// and an AVX2-compiled copy would then run on processors without AVX2.
#include <immintrin.h>

#include <cstdint>
#include <cstring>

#include "framework/audio_convert.h"

#pragma GCC push_options
#pragma GCC target("avx2")

namespace qm::audio {

namespace {

// Helpers are forced inline: a non-inlined helper taking ymm values would spill them to a stack that
// 64-bit mingw cannot align to 32 bytes.
#define QM_AVX2_INLINE inline __attribute__((always_inline))

// Same clamp sequences as the SSE2 converters (see audio_sse2.cpp for why each covers NaN and over-range).
QM_AVX2_INLINE __m256i FloatToInt16Unpacked(__m256 v) noexcept {
    __m256 t = _mm256_mul_ps(v, _mm256_set1_ps(32768.0f));
    t = _mm256_and_ps(t, _mm256_cmp_ps(t, t, _CMP_ORD_Q));
    return _mm256_cvtps_epi32(_mm256_min_ps(t, _mm256_set1_ps(32767.0f)));
}

QM_AVX2_INLINE __m256i FloatToInt24(__m256 v) noexcept {
    const __m256 t = _mm256_mul_ps(v, _mm256_set1_ps(8388608.0f));
    return _mm256_cvtps_epi32(
        _mm256_min_ps(_mm256_set1_ps(8388607.0f), _mm256_max_ps(_mm256_set1_ps(-8388608.0f), t)));
}

QM_AVX2_INLINE __m256i FloatToInt32(__m256 v) noexcept {
    const __m256 kScale = _mm256_set1_ps(2147483648.0f);
    __m256 t = _mm256_mul_ps(v, kScale);
    t = _mm256_and_ps(t, _mm256_cmp_ps(t, t, _CMP_ORD_Q));
    const __m256i positiveOverflow = _mm256_castps_si256(_mm256_cmp_ps(t, kScale, _CMP_GE_OQ));
    return _mm256_xor_si256(_mm256_cvtps_epi32(t), positiveOverflow);
}

QM_AVX2_INLINE __m256 LoadF(const uint8_t* p) noexcept { return _mm256_loadu_ps(reinterpret_cast<const float*>(p)); }
QM_AVX2_INLINE void Store16(uint8_t* p, __m128i v) noexcept { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
QM_AVX2_INLINE void Store32(uint8_t* p, __m256i v) noexcept {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// Each writer takes eight converted left and eight right samples and stores frames 0..7 interleaved.
// `room` says that bytes past the group belong to the next group and may be scribbled on, as that
// group's own store rewrites them.

// packs saturates to 16 bits, so values below -32768 and the cvtps2dq overflow answer for them land on
// -32768 as the reference clamps. Per 128-bit lane the pack gives four left then four right samples
// (frames 0-3 in the low lane, 4-7 in the high one); one in-lane byte shuffle interleaves them.
struct ToS16 {
    static constexpr size_t kBytes = 2;
    static QM_AVX2_INLINE __m256i Convert(__m256 v) noexcept { return FloatToInt16Unpacked(v); }
    static QM_AVX2_INLINE void Store8(uint8_t* p, __m256i l, __m256i r, bool) noexcept {
        const __m256i order = _mm256_setr_epi8(0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15,  //
                                               0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15);
        Store32(p, _mm256_shuffle_epi8(_mm256_packs_epi32(l, r), order));
    }
};

// 32-bit containers: the dword unpacks give frames 0,1 | 4,5 and 2,3 | 6,7; the lane swaps put them in
// order.
struct ToS32 {
    static constexpr size_t kBytes = 4;
    static QM_AVX2_INLINE __m256i Convert(__m256 v) noexcept { return FloatToInt32(v); }
    static QM_AVX2_INLINE void Store8(uint8_t* p, __m256i l, __m256i r, bool) noexcept {
        const __m256i lo = _mm256_unpacklo_epi32(l, r), hi = _mm256_unpackhi_epi32(l, r);
        Store32(p, _mm256_permute2x128_si256(lo, hi, 0x20));
        Store32(p + 32, _mm256_permute2x128_si256(lo, hi, 0x31));
    }
};
struct ToS24In32 : ToS32 {
    static QM_AVX2_INLINE __m256i Convert(__m256 v) noexcept { return _mm256_slli_epi32(FloatToInt24(v), 8); }
};

// Packed 24 bits: after the dword unpacks each 128-bit lane holds two frames in order; a byte shuffle
// drops every fourth byte so the lane's 12 bytes lie at its bottom, and each lane goes out with a
// 16-byte store whose last four bytes the next store overwrites. The final lane of the block is written
// exactly when there is no room.
struct ToS24 {
    static constexpr size_t kBytes = 3;
    static QM_AVX2_INLINE __m256i Convert(__m256 v) noexcept { return FloatToInt24(v); }
    static QM_AVX2_INLINE void Store8(uint8_t* p, __m256i l, __m256i r, bool room) noexcept {
        const __m256i pack = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,  //
                                              0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
        const __m256i lo = _mm256_shuffle_epi8(_mm256_unpacklo_epi32(l, r), pack);  // frames 0,1 | 4,5
        const __m256i hi = _mm256_shuffle_epi8(_mm256_unpackhi_epi32(l, r), pack);  // frames 2,3 | 6,7
        Store16(p, _mm256_castsi256_si128(lo));
        Store16(p + 12, _mm256_castsi256_si128(hi));
        Store16(p + 24, _mm256_extracti128_si256(lo, 1));
        const __m128i last = _mm256_extracti128_si256(hi, 1);
        if (room) {
            Store16(p + 36, last);
        } else {
            _mm_storel_epi64(reinterpret_cast<__m128i*>(p + 36), last);
            const int32_t end = _mm_extract_epi32(last, 2);
            std::memcpy(p + 44, &end, 4);
        }
    }
};

// Blocks of eight frames; a shorter remainder is converted again as the last eight frames of the run
// (the same samples give the same bytes). Runs shorter than eight frames go to the SSE2 variant.
template <typename To>
QM_AVX2_INLINE void InterleaveFromFloat(uint8_t* d, const uint8_t* l, const uint8_t* r, size_t frames) noexcept {
    constexpr size_t kFrameBytes = 2 * To::kBytes;
    size_t i = 0;
    for (; i + 8 <= frames; i += 8)
        To::Store8(d + i * kFrameBytes, To::Convert(LoadF(l + 4 * i)), To::Convert(LoadF(r + 4 * i)), i + 8 < frames);
    if (i < frames) {
        i = frames - 8;
        To::Store8(d + i * kFrameBytes, To::Convert(LoadF(l + 4 * i)), To::Convert(LoadF(r + 4 * i)), false);
    }
}

}  // namespace

#define QM_AVX2_INTERLEAVE(name, To, shortRun)                                                               \
    void QMAPI name(void* dst, const void* left, const void* right, DWORD frames) noexcept {                 \
        if (frames < 8) return shortRun(dst, left, right, frames);                                            \
        InterleaveFromFloat<To>(static_cast<uint8_t*>(dst), static_cast<const uint8_t*>(left),                \
                                static_cast<const uint8_t*>(right), frames);                                  \
    }
QM_AVX2_INTERLEAVE(Interleave_f32_to_s16_avx2, ToS16, Interleave_f32_to_s16_sse2)
QM_AVX2_INTERLEAVE(Interleave_f32_to_s24_avx2, ToS24, Interleave_f32_to_s24_sse2)
QM_AVX2_INTERLEAVE(Interleave_f32_to_s32_avx2, ToS32, Interleave_f32_to_s32_sse2)
QM_AVX2_INTERLEAVE(Interleave_f32_to_s24in32_avx2, ToS24In32, Interleave_f32_to_s24in32_sse2)
#undef QM_AVX2_INTERLEAVE

}  // namespace qm::audio

#pragma GCC pop_options

namespace qm::audio {

QMAUDIOINTERLEAVEPROC Avx2InterleaveFunction(QMSAMPLETYPE dst, QMSAMPLETYPE src) noexcept {
    if (src != QMST_FLOAT32) return nullptr;
    switch (dst) {
        case QMST_PCM16: return Interleave_f32_to_s16_avx2;
        case QMST_PCM24: return Interleave_f32_to_s24_avx2;
        case QMST_PCM32: return Interleave_f32_to_s32_avx2;
        case QMST_PCM24IN32: return Interleave_f32_to_s24in32_avx2;
        default: return nullptr;
    }
}

}  // namespace qm::audio

// SSSE3 interleaver of plug-in float into packed 24-bit integers, the format SSE2 packs worst: pshufb
// squeezes two interleaved frames (four 32-bit lanes) into 12 bytes in one step. Same bytes as the
// reference: the clamp sequence of the SSE2 converter, four frames per loop turn.
//
// Only this file's own functions are compiled for SSSE3, and it instantiates no inline function or
// template of the shared headers: the linker keeps one copy of such a function from any object file,
// and an SSSE3-compiled copy would then run on processors without SSSE3.
#include <tmmintrin.h>

#include <cstdint>
#include <cstring>

#include "framework/audio_convert.h"

#pragma GCC push_options
#pragma GCC target("ssse3")

namespace qm::audio {

namespace {

// NaN passes max and min (they answer their second operand) and leaves cvtps2dq as 0x80000000, whose
// low 24 bits are the 0 the reference stores for it.
inline __m128i FloatToInt24(const uint8_t* p) noexcept {
    const __m128 t = _mm_mul_ps(_mm_loadu_ps(reinterpret_cast<const float*>(p)), _mm_set1_ps(8388608.0f));
    return _mm_cvtps_epi32(_mm_min_ps(_mm_set1_ps(8388607.0f), _mm_max_ps(_mm_set1_ps(-8388608.0f), t)));
}

inline void Store16(uint8_t* p, __m128i v) noexcept { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// Frames 0..3 from four left and four right samples: 24 bytes. Each 12-byte half goes out with a
// 16-byte store whose spare four bytes the next store overwrites; the second half is written exactly
// when nothing follows it.
inline void Interleave4(uint8_t* d, const uint8_t* l, const uint8_t* r, bool room) noexcept {
    const __m128i pack = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m128i cl = FloatToInt24(l), cr = FloatToInt24(r);
    Store16(d, _mm_shuffle_epi8(_mm_unpacklo_epi32(cl, cr), pack));
    const __m128i hi = _mm_shuffle_epi8(_mm_unpackhi_epi32(cl, cr), pack);
    if (room) {
        Store16(d + 12, hi);
    } else {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(d + 12), hi);
        const int32_t end = _mm_cvtsi128_si32(_mm_srli_si128(hi, 8));
        std::memcpy(d + 20, &end, 4);
    }
}

}  // namespace

// A remainder of one to three frames is converted again as the last four frames of the run (the same
// samples give the same bytes); runs shorter than four frames go to the SSE2 variant.
void QMAPI Interleave_f32_to_s24_ssse3(void* dst, const void* left, const void* right, DWORD frames) noexcept {
    if (frames < 4) return Interleave_f32_to_s24_sse2(dst, left, right, frames);
    auto* d = static_cast<uint8_t*>(dst);
    const auto* l = static_cast<const uint8_t*>(left);
    const auto* r = static_cast<const uint8_t*>(right);
    size_t i = 0;
    for (; i + 4 <= frames; i += 4) Interleave4(d + 6 * i, l + 4 * i, r + 4 * i, i + 4 < frames);
    if (i < frames) {
        i = frames - 4;
        Interleave4(d + 6 * i, l + 4 * i, r + 4 * i, false);
    }
}

}  // namespace qm::audio

#pragma GCC pop_options

namespace qm::audio {

QMAUDIOINTERLEAVEPROC Ssse3InterleaveFunction(QMSAMPLETYPE dst, QMSAMPLETYPE src) noexcept {
    return dst == QMST_PCM24 && src == QMST_FLOAT32 ? Interleave_f32_to_s24_ssse3 : nullptr;
}

}  // namespace qm::audio

// SSE2 converters of the render path: plug-in float to the host's integer formats (copy and stereo
// interleave) and back. Each gives exactly the bytes of its reference: the same operations in the same
// precision, four samples at a time, and the reference's own one-sample law for the tail.
#include <emmintrin.h>

#include <cstring>

#include "framework/audio_convert.h"
#include "framework/audio_sample.h"

// No fpmath pragma here (see audio_sample.h): the intrinsics must inline, and they are SSE already.

namespace qm::audio {

namespace {

// --- float -> integer, four samples -------------------------------------------------------------

// 16-bit integers from normalised values: scale, NaN to 0, clamp the top, round. cvtps2dq answers
// 0x80000000 for NaN and for everything beyond the int32 range; the low side of that and every other
// value below -32768 saturate correctly in the 16-bit pack that follows, so only NaN and the top need
// settling here.
inline __m128i FloatToInt16Unpacked(__m128 v) noexcept {
    __m128 t = _mm_mul_ps(v, _mm_set1_ps(32768.0f));
    t = _mm_and_ps(t, _mm_cmpord_ps(t, t));
    return _mm_cvtps_epi32(_mm_min_ps(t, _mm_set1_ps(32767.0f)));
}

// 24-bit integers from normalised values. max and min return their second operand when one is NaN, so
// NaN passes the clamp and becomes 0x80000000, whose low 24 bits are the required 0; every consumer
// stores only those bits (packed, or shifted into the upper bytes of a 24-in-32 container).
inline __m128i FloatToInt24(__m128 v) noexcept {
    const __m128 t = _mm_mul_ps(v, _mm_set1_ps(8388608.0f));
    return _mm_cvtps_epi32(_mm_min_ps(_mm_set1_ps(8388607.0f), _mm_max_ps(_mm_set1_ps(-8388608.0f), t)));
}

// 32-bit integers from floats without gain. The double-precision law gives the same: v * 2^31 is exact
// in single precision for every float. cvtps2dq answers 0x80000000 for everything at or beyond 2^31,
// which is right for the negative side and flipped into 0x7FFFFFFF for the positive one.
inline __m128i FloatToInt32(__m128 v) noexcept {
    const __m128 kScale = _mm_set1_ps(2147483648.0f);
    __m128 t = _mm_mul_ps(v, kScale);
    t = _mm_and_ps(t, _mm_cmpord_ps(t, t));
    const __m128i positiveOverflow = _mm_castps_si128(_mm_cmpge_ps(t, kScale));
    return _mm_xor_si128(_mm_cvtps_epi32(t), positiveOverflow);
}

// 32-bit integers from floats with gain, in double precision like the law (x * gain is exact there).
inline __m128i DoubleToInt32(__m128d v) noexcept {
    __m128d t = _mm_mul_pd(v, _mm_set1_pd(2147483648.0));
    t = _mm_and_pd(t, _mm_cmpord_pd(t, t));
    t = _mm_max_pd(t, _mm_set1_pd(-2147483648.0));
    t = _mm_min_pd(t, _mm_set1_pd(2147483647.0));
    return _mm_cvtpd_epi32(t);
}
inline __m128i FloatToInt32Gain(__m128 x, __m128d gain) noexcept {
    const __m128i lo = DoubleToInt32(_mm_mul_pd(_mm_cvtps_pd(x), gain));
    const __m128i hi = DoubleToInt32(_mm_mul_pd(_mm_cvtps_pd(_mm_movehl_ps(x, x)), gain));
    return _mm_unpacklo_epi64(lo, hi);
}

// Stores the low 24 bits of four integers as 12 packed bytes. Within each 64-bit lane the odd sample
// moves down next to the even one (six bytes); each lane then goes out with an 8-byte store, the
// second overwriting the two spare bytes of the first. The second store's spare bytes fall on the next
// group when there is one (room), else its six bytes are written exactly.
inline void Store24x4(uint8_t* p, __m128i v, bool room) noexcept {
    const __m128i evenMask = _mm_set_epi32(0, 0x00FFFFFF, 0, 0x00FFFFFF);
    const __m128i lanes = _mm_or_si128(_mm_and_si128(v, evenMask), _mm_andnot_si128(evenMask, _mm_srli_epi64(v, 8)));
    const __m128i high = _mm_unpackhi_epi64(lanes, lanes);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), lanes);
    if (room) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p + 6), high);
    } else {
        const int32_t first = _mm_cvtsi128_si32(high);
        const uint16_t last = uint16_t(_mm_extract_epi16(high, 2));
        std::memcpy(p + 6, &first, 4);
        std::memcpy(p + 10, &last, 2);
    }
}

inline __m128 LoadF(const uint8_t* p) noexcept { return _mm_loadu_ps(reinterpret_cast<const float*>(p)); }
inline __m128i LoadI(const uint8_t* p) noexcept { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void StoreI(uint8_t* p, __m128i v) noexcept { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// Destination writers for four converted integers (in sample order).
struct ToS16 {
    static constexpr QMSAMPLETYPE kType = QMST_PCM16;
    static constexpr size_t kBytes = 2;
    static __m128i Convert(__m128 v) noexcept { return FloatToInt16Unpacked(v); }
    static void Store4(uint8_t* p, __m128i v, bool) noexcept { _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_packs_epi32(v, v)); }
    static void Store8(uint8_t* p, __m128i a, __m128i b, bool) noexcept { StoreI(p, _mm_packs_epi32(a, b)); }
};
struct ToS24 {
    static constexpr QMSAMPLETYPE kType = QMST_PCM24;
    static constexpr size_t kBytes = 3;
    static __m128i Convert(__m128 v) noexcept { return FloatToInt24(v); }
    static void Store4(uint8_t* p, __m128i v, bool room) noexcept { Store24x4(p, v, room); }
    static void Store8(uint8_t* p, __m128i a, __m128i b, bool room) noexcept {
        Store24x4(p, a, true);
        Store24x4(p + 12, b, room);
    }
};
struct ToS24In32 {
    static constexpr QMSAMPLETYPE kType = QMST_PCM24IN32;
    static constexpr size_t kBytes = 4;
    static __m128i Convert(__m128 v) noexcept { return _mm_slli_epi32(FloatToInt24(v), 8); }
    static void Store4(uint8_t* p, __m128i v, bool) noexcept { StoreI(p, v); }
    static void Store8(uint8_t* p, __m128i a, __m128i b, bool) noexcept {
        StoreI(p, a);
        StoreI(p + 16, b);
    }
};
struct ToS32 : ToS24In32 {
    static constexpr QMSAMPLETYPE kType = QMST_PCM32;
    static __m128i Convert(__m128 v) noexcept { return FloatToInt32(v); }
};

// --- copies ------------------------------------------------------------------------------------

template <typename To>
void CopyFromFloat(uint8_t* d, const uint8_t* s, size_t n, float gain) noexcept {
    using W = Work<To::kType, QMST_FLOAT32>;
    size_t i = 0;
    if (gain == 1.0f) {
        for (; i + 4 <= n; i += 4, d += 4 * To::kBytes, s += 16)
            To::Store4(d, To::Convert(LoadF(s)), i + 4 < n);
        for (; i < n; ++i, d += To::kBytes, s += 4) ConvertOne<To::kType, QMST_FLOAT32, false>(d, s, 1);
        return;
    }
    if constexpr (To::kType == QMST_PCM32) {
        const __m128d g = _mm_set1_pd(double(gain));
        for (; i + 4 <= n; i += 4, d += 16, s += 16) StoreI(d, FloatToInt32Gain(LoadF(s), g));
    } else {
        const __m128 g = _mm_set1_ps(gain);
        for (; i + 4 <= n; i += 4, d += 4 * To::kBytes, s += 16)
            To::Store4(d, To::Convert(_mm_mul_ps(LoadF(s), g)), i + 4 < n);
    }
    for (; i < n; ++i, d += To::kBytes, s += 4) ConvertOne<To::kType, QMST_FLOAT32, true>(d, s, W(gain));
}

// Readers of four integer samples as normalised floats.
struct FromS16 {
    static constexpr QMSAMPLETYPE kType = QMST_PCM16;
    static constexpr size_t kBytes = 2;
    static __m128i Load4(const uint8_t* p) noexcept {
        const __m128i x = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
        return _mm_srai_epi32(_mm_unpacklo_epi16(x, x), 16);
    }
    static constexpr float kScale = 1.0f / 32768.0f;
};
struct FromS24 {
    static constexpr QMSAMPLETYPE kType = QMST_PCM24;
    static constexpr size_t kBytes = 3;
    // Reads exactly 12 bytes and spreads the four 3-byte samples into the upper bytes of 32-bit lanes.
    static __m128i Load4(const uint8_t* p) noexcept {
        int32_t last;
        std::memcpy(&last, p + 8, 4);
        const __m128i x =
            _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), _mm_cvtsi32_si128(last));
        const __m128i ab = _mm_unpacklo_epi32(x, _mm_srli_si128(x, 3));
        const __m128i cd = _mm_unpacklo_epi32(_mm_srli_si128(x, 6), _mm_srli_si128(x, 9));
        return _mm_srai_epi32(_mm_slli_epi32(_mm_unpacklo_epi64(ab, cd), 8), 8);
    }
    static constexpr float kScale = 1.0f / 8388608.0f;
};
struct FromS24In32 {
    static constexpr QMSAMPLETYPE kType = QMST_PCM24IN32;
    static constexpr size_t kBytes = 4;
    static __m128i Load4(const uint8_t* p) noexcept { return _mm_srai_epi32(LoadI(p), 8); }
    static constexpr float kScale = 1.0f / 8388608.0f;
};

template <typename From>
void CopyToFloat(uint8_t* d, const uint8_t* s, size_t n, float gain) noexcept {
    const __m128 scale = _mm_set1_ps(From::kScale);
    size_t i = 0;
    if (gain == 1.0f) {
        for (; i + 4 <= n; i += 4, d += 16, s += 4 * From::kBytes)
            _mm_storeu_ps(reinterpret_cast<float*>(d), _mm_mul_ps(_mm_cvtepi32_ps(From::Load4(s)), scale));
        for (; i < n; ++i, d += 4, s += From::kBytes) ConvertOne<QMST_FLOAT32, From::kType, false>(d, s, 1);
        return;
    }
    const __m128 g = _mm_set1_ps(gain);
    for (; i + 4 <= n; i += 4, d += 16, s += 4 * From::kBytes) {
        const __m128 v = _mm_mul_ps(_mm_cvtepi32_ps(From::Load4(s)), scale);
        _mm_storeu_ps(reinterpret_cast<float*>(d), _mm_mul_ps(v, g));
    }
    for (; i < n; ++i, d += 4, s += From::kBytes) ConvertOne<QMST_FLOAT32, From::kType, true>(d, s, gain);
}

// 32-bit integers work in double precision by the law. Without gain, cvtdq2ps rounds s exactly as the
// law rounds s / 2^31 (the scale is a power of two).
void CopyS32ToFloat(uint8_t* d, const uint8_t* s, size_t n, float gain) noexcept {
    size_t i = 0;
    if (gain == 1.0f) {
        const __m128 scale = _mm_set1_ps(1.0f / 2147483648.0f);
        for (; i + 4 <= n; i += 4, d += 16, s += 16)
            _mm_storeu_ps(reinterpret_cast<float*>(d), _mm_mul_ps(_mm_cvtepi32_ps(LoadI(s)), scale));
        for (; i < n; ++i, d += 4, s += 4) ConvertOne<QMST_FLOAT32, QMST_PCM32, false>(d, s, 1);
        return;
    }
    const __m128d scale = _mm_set1_pd(1.0 / 2147483648.0), g = _mm_set1_pd(double(gain));
    for (; i + 4 <= n; i += 4, d += 16, s += 16) {
        const __m128i x = LoadI(s);
        const __m128d lo = _mm_mul_pd(_mm_mul_pd(_mm_cvtepi32_pd(x), scale), g);
        const __m128d hi = _mm_mul_pd(_mm_mul_pd(_mm_cvtepi32_pd(_mm_srli_si128(x, 8)), scale), g);
        _mm_storeu_ps(reinterpret_cast<float*>(d), _mm_movelh_ps(_mm_cvtpd_ps(lo), _mm_cvtpd_ps(hi)));
    }
    for (; i < n; ++i, d += 4, s += 4) ConvertOne<QMST_FLOAT32, QMST_PCM32, true>(d, s, double(gain));
}

void CopyFloatToFloat(uint8_t* d, const uint8_t* s, size_t n, float gain) noexcept {
    if (gain == 1.0f) {
        if (n && d != s) std::memmove(d, s, n * 4);
        return;
    }
    const __m128 g = _mm_set1_ps(gain);
    size_t i = 0;
    for (; i + 4 <= n; i += 4, d += 16, s += 16) _mm_storeu_ps(reinterpret_cast<float*>(d), _mm_mul_ps(LoadF(s), g));
    for (; i < n; ++i, d += 4, s += 4) ConvertOne<QMST_FLOAT32, QMST_FLOAT32, true>(d, s, gain);
}

// --- stereo interleave from float ------------------------------------------------------------

template <typename To>
void InterleaveFromFloat(uint8_t* d, const uint8_t* l, const uint8_t* r, size_t frames) noexcept {
    size_t i = 0;
    for (; i + 4 <= frames; i += 4, d += 8 * To::kBytes, l += 16, r += 16) {
        const __m128i cl = To::Convert(LoadF(l)), cr = To::Convert(LoadF(r));
        To::Store8(d, _mm_unpacklo_epi32(cl, cr), _mm_unpackhi_epi32(cl, cr), i + 4 < frames);
    }
    InterleaveRun<To::kType, QMST_FLOAT32>(d, l, r, frames - i);
}

}  // namespace

#define QM_SSE2_COPY(name, body)                                                                             \
    void QMAPI name(void* dst, const void* src, DWORD samples, float gain) noexcept {                         \
        body(static_cast<uint8_t*>(dst), static_cast<const uint8_t*>(src), samples, gain);                   \
    }
QM_SSE2_COPY(Convert_f32_to_s16_sse2, CopyFromFloat<ToS16>)
QM_SSE2_COPY(Convert_f32_to_s24_sse2, CopyFromFloat<ToS24>)
QM_SSE2_COPY(Convert_f32_to_s32_sse2, CopyFromFloat<ToS32>)
QM_SSE2_COPY(Convert_f32_to_s24in32_sse2, CopyFromFloat<ToS24In32>)
QM_SSE2_COPY(Convert_f32_to_f32_sse2, CopyFloatToFloat)
QM_SSE2_COPY(Convert_s16_to_f32_sse2, CopyToFloat<FromS16>)
QM_SSE2_COPY(Convert_s24_to_f32_sse2, CopyToFloat<FromS24>)
QM_SSE2_COPY(Convert_s32_to_f32_sse2, CopyS32ToFloat)
QM_SSE2_COPY(Convert_s24in32_to_f32_sse2, CopyToFloat<FromS24In32>)
#undef QM_SSE2_COPY

#define QM_SSE2_INTERLEAVE(name, To)                                                                         \
    void QMAPI name(void* dst, const void* left, const void* right, DWORD frames) noexcept {                 \
        InterleaveFromFloat<To>(static_cast<uint8_t*>(dst), static_cast<const uint8_t*>(left),                \
                                static_cast<const uint8_t*>(right), frames);                                  \
    }
QM_SSE2_INTERLEAVE(Interleave_f32_to_s16_sse2, ToS16)
QM_SSE2_INTERLEAVE(Interleave_f32_to_s24_sse2, ToS24)
QM_SSE2_INTERLEAVE(Interleave_f32_to_s32_sse2, ToS32)
QM_SSE2_INTERLEAVE(Interleave_f32_to_s24in32_sse2, ToS24In32)
#undef QM_SSE2_INTERLEAVE

QMAUDIOCOPYPROC Sse2CopyFunction(QMSAMPLETYPE dst, QMSAMPLETYPE src) noexcept {
    if (src == QMST_FLOAT32) {
        switch (dst) {
            case QMST_PCM16: return Convert_f32_to_s16_sse2;
            case QMST_PCM24: return Convert_f32_to_s24_sse2;
            case QMST_PCM32: return Convert_f32_to_s32_sse2;
            case QMST_PCM24IN32: return Convert_f32_to_s24in32_sse2;
            case QMST_FLOAT32: return Convert_f32_to_f32_sse2;
            default: return nullptr;
        }
    }
    if (dst != QMST_FLOAT32) return nullptr;
    switch (src) {
        case QMST_PCM16: return Convert_s16_to_f32_sse2;
        case QMST_PCM24: return Convert_s24_to_f32_sse2;
        case QMST_PCM32: return Convert_s32_to_f32_sse2;
        case QMST_PCM24IN32: return Convert_s24in32_to_f32_sse2;
        default: return nullptr;
    }
}

QMAUDIOINTERLEAVEPROC Sse2InterleaveFunction(QMSAMPLETYPE dst, QMSAMPLETYPE src) noexcept {
    if (src != QMST_FLOAT32) return nullptr;
    switch (dst) {
        case QMST_PCM16: return Interleave_f32_to_s16_sse2;
        case QMST_PCM24: return Interleave_f32_to_s24_sse2;
        case QMST_PCM32: return Interleave_f32_to_s32_sse2;
        case QMST_PCM24IN32: return Interleave_f32_to_s24in32_sse2;
        // Float to float is a plain interleave, which the compiler vectorises as well from the reference.
        default: return nullptr;
    }
}

// Channels are strided on both sides; the scalar converters are as fast as gathers would be.
QMAUDIOCOPYCHANNELSPROC Sse2CopyChannelsFunction(QMSAMPLETYPE, QMSAMPLETYPE) noexcept { return nullptr; }

}  // namespace qm::audio

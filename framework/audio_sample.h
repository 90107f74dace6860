// Sample access per type and the conversion law for one sample. The scalar reference converters are
// built from these, and the SIMD variants use them for their tails, so both follow one definition.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "framework/audio.h"

// The law rounds every step to single or double precision. i686 GCC computes in x87 extended
// precision by default, keeping intermediate products unrounded, and the scalar converters would then
// differ from the SSE2 ones in the last bit. Every function that does sample arithmetic is compiled
// for SSE scalar math instead; functions defined under different settings cannot be inlined into one
// another, so the reference converters repeat this pragma after their includes (the SSE2 source does
// not: its intrinsics would no longer inline, and it calls into this header only for tails).
#pragma GCC push_options
#pragma GCC target("fpmath=sse")

namespace qm::audio {

enum class Kind { Int, Float };

inline int32_t LoadLE16(const uint8_t* p) noexcept { return int16_t(uint16_t(p[0] | p[1] << 8)); }
inline int32_t LoadBE16(const uint8_t* p) noexcept { return int16_t(uint16_t(p[1] | p[0] << 8)); }
inline int32_t LoadLE24(const uint8_t* p) noexcept {
    return int32_t(uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24) >> 8;
}
inline int32_t LoadBE24(const uint8_t* p) noexcept {
    return int32_t(uint32_t(p[2]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[0]) << 24) >> 8;
}
inline int32_t LoadLE32(const uint8_t* p) noexcept {
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}
inline int32_t LoadBE32(const uint8_t* p) noexcept {
    return int32_t(uint32_t(p[3]) | uint32_t(p[2]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[0]) << 24);
}
inline void StoreLE16(uint8_t* p, int32_t v) noexcept {
    p[0] = uint8_t(v);
    p[1] = uint8_t(uint32_t(v) >> 8);
}
inline void StoreBE16(uint8_t* p, int32_t v) noexcept {
    p[1] = uint8_t(v);
    p[0] = uint8_t(uint32_t(v) >> 8);
}
inline void StoreLE24(uint8_t* p, int32_t v) noexcept {
    p[0] = uint8_t(v);
    p[1] = uint8_t(uint32_t(v) >> 8);
    p[2] = uint8_t(uint32_t(v) >> 16);
}
inline void StoreBE24(uint8_t* p, int32_t v) noexcept {
    p[2] = uint8_t(v);
    p[1] = uint8_t(uint32_t(v) >> 8);
    p[0] = uint8_t(uint32_t(v) >> 16);
}
inline void StoreLE32(uint8_t* p, int32_t v) noexcept {
    const uint32_t u = uint32_t(v);
    std::memcpy(p, &u, 4);  // little-endian targets only (x86)
}
inline void StoreBE32(uint8_t* p, int32_t v) noexcept {
    StoreBE16(p, int32_t(uint32_t(v) >> 16));
    StoreBE16(p + 2, v);
}

// One specialisation per sample type. Integer types: Load gives the signed N-bit value, Store takes it.
template <QMSAMPLETYPE T>
struct SampleFormat;

template <int Bytes, int Bits>
struct IntFormat {
    static constexpr Kind kKind = Kind::Int;
    static constexpr int kBytes = Bytes;
    static constexpr int kBits = Bits;
};

template <>
struct SampleFormat<QMST_PCM8> : IntFormat<1, 8> {
    static int32_t Load(const uint8_t* p) noexcept { return int8_t(uint8_t(p[0] ^ 0x80u)); }
    static void Store(uint8_t* p, int32_t v) noexcept { p[0] = uint8_t(uint32_t(v) ^ 0x80u); }
};
template <>
struct SampleFormat<QMST_PCM8S> : IntFormat<1, 8> {
    static int32_t Load(const uint8_t* p) noexcept { return int8_t(p[0]); }
    static void Store(uint8_t* p, int32_t v) noexcept { p[0] = uint8_t(v); }
};
template <>
struct SampleFormat<QMST_PCM16> : IntFormat<2, 16> {
    static int32_t Load(const uint8_t* p) noexcept { return LoadLE16(p); }
    static void Store(uint8_t* p, int32_t v) noexcept { StoreLE16(p, v); }
};
template <>
struct SampleFormat<QMST_PCM24> : IntFormat<3, 24> {
    static int32_t Load(const uint8_t* p) noexcept { return LoadLE24(p); }
    static void Store(uint8_t* p, int32_t v) noexcept { StoreLE24(p, v); }
};
template <>
struct SampleFormat<QMST_PCM32> : IntFormat<4, 32> {
    static int32_t Load(const uint8_t* p) noexcept { return LoadLE32(p); }
    static void Store(uint8_t* p, int32_t v) noexcept { StoreLE32(p, v); }
};
// Valid bits are left-justified in the container; the padding byte is ignored and written as zero.
template <>
struct SampleFormat<QMST_PCM24IN32> : IntFormat<4, 24> {
    static int32_t Load(const uint8_t* p) noexcept { return LoadLE32(p) >> 8; }
    static void Store(uint8_t* p, int32_t v) noexcept { StoreLE32(p, int32_t(uint32_t(v) << 8)); }
};
template <>
struct SampleFormat<QMST_PCM16BE> : IntFormat<2, 16> {
    static int32_t Load(const uint8_t* p) noexcept { return LoadBE16(p); }
    static void Store(uint8_t* p, int32_t v) noexcept { StoreBE16(p, v); }
};
template <>
struct SampleFormat<QMST_PCM24BE> : IntFormat<3, 24> {
    static int32_t Load(const uint8_t* p) noexcept { return LoadBE24(p); }
    static void Store(uint8_t* p, int32_t v) noexcept { StoreBE24(p, v); }
};
template <>
struct SampleFormat<QMST_PCM32BE> : IntFormat<4, 32> {
    static int32_t Load(const uint8_t* p) noexcept { return LoadBE32(p); }
    static void Store(uint8_t* p, int32_t v) noexcept { StoreBE32(p, v); }
};
template <>
struct SampleFormat<QMST_RA16> : IntFormat<2, 16> {
    static int32_t Load(const uint8_t* p) noexcept { return LoadLE16(p) ^ int32_t(0xFFFF8000u); }
    static void Store(uint8_t* p, int32_t v) noexcept { StoreLE16(p, v ^ 0x8000); }
};
template <>
struct SampleFormat<QMST_RA24> : IntFormat<3, 24> {
    static int32_t Load(const uint8_t* p) noexcept { return LoadLE24(p) ^ int32_t(0xFF800000u); }
    static void Store(uint8_t* p, int32_t v) noexcept { StoreLE24(p, v ^ 0x800000); }
};

template <typename V>
struct FloatFormat {
    using Value = V;
    static constexpr Kind kKind = Kind::Float;
    static constexpr int kBytes = sizeof(V);
    static V Load(const uint8_t* p) noexcept {
        V v;
        std::memcpy(&v, p, sizeof(V));
        return v;
    }
    static void Store(uint8_t* p, V v) noexcept { std::memcpy(p, &v, sizeof(V)); }
};
template <>
struct SampleFormat<QMST_FLOAT32> : FloatFormat<float> {};
template <>
struct SampleFormat<QMST_FLOAT64> : FloatFormat<double> {};

// Working precision of a pair: double as soon as one side has more than 24 significant bits.
template <QMSAMPLETYPE T>
constexpr bool kWideType = T == QMST_PCM32 || T == QMST_PCM32BE || T == QMST_FLOAT64;
template <QMSAMPLETYPE D, QMSAMPLETYPE S>
using Work = std::conditional_t<kWideType<D> || kWideType<S>, double, float>;

// Round to nearest, ties to even, in the current rounding mode like cvtps2dq: adding 1.5 * 2^52 leaves
// no fraction bits in a double. Exact for |t| < 2^51, far beyond the clamped range.
inline int32_t RoundToInt(double t) noexcept {
    const double magic = 6755399441055744.0;
    return int32_t((t + magic) - magic);
}

template <int N, typename W>
inline int32_t ToInt(W t) noexcept {
    static_assert(N < 32 || std::is_same_v<W, double>, "32-bit samples need double precision");
    constexpr int64_t kMax = (int64_t(1) << (N - 1)) - 1;
    constexpr int64_t kMin = -(int64_t(1) << (N - 1));
    if (!(t == t)) return 0;
    if (t >= W(kMax)) return int32_t(kMax);
    if (t <= W(kMin)) return int32_t(kMin);
    return RoundToInt(double(t));
}

template <QMSAMPLETYPE S, typename W>
inline W Read(const uint8_t* p) noexcept {
    using F = SampleFormat<S>;
    if constexpr (F::kKind == Kind::Int) {
        static_assert(F::kBits <= 24 || std::is_same_v<W, double>, "32-bit samples need double precision");
        return W(F::Load(p)) * W(1.0 / double(int64_t(1) << (F::kBits - 1)));
    } else {
        return W(F::Load(p));
    }
}

template <QMSAMPLETYPE D, typename W>
inline void Write(uint8_t* p, W v) noexcept {
    using F = SampleFormat<D>;
    if constexpr (F::kKind == Kind::Int) {
        F::Store(p, ToInt<F::kBits>(W(v * W(double(int64_t(1) << (F::kBits - 1))))));
    } else {
        F::Store(p, typename F::Value(v));
    }
}

// One sample by the law; the gain is already in working precision.
template <QMSAMPLETYPE D, QMSAMPLETYPE S, bool kGain>
inline void ConvertOne(uint8_t* d, const uint8_t* s, Work<D, S> gain) noexcept {
    using W = Work<D, S>;
    W v = Read<S, W>(s);
    if constexpr (kGain) v = v * gain;
    Write<D, W>(d, v);
}

// A run of n samples with any strides (bytes), four samples per loop turn and a tail.
template <QMSAMPLETYPE D, QMSAMPLETYPE S, bool kGain>
inline void ConvertRun(uint8_t* d, size_t dStep, const uint8_t* s, size_t sStep, size_t n,
                       Work<D, S> gain) noexcept {
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        ConvertOne<D, S, kGain>(d, s, gain);
        ConvertOne<D, S, kGain>(d + dStep, s + sStep, gain);
        ConvertOne<D, S, kGain>(d + 2 * dStep, s + 2 * sStep, gain);
        ConvertOne<D, S, kGain>(d + 3 * dStep, s + 3 * sStep, gain);
        d += 4 * dStep;
        s += 4 * sStep;
    }
    for (; i < n; ++i, d += dStep, s += sStep) ConvertOne<D, S, kGain>(d, s, gain);
}

// Converts left and right runs into one interleaved run, gain 1.0.
template <QMSAMPLETYPE D, QMSAMPLETYPE S>
inline void InterleaveRun(uint8_t* d, const uint8_t* l, const uint8_t* r, size_t frames) noexcept {
    constexpr size_t db = SampleFormat<D>::kBytes, sb = SampleFormat<S>::kBytes;
    for (size_t i = 0; i < frames; ++i, d += 2 * db, l += sb, r += sb) {
        ConvertOne<D, S, false>(d, l, 1);
        ConvertOne<D, S, false>(d + db, r, 1);
    }
}

}  // namespace qm::audio

#pragma GCC pop_options

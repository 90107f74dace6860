// Scalar reference converters for every supported pair, built from the one-sample law in
// audio_sample.h. They are the converters on processors without SSE2 and the oracle of the SIMD ones.
#include <array>
#include <cstring>
#include <utility>

#include "framework/audio_convert.h"
#include "framework/audio_sample.h"

#pragma GCC target("fpmath=sse")

namespace qm::audio {

namespace {

// Table order of the converter types: the eleven host types, then the two "RA" types.
constexpr QMSAMPLETYPE kTypes[] = {QMST_PCM8,      QMST_PCM16,   QMST_PCM24,   QMST_PCM32,   QMST_FLOAT32,
                                   QMST_FLOAT64,   QMST_PCM24IN32, QMST_PCM8S, QMST_PCM16BE, QMST_PCM24BE,
                                   QMST_PCM32BE,   QMST_RA16,    QMST_RA24};
constexpr int kTypeCount = int(sizeof(kTypes) / sizeof(kTypes[0]));
constexpr int kHostTypeCount = 11;

constexpr int TypeIndex(QMSAMPLETYPE type) noexcept {
    for (int i = 0; i < kTypeCount; ++i)
        if (kTypes[i] == type) return i;
    return -1;
}

constexpr bool CopyPairAt(int d, int s) noexcept {
    if (d >= kHostTypeCount || s >= kHostTypeCount) return false;
    // No converter narrows 32-bit big-endian samples into the shorter big-endian types.
    return !(kTypes[s] == QMST_PCM32BE && (kTypes[d] == QMST_PCM16BE || kTypes[d] == QMST_PCM24BE));
}

constexpr bool ChannelPairAt(int d, int s) noexcept {
    if (d < kHostTypeCount && s < kHostTypeCount) return true;
    // "RA" samples: from and to the plug-ins' float, and between equal types.
    return d == s || kTypes[d] == QMST_FLOAT32 || kTypes[s] == QMST_FLOAT32;
}

template <QMSAMPLETYPE D, QMSAMPLETYPE S>
void QMAPI CopyReference(void* dst, const void* src, DWORD samples, float gain) noexcept {
    constexpr size_t db = SampleFormat<D>::kBytes, sb = SampleFormat<S>::kBytes;
    auto* d = static_cast<uint8_t*>(dst);
    const auto* s = static_cast<const uint8_t*>(src);
    if (gain == 1.0f) {
        if constexpr (D == S) {
            if (samples && dst != src) std::memmove(dst, src, samples * db);
        } else {
            ConvertRun<D, S, false>(d, db, s, sb, samples, 1);
        }
    } else {
        ConvertRun<D, S, true>(d, db, s, sb, samples, Work<D, S>(gain));
    }
}

template <QMSAMPLETYPE D, QMSAMPLETYPE S>
void QMAPI CopyChannelsReference(void* dst, UINT dstChannels, const void* src, UINT srcChannels,
                                 DWORD frames) noexcept {
    constexpr size_t db = SampleFormat<D>::kBytes, sb = SampleFormat<S>::kBytes;
    auto* d = static_cast<uint8_t*>(dst);
    const auto* s = static_cast<const uint8_t*>(src);
    const size_t dStep = db * dstChannels, sStep = sb * srcChannels;
    if constexpr (D == S) {
        for (DWORD i = 0; i < frames; ++i, d += dStep, s += sStep) std::memcpy(d, s, db);
    } else {
        ConvertRun<D, S, false>(d, dStep, s, sStep, frames, 1);
    }
}

template <QMSAMPLETYPE D, QMSAMPLETYPE S>
void QMAPI InterleaveReference(void* dst, const void* left, const void* right, DWORD frames) noexcept {
    auto* d = static_cast<uint8_t*>(dst);
    const auto* l = static_cast<const uint8_t*>(left);
    const auto* r = static_cast<const uint8_t*>(right);
    if constexpr (D == S) {
        constexpr size_t b = SampleFormat<D>::kBytes;
        for (DWORD i = 0; i < frames; ++i, d += 2 * b, l += b, r += b) {
            std::memcpy(d, l, b);
            std::memcpy(d + b, r, b);
        }
    } else {
        InterleaveRun<D, S>(d, l, r, frames);
    }
}

template <typename Proc, template <QMSAMPLETYPE, QMSAMPLETYPE> class Entry, bool (*Supported)(int, int),
          size_t... I>
constexpr std::array<Proc, sizeof...(I)> MakeTable(std::index_sequence<I...>) noexcept {
    return {{Entry<kTypes[I / kTypeCount], kTypes[I % kTypeCount]>::template Get<
        Supported(int(I / kTypeCount), int(I % kTypeCount))>()...}};
}

template <QMSAMPLETYPE D, QMSAMPLETYPE S>
struct CopyEntry {
    template <bool kSupported>
    static constexpr QMAUDIOCOPYPROC Get() noexcept {
        if constexpr (kSupported) return &CopyReference<D, S>;
        else return nullptr;
    }
};
template <QMSAMPLETYPE D, QMSAMPLETYPE S>
struct CopyChannelsEntry {
    template <bool kSupported>
    static constexpr QMAUDIOCOPYCHANNELSPROC Get() noexcept {
        if constexpr (kSupported) return &CopyChannelsReference<D, S>;
        else return nullptr;
    }
};
template <QMSAMPLETYPE D, QMSAMPLETYPE S>
struct InterleaveEntry {
    template <bool kSupported>
    static constexpr QMAUDIOINTERLEAVEPROC Get() noexcept {
        if constexpr (kSupported) return &InterleaveReference<D, S>;
        else return nullptr;
    }
};

using Pairs = std::make_index_sequence<kTypeCount * kTypeCount>;
constexpr auto kCopyTable = MakeTable<QMAUDIOCOPYPROC, CopyEntry, CopyPairAt>(Pairs{});
constexpr auto kCopyChannelsTable = MakeTable<QMAUDIOCOPYCHANNELSPROC, CopyChannelsEntry, ChannelPairAt>(Pairs{});
constexpr auto kInterleaveTable = MakeTable<QMAUDIOINTERLEAVEPROC, InterleaveEntry, ChannelPairAt>(Pairs{});

template <typename Table>
auto Lookup(const Table& table, QMSAMPLETYPE dst, QMSAMPLETYPE src) noexcept -> typename Table::value_type {
    const int d = TypeIndex(dst), s = TypeIndex(src);
    return d < 0 || s < 0 ? nullptr : table[size_t(d * kTypeCount + s)];
}

}  // namespace

bool IsCopyPair(QMSAMPLETYPE dst, QMSAMPLETYPE src) noexcept { return Lookup(kCopyTable, dst, src) != nullptr; }
bool IsChannelPair(QMSAMPLETYPE dst, QMSAMPLETYPE src) noexcept {
    return Lookup(kCopyChannelsTable, dst, src) != nullptr;
}

QMAUDIOCOPYPROC ReferenceCopyFunction(QMSAMPLETYPE dst, QMSAMPLETYPE src) noexcept {
    return Lookup(kCopyTable, dst, src);
}
QMAUDIOCOPYCHANNELSPROC ReferenceCopyChannelsFunction(QMSAMPLETYPE dst, QMSAMPLETYPE src) noexcept {
    return Lookup(kCopyChannelsTable, dst, src);
}
QMAUDIOINTERLEAVEPROC ReferenceInterleaveFunction(QMSAMPLETYPE dst, QMSAMPLETYPE src) noexcept {
    return Lookup(kInterleaveTable, dst, src);
}

#define QM_NAMED_REFERENCE(from, to, S, D)                                                                     \
    void QMAPI Convert_##from##_to_##to##_reference(void* dst, const void* src, DWORD samples, float gain)  \
        noexcept {                                                                                             \
        CopyReference<D, S>(dst, src, samples, gain);                                                          \
    }
QM_NAMED_REFERENCE(f32, s16, QMST_FLOAT32, QMST_PCM16)
QM_NAMED_REFERENCE(f32, s24, QMST_FLOAT32, QMST_PCM24)
QM_NAMED_REFERENCE(f32, s32, QMST_FLOAT32, QMST_PCM32)
QM_NAMED_REFERENCE(f32, s24in32, QMST_FLOAT32, QMST_PCM24IN32)
QM_NAMED_REFERENCE(f32, f32, QMST_FLOAT32, QMST_FLOAT32)
QM_NAMED_REFERENCE(s16, f32, QMST_PCM16, QMST_FLOAT32)
QM_NAMED_REFERENCE(s24, f32, QMST_PCM24, QMST_FLOAT32)
QM_NAMED_REFERENCE(s32, f32, QMST_PCM32, QMST_FLOAT32)
QM_NAMED_REFERENCE(s24in32, f32, QMST_PCM24IN32, QMST_FLOAT32)
#undef QM_NAMED_REFERENCE

#define QM_NAMED_INTERLEAVE_REFERENCE(from, to, S, D)                                                         \
    void QMAPI Interleave_##from##_to_##to##_reference(void* dst, const void* left, const void* right,     \
                                                        DWORD frames) noexcept {                              \
        InterleaveReference<D, S>(dst, left, right, frames);                                                  \
    }
QM_NAMED_INTERLEAVE_REFERENCE(f32, s16, QMST_FLOAT32, QMST_PCM16)
QM_NAMED_INTERLEAVE_REFERENCE(f32, s24, QMST_FLOAT32, QMST_PCM24)
QM_NAMED_INTERLEAVE_REFERENCE(f32, s32, QMST_FLOAT32, QMST_PCM32)
QM_NAMED_INTERLEAVE_REFERENCE(f32, s24in32, QMST_FLOAT32, QMST_PCM24IN32)
QM_NAMED_INTERLEAVE_REFERENCE(f32, f32, QMST_FLOAT32, QMST_FLOAT32)
#undef QM_NAMED_INTERLEAVE_REFERENCE

}  // namespace qm::audio

// Sample-type codes from tags and wave formats, and silence; then the conversion
// law through the public operations: every supported pair, clipping, rounding, gain, byte orders and
// offsets, channel scatter and stereo interleave. Samples are decoded here from their bytes,
// independently of the converters.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <tuple>
#include <vector>

#include "framework/audio.h"

namespace {

using Bytes = std::vector<uint8_t>;

// 44.1 kHz, in the fields' order: tag, channels, rate, bytes per second, block, bits.
WAVEFORMATEX Plain(WORD tag, WORD channels, WORD bits) {
    const WORD block = WORD(channels * ((bits + 7) / 8));
    return {tag, channels, 44100, 44100u * block, block, bits, 0};
}

// {tttt0000-0000-0010-8000-00AA00389B71}, stereo.
WAVEFORMATEXTENSIBLE Extensible(WORD subTag, WORD containerBits, WORD validBits) {
    WAVEFORMATEXTENSIBLE x{};
    x.Format = Plain(WAVE_FORMAT_EXTENSIBLE, 2, containerBits);
    x.Format.cbSize = 22;
    x.Samples.wValidBitsPerSample = validBits;
    x.dwChannelMask = 3;
    const GUID sub = {subTag, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
    std::memcpy(&x.SubFormat, &sub, sizeof(sub));
    return x;
}

const WAVEFORMATEX* AsFormat(const WAVEFORMATEXTENSIBLE& x) { return reinterpret_cast<const WAVEFORMATEX*>(&x); }

WAVEFORMATEXTENSIBLE Wrapped(const WAVEFORMATEX& plain) {
    WAVEFORMATEXTENSIBLE x{};
    x.Format = plain;
    return x;
}

TEST(AudioSampleType, FromTagBitsAndWaveFormatAndTheSilenceOfEach) {
    const struct {
        WORD tag, bits;
        QMSAMPLETYPE type;
    } cases[] = {
        {1, 8, 16},       {1, 16, 17},      {1, 20, 18},      {1, 24, 18},      {1, 32, 19},      {1, 12, 0},
        {1, 64, 0},       {0xFE01, 8, 49},  {0xFE01, 16, 17}, {0xFE01, 32, 19}, {0xFE01, 4, 0},   {3, 32, 32},
        {3, 64, 33},      {3, 16, 0},       {0xFE00, 24, 48}, {0xFE00, 32, 48}, {0xFE00, 16, 0},  {0xFE02, 8, 16},
        {0xFE02, 16, 64}, {0xFE02, 24, 65}, {0xFE02, 32, 66}, {0xFE02, 20, 0},  {0xFE03, 16, 128}, {0xFE03, 24, 129},
        {0xFE03, 8, 0},   {2, 16, 0},       {0xFFFE, 16, 0},  {0, 16, 0},       {0xFE04, 16, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QmAudio_GetSampleType2(c.tag, c.bits), c.type) << std::hex << c.tag << std::dec << " " << c.bits;
        const WAVEFORMATEX plain = Plain(c.tag, 2, c.bits);
        EXPECT_EQ(QmAudio_GetSampleType(&plain), c.tag == 0xFFFE ? 0 : c.type) << std::hex << c.tag;
    }
    EXPECT_EQ(QmAudio_GetSampleType(nullptr), 0);

    // Extensible formats name the tag in the sub-format, private tags included; the valid bits pick 24-in-32.
    const struct {
        WORD subTag, container, valid;
        QMSAMPLETYPE type;
    } extensible[] = {{1, 32, 24, 48}, {1, 32, 32, 19}, {1, 24, 24, 18}, {1, 24, 20, 18}, {3, 32, 32, 32},
                      {3, 64, 64, 33}, {0xFE02, 16, 16, 64}, {0xFE01, 8, 8, 49}};
    for (const auto& e : extensible)
        EXPECT_EQ(QmAudio_GetSampleType(AsFormat(Extensible(e.subTag, e.container, e.valid))), e.type) << e.subTag;
    for (int broken = 0; broken < 3; ++broken) {
        WAVEFORMATEXTENSIBLE x = Extensible(1, 16, 16);
        if (broken == 0) x.SubFormat.Data1 = 0x00010001;  // the high half of Data1 is part of the fixed pattern
        if (broken == 1) x.SubFormat.Data4[7] ^= 1;
        if (broken == 2) x.Format.cbSize = 0;  // no extensible part present
        EXPECT_EQ(QmAudio_GetSampleType(AsFormat(x)), 0) << broken;
    }

    // Silence fills block align x frames and not a byte more; unsigned 8 bits is 0x80, everything else 0.
    // Formats without a known silence are refused, extensible ones too, and the buffer is untouched.
    const struct {
        WAVEFORMATEXTENSIBLE f;
        int fill;  // -1: refused
    } silences[] = {{Wrapped(Plain(1, 2, 8)), 0x80},    {Wrapped(Plain(0xFE02, 1, 8)), 0x80}, {Wrapped(Plain(1, 2, 16)), 0},
                 {Wrapped(Plain(3, 2, 32)), 0},      {Wrapped(Plain(0xFE00, 2, 32)), 0},   {Wrapped(Plain(0xFE01, 1, 8)), 0},
                 {Wrapped(Plain(0xFE02, 2, 24)), 0}, {Extensible(3, 32, 32), 0},           {Extensible(1, 8, 8), 0x80},
                 {Wrapped(Plain(2, 2, 16)), -1},     {Wrapped(Plain(0xFE03, 2, 16)), -1},  {Wrapped(Plain(0, 2, 16)), -1},
                 {Extensible(0xFE02, 16, 16), -1}};
    for (const auto& c : silences) {
        SCOPED_TRACE(testing::Message() << std::hex << c.f.Format.wFormatTag << "/" << std::dec << c.f.Format.wBitsPerSample);
        Bytes buf(3u * c.f.Format.nBlockAlign + 4, 0x5A);
        EXPECT_EQ(QmAudio_FillSilence(AsFormat(c.f), buf.data(), 3), c.fill < 0 ? E_FAIL : S_OK);
        Bytes expected(c.fill < 0 ? 0 : 3u * c.f.Format.nBlockAlign, uint8_t(c.fill));
        expected.resize(buf.size(), 0x5A);
        EXPECT_EQ(buf, expected);
    }
    const WAVEFORMATEX pcm16 = Plain(1, 2, 16);
    EXPECT_EQ(QmAudio_FillSilence(&pcm16, nullptr, 0), S_OK);
    EXPECT_EQ(QmAudio_FillSilence(&pcm16, nullptr, 1), E_POINTER);
    EXPECT_EQ(QmAudio_FillSilence(nullptr, nullptr, 1), E_POINTER);

    for (QMSAMPLETYPE t : {16, 17, 18, 19, 32, 33, 48, 49, 64, 65, 66, 0, 128, 129, 20}) {
        const bool known = qm::audio::SampleTypeBytes(t) > 0 && t < 128;
        Bytes buf(8 * 5 + 1, 0x5A);
        EXPECT_EQ(QmAudio_FillSilence2(t, buf.data(), 5), known ? S_OK : E_FAIL) << t;
        Bytes expected(known ? size_t(qm::audio::SampleTypeBytes(t)) * 5 : 0, t == 16 ? 0x80 : 0);
        expected.resize(buf.size(), 0x5A);
        EXPECT_EQ(buf, expected) << t;
    }
    EXPECT_EQ(QmAudio_FillSilence2(17, nullptr, 1), E_POINTER);
}

struct Layout {
    QMSAMPLETYPE type;
    WORD tag, bits;         // a wave format of this type
    int bytes, valueBits;   // container and sample widths
    bool isFloat, bigEndian, offsetBinary;
};

const Layout kLayouts[] = {
    {16, 1, 8, 1, 8, false, false, true},        {17, 1, 16, 2, 16, false, false, false},
    {18, 1, 24, 3, 24, false, false, false},     {19, 1, 32, 4, 32, false, false, false},
    {32, 3, 32, 4, 0, true, false, false},       {33, 3, 64, 8, 0, true, false, false},
    {48, 0xFE00, 32, 4, 24, false, false, false}, {49, 0xFE01, 8, 1, 8, false, false, false},
    {64, 0xFE02, 16, 2, 16, false, true, false}, {65, 0xFE02, 24, 3, 24, false, true, false},
    {66, 0xFE02, 32, 4, 32, false, true, false}, {128, 0xFE03, 16, 2, 16, false, false, true},
    {129, 0xFE03, 24, 3, 24, false, false, true},
};

const Layout& LayoutOf(QMSAMPLETYPE t) {
    return *std::find_if(std::begin(kLayouts), std::end(kLayouts), [t](const Layout& l) { return l.type == t; });
}

WAVEFORMATEX Format(QMSAMPLETYPE t, WORD channels) { return Plain(LayoutOf(t).tag, channels, LayoutOf(t).bits); }

// Raw integer sample (signed, in valueBits) from its bytes.
int64_t DecodeInt(const Layout& l, const uint8_t* p) {
    uint64_t raw = 0;
    for (int i = 0; i < l.bytes; ++i) raw |= uint64_t(p[l.bigEndian ? i : l.bytes - 1 - i]) << (8 * (l.bytes - 1 - i));
    raw >>= 8 * l.bytes - l.valueBits;  // 24-in-32: the sample is in the upper bytes
    const int64_t half = int64_t(1) << (l.valueBits - 1);
    int64_t v = int64_t(raw);
    if (l.offsetBinary) return v - half;
    return v >= half ? v - 2 * half : v;
}

double Decode(QMSAMPLETYPE t, const uint8_t* p) {
    const Layout& l = LayoutOf(t);
    if (l.isFloat) {
        if (l.bytes == 4) { float f; std::memcpy(&f, p, 4); return f; }
        double d; std::memcpy(&d, p, 8); return d;
    }
    return double(DecodeInt(l, p)) / double(int64_t(1) << (l.valueBits - 1));
}

// Stores x, which must be exactly representable in the type.
void Encode(QMSAMPLETYPE t, uint8_t* p, double x) {
    const Layout& l = LayoutOf(t);
    if (l.isFloat) {
        if (l.bytes == 4) { const float f = float(x); std::memcpy(p, &f, 4); } else std::memcpy(p, &x, 8);
        return;
    }
    const int64_t half = int64_t(1) << (l.valueBits - 1);
    uint64_t raw = uint64_t(int64_t(x * double(half)) + (l.offsetBinary ? half : 0)) << (8 * l.bytes - l.valueBits);
    for (int i = 0; i < l.bytes; ++i) p[l.bigEndian ? l.bytes - 1 - i : i] = uint8_t(raw >> (8 * i));
}

std::vector<uint8_t> EncodeAll(QMSAMPLETYPE t, const std::vector<double>& xs) {
    std::vector<uint8_t> out(xs.size() * size_t(LayoutOf(t).bytes));
    for (size_t i = 0; i < xs.size(); ++i) Encode(t, &out[i * size_t(LayoutOf(t).bytes)], xs[i]);
    return out;
}

std::vector<double> DecodeAll(QMSAMPLETYPE t, const std::vector<uint8_t>& bytes) {
    std::vector<double> out;
    for (size_t i = 0; i + size_t(LayoutOf(t).bytes) <= bytes.size(); i += size_t(LayoutOf(t).bytes))
        out.push_back(Decode(t, &bytes[i]));
    return out;
}

// Converts mono runs through QmAudio_Copy.
std::vector<double> Copy(QMSAMPLETYPE dst, QMSAMPLETYPE src, const std::vector<double>& xs, float gain = 1.0f) {
    const WAVEFORMATEX fd = Format(dst, 1), fs = Format(src, 1);
    const std::vector<uint8_t> in = EncodeAll(src, xs);
    std::vector<uint8_t> out(xs.size() * size_t(LayoutOf(dst).bytes));
    EXPECT_EQ(QmAudio_Copy(&fd, out.data(), &fs, in.data(), DWORD(xs.size()), gain), S_OK) << dst << "<-" << src;
    return DecodeAll(dst, out);
}

constexpr QMSAMPLETYPE kHostTypes[] = {16, 17, 18, 19, 32, 33, 48, 49, 64, 65, 66};
constexpr QMSAMPLETYPE kIntTypes[] = {16, 17, 18, 19, 48, 49, 64, 65, 66, 128, 129};
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

TEST(AudioCopy, EveryPairIsExactOnSamplesAllTypesHold) {
    std::vector<double> grid;
    for (int k = -128; k < 128; ++k) grid.push_back(k / 128.0);
    for (QMSAMPLETYPE d : kHostTypes) {
        for (QMSAMPLETYPE s : kHostTypes) {
            const bool supported = !(s == 66 && (d == 64 || d == 65));
            ASSERT_EQ(QmAudio_GetCopyFunction2(d, s) != nullptr, supported) << d << "<-" << s;
            if (!supported) continue;
            EXPECT_EQ(Copy(d, s, grid), grid) << d << "<-" << s;
            // Gain 0.5 halves every value; the 8-bit types round k/256 ties to even.
            const std::vector<double> half = Copy(d, s, grid, 0.5f);
            for (size_t i = 0; i < grid.size(); ++i) {
                const double expect = LayoutOf(d).valueBits == 8 ? std::nearbyint(grid[i] * 64) / 128 : grid[i] / 2;
                ASSERT_EQ(half[i], expect) << d << "<-" << s << " at " << grid[i];
            }
        }
    }
    // Off the grid, 32-bit integers keep every bit through double precision and the big-endian form.
    std::mt19937 rng(7);
    std::vector<double> wide;
    for (int i = 0; i < 1000; ++i) wide.push_back(double(int32_t(rng())) / 2147483648.0);
    EXPECT_EQ(Copy(33, 19, Copy(19, 33, wide)), wide);
    EXPECT_EQ(Copy(19, 66, Copy(66, 19, wide)), wide);

    // Pairs without a converter, a channel mismatch and missing buffers are refused.
    WAVEFORMATEX adpcm = Format(17, 1);
    adpcm.wFormatTag = 2;
    const WAVEFORMATEX f32 = Format(32, 1), f32x2 = Format(32, 2), be16 = Format(64, 1), be24 = Format(65, 1);
    const WAVEFORMATEX be32 = Format(66, 1), ra16 = Format(128, 1);
    uint8_t buf[64] = {};
    for (const auto& [dst, src, result] : {std::tuple{&be16, &be32, E_NOTIMPL}, {&be24, &be32, E_NOTIMPL},
                                           {&ra16, &f32, E_NOTIMPL}, {&f32, &adpcm, E_NOTIMPL}, {&f32x2, &f32, E_INVALIDARG},
                                           {nullptr, &f32, E_POINTER}})
        EXPECT_EQ(QmAudio_Copy(dst, buf, src, buf + 32, 4, 1.0f), result) << (dst ? dst->wFormatTag : 0);
    EXPECT_EQ(QmAudio_Copy(&f32, nullptr, &f32, buf + 32, 4, 1.0f), E_POINTER);
    EXPECT_EQ(QmAudio_Copy(&f32, nullptr, &f32, nullptr, 0, 1.0f), S_OK);
}

TEST(AudioCopy, OverRangeClampsNaNIsSilenceTiesRoundToEvenAndBytesPassUnchanged) {
    const std::vector<double> in = {1.5, -1.5, kInf, -kInf, kNaN, 1.0, -1.0, -0.0, 1e300, std::ldexp(1.0, -40)};
    for (QMSAMPLETYPE d : kHostTypes) {
        const int bits = LayoutOf(d).valueBits;
        if (bits == 0) continue;
        const double max = 1.0 - std::ldexp(1.0, 1 - bits);
        const std::vector<double> expect = {max, -1.0, max, -1.0, 0.0, max, -1.0, 0.0, max, 0.0};
        EXPECT_EQ(Copy(d, 33, in), expect) << d << "<-f64";
        std::vector<double> f32in = in;
        f32in[8] = 3e38;
        EXPECT_EQ(Copy(d, 32, f32in), expect) << d << "<-f32";
    }

    // Rounding is to nearest, ties to even.
    const double lsb16 = 1.0 / 32768;
    EXPECT_EQ(Copy(17, 32, {0.5 * lsb16, 1.5 * lsb16, 2.5 * lsb16, -0.5 * lsb16, -1.5 * lsb16, 0.51 * lsb16}),
              (std::vector<double>{0, 2 * lsb16, 2 * lsb16, 0, -2 * lsb16, lsb16}));
    // 24 to 16 bits drops a byte: 0x80 is half an LSB.
    const double lsb24 = 1.0 / 8388608;
    EXPECT_EQ(Copy(17, 18, {128 * lsb24, 384 * lsb24, 383 * lsb24, 8388479 * lsb24, 8388607 * lsb24}),
              (std::vector<double>{0, 2 * lsb16, lsb16, 32767 * lsb16, 32767 * lsb16}));
    // Gain on integers: 1001 * 0.5 = 500.5 -> 500, 1003 * 0.5 = 501.5 -> 502, 20000 * 2 clips.
    EXPECT_EQ(Copy(17, 17, {1001 * lsb16, 1003 * lsb16, 20000 * lsb16, -20000 * lsb16}, 0.5f),
              (std::vector<double>{500 * lsb16, 502 * lsb16, 10000 * lsb16, -10000 * lsb16}));
    EXPECT_EQ(Copy(17, 17, {20000 * lsb16, -20000 * lsb16}, 2.0f), (std::vector<double>{32767 * lsb16, -1.0}));

    // Bytes that no decoded value shows: the padding byte of 24-in-32 is ignored on reading and written as
    // zero; the same type at unity gain moves bytes unchanged (a NaN payload included), in place too.
    const WAVEFORMATEX ff32 = Format(32, 1), fs2432 = Format(48, 1);
    const uint8_t padded[4] = {0x7F, 0x00, 0x00, 0x40};
    float f = 0;
    ASSERT_EQ(QmAudio_Copy(&ff32, &f, &fs2432, padded, 1, 1.0f), S_OK);
    EXPECT_EQ(f, 0.5f);
    uint8_t back[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    ASSERT_EQ(QmAudio_Copy(&fs2432, back, &ff32, &f, 1, 1.0f), S_OK);
    EXPECT_EQ(std::vector<uint8_t>(back, back + 4), (std::vector<uint8_t>{0x00, 0x00, 0x00, 0x40}));

    const uint32_t payloadNaN = 0x7FC12345u;
    uint32_t src[5] = {payloadNaN, 0x3F800000u, 0x00000001u, 0xFF800000u, 0x80000000u}, dst[5] = {};
    ASSERT_EQ(QmAudio_Copy(&ff32, dst, &ff32, src, 5, 1.0f), S_OK);
    EXPECT_EQ(std::memcmp(src, dst, sizeof(src)), 0);
    float inPlace[5] = {0.5f, -0.25f, 1.0f, 2.0f, -3.0f};
    ASSERT_EQ(QmAudio_Copy(&ff32, inPlace, &ff32, inPlace, 5, 0.5f), S_OK);
    EXPECT_EQ(std::vector<float>(inPlace, inPlace + 5), (std::vector<float>{0.25f, -0.125f, 0.5f, 1.0f, -1.5f}));
}

TEST(AudioConversionLaw, FloatRoundTripWithinHalfAnLsbAndMonotonic) {
    std::mt19937 rng(20240531);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    std::vector<float> xs(4000);
    for (float& x : xs) x = dist(rng);
    std::sort(xs.begin(), xs.end());
    for (QMSAMPLETYPE t : kIntTypes) {
        const Layout& l = LayoutOf(t);
        const QMAUDIOCOPYCHANNELSPROC to = QmAudio_GetCopyChannelsFunction2(t, 32);
        const QMAUDIOCOPYCHANNELSPROC back = QmAudio_GetCopyChannelsFunction2(32, t);
        ASSERT_TRUE(to && back) << t;
        std::vector<uint8_t> ints(xs.size() * size_t(l.bytes));
        std::vector<float> ys(xs.size());
        to(ints.data(), 1, xs.data(), 1, DWORD(xs.size()));
        back(ys.data(), 1, ints.data(), 1, DWORD(xs.size()));
        const double lsb = std::ldexp(1.0, 1 - l.valueBits), max = 1.0 - lsb;
        int64_t previous = std::numeric_limits<int64_t>::min();
        for (size_t i = 0; i < xs.size(); ++i) {
            const double want = std::min(double(xs[i]), max);
            // Within half an LSB, plus the float rounding of 32-bit values on the way back.
            ASSERT_LE(std::fabs(ys[i] - want), lsb / 2 + std::fabs(want) * 0x1p-24) << t << " at " << xs[i];
            const int64_t v = DecodeInt(l, &ints[i * size_t(l.bytes)]);
            ASSERT_GE(v, previous) << t << " not monotonic at " << xs[i];
            previous = v;
        }
    }
}

TEST(AudioCopyChannels, MapScattersAndSkipsAndInterleavingConvertsOrMovesPairs) {
    const WAVEFORMATEX s16x2 = Format(17, 2), f32x2 = Format(32, 2), f32x3 = Format(32, 3), s24x2 = Format(18, 2);
    const float src[6] = {0.5f, -0.25f, 0.125f, 1.0f, -1.0f, 0.75f};
    int16_t dst[4] = {11, 22, 33, 44};
    const int leftToRight[2] = {1, -1};
    ASSERT_EQ(QmAudio_CopyChannels(&s16x2, dst, &f32x2, src, 2, leftToRight), S_OK);
    EXPECT_EQ(std::vector<int16_t>(dst, dst + 4), (std::vector<int16_t>{11, 16384, 33, 4096}));

    // Three channels onto two: swap the first two, drop the third (past the destination's channels).
    std::vector<uint8_t> out(2 * 2 * 3);
    const int swapDrop[3] = {1, 0, 5};
    ASSERT_EQ(QmAudio_CopyChannels(&s24x2, out.data(), &f32x3, src, 2, swapDrop), S_OK);
    EXPECT_EQ(DecodeAll(18, out), (std::vector<double>{-0.25, 0.5, -1.0, 1.0 - 1.0 / 8388608}));

    ASSERT_EQ(QmAudio_CopyChannels(&s16x2, dst, &f32x2, src, 1, nullptr), S_OK);  // no map: a copy
    EXPECT_EQ(std::vector<int16_t>(dst, dst + 4), (std::vector<int16_t>{16384, -8192, 33, 4096}));
    EXPECT_EQ(QmAudio_CopyChannels(&s16x2, dst, &f32x2, src, 0, leftToRight), S_OK);
    EXPECT_EQ(dst[1], -8192);
    const WAVEFORMATEX ra16x2 = Format(128, 2), be16x2 = Format(64, 2);
    ASSERT_EQ(QmAudio_CopyChannels(&ra16x2, dst, &f32x2, src, 2, leftToRight), S_OK);  // "RA": offset binary
    EXPECT_EQ(uint16_t(dst[1]), 0xC000);
    EXPECT_EQ(uint16_t(dst[3]), 0x9000);
    EXPECT_EQ(QmAudio_CopyChannels(&ra16x2, dst, &be16x2, src, 2, leftToRight), E_NOTIMPL);
    EXPECT_EQ(QmAudio_CopyChannels(&s16x2, nullptr, &f32x2, src, 2, leftToRight), E_POINTER);

    // Interleaving converts or moves pairs.
    const float left[3] = {0.5f, -1.0f, 2.0f}, right[3] = {-0.5f, 0.25f, float(kNaN)};
    int16_t s16[6];
    ASSERT_EQ(QmAudio_InterleaveStereoEx(s16, 17, left, right, 32, 3), S_OK);
    EXPECT_EQ(std::vector<int16_t>(s16, s16 + 6), (std::vector<int16_t>{16384, -16384, -32768, 8192, 32767, 0}));
    const uint8_t l24[6] = {1, 2, 3, 4, 5, 6}, r24[6] = {7, 8, 9, 10, 11, 12};
    uint8_t s24[12];
    ASSERT_EQ(QmAudio_InterleaveStereoEx(s24, 18, l24, r24, 18, 2), S_OK);  // equal types: no conversion
    EXPECT_EQ(std::vector<uint8_t>(s24, s24 + 12), (std::vector<uint8_t>{1, 2, 3, 7, 8, 9, 4, 5, 6, 10, 11, 12}));
    uint8_t ra24[12];
    ASSERT_EQ(QmAudio_InterleaveStereoEx(ra24, 129, left, right, 32, 2), S_OK);
    EXPECT_EQ(std::vector<uint8_t>(ra24, ra24 + 6), (std::vector<uint8_t>{0, 0, 0xC0, 0, 0, 0x40}));
    for (QMSAMPLETYPE d : kHostTypes)
        for (QMSAMPLETYPE s : kHostTypes) EXPECT_NE(QmAudio_GetStereoInterleaveFunction(d, s), nullptr) << d << s;
    for (const auto& [d, s] : {std::pair<QMSAMPLETYPE, QMSAMPLETYPE>{17, 128}, {0, 0}})
        EXPECT_EQ(QmAudio_InterleaveStereoEx(s16, d, left, right, s, 3), E_NOTIMPL) << d << "<-" << s;
    EXPECT_EQ(QmAudio_InterleaveStereoEx(s16, 17, nullptr, right, 32, 3), E_POINTER);
    EXPECT_EQ(QmAudio_InterleaveStereoEx(nullptr, 17, nullptr, nullptr, 32, 0), S_OK);
}

}  // namespace

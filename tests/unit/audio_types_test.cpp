// Sample-type codes from tags and wave formats, their sizes and names, and silence.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "framework/audio.h"

namespace {

using Bytes = std::vector<uint8_t>;

WAVEFORMATEX Plain(WORD tag, WORD channels, WORD bits) {
    WAVEFORMATEX f{};
    f.wFormatTag = tag;
    f.nChannels = channels;
    f.nSamplesPerSec = 44100;
    f.wBitsPerSample = bits;
    f.nBlockAlign = WORD(channels * ((bits + 7) / 8));
    f.nAvgBytesPerSec = f.nSamplesPerSec * f.nBlockAlign;
    return f;
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

TEST(AudioSampleType, FromTagBitsAndWaveFormat) {
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
    WAVEFORMATEXTENSIBLE x = Extensible(1, 16, 16);
    x.SubFormat.Data1 = 0x00010001;  // the high half of Data1 is part of the fixed pattern
    EXPECT_EQ(QmAudio_GetSampleType(AsFormat(x)), 0);
    x = Extensible(1, 16, 16);
    x.SubFormat.Data4[7] ^= 1;
    EXPECT_EQ(QmAudio_GetSampleType(AsFormat(x)), 0);
    x = Extensible(1, 16, 16);
    x.Format.cbSize = 0;  // no extensible part present
    EXPECT_EQ(QmAudio_GetSampleType(AsFormat(x)), 0);

    const struct {
        QMSAMPLETYPE type;
        int bytes;
        const char* format;
        int bits;
    } names[] = {{17, 2, "%d Bit", 16},           {18, 3, "%d Bit", 24},    {33, 8, "%d Bit (IEEE Float)", 64},
                 {48, 4, "24 Bit (Unpacked)", 24}, {49, 1, "8 Bit (Signed)", 8}, {65, 3, "%d Bit (MAC)", 24},
                 {128, 2, "%d Bit (RA)", 16},      {129, 3, "%d Bit (RA)", 24}, {0, 0, "", 0}};
    for (const auto& n : names) {
        EXPECT_EQ(qm::audio::SampleTypeBytes(n.type), n.bytes) << n.type;
        EXPECT_STREQ(qm::audio::SampleTypeDisplayFormat(n.type), n.format) << n.type;
        EXPECT_EQ(qm::audio::SampleTypeDisplayBits(n.type), n.bits) << n.type;
    }
}

WAVEFORMATEXTENSIBLE Wrapped(const WAVEFORMATEX& plain) {
    WAVEFORMATEXTENSIBLE x{};
    x.Format = plain;
    return x;
}

// Silence fills block align x frames and not a byte more; unsigned 8 bits is 0x80, everything else 0.
// Formats without a known silence are refused, extensible ones too, and the buffer is untouched.
TEST(AudioSilence, ByFormatAndBySampleType) {
    const struct {
        WAVEFORMATEXTENSIBLE f;
        int fill;  // -1: refused
    } cases[] = {{Wrapped(Plain(1, 2, 8)), 0x80},    {Wrapped(Plain(0xFE02, 1, 8)), 0x80}, {Wrapped(Plain(1, 2, 16)), 0},
                 {Wrapped(Plain(3, 2, 32)), 0},      {Wrapped(Plain(0xFE00, 2, 32)), 0},   {Wrapped(Plain(0xFE01, 1, 8)), 0},
                 {Wrapped(Plain(0xFE02, 2, 24)), 0}, {Extensible(3, 32, 32), 0},           {Extensible(1, 8, 8), 0x80},
                 {Wrapped(Plain(2, 2, 16)), -1},     {Wrapped(Plain(0xFE03, 2, 16)), -1},  {Wrapped(Plain(0, 2, 16)), -1},
                 {Extensible(0xFE02, 16, 16), -1}};
    for (const auto& c : cases) {
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

}  // namespace

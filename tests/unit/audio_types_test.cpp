// Sample-type codes from tags and wave formats, and silence.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "framework/audio.h"

namespace {

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

// {tttt0000-0000-0010-8000-00AA00389B71}
WAVEFORMATEXTENSIBLE Extensible(WORD subTag, WORD channels, WORD containerBits, WORD validBits) {
    WAVEFORMATEXTENSIBLE x{};
    x.Format = Plain(WAVE_FORMAT_EXTENSIBLE, channels, containerBits);
    x.Format.cbSize = 22;
    x.Samples.wValidBitsPerSample = validBits;
    x.dwChannelMask = 3;
    const GUID sub = {subTag, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
    std::memcpy(&x.SubFormat, &sub, sizeof(sub));
    return x;
}

const WAVEFORMATEX* AsFormat(const WAVEFORMATEXTENSIBLE& x) { return reinterpret_cast<const WAVEFORMATEX*>(&x); }

TEST(AudioSampleType, FromTagAndBits) {
    struct Case { WORD tag, bits; QMSAMPLETYPE type; };
    const Case cases[] = {
        {1, 8, 16}, {1, 16, 17}, {1, 20, 18}, {1, 24, 18}, {1, 32, 19}, {1, 12, 0}, {1, 64, 0},
        {0xFE01, 8, 49}, {0xFE01, 16, 17}, {0xFE01, 24, 18}, {0xFE01, 32, 19}, {0xFE01, 4, 0},
        {3, 32, 32}, {3, 64, 33}, {3, 16, 0},
        {0xFE00, 24, 48}, {0xFE00, 32, 48}, {0xFE00, 16, 0},
        {0xFE02, 8, 16}, {0xFE02, 16, 64}, {0xFE02, 24, 65}, {0xFE02, 32, 66}, {0xFE02, 20, 0},
        {0xFE03, 16, 128}, {0xFE03, 24, 129}, {0xFE03, 8, 0},
        {2, 16, 0}, {0xFFFE, 16, 0}, {0, 16, 0}, {0xFE04, 16, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QmAudio_GetSampleType2(c.tag, c.bits), c.type) << std::hex << c.tag << std::dec << " " << c.bits;
}

TEST(AudioSampleType, FromWaveFormat) {
    const WAVEFORMATEX signed8 = Plain(0xFE01, 1, 8), unsigned8 = Plain(1, 1, 8), be24 = Plain(0xFE02, 2, 24);
    EXPECT_EQ(QmAudio_GetSampleType(&signed8), 49);
    EXPECT_EQ(QmAudio_GetSampleType(&unsigned8), 16);
    EXPECT_EQ(QmAudio_GetSampleType(&be24), 65);
    EXPECT_EQ(QmAudio_GetSampleType(nullptr), 0);

    EXPECT_EQ(QmAudio_GetSampleType(AsFormat(Extensible(1, 2, 32, 24))), 48);
    EXPECT_EQ(QmAudio_GetSampleType(AsFormat(Extensible(1, 2, 32, 32))), 19);
    EXPECT_EQ(QmAudio_GetSampleType(AsFormat(Extensible(1, 2, 24, 24))), 18);
    EXPECT_EQ(QmAudio_GetSampleType(AsFormat(Extensible(1, 2, 24, 20))), 18);
    EXPECT_EQ(QmAudio_GetSampleType(AsFormat(Extensible(3, 2, 32, 32))), 32);
    EXPECT_EQ(QmAudio_GetSampleType(AsFormat(Extensible(3, 2, 64, 64))), 33);
    // Private tags travel in the sub-format too.
    EXPECT_EQ(QmAudio_GetSampleType(AsFormat(Extensible(0xFE02, 2, 16, 16))), 64);
    EXPECT_EQ(QmAudio_GetSampleType(AsFormat(Extensible(0xFE01, 1, 8, 8))), 49);

    WAVEFORMATEXTENSIBLE x = Extensible(1, 2, 16, 16);
    x.SubFormat.Data1 = 0x00010001;  // the high half of Data1 is part of the fixed pattern
    EXPECT_EQ(QmAudio_GetSampleType(AsFormat(x)), 0);
    x = Extensible(1, 2, 16, 16);
    x.SubFormat.Data4[7] ^= 1;
    EXPECT_EQ(QmAudio_GetSampleType(AsFormat(x)), 0);
    x = Extensible(1, 2, 16, 16);
    x.Format.cbSize = 0;  // no extensible part present
    EXPECT_EQ(QmAudio_GetSampleType(AsFormat(x)), 0);
}

TEST(AudioSampleType, BytesAndDisplayText) {
    EXPECT_EQ(qm::audio::SampleTypeBytes(18), 3);
    EXPECT_EQ(qm::audio::SampleTypeBytes(48), 4);
    EXPECT_EQ(qm::audio::SampleTypeBytes(33), 8);
    EXPECT_EQ(qm::audio::SampleTypeBytes(129), 3);
    EXPECT_EQ(qm::audio::SampleTypeBytes(0), 0);
    EXPECT_STREQ(qm::audio::SampleTypeDisplayFormat(33), "%d Bit (IEEE Float)");
    EXPECT_EQ(qm::audio::SampleTypeDisplayBits(33), 64);
    EXPECT_STREQ(qm::audio::SampleTypeDisplayFormat(48), "24 Bit (Unpacked)");
    EXPECT_STREQ(qm::audio::SampleTypeDisplayFormat(49), "8 Bit (Signed)");
    EXPECT_STREQ(qm::audio::SampleTypeDisplayFormat(65), "%d Bit (MAC)");
    EXPECT_EQ(qm::audio::SampleTypeDisplayBits(65), 24);
    EXPECT_STREQ(qm::audio::SampleTypeDisplayFormat(128), "%d Bit (RA)");
    EXPECT_STREQ(qm::audio::SampleTypeDisplayFormat(17), "%d Bit");
    EXPECT_STREQ(qm::audio::SampleTypeDisplayFormat(0), "");
}

// Fills a guarded buffer and returns it: the bytes past block align x frames must stay untouched.
std::vector<uint8_t> Silence(const WAVEFORMATEX* f, DWORD frames, HRESULT* hr) {
    std::vector<uint8_t> buf(size_t(f->nBlockAlign) * frames + 4, 0x5A);
    *hr = QmAudio_FillSilence(f, buf.data(), frames);
    return buf;
}

TEST(AudioSilence, ByFormat) {
    HRESULT hr;
    const WAVEFORMATEX pcm8 = Plain(1, 2, 8);
    std::vector<uint8_t> buf = Silence(&pcm8, 10, &hr);
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(std::vector<uint8_t>(buf.begin(), buf.begin() + 20), std::vector<uint8_t>(20, 0x80));
    EXPECT_EQ(std::vector<uint8_t>(buf.begin() + 20, buf.end()), std::vector<uint8_t>(4, 0x5A));

    struct Case { WAVEFORMATEX f; int fill; };
    const Case cases[] = {{Plain(0xFE02, 1, 8), 0x80}, {Plain(1, 2, 16), 0}, {Plain(3, 2, 32), 0},
                          {Plain(0xFE00, 2, 32), 0},   {Plain(0xFE01, 1, 8), 0}, {Plain(0xFE02, 2, 24), 0}};
    for (const Case& c : cases) {
        buf = Silence(&c.f, 3, &hr);
        EXPECT_EQ(hr, S_OK) << c.f.wFormatTag;
        EXPECT_EQ(buf[0], c.fill) << c.f.wFormatTag;
        EXPECT_EQ(buf[3u * c.f.nBlockAlign - 1], c.fill) << c.f.wFormatTag;
        EXPECT_EQ(buf[3u * c.f.nBlockAlign], 0x5A) << c.f.wFormatTag;
    }
    // Extensible formats are read as whole records.
    std::vector<uint8_t> out(32, 0x5A);
    EXPECT_EQ(QmAudio_FillSilence(AsFormat(Extensible(3, 2, 32, 32)), out.data(), 4), S_OK);
    EXPECT_EQ(out, std::vector<uint8_t>(32, 0));
    out.assign(32, 0x5A);
    EXPECT_EQ(QmAudio_FillSilence(AsFormat(Extensible(1, 2, 8, 8)), out.data(), 4), S_OK);
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 8), std::vector<uint8_t>(8, 0x80));
    EXPECT_EQ(out[8], 0x5A);
}

TEST(AudioSilence, UnsupportedAndBadArguments) {
    HRESULT hr;
    for (WORD tag : {WORD(2), WORD(0xFE03), WORD(0)}) {
        const WAVEFORMATEX f = Plain(tag, 2, 16);
        const std::vector<uint8_t> buf = Silence(&f, 2, &hr);
        EXPECT_EQ(hr, E_FAIL) << tag;
        EXPECT_EQ(buf, std::vector<uint8_t>(12, 0x5A)) << tag;
    }
    // An extensible format whose sub-format has no known silence is refused, not silently skipped.
    WAVEFORMATEXTENSIBLE ext = Extensible(0xFE02, 2, 16, 16);
    uint8_t out[8];
    std::memset(out, 0x5A, sizeof(out));
    EXPECT_EQ(QmAudio_FillSilence(AsFormat(ext), out, 2), E_FAIL);
    EXPECT_EQ(out[0], 0x5A);

    const WAVEFORMATEX pcm16 = Plain(1, 2, 16);
    EXPECT_EQ(QmAudio_FillSilence(&pcm16, nullptr, 0), S_OK);
    EXPECT_EQ(QmAudio_FillSilence(&pcm16, nullptr, 1), E_POINTER);
    EXPECT_EQ(QmAudio_FillSilence(nullptr, out, 1), E_POINTER);
}

TEST(AudioSilence, BySampleType) {
    const QMSAMPLETYPE zeroTypes[] = {17, 18, 19, 32, 33, 48, 49, 64, 65, 66};
    for (QMSAMPLETYPE t : zeroTypes) {
        std::vector<uint8_t> buf(8 * 5 + 1, 0x5A);
        ASSERT_EQ(QmAudio_FillSilence2(t, buf.data(), 5), S_OK) << t;
        const size_t n = size_t(qm::audio::SampleTypeBytes(t)) * 5;
        EXPECT_EQ(std::vector<uint8_t>(buf.begin(), buf.begin() + long(n)), std::vector<uint8_t>(n, 0)) << t;
        EXPECT_EQ(buf[n], 0x5A) << t;
    }
    uint8_t u8[3] = {1, 2, 3};
    EXPECT_EQ(QmAudio_FillSilence2(16, u8, 2), S_OK);
    EXPECT_EQ(u8[0], 0x80);
    EXPECT_EQ(u8[1], 0x80);
    EXPECT_EQ(u8[2], 3);
    for (QMSAMPLETYPE t : {0, 128, 129, 20}) EXPECT_EQ(QmAudio_FillSilence2(t, u8, 1), E_FAIL) << t;
    EXPECT_EQ(QmAudio_FillSilence2(17, nullptr, 1), E_POINTER);
}

}  // namespace

// Every SIMD converter gives the bytes of its scalar reference: special float values, random bit
// patterns, odd lengths, unaligned buffers and gains; and it writes nothing outside its run. Variants
// for instruction sets the processor lacks are skipped.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "framework/audio.h"
#include "framework/audio_convert.h"
#include "platform/cpu_features.h"

namespace {

using namespace qm::audio;

constexpr QMSAMPLETYPE kTypes[] = {16, 17, 18, 19, 32, 33, 48, 49, 64, 65, 66, 128, 129};
constexpr size_t kLengths[] = {0, 1, 3, 7, 265, 1023};
constexpr size_t kOffsets[] = {0, 1, 3, 4};
constexpr float kGains[] = {1.0f, 0.5f, -0.70710677f, 3.0f, 1e-3f, 65536.0f, 0.99999994f};
constexpr uint8_t kGuard = 0xCD;

float Bits(uint32_t u) {
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

// Float inputs that break careless SIMD: NaNs of both signs and a signalling one, infinities, denormals,
// full scale and its neighbours, ties at the 16- and 24-bit grids, values that overflow when scaled,
// then random values around full scale and random bit patterns.
std::vector<uint8_t> FloatInput(size_t samples, std::mt19937& rng) {
    const float specials[] = {0.0f, -0.0f, 1.0f, -1.0f, 0.5f, Bits(0x3F800001), Bits(0xBF800001), Bits(0x3F7FFFFF),
                              Bits(0xBF7FFFFF), 2.0f, -2.0f, Bits(0x7F800000), Bits(0xFF800000), Bits(0x7FC00000),
                              Bits(0xFFC00000), Bits(0x7FA00001), Bits(0x00000001), Bits(0x807FFFFF),
                              Bits(0x7F7FFFFF), Bits(0xFF7FFFFF), 0.5f / 32768, 1.5f / 32768, -2.5f / 32768,
                              32767.5f / 32768, -32768.5f / 32768, 0.5f / 8388608, -8388607.5f / 8388608,
                              8388606.5f / 8388608, 1e30f, -1e30f, Bits(0x4F000000) /* 2^31 */};
    std::uniform_real_distribution<float> nearFullScale(-1.25f, 1.25f);
    std::vector<float> v(samples);
    for (size_t i = 0; i < samples; ++i) {
        if (i < sizeof(specials) / sizeof(specials[0])) v[i] = specials[(i * 7) % (sizeof(specials) / sizeof(specials[0]))];
        else if (i % 3 == 0) v[i] = Bits(uint32_t(rng()));
        else v[i] = nearFullScale(rng);
    }
    std::vector<uint8_t> bytes(samples * 4);
    if (samples) std::memcpy(bytes.data(), v.data(), bytes.size());
    return bytes;
}

// Integer inputs: random bytes with the extremes of every width at the start.
std::vector<uint8_t> IntInput(size_t bytes, std::mt19937& rng) {
    std::vector<uint8_t> v(bytes);
    for (uint8_t& b : v) b = uint8_t(rng());
    const uint8_t extremes[] = {0x00, 0x00, 0x00, 0x80, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x80};
    for (size_t i = 0; i < bytes && i < sizeof(extremes); ++i) v[i] = extremes[i];
    return v;
}

std::vector<uint8_t> Input(QMSAMPLETYPE type, size_t samples, std::mt19937& rng) {
    return type == QMST_FLOAT32 ? FloatInput(samples, rng) : IntInput(samples * size_t(SampleTypeBytes(type)), rng);
}

// Runs both converters on copies of one input placed at the given byte offsets; the output buffers
// carry guard bytes around the run.
template <typename Call>
void ExpectSameBytes(size_t outBytes, Call call) {
    for (size_t dstOff : kOffsets) {
        std::vector<uint8_t> ref(outBytes + dstOff + 16, kGuard), simd(outBytes + dstOff + 16, kGuard);
        call(ref.data() + dstOff, simd.data() + dstOff);
        ASSERT_EQ(ref, simd) << "dst offset " << dstOff;
        for (size_t i = 0; i < dstOff; ++i) ASSERT_EQ(simd[i], kGuard);
        for (size_t i = outBytes + dstOff; i < simd.size(); ++i) ASSERT_EQ(simd[i], kGuard);
    }
}

TEST(AudioSse2Copy, MatchesReferenceBitForBit) {
    std::mt19937 rng(4711);
    int pairs = 0;
    for (QMSAMPLETYPE d : kTypes) {
        for (QMSAMPLETYPE s : kTypes) {
            const QMAUDIOCOPYPROC simd = Sse2CopyFunction(d, s), ref = ReferenceCopyFunction(d, s);
            if (!simd) continue;
            ASSERT_NE(ref, nullptr) << d << "<-" << s;
            ++pairs;
            const size_t db = size_t(SampleTypeBytes(d));
            for (size_t n : kLengths) {
                const std::vector<uint8_t> input = Input(s, n, rng);
                for (size_t srcOff : kOffsets) {
                    std::vector<uint8_t> src(input.size() + srcOff + 1);
                    if (n) std::memcpy(src.data() + srcOff, input.data(), input.size());
                    for (float gain : kGains) {
                        SCOPED_TRACE(testing::Message() << d << "<-" << s << " n=" << n << " src+" << srcOff << " gain " << gain);
                        ExpectSameBytes(n * db, [&](uint8_t* r, uint8_t* v) {
                            ref(r, src.data() + srcOff, DWORD(n), gain);
                            simd(v, src.data() + srcOff, DWORD(n), gain);
                        });
                    }
                }
            }
        }
    }
    EXPECT_GE(pairs, 9);
}

// Every instruction set with interleavers, whether the processor runs it, and its table.
struct InterleaveSet {
    const char* name;
    bool (*available)();
    QMAUDIOINTERLEAVEPROC (*lookup)(QMSAMPLETYPE, QMSAMPLETYPE);
    int pairs;  // how many pairs the set serves, so a table that loses an entry fails
};
const InterleaveSet kInterleaveSets[] = {
    {"sse2", qm::platform::CpuHasSse2, Sse2InterleaveFunction, 4},
    {"ssse3", qm::platform::CpuHasSsse3, Ssse3InterleaveFunction, 1},
    {"avx2", qm::platform::CpuHasAvx2, Avx2InterleaveFunction, 4},
};

class AudioInterleaveVariant : public ::testing::TestWithParam<InterleaveSet> {};

// Lengths around the variants' block sizes (4 and 8 frames) test their remainders and the re-converted
// last block, and the room each block's wide store assumes after it.
TEST_P(AudioInterleaveVariant, MatchesReferenceBitForBit) {
    const InterleaveSet& set = GetParam();
    if (!set.available()) GTEST_SKIP() << "processor lacks " << set.name;
    constexpr size_t kFrames[] = {0, 1, 3, 4, 5, 7, 8, 9, 12, 15, 16, 17, 31, 265, 1023};
    std::mt19937 rng(815);
    int pairs = 0;
    for (QMSAMPLETYPE d : kTypes) {
        for (QMSAMPLETYPE s : kTypes) {
            const QMAUDIOINTERLEAVEPROC simd = set.lookup(d, s);
            if (!simd) continue;
            ASSERT_EQ(s, QMST_FLOAT32) << set.name;
            const QMAUDIOINTERLEAVEPROC ref = ReferenceInterleaveFunction(d, s);
            ASSERT_NE(ref, nullptr) << d;
            ++pairs;
            for (size_t n : kFrames) {
                const std::vector<uint8_t> input = FloatInput(2 * n, rng);
                for (size_t srcOff : kOffsets) {
                    // Left and right at different misalignments, as two plug-in output buffers may be.
                    std::vector<uint8_t> left(n * 4 + 8), right(n * 4 + 8);
                    if (n) {
                        std::memcpy(left.data() + srcOff, input.data(), n * 4);
                        std::memcpy(right.data() + (srcOff ^ 1), input.data() + n * 4, n * 4);
                    }
                    SCOPED_TRACE(testing::Message() << set.name << " " << d << " n=" << n << " src+" << srcOff);
                    ExpectSameBytes(2 * n * size_t(SampleTypeBytes(d)), [&](uint8_t* r, uint8_t* v) {
                        ref(r, left.data() + srcOff, right.data() + (srcOff ^ 1), DWORD(n));
                        simd(v, left.data() + srcOff, right.data() + (srcOff ^ 1), DWORD(n));
                    });
                }
            }
        }
    }
    EXPECT_EQ(pairs, set.pairs) << set.name;
}

INSTANTIATE_TEST_SUITE_P(Sets, AudioInterleaveVariant, ::testing::ValuesIn(kInterleaveSets),
                         [](const ::testing::TestParamInfo<InterleaveSet>& param) { return std::string(param.param.name); });

}  // namespace

// qmvsti preset and the state options of render, as a user runs them: files described field by
// field, refusals with their exit codes, and round trips through Debian's real instruments.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "integration/posix/cli_session.h"

namespace {

namespace fs = std::filesystem;
using namespace qm::test;

class PresetsCli : public CliSession {
protected:
    void SetUp() override { CliSession::SetUp(), environment_ = kPlugInsLeak; }
    static bool RealPlugIn(const char* module) { return fs::exists(fs::path("/usr/lib/vst") / module); }
};

TEST_F(PresetsCli, RefusalsNameTheFieldAndTheOwner) {
    ASSERT_EQ(Qmvsti("preset save -p " + TestModule("qmref.so") + " " + File("ref.fxb")).code, 0);
    const std::string bank = ReadAll(home_ / "ref.fxb");
    WriteBytes((home_ / "cut.fxb").string(), Bytes(bank.begin(), bank.begin() + 100));
    const CliOutcome cut = Qmvsti("preset show " + File("cut.fxb"));
    EXPECT_EQ(cut.code, 7);
    EXPECT_NE(cut.err.find("malformed at offset 28"), std::string::npos) << cut.err;

    const CliOutcome foreign = Render(TestModule("qmref_chunk.so"), "x.wav", "--preset " + File("ref.fxb"));
    EXPECT_EQ(foreign.code, 6) << foreign.err;
    EXPECT_NE(foreign.err.find("a bank of plug-in "), std::string::npos) << foreign.err;
    EXPECT_FALSE(fs::exists(home_ / "x.wav"));

    WriteBytes((home_ / "junk.state").string(), {9, 0, 0, 0});
    EXPECT_EQ(Render(TestModule("qmref.so"), "y.wav", "--load-state " + File("junk.state")).code, 7);
}

// Nekobi keeps its sound in parameters: a preset with two values changed, loaded into a fresh
// instance, renders the same as the state saved from that render.
TEST_F(PresetsCli, NekobiParameterFormRoundTrip) {
    if (!RealPlugIn("Nekobi-vst.so")) GTEST_SKIP() << "Nekobi is not installed";
    const std::string nekobi = Quote("/usr/lib/vst/Nekobi-vst.so");
    ASSERT_EQ(Qmvsti("preset save -p " + nekobi + " " + File("n.fxp")).code, 0);
    const std::string saved = ReadAll(home_ / "n.fxp");
    Bytes preset(saved.begin(), saved.end());
    ASSERT_EQ(preset.size(), 56u + 4 * 8);
    const Bytes changed = {0x3E, 0x4C, 0xCC, 0xCD, 0x3F, 0x66, 0x66, 0x66};  // 0.2 and 0.9
    std::copy(changed.begin(), changed.end(), preset.begin() + 56);
    WriteBytes((home_ / "n2.fxp").string(), preset);

    ASSERT_EQ(Render(nekobi, "plain.wav").code, 0);
    ASSERT_EQ(Render(nekobi, "preset.wav", "--preset " + File("n2.fxp") + " --save-state " + File("n.state")).code, 0);
    ASSERT_EQ(Render(nekobi, "state.wav", "--load-state " + File("n.state")).code, 0);
    EXPECT_TRUE(ReadAll(home_ / "preset.wav") == ReadAll(home_ / "state.wav"));
    EXPECT_FALSE(ReadAll(home_ / "preset.wav") == ReadAll(home_ / "plain.wav"));
    // Nekobi rounds what it is given (its waveform is a switch): compare what it reports both ways.
    ASSERT_EQ(Qmvsti("preset save -p " + nekobi + " --preset " + File("n2.fxp") + " " + File("n3.fxp")).code, 0);
    ASSERT_EQ(Qmvsti("preset save -p " + nekobi + " --load-state " + File("n.state") + " " + File("n4.fxp")).code, 0);
    EXPECT_TRUE(ReadAll(home_ / "n3.fxp") == ReadAll(home_ / "n4.fxp"));
    EXPECT_FALSE(ReadAll(home_ / "n3.fxp") == ReadAll(home_ / "n.fxp"));
}

// amsynth keeps its sound in a chunk: a bank loaded into a fresh instance saves the same bytes, and
// so does the state saved after rendering with it.
TEST_F(PresetsCli, AmsynthChunkFormRoundTrip) {
    if (!RealPlugIn("amsynth_vst.so")) GTEST_SKIP() << "amsynth is not installed";
    const std::string amsynth = Quote("/usr/lib/vst/amsynth_vst.so");
    ASSERT_EQ(Qmvsti("preset save -p " + amsynth + " --program 3 " + File("a.fxb")).code, 0);
    ASSERT_EQ(Qmvsti("preset save -p " + amsynth + " --preset " + File("a.fxb") + " " + File("b.fxb")).code, 0);
    EXPECT_TRUE(ReadAll(home_ / "a.fxb") == ReadAll(home_ / "b.fxb"));
    EXPECT_NE(Qmvsti("preset show " + File("a.fxb")).out.find("bank, chunk form"), std::string::npos);

    ASSERT_EQ(Render(amsynth, "a.wav", "--preset " + File("a.fxb") + " --save-state " + File("a.state")).code, 0);
    ASSERT_EQ(Render(amsynth, "b.wav", "--load-state " + File("a.state") + " --save-state " + File("b.state")).code, 0);
    EXPECT_TRUE(ReadAll(home_ / "a.state") == ReadAll(home_ / "b.state"));
    ASSERT_EQ(Qmvsti("preset save -p " + amsynth + " --load-state " + File("a.state") + " " + File("c.fxb")).code, 0);
    EXPECT_TRUE(ReadAll(home_ / "a.fxb") == ReadAll(home_ / "c.fxb"));
}

}  // namespace

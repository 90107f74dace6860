// qmvsti and the extra outputs as a user meets them: info lists the buses, render --buses writes one
// file per bus beside an unchanged main file and --outputs multi all of them in one file, --midi-out
// records the instrument's MIDI into a file that renders again, and amsynth's stereo main pair as the
// AssumeStereoPins setting decides it.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "integration/posix/cli_session.h"

namespace {

namespace fs = std::filesystem;
using namespace qm::test;

bool LeftEqualsRight(const std::vector<float>& samples) {
    for (size_t i = 0; i + 1 < samples.size(); i += 2) {
        if (samples[i] != samples[i + 1]) return false;
    }
    return true;
}

class BusesCli : public CliSession {
protected:
    void SetUp() override {
        CliSession::SetUp();
        // One note per MIDI channel 1 to 4 for a second: every output of the multi-output synth sounds.
        WriteBytes((home_ / "song.mid").string(),
                   Cat({Header(0, 1, 480),
                        Chunk(Cat({Tempo(0, 500000), Event(0, {0x90, 60, 100}), Event(0, {0x91, 64, 100}),
                                   Event(0, {0x92, 67, 100}), Event(0, {0x93, 72, 100}), Event(960, {0x80, 60, 0}),
                                   Event(0, {0x81, 64, 0}), Event(0, {0x82, 67, 0}), Event(0, {0x83, 72, 0}),
                                   EndOfTrack()}))}));
    }
    static std::string Plugin(const char* name) { return TestModule(std::string(name) + ".so"); }
};

TEST_F(BusesCli, InfoListsTheBusesAndRenderWritesEachBesideAnUnchangedMainFile) {
    const CliOutcome info = Qmvsti("info " + Plugin("qmref_multi"));
    ASSERT_EQ(info.code, 0) << info.err;
    EXPECT_NE(info.out.find("Outputs:    3 extra bus(es)\n  bus 0:    Aux Mono A\n  bus 1:    Aux Mono B\n"
                            "  bus 2:    Aux L/Aux R\n"),
              std::string::npos)
        << info.out;

    ASSERT_EQ(Render(Plugin("qmref_multi"), "plain.wav").code, 0);
    ASSERT_EQ(Render(Plugin("qmref_multi"), "all.wav", "--outputs all").code, 0);
    EXPECT_TRUE(ReadAll(home_ / "plain.wav") == ReadAll(home_ / "all.wav"));  // the main pair is unchanged
    EXPECT_FALSE(fs::exists(home_ / "plain-Aux Mono A.wav"));
    const CliOutcome run = Render(Plugin("qmref_multi"), "multi.wav", "--buses --format f32");
    ASSERT_EQ(run.code, 0) << run.err;
    std::vector<std::vector<float>> pairs = {Samples(home_ / "multi.wav")};
    for (const char* bus : {"Aux Mono A", "Aux Mono B", "Aux L_Aux R"}) {
        SCOPED_TRACE(bus);
        int channels = 0;
        pairs.push_back(Samples(home_ / ("multi-" + std::string(bus) + ".wav"), &channels));
        EXPECT_EQ(channels, 2);
        EXPECT_EQ(pairs.back().size(), pairs[0].size());
        EXPECT_GT(Peak(pairs.back()), 0.01);
        // Mono pins play on both channels; the stereo pair's pins are panned alike here.
        EXPECT_TRUE(LeftEqualsRight(pairs.back()));
    }

    // One file of eight channels: the main pair, then each bus's pair, as the separate files hold them.
    ASSERT_EQ(Render(Plugin("qmref_multi"), "eight.wav", "--outputs multi --format f32").code, 0);
    int channels = 0;
    const std::vector<float> eight = Samples(home_ / "eight.wav", &channels);
    ASSERT_EQ(channels, 8);
    ASSERT_EQ(eight.size(), pairs[0].size() * 4);
    for (size_t frame = 0; frame < pairs[0].size() / 2; ++frame) {
        for (size_t channel = 0; channel < 8; ++channel) {
            ASSERT_EQ(eight[frame * 8 + channel], pairs[channel / 2][frame * 2 + channel % 2]) << frame << " " << channel;
        }
    }
    // The extensible header names the 7.1 speakers.
    const std::string header = ReadAll(home_ / "eight.wav").substr(0, 48);
    EXPECT_EQ(static_cast<unsigned char>(header[20]) | static_cast<unsigned char>(header[21]) << 8, 0xFFFE);
    EXPECT_EQ(static_cast<unsigned char>(header[40]), 0xFF);
    EXPECT_EQ(Render(Plugin("qmref_multi"), "x.wav", "--outputs both").code, 2);
}

TEST_F(BusesCli, MidiOutRecordsTheInstrumentsMidiIntoAFileThatRendersAgain) {
    const CliOutcome run = Render(Plugin("qmref_midiout"), "m.wav", "--midi-out " + Quote((home_ / "out.mid").string()));
    ASSERT_EQ(run.code, 0) << run.err;
    const std::string bytes = ReadAll(home_ / "out.mid");
    ASSERT_GE(bytes.size(), 22u);
    EXPECT_EQ(bytes.substr(0, 4), "MThd");
    for (const char note : {72, 76, 79, 84}) {  // the four note-ons an octave up
        EXPECT_NE(bytes.find(std::string{note, 100}), std::string::npos) << int(note);
    }
    fs::copy_file(home_ / "out.mid", home_ / "song.mid", fs::copy_options::overwrite_existing);
    const CliOutcome again = Render(Plugin("qmref"), "again.wav");
    EXPECT_EQ(again.code, 0) << again.err;
    EXPECT_GT(Peak(Samples(home_ / "again.wav")), 0.01);
    // An instrument that sends nothing leaves a file of its header, tempo and end of track only.
    ASSERT_EQ(Render(Plugin("qmnull"), "n.wav", "--midi-out " + Quote((home_ / "out.mid").string())).code, 0);
    EXPECT_EQ(ReadAll(home_ / "out.mid").size(), 14u + 8u + 7u + 4u);
}

double LeftPeak(const std::vector<float>& samples) {
    double peak = 0.0;
    for (size_t i = 0; i < samples.size(); i += 2) peak = std::max(peak, static_cast<double>(std::fabs(samples[i])));
    return peak;
}

// amsynth and ZynAddSubFX describe no pins. By default the host gets their own two channels, which
// differ in a sound with stereo effects; with AssumeStereoPins off, output 0 goes to both sides at -3 dB.
TEST_F(BusesCli, InstrumentsWithoutPinPropertiesKeepTheirStereoPairUnlessAssumeStereoPinsIsOff) {
    const struct { const char* module; const char* options; } cases[] = {
        {"/usr/lib/vst/amsynth_vst.so", "--format f32 --program 5"},  // "Caves", with reverb
        {"/usr/lib/vst/ZynAddSubFX.so", "--format f32"}};
    environment_ = kPlugInsLeak;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.module);
        if (!fs::exists(c.module)) GTEST_SKIP() << c.module << " is not installed";
        ASSERT_EQ(Qmvsti("settings AssumeStereoPins=1").code, 0);
        ASSERT_EQ(Render(Quote(c.module), "stereo.wav", c.options).code, 0);
        const std::vector<float> stereo = Samples(home_ / "stereo.wav");
        ASSERT_GT(LeftPeak(stereo), 0.001);
        EXPECT_FALSE(LeftEqualsRight(stereo));
        ASSERT_EQ(Qmvsti("settings AssumeStereoPins=0").code, 0);
        ASSERT_EQ(Render(Quote(c.module), "mono.wav", c.options).code, 0);
        const std::vector<float> mono = Samples(home_ / "mono.wav");
        EXPECT_TRUE(LeftEqualsRight(mono));
        EXPECT_NEAR(LeftPeak(mono) / LeftPeak(stereo), 0.707, 0.01);
    }
}

}  // namespace

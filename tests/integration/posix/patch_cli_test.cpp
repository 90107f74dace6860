// qmvsti and the instruments' MIDI devices as a user sees them: the lists of info, render --program
// and --set on the reference synth, info and --program on amsynth, and what the host's patch
// listener heard.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "integration/posix/cli_session.h"

namespace {

namespace fs = std::filesystem;
using namespace qm::test;

class PatchCli : public CliSession {
protected:
    void SetUp() override {
        CliSession::SetUp();
        // The small song with control change 16 (the reference synth's self-automated Pan) ahead.
        WriteBytes((home_ / "song.mid").string(),
                   Cat({Header(1, 2, 480), Chunk(Cat({Tempo(0, 500000), EndOfTrack()})),
                        Chunk(Cat({Event(0, {0xB0, 16, 32}), Event(0, {0x90, 60, 100}), Event(960, {0x80, 60, 0}),
                                   EndOfTrack(960)}))}));
        environment_ = kPlugInsLeak;
    }
    std::string Render(const std::string& plugIn, const fs::path& output, const std::string& extra = "") {
        return RenderArguments(plugIn, output, "--tail 0 " + extra);
    }
    static double Peak(const fs::path& path) { return CliSession::Peak(Samples(path)); }
    static std::vector<std::string> Lines(const std::string& text) {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
};

TEST_F(PatchCli, InfoListsPatchesParametersAndControllers) {
    const CliOutcome text = Qmvsti("info " + TestModule("qmref_names.so") + " --programs --params --controllers");
    ASSERT_EQ(text.code, 0) << text.err;
    const std::vector<std::string> lines = Lines(text.out);
    // Ten patches on two channels, four parameters, 136 controllers, three headers, two blank lines.
    ASSERT_EQ(lines.size(), 10u + 4u + 136u + 3u + 2u);
    EXPECT_EQ(lines[1], "0     0    0       0   0   0     Init");
    EXPECT_EQ(lines[10], "1     1    1       0   1   2     Kit B");
    EXPECT_EQ(lines[13].rfind("0     Gain ", 0), 0u);
    EXPECT_NE(lines[13].find("dB"), std::string::npos);
    EXPECT_NE(lines[13].find("-6.0"), std::string::npos);  // the display text, from the plug-in
    EXPECT_NE(lines[15].find("-12..12"), std::string::npos);  // Pitch: its integer range
    EXPECT_NE(lines.back().find("Data Entry Off"), std::string::npos);

    const CliOutcome json = Qmvsti("--json info " + TestModule("qmref_names.so") + " --params");
    ASSERT_EQ(json.code, 0) << json.err;
    EXPECT_NE(json.out.find("{\"index\": 1, \"name\": \"Mute\", \"label\": \"\", \"display\": \"Off\", \"value\": 0, "
                            "\"hostValue\": 0, \"minimum\": 0, \"maximum\": 1}"),
              std::string::npos)
        << json.out;
}

TEST_F(PatchCli, RenderSetsParametersAndSelectsProgramsThroughTheDevice) {
    const fs::path plain = home_ / "plain.wav", quiet = home_ / "quiet.wav", full = home_ / "full.wav";
    ASSERT_EQ(Qmvsti(Render(TestModule("qmref.so"), plain)).code, 0);
    ASSERT_EQ(Qmvsti(Render(TestModule("qmref.so"), home_ / "muted.wav", "--set gain=0")).code, 0);
    EXPECT_GT(Peak(plain), 0.01);
    EXPECT_EQ(Peak(home_ / "muted.wav"), 0.0);
    // Programs 1 ("Quiet", gain 0.25) and 2 ("Full", gain 1): four times the level.
    const CliOutcome first = Qmvsti(Render(TestModule("qmref.so"), quiet, "--program 1"));
    const CliOutcome second = Qmvsti("-v " + Render(TestModule("qmref.so"), full, "--program 2 --set 3=0.5"));
    ASSERT_EQ(first.code, 0) << first.err;
    ASSERT_EQ(second.code, 0) << second.err;
    EXPECT_NEAR(Peak(full) / Peak(quiet), 4.0, 0.01);
    EXPECT_NE(second.out.find("program 2 \"Full\""), std::string::npos) << second.out;
    // The listener heard the patch change while playing and the synth's own edit of Pan.
    EXPECT_NE(second.err.find("patch-change kind=0xC001 position=0"), std::string::npos) << second.err;
    EXPECT_NE(second.err.find("parameter-gesture begin index=3"), std::string::npos) << second.err;
    EXPECT_NE(second.err.find("parameter-value index=3 word=0 value=25.1968 range=0..100"), std::string::npos);
    EXPECT_NE(second.err.find("close kind=1"), std::string::npos);

    // Display texts go through the plug-in: 12 semitones is what program 5 ("Octave Up") has.
    const fs::path up = home_ / "up.wav", octave = home_ / "octave.wav";
    ASSERT_EQ(Qmvsti(Render(TestModule("qmref.so"), up, "--set Pitch=12")).code, 0);
    ASSERT_EQ(Qmvsti(Render(TestModule("qmref.so"), octave, "--program 5")).code, 0);
    EXPECT_TRUE(ReadAll(up) == ReadAll(octave));
    EXPECT_FALSE(ReadAll(up) == ReadAll(plain));

    // Mistakes: exit code 2, and for a --set the valid names follow the reason.
    for (const char* wrong : {"--set Volume=1", "--set gain=1.5", "--set 9=0", "--set pitch=13", "--set gain", "--program 8"}) {
        SCOPED_TRACE(wrong);
        const CliOutcome run = Qmvsti(Render(TestModule("qmref.so"), home_ / "wrong.wav", wrong));
        EXPECT_EQ(run.code, 2);
        if (std::strchr(wrong, '=') != nullptr) {
            EXPECT_NE(run.err.find("valid names:\n  0 Gain\n  1 Mute"), std::string::npos) << run.err;
        }
        EXPECT_FALSE(fs::exists(home_ / "wrong.wav"));
    }
}

TEST_F(PatchCli, AmsynthListsItsProgramsAndParametersAndPlaysTheChosenOne) {
    const fs::path amsynth = "/usr/lib/vst/amsynth_vst.so";
    if (!fs::exists(amsynth)) GTEST_SKIP() << "amsynth is not installed";
    // Every program in the plain numbering ("Program %d": it names only its current
    // program), its 41 parameters; the names by selection.
    const CliOutcome facts = Qmvsti("info " + Quote(amsynth.string()));
    ASSERT_EQ(facts.code, 0) << facts.err;
    const size_t at = facts.out.find("Programs:   ");
    ASSERT_NE(at, std::string::npos);
    const long programs = std::stol(facts.out.substr(at + 12));
    const CliOutcome lists = Qmvsti("info " + Quote(amsynth.string()) + " --programs --params");
    ASSERT_EQ(lists.code, 0) << lists.err;
    const std::vector<std::string> lines = Lines(lists.out);
    ASSERT_EQ(lines.size(), static_cast<size_t>(programs) + 41u + 3u);
    // Groups are blocks of programs / 16 (at least 16) patches.
    const long group = 200 / std::max(programs / 16, 16L);
    char patch200[64];
    std::snprintf(patch200, sizeof patch200, "200   0    72      1   0   %-5ld Program 201", group);
    EXPECT_EQ(lines[201], patch200);
    EXPECT_EQ(lines[static_cast<size_t>(programs) + 3].rfind("0     amp_attack ", 0), 0u);
    const CliOutcome named = Qmvsti("info " + Quote(amsynth.string()) + " --programs --select-names");
    ASSERT_EQ(named.code, 0);
    EXPECT_NE(Lines(named.out)[1].find("0     0    0       0   0   0     "), std::string::npos);
    EXPECT_EQ(Lines(named.out)[1].find("Program 1"), std::string::npos);

    // --program picks a named patch and the summary names it as the plug-in does.
    const CliOutcome five = Qmvsti(Render(Quote(amsynth.string()), home_ / "am5.wav", "--program 5"));
    ASSERT_EQ(five.code, 0) << five.err;
    EXPECT_NE(five.out.find("program 5 \"Caves\""), std::string::npos) << five.out;
    ASSERT_EQ(Qmvsti(Render(Quote(amsynth.string()), home_ / "am0.wav", "--program 0")).code, 0);
    EXPECT_FALSE(ReadAll(home_ / "am0.wav") == ReadAll(home_ / "am5.wav"));
}

}  // namespace

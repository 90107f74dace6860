// qmvsti render as a user runs it: a small song through the reference instrument into every sample
// format, the errors a user can make, and the real instruments Debian ships.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "integration/host_smf_builder.h"
#include "integration/posix/cli_session.h"

namespace {

namespace fs = std::filesystem;
using namespace qm::test;

// Two seconds at 120 bpm (480 ticks per quarter): a C major chord, then a melody note, both ended
// before the end of track at tick 1920.
Bytes SmallSong() {
    return Cat({Header(1, 2, 480), Chunk(Cat({Tempo(0, 500000), EndOfTrack()})),
                Chunk(Cat({Event(0, {0x90, 60, 100}), Event(0, {64, 100}), Event(0, {67, 100}),
                           Event(960, {0x80, 60, 0}), Event(0, {64, 0}), Event(0, {67, 0}),
                           Event(0, {0x90, 72, 110}), Event(720, {0x80, 72, 0}), EndOfTrack(240)}))});
}

struct AudioFacts {
    bool opened = false;
    int channels = 0, rate = 0, subtype = 0, container = 0;
    long long frames = 0;
    double peak = 0.0;
};

class HostRenderCli : public CliSession {
protected:
    HostRenderCli() : CliSession("qmvsti_render_") {}
    void SetUp() override {
        CliSession::SetUp();
        song_ = home_ / "song.mid";
        const Bytes bytes = SmallSong();
        std::ofstream(song_, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                     static_cast<std::streamsize>(bytes.size()));
    }
    static std::string Ref() { return Quote((BinFolder() / "testplugins" / "qmref.so").string()); }
    std::string Render(const std::string& plugIn, const fs::path& output, const std::string& extra = "") {
        return "render -p " + plugIn + " -i " + Quote(song_.string()) + " -o " + Quote(output.string()) + " " + extra;
    }
    static AudioFacts Inspect(const fs::path& path) {
        AudioFacts facts;
        SF_INFO info{};
        SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
        if (file == nullptr) return facts;
        facts.opened = true;
        facts.channels = info.channels;
        facts.rate = info.samplerate;
        facts.frames = info.frames;
        facts.subtype = info.format & SF_FORMAT_SUBMASK;
        facts.container = info.format & SF_FORMAT_TYPEMASK;
        std::vector<float> samples(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
        sf_readf_float(file, samples.data(), info.frames);
        for (float v : samples) facts.peak = std::fmax(facts.peak, std::fabs(v));
        sf_close(file);
        return facts;
    }

    fs::path song_;
};

TEST_F(HostRenderCli, SongThroughReferenceInstrumentHasSongPlusTailAndSound) {
    const fs::path wav = home_ / "out.wav";
    const CliOutcome run = Qmvsti(Render(Ref(), wav, "--rate 22050 --tail 0.5"));
    ASSERT_EQ(run.code, 0) << run.err;
    const AudioFacts facts = Inspect(wav);
    ASSERT_TRUE(facts.opened);
    EXPECT_EQ(facts.channels, 2);
    EXPECT_EQ(facts.rate, 22050);
    EXPECT_EQ(facts.frames, 2 * 22050 + 22050 / 2);
    EXPECT_EQ(facts.subtype, SF_FORMAT_PCM_16);
    EXPECT_GT(facts.peak, 0.01);
    // The summary names the file, the length, the levels and the speed.
    EXPECT_NE(run.out.find("out.wav: 2.50 s (55125 frames, 22050 Hz, s16 stereo), peak "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(" dBFS, RMS "), std::string::npos);
    EXPECT_NE(run.out.find("x realtime"), std::string::npos);
    EXPECT_EQ(run.err.find("rendering ["), std::string::npos) << "no progress bar when stderr is a file";
}

TEST_F(HostRenderCli, EveryFormatWritesItsSampleWidth) {
    const struct {
        const char* format;
        const char* name;
        int subtype, container;
    } cases[] = {
        {"s16", "a.wav", SF_FORMAT_PCM_16, SF_FORMAT_WAV}, {"s24", "b.wav", SF_FORMAT_PCM_24, SF_FORMAT_WAV},
        {"s32", "c.wav", SF_FORMAT_PCM_32, SF_FORMAT_WAV}, {"f32", "d.wav", SF_FORMAT_FLOAT, SF_FORMAT_WAV},
        {"s24", "e.flac", SF_FORMAT_PCM_24, SF_FORMAT_FLAC}, {"s16", "f.FLAC", SF_FORMAT_PCM_16, SF_FORMAT_FLAC},
    };
    for (const auto& c : cases) {
        const fs::path out = home_ / c.name;
        const CliOutcome run = Qmvsti(Render(Ref(), out, std::string("--tail 0 --format ") + c.format));
        ASSERT_EQ(run.code, 0) << c.format << " " << c.name << ": " << run.err;
        const AudioFacts facts = Inspect(out);
        EXPECT_EQ(facts.subtype, c.subtype) << c.name;
        EXPECT_EQ(facts.container, c.container) << c.name;
        EXPECT_EQ(facts.frames, 2 * 44100) << c.name;
        EXPECT_GT(facts.peak, 0.01) << c.name;
    }
}

TEST_F(HostRenderCli, UserMistakesGiveTheirExitCodes) {
    const fs::path bad = home_ / "bad.mid";
    const Bytes broken = Cat({Header(0, 1, 480), Chunk({0x00, 0x40, 0x40, 0x40})});  // data byte, no status
    std::ofstream(bad, std::ios::binary).write(reinterpret_cast<const char*>(broken.data()),
                                               static_cast<std::streamsize>(broken.size()));
    const CliOutcome malformed = Qmvsti("render -p " + Ref() + " -i " + Quote(bad.string()) + " -o " + Quote((home_ / "x.wav").string()));
    EXPECT_EQ(malformed.code, 7);
    EXPECT_NE(malformed.err.find("offset 23: data byte 0x40 without running status"), std::string::npos) << malformed.err;
    EXPECT_FALSE(fs::exists(home_ / "x.wav"));

    const CliOutcome unknown = Qmvsti(Render("NoSuchSynth", home_ / "y.wav"));
    EXPECT_EQ(unknown.code, 3);
    EXPECT_NE(unknown.err.find("unknown plug-in NoSuchSynth"), std::string::npos) << unknown.err;

    const struct {
        std::string arguments;
        const char* message;
    } usage[] = {
        {Render(Ref(), home_ / "z.mp3"), "use a .wav or .flac name"},
        {Render(Ref(), home_ / "z.flac", "--format f32"), "FLAC holds at most 24-bit"},
        {Render(Ref(), home_ / "z.wav", "--format s8"), "unknown sample format s8"},
        {Render(Ref(), home_ / "z.wav", "--rate 100"), "--rate must be"},
        {Render(Ref(), home_ / "z.wav", "--program 128"), "--program must be"},
        {Render(Ref(), home_ / "z.wav", "--tail -1"), "--tail must be"},
        {Render(Ref(), home_ / "z.wav", "--tail"), "--tail needs a value"},
        {"render -i " + Quote(song_.string()) + " -o z.wav", "render needs an instrument"},
        {"render -p " + Ref() + " -o z.wav", "render needs a MIDI file"},
    };
    for (const auto& c : usage) {
        const CliOutcome run = Qmvsti(c.arguments);
        EXPECT_EQ(run.code, 2) << c.arguments;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.arguments << ": " << run.err;
    }
    EXPECT_EQ(Qmvsti("render -p " + Ref() + " -i " + Quote((home_ / "none.mid").string()) + " -o " +
                     Quote((home_ / "w.wav").string())).code,
              4);
}

TEST_F(HostRenderCli, ProgramOptionRendersAndJsonSummaryParses) {
    const fs::path wav = home_ / "p.wav";
    const CliOutcome run = Qmvsti("--json " + Render(Ref(), wav, "--program 3 --tail 0.25"));
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out.find("{\"output\": "), 0u) << run.out;
    EXPECT_NE(run.out.find("\"frames\": 99225"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"events\": 9"), std::string::npos) << run.out;  // 8 note events and the program change
    EXPECT_GT(Inspect(wav).peak, 0.01);
}

// Debian's instruments: sound of the right length; the deterministic ones render the same twice.
TEST_F(HostRenderCli, RealInstrumentsRender) {
    const struct {
        const char* module;
        bool deterministic;
    } plugIns[] = {{"amsynth_vst.so", false}, {"Kars-vst.so", true}, {"Nekobi-vst.so", true}};
    // amsynth never frees some of its own allocations, and LeakSanitizer cannot name them once the
    // module is unloaded; a sanitizer build would fail the program for the plug-in's leak.
    environment_ = "ASAN_OPTIONS=detect_leaks=0 ";
    int rendered = 0;
    for (const auto& p : plugIns) {
        const fs::path module = fs::path("/usr/lib/vst") / p.module;
        if (!fs::exists(module)) continue;
        const fs::path first = home_ / (std::string(p.module) + ".1.wav"), second = home_ / (std::string(p.module) + ".2.wav");
        const CliOutcome run = Qmvsti(Render(Quote(module.string()), first, "--tail 1"));
        ASSERT_EQ(run.code, 0) << p.module << ": " << run.err;
        const AudioFacts facts = Inspect(first);
        EXPECT_EQ(facts.frames, 3 * 44100) << p.module;
        EXPECT_GT(facts.peak, 0.001) << p.module;
        if (p.deterministic) {
            ASSERT_EQ(Qmvsti(Render(Quote(module.string()), second, "--tail 1")).code, 0) << p.module;
            EXPECT_TRUE(ReadAll(first) == ReadAll(second)) << p.module << " differs between two runs";
        }
        ++rendered;
    }
    if (rendered == 0) GTEST_SKIP() << "no real instruments in /usr/lib/vst";
}

}  // namespace

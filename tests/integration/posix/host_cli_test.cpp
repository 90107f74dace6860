// The qmvsti program as a user runs it, each case in a settings folder of its own: usage errors,
// unknown plug-ins and unreadable files; a small song rendered through the reference instrument into
// every sample format, the mistakes a user can make, songs too long, an interrupted render; and the
// real instruments Debian ships, added, scanned, listed, described, disabled and rendered.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "integration/host_smf_builder.h"
#include "integration/posix/cli_session.h"

namespace {

namespace fs = std::filesystem;
using namespace qm::test;

class HostCli : public CliSession {
protected:
    static std::string Ref() { return TestModule("qmref.so"); }
    void UseSong(const Bytes& song) const { WriteBytes((home_ / "song.mid").string(), song); }
};

// Each mistake gives its exit code and message, prints nothing and keeps nothing: usage errors (2),
// unknown plug-ins (3), unreadable files (4), modules that are none (5), malformed and too long songs
// (7, the limit read in every form).
TEST_F(HostCli, UserMistakesGiveTheirExitCodesAndKeepNothing) {
    const fs::path x = home_ / "x.wav", junk = home_ / "junk.so";  // a file that is no module
    WriteBytes(junk.string(), {'n', 'o', 'n', 'e'});
    const std::string missing = Quote((home_ / "missing.so").string());
    const Bytes stray = StrayNoteSong();
    const struct { std::string arguments; int code; std::string message; Bytes song = SmallSong(); } cases[] = {
        {"", 2, "no command given"},
        {"frobnicate", 2, "unknown command frobnicate"},
        {"--bogus list", 2, "unknown option --bogus"},
        {"add", 2, "add needs at least one module path"},
        {"info", 2, "info needs exactly one"},
        {"list --library", 2, "--library needs a path"},
        {"info 'No Such Synth'", 3, "unknown plug-in No Such Synth"},
        {"add " + missing, 4, "cannot read"},
        {"add " + Quote(junk.string()), 5, "not added"},
        {"--library " + Quote(junk.string()) + " list", 5, "cannot use the library"},
        {RenderArguments(Ref(), x), 7, "song.mid: the song lasts 77:40:20.27, longer than the limit of 1:00:00 (--max-length); it ends "
                              "with the event at track 1, tick 268435455, offset 30\n", stray},
        {RenderArguments(Ref(), x, "--max-length 90s"), 7, "limit of 0:01:30 ", stray},
        {RenderArguments(Ref(), x, "--max-length=5400"), 7, "limit of 1:30:00 ", stray},
        {RenderArguments(Ref(), x, "--max-length 1.5"), 7, "the song lasts 2.00 s, longer than the limit of 1.50 s "},
        // The reader's warnings come first, one line each.
        {RenderArguments(Ref(), x, "--max-length 1.5"), 7, "qmvsti: warning: " + (home_ / "song.mid").string() + ": offset 0: RIFF MIDI (RMID) file", Rmid(SmallSong())},
        {RenderArguments(Ref(), home_ / "x.mp3"), 2, "use a .wav or .flac name"},
        {RenderArguments(Ref(), home_ / "x.flac", "--format f32"), 2, "FLAC holds at most 24-bit"},
        {RenderArguments(Ref(), x, "--format s8"), 2, "unknown sample format s8"},
        {RenderArguments(Ref(), x, "--rate 100"), 2, "--rate must be"},
        {RenderArguments(Ref(), x, "--max-length 2d"), 2, "--max-length must be a duration up to 1000h"},
        {"render -i " + File("song.mid") + " -o " + Quote(x.string()), 2, "render needs an instrument"},
        {"edit -p " + Ref() + " --save " + File("n.txt"), 2, "--save needs a .fxp"},  // refused before any window
    };
    for (const auto& c : cases) {
        UseSong(c.song);
        const CliOutcome run = Qmvsti(c.arguments);
        EXPECT_EQ(run.code, c.code) << c.arguments;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.arguments << ": " << run.err;
        EXPECT_TRUE(run.out.empty()) << c.arguments;
        EXPECT_FALSE(fs::exists(x)) << c.arguments;
    }
    const CliOutcome list = Qmvsti("--json list");
    EXPECT_EQ(std::make_tuple(list.code, list.out), std::make_tuple(0, std::string("[]\n")));
    const CliOutcome help = Qmvsti("--help");
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("usage: qmvsti"), std::string::npos);
}

// Debian's amsynth and two DPF instruments, as their own AEffect and string opcodes describe them,
// rendering sound of the right length; a DPF effect beside them is refused as no instrument.
TEST_F(HostCli, RealInstrumentsAreAddedListedAndDescribedWithTheirOwnNames) {
    const fs::path vst = "/usr/lib/vst";
    const struct {
        const char* file;
        const char* name;
        const char* vendor;
        long uniqueId;
        const char* idText;
        long version;
        const char* flags;
        int programs, parameters;  // as the instrument's MIDI device counts them
    } instruments[] = {
        {"amsynth_vst.so", "amsynth", "Nick Dowell", 0x616D7379, "amsy", 0, "enabled,instrument,editor", 3712, 41},
        {"Kars-vst.so", "Kars", "falkTX", 0x444B7273, "DKrs", 65792, "enabled,instrument", 1, 3},
        {"Nekobi-vst.so", "Nekobi", "Sean Bolton, falkTX", 0x444E656B, "DNek", 65792, "enabled,instrument,editor", 1, 8},
    };
    const fs::path effect = vst / "MVerb-vst.so";
    std::string paths;
    for (const auto& i : instruments) {
        if (!fs::exists(vst / i.file)) GTEST_SKIP() << (vst / i.file) << " is not installed";
        paths += " " + Quote((vst / i.file).string());
    }
    if (!fs::exists(effect)) GTEST_SKIP() << effect << " is not installed";
    environment_ = kPlugInsLeak;

    CliOutcome run = Qmvsti("add" + paths);
    ASSERT_EQ(run.code, 0) << run.err;
    std::string list, json = "[";
    for (const auto& i : instruments) {
        const std::string path = (vst / i.file).string();
        EXPECT_NE(run.out.find(std::string("added ") + i.name + " (" + i.vendor + ", " + path + ")"), std::string::npos) << run.out;
        char line[512];
        std::snprintf(line, sizeof(line), "%-32s %-24s %-6s %s\n", i.name, i.vendor, i.idText, path.c_str());
        list += line;
        json += std::string(json.size() > 1 ? ", " : "") + "{\"name\": \"" + i.name + "\", \"vendor\": \"" + i.vendor +
                "\", \"uniqueId\": " + std::to_string(i.uniqueId) + ", \"uniqueIdText\": \"" + i.idText +
                "\", \"version\": " + std::to_string(i.version) + ", \"path\": \"" + path + "\"}";
    }
    run = Qmvsti("list");
    EXPECT_EQ(std::make_tuple(run.code, run.out), std::make_tuple(0, list)) << run.err;
    run = Qmvsti("--json list");
    EXPECT_EQ(std::make_tuple(run.code, run.out), std::make_tuple(0, json + "]\n")) << run.err;

    for (const auto& i : instruments) {
        SCOPED_TRACE(i.name);
        run = Qmvsti(std::string("--json info ") + Quote(i.name));
        ASSERT_EQ(run.code, 0) << run.err;
        EXPECT_EQ(run.out, std::string("{\"name\": \"") + i.name + "\", \"product\": \"" + i.name +
                               "\", \"vendor\": \"" + i.vendor + "\", \"path\": \"" + (vst / i.file).string() +
                               "\", \"uniqueId\": " + std::to_string(i.uniqueId) + ", \"uniqueIdText\": \"" +
                               i.idText + "\", \"version\": " + std::to_string(i.version) +
                               ", \"outputs\": 0, \"programs\": " + std::to_string(i.programs) +
                               ", \"parameters\": " + std::to_string(i.parameters) + ", \"instrument\": true, "
                               "\"flags\": \"" + i.flags + "\"}\n");
        run = Qmvsti(RenderArguments(Quote((vst / i.file).string()), std::string(i.file) + ".wav", "--tail 1"));
        ASSERT_EQ(run.code, 0) << run.err;
        const std::vector<float> samples = Samples(home_ / (std::string(i.file) + ".wav"));
        EXPECT_EQ(samples.size(), 2u * 3 * 44100);
        EXPECT_GT(Peak(samples), 0.001);
    }

    // The effect loads, but is no instrument: not added, not listed, described as an effect.
    run = Qmvsti("add " + Quote(effect.string()));
    EXPECT_EQ(run.code, 6);
    EXPECT_NE(run.err.find("(MVerb) is not a VST instrument; not added"), std::string::npos) << run.err;
    run = Qmvsti("list");
    EXPECT_EQ(run.out.find("MVerb"), std::string::npos) << run.out;
    run = Qmvsti("--json info " + Quote(effect.string()));
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.out.find("\"name\": \"MVerb\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"vendor\": \"Martin Eastwood, falkTX\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"instrument\": false"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("enabled"), std::string::npos) << run.out;
}

// Every sample format at its width, the song plus its tail, and both lines: the start line with the
// expected size, the summary (text or JSON) with the length.
TEST_F(HostCli, EveryFormatWritesItsSampleWidthAndSaysSo) {
    const struct {
        const char *name, *options;
        int rate, subtype, container;
        long long frames;
        const char *summary, *size;
    } cases[] = {
        {"a.wav", "--rate 22050 --tail 0.5", 22050, SF_FORMAT_PCM_16, SF_FORMAT_WAV, 55125,
         "a.wav: 2.50 s (55125 frames, 22050 Hz, s16 stereo), peak ", "about 220.5 kB"},
        {"b.wav", "--format s24 --tail 0", 44100, SF_FORMAT_PCM_24, SF_FORMAT_WAV, 88200, "(88200 frames, 44100 Hz, s24", "about 529.2 kB"},
        {"d.wav", "--format f32 --tail 0", 44100, SF_FORMAT_FLOAT, SF_FORMAT_WAV, 88200, "f32 stereo", "about 705.6 kB"},
        {"e.flac", "--format s24 --tail 0", 44100, SF_FORMAT_PCM_24, SF_FORMAT_FLAC, 88200, "s24 stereo", "at most 529.2 kB"},
        {"f.FLAC", "--tail 0", 44100, SF_FORMAT_PCM_16, SF_FORMAT_FLAC, 88200, "s16 stereo", "at most 352.8 kB"},
        {"p.wav", "--json --program 3 --tail 0.25", 44100, SF_FORMAT_PCM_16, SF_FORMAT_WAV, 99225,
         "\"events\": 8, \"realtime\": ", "about 396.9 kB"},  // the 8 notes; the patch goes through the device
    };
    for (const auto& c : cases) {
        const fs::path out = home_ / c.name;
        const CliOutcome run = Qmvsti(RenderArguments(Ref(), out, c.options));
        ASSERT_EQ(run.code, 0) << c.name << ": " << run.err;
        SF_INFO facts{};
        const std::vector<float> samples = Samples(out, nullptr, &facts);
        EXPECT_EQ(std::make_tuple(facts.channels, facts.samplerate, facts.format, facts.frames),
                  std::make_tuple(2, c.rate, c.container | c.subtype, c.frames)) << c.name;
        EXPECT_GT(Peak(samples), 0.01) << c.name;
        EXPECT_NE(run.out.find(c.summary), std::string::npos) << run.out;
        EXPECT_EQ(run.err.rfind("qmvsti: rendering 2.00 s of song and ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(" frames) into " + out.string() + ", " + c.size + "\n"), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("rendering ["), std::string::npos) << "no progress bar when stderr is a file";
    }
}

// scan, list --all, enable and disable on a real instrument: the summary and the check-box edits.
// What the scan records for each of our test modules is proven by the folder scan test.
TEST_F(HostCli, ScanDisableAndEnableEditTheListAsTheCheckBoxesDo) {
    const fs::path amsynth = "/usr/lib/vst/amsynth_vst.so", tree = home_ / "plugins" / "real";
    if (!fs::exists(amsynth)) GTEST_SKIP() << "amsynth is not installed";
    environment_ = kPlugInsLeak;
    fs::create_directories(tree);
    fs::copy_file(amsynth, tree / "amsynth_vst.so");
    const CliOutcome scan = Qmvsti("scan " + Quote(tree.string()));
    ASSERT_EQ(scan.code, 0) << scan.err;
    EXPECT_EQ(scan.out, "1 modules: 1 instruments, 0 effects, 0 failed, 0 timed out, 0 missing\n");
    EXPECT_NE(Qmvsti("list").out.find("amsynth"), std::string::npos);

    const CliOutcome off = Qmvsti("disable amsynth");
    EXPECT_EQ(off.code, 0) << off.err;
    EXPECT_EQ(off.out, "disabled amsynth\n");
    EXPECT_EQ(Qmvsti("list").out.find("amsynth"), std::string::npos);  // no longer offered
    const std::string all = Qmvsti("list --all").out;
    EXPECT_NE(all.find("amsynth"), std::string::npos) << all;
    EXPECT_NE(all.find("disabled"), std::string::npos) << all;

    EXPECT_EQ(Qmvsti("enable amsynth").out, "enabled amsynth\n");
    EXPECT_NE(Qmvsti("list").out.find("amsynth"), std::string::npos);
    EXPECT_EQ(Qmvsti("enable 'No Such Synth'").code, 3);
}

// The stray note's 77 hours start once the limit allows; Ctrl-C after the start line leaves no file
// (and a file-size limit stops a render that would ignore it).
TEST_F(HostCli, InterruptedRenderRemovesItsFile) {
    UseSong(StrayNoteSong());
    const std::string command = "cd " + Quote(home_.string()) + " || exit; (ulimit -f 200000; exec env HOME=. XDG_CONFIG_HOME=config " +
                                Quote((BinFolder() / "qmvsti").string()) + " " + RenderArguments(Ref(), "long.wav", "--max-length 100h") +
                                " 2>err.txt) & i=0; while [ ! -s err.txt ] && [ $i -lt 1000 ]; do sleep 0.01; i=$((i+1)); done; "
                                "kill -INT $!; wait $!";
    const int status = std::system(command.c_str());
    const std::string err = ReadAll(home_ / "err.txt"), file = (home_ / "long.wav").string();
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 130) << err;
    EXPECT_EQ(err.rfind("qmvsti: rendering 77:40:20.27 of song and 2.00 s of tail (12331341914 frames) into " + file +
                        ", about 49.3 GB\n", 0), 0u) << err;
    EXPECT_NE(err.find("qmvsti: interrupted; " + file + " removed\n"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(home_ / "long.wav"));
}

}  // namespace

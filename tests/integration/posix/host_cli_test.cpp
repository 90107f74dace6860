// The qmvsti program as a user runs it: usage errors, unknown plug-ins, unreadable files, and real
// instruments added, listed and described. Each case gets its own settings folder.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "integration/posix/cli_session.h"
#include "testplugins/protocol.h"

namespace {

namespace fs = std::filesystem;

class HostCli : public qm::test::CliSession {
protected:
    HostCli() : CliSession("qmvsti_cli_") {}
    fs::path CacheFile() const { return home_ / "config" / "QmVSTi Host" / "plugins.cache"; }
};

TEST_F(HostCli, BadCommandLinesExitWithUsageCodeAndSayWhy) {
    const struct {
        const char* arguments;
        const char* message;
    } cases[] = {
        {"", "no command given"},
        {"frobnicate", "unknown command frobnicate"},
        {"--bogus list", "unknown option --bogus"},
        {"add", "add needs at least one module path"},
        {"info", "info needs exactly one"},
        {"info a b", "info needs exactly one"},
        {"list extra", "list takes no arguments"},
        {"list --library", "--library needs a path"},
    };
    for (const auto& c : cases) {
        const qm::test::CliOutcome run = Qmvsti(c.arguments);
        EXPECT_EQ(run.code, 2) << c.arguments;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.arguments << ": " << run.err;
        EXPECT_TRUE(run.out.empty()) << c.arguments;
    }
    const qm::test::CliOutcome help = Qmvsti("--help");
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("usage: qmvsti"), std::string::npos);
}

TEST_F(HostCli, UnknownPlugInsUnreadableFilesAndABrokenLibraryHaveTheirOwnCodes) {
    const std::string missing = Quote((home_ / "missing.so").string());
    const fs::path junk = home_ / "junk.so";  // a file that is no module
    if (FILE* f = std::fopen(junk.c_str(), "wb")) {
        std::fputs("not a module", f);
        std::fclose(f);
    }
    const struct {
        std::string arguments;
        int code;
        const char* message;
    } cases[] = {
        {"info 'No Such Synth'", 3, "unknown plug-in No Such Synth"},
        {"add " + missing, 4, "cannot read"},
        {"info " + missing, 4, "cannot read"},
        {"add " + Quote(home_.string()), 4, "cannot read"},  // a folder is no module
        {"add " + Quote(junk.string()), 5, "not added"},
        {"--library " + Quote(junk.string()) + " list", 5, "cannot use the library"},
    };
    for (const auto& c : cases) {
        const qm::test::CliOutcome run = Qmvsti(c.arguments);
        EXPECT_EQ(run.code, c.code) << c.arguments;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.arguments << ": " << run.err;
    }
    // Nothing was kept.
    const qm::test::CliOutcome run = Qmvsti("--json list");
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "[]\n");
}

// Debian's amsynth and two DPF instruments, as their own AEffect and string opcodes describe them;
// a DPF effect beside them is refused as no instrument.
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
    } instruments[] = {
        {"amsynth_vst.so", "amsynth", "Nick Dowell", 0x616D7379, "amsy", 0, "enabled,instrument,editor"},
        {"Kars-vst.so", "Kars", "falkTX", 0x444B7273, "DKrs", 65792, "enabled,instrument"},
        {"Nekobi-vst.so", "Nekobi", "Sean Bolton, falkTX", 0x444E656B, "DNek", 65792, "enabled,instrument,editor"},
    };
    const fs::path effect = vst / "MVerb-vst.so";
    std::string paths;
    for (const auto& i : instruments) {
        if (!fs::exists(vst / i.file)) GTEST_SKIP() << (vst / i.file) << " is not installed";
        paths += " " + Quote((vst / i.file).string());
    }
    if (!fs::exists(effect)) GTEST_SKIP() << effect << " is not installed";
    // amsynth never frees some of its own allocations, and LeakSanitizer cannot name them once the
    // module is unloaded; a sanitizer build would fail the program for the plug-in's leak.
    environment_ = "ASAN_OPTIONS=detect_leaks=0 ";

    qm::test::CliOutcome run = Qmvsti("add" + paths);
    ASSERT_EQ(run.code, 0) << run.err;
    for (const auto& i : instruments) {
        EXPECT_NE(run.out.find(std::string("added ") + i.name + " (" + i.vendor + ", " + (vst / i.file).string() + ")"),
                  std::string::npos)
            << run.out;
    }

    run = Qmvsti("list");
    ASSERT_EQ(run.code, 0) << run.err;
    std::string expected;
    for (const auto& i : instruments) {
        char line[512];
        std::snprintf(line, sizeof(line), "%-32s %-24s %-6s %s\n", i.name, i.vendor, i.idText,
                      (vst / i.file).c_str());
        expected += line;
    }
    EXPECT_EQ(run.out, expected);

    run = Qmvsti("--json list");
    ASSERT_EQ(run.code, 0) << run.err;
    expected = "[";
    for (const auto& i : instruments) {
        expected += std::string(expected.size() > 1 ? ", " : "") + "{\"name\": \"" + i.name + "\", \"vendor\": \"" +
                    i.vendor + "\", \"uniqueId\": " + std::to_string(i.uniqueId) + ", \"uniqueIdText\": \"" +
                    i.idText + "\", \"version\": " + std::to_string(i.version) + ", \"path\": \"" +
                    (vst / i.file).string() + "\"}";
    }
    EXPECT_EQ(run.out, expected + "]\n");

    for (const auto& i : instruments) {
        SCOPED_TRACE(i.name);
        run = Qmvsti(std::string("--json info ") + Quote(i.name));
        ASSERT_EQ(run.code, 0) << run.err;
        EXPECT_EQ(run.out, std::string("{\"name\": \"") + i.name + "\", \"product\": \"" + i.name +
                               "\", \"vendor\": \"" + i.vendor + "\", \"path\": \"" + (vst / i.file).string() +
                               "\", \"uniqueId\": " + std::to_string(i.uniqueId) + ", \"uniqueIdText\": \"" +
                               i.idText + "\", \"version\": " + std::to_string(i.version) +
                               ", \"outputs\": 0, \"programs\": -1, \"parameters\": -1, \"instrument\": true, "
                               "\"flags\": \"" + i.flags + "\"}\n");
        run = Qmvsti("info " + Quote((vst / i.file).string()));
        ASSERT_EQ(run.code, 0) << run.err;
        EXPECT_NE(run.out.find(std::string("Name:       ") + i.name + "\n"), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("Kind:       VST instrument\n"), std::string::npos) << run.out;
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

}  // namespace

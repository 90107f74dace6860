// qmvsti scan, list --all, enable and disable as a user runs them on a real instrument: the summary
// and the check-box edits. What the scan records for each of our test modules is proven by the
// folder scan test.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "integration/posix/cli_session.h"

namespace {

namespace fs = std::filesystem;

class ScanCli : public qm::test::CliSession {
protected:
    ScanCli() : CliSession("qmvsti_scan_cli_") {}
    void SetUp() override {
        CliSession::SetUp();
        tree_ = home_ / "plugins";
    }
    std::string LineOf(const std::string& text, const std::string& name) const {
        const size_t at = text.find(name + " ");
        if (at == std::string::npos) return {};
        return text.substr(at, text.find('\n', at) - at);
    }
    fs::path tree_;
};

TEST_F(ScanCli, DisableAndEnableEditTheListAsTheCheckBoxesDo) {
    const fs::path amsynth = "/usr/lib/vst/amsynth_vst.so";
    if (!fs::exists(amsynth)) GTEST_SKIP() << "amsynth is not installed";
    // amsynth leaks a little of what it allocates when loaded; a sanitizer build would fail the
    // program for the plug-in's leak.
    environment_ = "ASAN_OPTIONS=detect_leaks=0 ";
    fs::create_directories(tree_ / "real");
    fs::copy_file(amsynth, tree_ / "real" / "amsynth_vst.so");
    const qm::test::CliOutcome scan = Qmvsti("scan " + Quote((tree_ / "real").string()));
    ASSERT_EQ(scan.code, 0) << scan.err;
    EXPECT_EQ(scan.out, "1 modules: 1 instruments, 0 effects, 0 failed, 0 timed out, 0 missing\n");
    EXPECT_NE(Qmvsti("list").out.find("amsynth"), std::string::npos);

    const qm::test::CliOutcome off = Qmvsti("disable amsynth");
    EXPECT_EQ(off.code, 0) << off.err;
    EXPECT_EQ(off.out, "disabled amsynth\n");
    EXPECT_EQ(Qmvsti("list").out.find("amsynth"), std::string::npos);  // no longer offered
    EXPECT_NE(LineOf(Qmvsti("list --all").out, "amsynth").find("disabled"), std::string::npos);

    EXPECT_EQ(Qmvsti("enable amsynth").out, "enabled amsynth\n");
    EXPECT_NE(Qmvsti("list").out.find("amsynth"), std::string::npos);
    EXPECT_EQ(Qmvsti("enable 'No Such Synth'").code, 3);
}

}  // namespace

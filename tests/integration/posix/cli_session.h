// Runs the qmvsti program the way a user does, each test in a settings folder of its own (HOME and
// XDG_CONFIG_HOME, named after the test) that holds the small song as song.mid, and collects its exit
// code and both outputs; reads the sound files it writes.
#pragma once
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "integration/host_smf_builder.h"

namespace qm::test {

struct CliOutcome {
    int code;
    std::string out;
    std::string err;
};

class CliSession : public ::testing::Test {
protected:
    // amsynth and ZynAddSubFX never free some of their own allocations, and LeakSanitizer cannot name
    // them once the module is unloaded; a sanitizer build would fail the program for the plug-in's leak.
    static constexpr const char* kPlugInsLeak = "ASAN_OPTIONS=detect_leaks=0 ";

    void SetUp() override {
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        home_ = std::filesystem::temp_directory_path() /
                (std::string("qmvsti_") + test->test_suite_name() + "_" + std::to_string(getpid()) + "_" + test->name());
        std::filesystem::remove_all(home_);
        std::filesystem::create_directories(home_);
        // amsynth keeps its banks under ~/.local/share and complains when that cannot be made.
        std::filesystem::create_directories(home_ / ".local" / "share");
        WriteBytes((home_ / "song.mid").string(), SmallSong());
    }
    void TearDown() override { std::filesystem::remove_all(home_); }

    CliOutcome Qmvsti(const std::string& arguments) {
        const std::filesystem::path out = home_ / "stdout.txt", err = home_ / "stderr.txt";
        const std::string command = environment_ + "HOME=" + Quote(home_.string()) + " XDG_CONFIG_HOME=" +
                                    Quote((home_ / "config").string()) + " " + Quote((BinFolder() / "qmvsti").string()) +
                                    " " + arguments + " >" + Quote(out.string()) + " 2>" + Quote(err.string());
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(out), ReadAll(err)};
    }

    // A file in the test's folder, as one shell word.
    std::string File(const std::string& name) const { return Quote((home_ / name).string()); }
    // The arguments that render song.mid; `output` lies in the test's folder unless it is absolute.
    std::string RenderArguments(const std::string& plugIn, const std::filesystem::path& output,
                                const std::string& extra = "") const {
        return "render -p " + plugIn + " -i " + File("song.mid") + " -o " + Quote((home_ / output).string()) + " " + extra;
    }
    // Renders song.mid with half a second of tail.
    CliOutcome Render(const std::string& plugIn, const std::filesystem::path& output, const std::string& extra = "") {
        return Qmvsti(RenderArguments(plugIn, output, "--tail 0.5 " + extra));
    }

    static std::filesystem::path BinFolder() {
        char buffer[4096];
        const ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
        return n > 0 ? std::filesystem::path(std::string(buffer, static_cast<size_t>(n))).parent_path()
                     : std::filesystem::path(".");
    }
    // One shell word, whatever the text holds.
    static std::string Quote(const std::string& text) {
        std::string quoted = "'";
        for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return quoted + "'";
    }
    static std::string ReadAll(const std::filesystem::path& path) {
        std::ifstream file(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    }

    // One of our test modules (testplugins beside the test program), as one shell word.
    static std::string TestModule(const std::string& file) { return Quote((BinFolder() / "testplugins" / file).string()); }
    // The samples of a sound file, interleaved; its channel count in `channels`, its format in `facts`.
    static std::vector<float> Samples(const std::filesystem::path& path, int* channels = nullptr,
                                      SF_INFO* facts = nullptr) {
        SF_INFO info{};
        SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
        if (file == nullptr) return {};
        std::vector<float> samples(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
        sf_readf_float(file, samples.data(), info.frames);
        sf_close(file);
        if (channels != nullptr) *channels = info.channels;
        if (facts != nullptr) *facts = info;
        return samples;
    }
    static double Peak(const std::vector<float>& samples) {
        double peak = 0.0;
        for (float v : samples) peak = std::fmax(peak, std::fabs(v));
        return peak;
    }

    std::filesystem::path home_;
    std::string environment_;  // variables put before the others, "NAME=value " each
};

}  // namespace qm::test

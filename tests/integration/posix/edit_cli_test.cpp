// qmvsti edit with Debian's real instruments on the display scripts/test starts: the editor's window
// has the plug-in's size and shows what the plug-in drew, and the sound saved on close loads back.
// The screenshots stay in the build tree (bin/screenshots) to be looked at.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "integration/host_smf_builder.h"
#include "integration/posix/cli_session.h"

namespace {

namespace fs = std::filesystem;
using namespace qm::test;

struct Picture {
    unsigned width = 0, height = 0;
    std::vector<unsigned char> rgb;
};

bool ReadPng(const fs::path& path, Picture* picture) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) return false;
    image.format = PNG_FORMAT_RGB;
    picture->width = image.width;
    picture->height = image.height;
    picture->rgb.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, picture->rgb.data(), 0, nullptr) != 0;
}

size_t Colours(const Picture& picture) {
    std::set<unsigned> colours;
    for (size_t i = 0; i + 2 < picture.rgb.size(); i += 3)
        colours.insert(picture.rgb[i] << 16 | picture.rgb[i + 1] << 8 | picture.rgb[i + 2]);
    return colours.size();
}

class EditCli : public CliSession {
protected:
    EditCli() : CliSession("qmvsti_edit_") {}
    void SetUp() override {
        CliSession::SetUp();
        // amsynth never frees some of its own allocations (see the render tests).
        environment_ = "ASAN_OPTIONS=detect_leaks=0 ";
    }
    std::string File(const char* name) const { return Quote((home_ / name).string()); }
};

// A sound loaded with --preset and saved on close renders as the sound loaded: amsynth keeps it
// in a chunk (saved as a preset), Nekobi in parameters (saved as a bank).
TEST_F(EditCli, RealEditorsOpenAtTheirSizeDrawAndSaveTheirSound) {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == 0) GTEST_SKIP() << "DISPLAY is not set: no X11 display for the editor windows";
    const struct { const char* module; const char* set; const char* save; const char* kind; } cases[] = {
        {"amsynth_vst.so", "--set 3=0.25", "amsynth.fxp", "preset, chunk form"},
        {"Nekobi-vst.so", "--set 2=0.25 --set 6=0.8", "nekobi.fxb", "bank, parameter form"},
    };
    const fs::path shots = BinFolder() / "screenshots";
    fs::create_directories(shots);
    WriteBytes((home_ / "song.mid").string(), SmallSong());
    for (const auto& c : cases) {
        const fs::path module = fs::path("/usr/lib/vst") / c.module;
        if (!fs::exists(module)) {
            std::printf("%s is not installed: not tested\n", c.module);
            continue;
        }
        const std::string plugIn = Quote(module.string());
        ASSERT_EQ(Qmvsti("preset save -p " + plugIn + " " + c.set + " " + File("sound.fxp")).code, 0) << c.module;
        const fs::path shot = shots / (std::string("edit_") + fs::path(c.module).stem().string() + ".png");
        fs::remove(shot);
        const CliOutcome edited = Qmvsti("edit -p " + plugIn + " --preset " + File("sound.fxp") + " --screenshot " +
                                         Quote(shot.string()) + " --close-after-ms 1500 --save " + File(c.save));
        ASSERT_EQ(edited.code, 0) << c.module << ": " << edited.err;
        unsigned width = 0, height = 0;
        ASSERT_EQ(std::sscanf(edited.out.c_str(), "editor: %ux%u", &width, &height), 2) << edited.out;
        Picture picture;
        ASSERT_TRUE(ReadPng(shot, &picture)) << shot;
        EXPECT_EQ(picture.width, width) << c.module;
        EXPECT_EQ(picture.height, height) << c.module;
        // A window the plug-in never drew into is one flat colour.
        EXPECT_GT(Colours(picture), 16u) << c.module;

        const CliOutcome shown = Qmvsti("preset show " + File(c.save));
        EXPECT_NE(shown.out.find(c.kind), std::string::npos) << c.module << ": " << shown.out << shown.err;
        for (const char* file : {"sound.fxp", c.save}) {
            const CliOutcome rendered = Qmvsti("render -p " + plugIn + " -i " + File("song.mid") + " -o " +
                                               File((std::string(file) + ".wav").c_str()) + " --tail 0.2 --preset " + File(file));
            EXPECT_EQ(rendered.code, 0) << c.module << ": " << rendered.err;
        }
        EXPECT_EQ(ReadAll(home_ / "sound.fxp.wav"), ReadAll(home_ / (std::string(c.save) + ".wav"))) << c.module;
    }
}

TEST_F(EditCli, RefusalsBeforeAnyWindow) {
    const struct { std::string environment, arguments, message; } cases[] = {
        {"DISPLAY= ", "edit -p " + Quote("/usr/lib/vst/Nekobi-vst.so"), "no display"},
        {"", "edit -p " + Quote("/usr/lib/vst/Nekobi-vst.so") + " --save " + File("n.txt"), "--save needs a .fxp"},
    };
    for (const auto& c : cases) {
        environment_ = c.environment;
        const CliOutcome refused = Qmvsti(c.arguments);
        EXPECT_EQ(refused.code, 2) << c.arguments;
        EXPECT_NE(refused.err.find(c.message), std::string::npos) << refused.err;
    }
}

}  // namespace

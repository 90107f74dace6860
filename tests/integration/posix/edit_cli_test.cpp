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
#include <utility>
#include <vector>

#include "integration/posix/cli_session.h"

namespace {

namespace fs = std::filesystem;
using namespace qm::test;

// The picture's size and how many colours it has (a window the plug-in never drew into has one).
bool ReadPng(const fs::path& path, unsigned& width, unsigned& height, size_t& colours) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) return false;
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) == 0) return false;
    std::set<unsigned> seen;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3) seen.insert(rgb[i] << 16 | rgb[i + 1] << 8 | rgb[i + 2]);
    width = image.width, height = image.height, colours = seen.size();
    return true;
}

using EditCli = CliSession;

// A sound loaded with --preset and saved on close renders as the sound loaded: amsynth keeps it
// in a chunk (saved as a preset), Nekobi in parameters (saved as a bank).
TEST_F(EditCli, RealEditorsOpenAtTheirSizeDrawAndSaveTheirSound) {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == 0) GTEST_SKIP() << "DISPLAY is not set: no X11 display for the editor windows";
    environment_ = kPlugInsLeak;
    const struct { const char* module; const char* set; const char* save; const char* kind; } cases[] = {
        {"amsynth_vst.so", "--set 3=0.25", "amsynth.fxp", "preset, chunk form"},
        {"Nekobi-vst.so", "--set 2=0.25 --set 6=0.8", "nekobi.fxb", "bank, parameter form"},
    };
    const fs::path shots = BinFolder() / "screenshots";
    fs::create_directories(shots);
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
        unsigned width = 0, height = 0, shotWidth = 0, shotHeight = 0;
        size_t colours = 0;
        ASSERT_EQ(std::sscanf(edited.out.c_str(), "editor: %ux%u", &width, &height), 2) << edited.out;
        ASSERT_TRUE(ReadPng(shot, shotWidth, shotHeight, colours)) << shot;
        EXPECT_EQ(std::make_pair(shotWidth, shotHeight), std::make_pair(width, height)) << c.module;
        EXPECT_GT(colours, 16u) << c.module;
        EXPECT_NE(Qmvsti("preset show " + File(c.save)).out.find(c.kind), std::string::npos) << c.module;
        for (const char* file : {"sound.fxp", c.save}) {
            const CliOutcome rendered = Qmvsti(RenderArguments(plugIn, std::string(file) + ".wav", "--tail 0.2 --preset " + File(file)));
            EXPECT_EQ(rendered.code, 0) << c.module << ": " << rendered.err;
        }
        EXPECT_EQ(ReadAll(home_ / "sound.fxp.wav"), ReadAll(home_ / (std::string(c.save) + ".wav"))) << c.module;
    }
}

}  // namespace

// Skin image 93 decoded into the pages' three image lists: every icon of the strip in each list,
// the icons' colours and transparency kept, and the looks of the skin's alpha values (0.5, 0.2).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ui/win32/skin_image_lists.h"

namespace {

constexpr int kStripIcons = 8;  // resources/skin.png, drawn by scripts/make-skin-png
constexpr int kPowerIcon = 7;

// The premultiplied BGRA pixel (x, y) of one icon of a list, read back from the list's bitmap.
uint32_t PixelOf(HIMAGELIST list, int icon, int x, int y) {
    IMAGEINFO image{};
    if (!ImageList_GetImageInfo(list, icon, &image)) return 0xDEADBEEF;
    BITMAP bitmap{};
    GetObjectW(image.hbmImage, sizeof bitmap, &bitmap);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = bitmap.bmWidth;
    info.bmiHeader.biHeight = -bitmap.bmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<uint32_t> pixels(static_cast<size_t>(bitmap.bmWidth) * bitmap.bmHeight);
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, image.hbmImage, 0, bitmap.bmHeight, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != bitmap.bmHeight) return 0xDEADBEEF;
    return pixels[static_cast<size_t>(image.rcImage.top + y) * bitmap.bmWidth + image.rcImage.left + x];
}

// Channels within 1 of each other: the rules round once per step.
void ExpectPixelNear(uint32_t actual, uint32_t expected, const char* list) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int a = static_cast<int>(actual >> shift & 0xFF), e = static_cast<int>(expected >> shift & 0xFF);
        EXPECT_LE(std::abs(a - e), 1) << list << ": pixel 0x" << std::hex << actual << ", expected 0x" << expected;
    }
}

TEST(SkinImageLists, EveryIconInEachListWithTheLooksOfTheSkinAlphas) {
    qm::SkinImageLists lists;
    ASSERT_TRUE(qm::LoadSkinImageLists(lists));
    // The power icon's stem: opaque green 0x2EA043, whose grey is 115.
    constexpr int kGrey = 115;
    const struct {
        const char* name;
        HIMAGELIST list;
        uint32_t stem;
    } looks[] = {
        {"hot", lists.hot, 0xFF2EA043},
        // Halfway from each channel to the grey.
        {"normal", lists.normal, 0xFF000000u | (46 + kGrey) / 2 << 16 | (160 + kGrey) / 2 << 8 | (67 + kGrey) / 2},
        // The grey at opacity 51, premultiplied: 115 * 51 / 255 = 23.
        {"disabled", lists.disabled, 0x33171717},
    };
    for (const auto& look : looks) {
        ASSERT_NE(look.list, nullptr) << look.name;
        EXPECT_EQ(ImageList_GetImageCount(look.list), kStripIcons) << look.name;
        int width = 0, height = 0;
        EXPECT_TRUE(ImageList_GetIconSize(look.list, &width, &height));
        EXPECT_EQ(width, 16);
        EXPECT_EQ(height, 16);
        ExpectPixelNear(PixelOf(look.list, kPowerIcon, 7, 2), look.stem, look.name);
        for (int icon = 0; icon < kStripIcons; ++icon) {
            EXPECT_EQ(PixelOf(look.list, icon, 0, 0), 0u) << look.name << " icon " << icon << ": corner not transparent";
        }
    }
    qm::FreeSkinImageLists(lists);
    EXPECT_EQ(lists.normal, nullptr);
    EXPECT_EQ(lists.disabled, nullptr);
}

}  // namespace

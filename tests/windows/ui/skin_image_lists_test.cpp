// Skin image 93 decoded into the pages' three image lists: every icon of the strip in each list, and
// drawn as a toolbar draws them, the icons' colours, their transparency and the looks of the skin's
// alpha values (0.5, 0.2).
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <tuple>

#include "support/win32/window_capture.h"
#include "ui/win32/skin_image_lists.h"
#include "windows/ui/ui_test_support.h"

namespace {

constexpr int kStripIcons = 8;  // resources/skin.png, drawn by scripts/make-skin-png
constexpr int kPowerIcon = 7;
constexpr int kPitch = 20;      // between the drawn icons, 4 px from the window's edges

// Over white: one row per list (normal, hot, disabled) with every icon.
LRESULT CALLBACK PaintLists(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT) return DefWindowProcW(window, message, wParam, lParam);
    const auto* lists = reinterpret_cast<const qm::SkinImageLists*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    FillRect(dc, &paint.rcPaint, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    int row = 0;
    for (HIMAGELIST list : {lists->normal, lists->hot, lists->disabled}) {
        for (int icon = 0; icon < kStripIcons; ++icon) {
            ImageList_Draw(list, icon, dc, 4 + kPitch * icon, 4 + kPitch * row, ILD_NORMAL);
        }
        ++row;
    }
    EndPaint(window, &paint);
    return 0;
}

// Channels within 1 of each other: the rules round once per step.
void ExpectPixelNear(unsigned actual, unsigned expected, const char* what) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int a = static_cast<int>(actual >> shift & 0xFF), e = static_cast<int>(expected >> shift & 0xFF);
        EXPECT_LE(std::abs(a - e), 1) << what << ": pixel 0x" << std::hex << actual << ", expected 0x" << expected;
    }
}

TEST(SkinImageLists, EveryIconInEachListDrawnWithTheLooksOfTheSkinAlphas) {
    qm::SkinImageLists lists;
    ASSERT_TRUE(qm::LoadSkinImageLists(lists));
    for (HIMAGELIST list : {lists.normal, lists.hot, lists.disabled}) {
        int width = 0, height = 0;
        ASSERT_TRUE(ImageList_GetIconSize(list, &width, &height));
        EXPECT_EQ(std::make_tuple(ImageList_GetImageCount(list), width, height), std::make_tuple(kStripIcons, 16, 16));
    }
    HWND window = ui_test::TopLevel(8 + kPitch * kStripIcons, 4 + 3 * kPitch, PaintLists, WS_EX_TOPMOST, WS_POPUP);
    ASSERT_NE(window, nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&lists));
    ShowWindow(window, SW_SHOWNOACTIVATE);
    UpdateWindow(window);
    int width = 0, height = 0;
    unsigned* pixels = nullptr;
    ASSERT_TRUE(qm::test::CaptureWindowPixels(window, width, height, pixels));
    std::unique_ptr<unsigned[]> owned(pixels);
    const auto at = [&](int row, int icon, int x, int y) {
        return pixels[(4 + kPitch * row + y) * width + 4 + kPitch * icon + x];
    };
    // The power icon's stem, pixel (7, 2): opaque green 0x2EA043, whose grey is 115.
    constexpr unsigned kGrey = 115;
    // Normal: each channel halfway to the grey.
    ExpectPixelNear(at(0, kPowerIcon, 7, 2), (46 + kGrey) / 2 << 16 | (160 + kGrey) / 2 << 8 | (67 + kGrey) / 2,
                    "normal stem");
    ExpectPixelNear(at(1, kPowerIcon, 7, 2), 0x2EA043, "hot stem");
    // Disabled: the grey at opacity 51 over white, 115 * 51 / 255 + 255 - 51 = 227. An image list
    // premultiplies as it draws: pixels handed to it premultiplied would come out as 208.
    ExpectPixelNear(at(2, kPowerIcon, 7, 2), 0xE3E3E3, "disabled stem");
    for (int row = 0; row < 3; ++row) {
        for (int icon = 0; icon < kStripIcons; ++icon) {
            EXPECT_EQ(at(row, icon, 0, 0), 0xFFFFFFu) << "row " << row << " icon " << icon << ": corner not see-through";
        }
    }
    EXPECT_TRUE(qm::test::CaptureWindowPng(window, "skin_image_lists.png"));
    DestroyWindow(window);
    qm::FreeSkinImageLists(lists);
    EXPECT_EQ(lists.hot, nullptr);
}

}  // namespace

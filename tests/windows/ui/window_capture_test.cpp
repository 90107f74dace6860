// The screenshot helper itself: a window painted in known colours comes back as those pixels and
// as a PNG file that starts with the PNG signature.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "support/win32/window_capture.h"

namespace {

LRESULT CALLBACK PaintHalves(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT) return DefWindowProcW(window, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    RECT left = client, right = client;
    left.right = right.left = client.right / 2;
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0)), blue = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(dc, &left, red);
    FillRect(dc, &right, blue);
    DeleteObject(red);
    DeleteObject(blue);
    EndPaint(window, &paint);
    return 0;
}

TEST(WindowCapture, PaintedColoursComeBackAsPixelsAndPng) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = PaintHalves;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"QmCaptureTest";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(WS_EX_TOPMOST, L"QmCaptureTest", L"capture", WS_POPUP | WS_VISIBLE, 10, 10, 64, 32,
                                  nullptr, nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    UpdateWindow(window);
    int width = 0, height = 0;
    unsigned* pixels = nullptr;
    ASSERT_TRUE(qm::test::CaptureWindowPixels(window, width, height, pixels));
    std::unique_ptr<unsigned[]> owned(pixels);
    EXPECT_EQ(width, 64);
    EXPECT_EQ(height, 32);
    EXPECT_EQ(pixels[16 * 64 + 8], 0xFF0000u);
    EXPECT_EQ(pixels[16 * 64 + 56], 0x0000FFu);

    ASSERT_TRUE(qm::test::CaptureWindowPng(window, "capture_test.png"));
    FILE* file = std::fopen("capture_test.png", "rb");
    ASSERT_NE(file, nullptr);
    unsigned char signature[8] = {};
    EXPECT_EQ(std::fread(signature, 1, 8, file), 8u);
    std::fclose(file);
    EXPECT_EQ(signature[1], 'P');
    EXPECT_EQ(signature[3], 'G');
    DestroyWindow(window);
    std::remove("capture_test.png");
}

}  // namespace

// Reads the window's area from the screen; PNG files are written with the libpng the skin decoder
// links anyway.
#include "support/win32/window_capture.h"

#include <png.h>

#include <cstdint>
#include <vector>

namespace qm::test {

bool CaptureWindowPixels(HWND window, int& width, int& height, unsigned*& pixels) {
    pixels = nullptr;
    RECT rect;
    if (window == nullptr || !GetWindowRect(window, &rect)) return false;
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return false;
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = bitmap != nullptr;
    if (ok) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY) != 0;
        GdiFlush();
        if (ok) {
            pixels = new unsigned[static_cast<size_t>(width) * height];
            const auto* source = static_cast<const unsigned*>(bits);
            for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) pixels[i] = source[i] & 0xFFFFFFu;
        }
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

bool CaptureWindowPng(HWND window, const char* path) {
    int width = 0, height = 0;
    unsigned* pixels = nullptr;
    if (!CaptureWindowPixels(window, width, height, pixels)) return false;
    std::vector<uint8_t> rgb;
    rgb.reserve(3 * static_cast<size_t>(width) * height);
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
        rgb.insert(rgb.end(), {static_cast<uint8_t>(pixels[i] >> 16), static_cast<uint8_t>(pixels[i] >> 8),
                               static_cast<uint8_t>(pixels[i])});
    }
    delete[] pixels;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path, 0, rgb.data(), 0, nullptr) != 0;
}

}  // namespace qm::test

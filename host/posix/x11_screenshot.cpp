#include "x11_screenshot.h"

#include <X11/Xutil.h>
#include <png.h>

#include <algorithm>
#include <vector>

namespace qm::host {

namespace {

// An 8-bit channel from a pixel and the visual's mask for it (any depth and channel order).
unsigned char Channel(unsigned long pixel, unsigned long mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (((mask >> shift) & 1) == 0) ++shift;
    const unsigned long top = mask >> shift;
    return static_cast<unsigned char>(((pixel & mask) >> shift) * 255 / top);
}

}  // namespace

bool WriteWindowPng(Display* display, Window window, const std::string& path, std::string* error) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, window, &attributes) == 0) {
        *error = "the window is gone";
        return false;
    }
    // Read from the root window: a child with a visual of its own (OpenGL) is undefined in a
    // read of its parent, but the screen holds what it drew.
    const Window root = attributes.root;
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, root, 0, 0, &x, &y, &child);
    const int screenWidth = WidthOfScreen(attributes.screen), screenHeight = HeightOfScreen(attributes.screen);
    const int left = std::max(x, 0), top = std::max(y, 0);
    const int width = std::min(x + attributes.width, screenWidth) - left;
    const int height = std::min(y + attributes.height, screenHeight) - top;
    if (width <= 0 || height <= 0) {
        *error = "the window is off the screen";
        return false;
    }
    XImage* image = XGetImage(display, root, left, top, static_cast<unsigned>(width), static_cast<unsigned>(height),
                              AllPlanes, ZPixmap);
    if (image == nullptr) {
        *error = "the screen cannot be read";
        return false;
    }
    std::vector<unsigned char> rgb(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    unsigned char* out = rgb.data();
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            const unsigned long pixel = XGetPixel(image, column, row);
            *out++ = Channel(pixel, image->red_mask);
            *out++ = Channel(pixel, image->green_mask);
            *out++ = Channel(pixel, image->blue_mask);
        }
    }
    XDestroyImage(image);

    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(width);
    png.height = static_cast<png_uint_32>(height);
    png.format = PNG_FORMAT_RGB;
    if (png_image_write_to_file(&png, path.c_str(), 0, rgb.data(), width * 3, nullptr) == 0) {
        *error = "cannot write " + path + " (" + png.message + ")";
        return false;
    }
    return true;
}

}  // namespace qm::host

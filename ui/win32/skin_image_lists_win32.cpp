// Skin image 93, a PNG strip of 16 x 16 icons among the module's resources, decoded with libpng
// straight from the resource's memory into the pages' three image lists of 32-bit images with
// alpha. The lists take the pixels with straight (not premultiplied) alpha: an image list
// premultiplies as it draws, so premultiplied pixels would come out darkened twice at their edges
// and a faded image fainter than asked.
//
// The skin carries two alpha values, 0.5 and 0.2, packed as 128 * 256 + 51 (kSkinAlphas) the way the
// framework's skin loader takes them. They shape the lists:
// - hot: the icon as drawn, so a button lights up fully under the mouse;
// - normal: each pixel's colour moved halfway (high byte, 128 / 255) towards its own grey, at the
//   icon's opacity: the toolbar at rest is quieter than the button being pointed at;
// - disabled: the grey alone at 0.2 (low byte, 51 / 255) of the icon's opacity.
#include "ui/win32/skin_image_lists.h"

#include <png.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <new>
#include <utility>

#include "framework/lang.h"

namespace qm {

namespace {

constexpr WORD kSkinImage = 93;
constexpr int kIconSize = 16;
constexpr unsigned kSkinAlphas = 128 * 256 + 51;
constexpr unsigned kNormalGreyShare = kSkinAlphas >> 8;      // of 255
constexpr unsigned kDisabledOpacity = kSkinAlphas & 0xFF;    // of 255

enum class Look { Normal, Hot, Disabled };

unsigned Scale(unsigned value, unsigned share) { return (value * share + 127) / 255; }

// One BGRA pixel of the skin as a pixel of the given list.
uint32_t Shade(const uint8_t* bgra, Look look) {
    unsigned b = bgra[0], g = bgra[1], r = bgra[2], a = bgra[3];
    const unsigned grey = (r * 77 + g * 150 + b * 29 + 128) >> 8;
    if (look == Look::Normal) {
        b = b + Scale(grey, kNormalGreyShare) - Scale(b, kNormalGreyShare);
        g = g + Scale(grey, kNormalGreyShare) - Scale(g, kNormalGreyShare);
        r = r + Scale(grey, kNormalGreyShare) - Scale(r, kNormalGreyShare);
    } else if (look == Look::Disabled) {
        b = g = r = grey;
        a = Scale(a, kDisabledOpacity);
    }
    return b | g << 8 | r << 16 | a << 24;
}

// The PNG resource of `module`, or false when the module has none.
bool FindSkinResource(HINSTANCE module, const void*& data, DWORD& size) {
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(kSkinImage), L"PNG");
    if (resource == nullptr) return false;
    HGLOBAL loaded = LoadResource(module, resource);
    size = SizeofResource(module, resource);
    data = loaded != nullptr ? LockResource(loaded) : nullptr;
    return data != nullptr && size > 0;
}

// The strip as straight BGRA rows, top down; null for a damaged image or one that is not a row of
// whole 16 x 16 icons.
std::unique_ptr<uint8_t[]> DecodeStrip(const void* data, DWORD size, int& width) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, data, size) == 0) return nullptr;
    image.format = PNG_FORMAT_BGRA;
    if (image.height != kIconSize || image.width == 0 || image.width % kIconSize != 0) {
        png_image_free(&image);
        return nullptr;
    }
    std::unique_ptr<uint8_t[]> pixels(new (std::nothrow) uint8_t[PNG_IMAGE_SIZE(image)]);
    if (!pixels || png_image_finish_read(&image, nullptr, pixels.get(), 0, nullptr) == 0) {
        png_image_free(&image);
        return nullptr;
    }
    width = static_cast<int>(image.width);
    return pixels;
}

// Adds every icon of the strip to `list` in the given look.
bool AddStrip(HIMAGELIST list, const uint8_t* strip, int width, Look look) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -kIconSize;  // top down, as the PNG rows come
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr) return false;
    auto* out = static_cast<uint32_t*>(bits);
    for (int i = 0; i < width * kIconSize; ++i) out[i] = Shade(strip + 4 * i, look);
    const bool added = ImageList_Add(list, bitmap, nullptr) >= 0;
    DeleteObject(bitmap);
    return added && ImageList_GetImageCount(list) == width / kIconSize;
}

}  // namespace

bool LoadSkinImageLists(SkinImageLists& lists) noexcept {
    lists = SkinImageLists{};
    const void* data = nullptr;
    DWORD size = 0;
    if (!FindSkinResource(ModuleInstanceOf(reinterpret_cast<const void*>(&LoadSkinImageLists)), data, size)) {
        return false;
    }
    int width = 0;
    std::unique_ptr<uint8_t[]> strip = DecodeStrip(data, size, width);
    if (!strip) return false;
    const int count = width / kIconSize;
    bool filled = true;
    for (auto [list, look] : {std::pair{&lists.normal, Look::Normal}, std::pair{&lists.hot, Look::Hot},
                              std::pair{&lists.disabled, Look::Disabled}}) {
        *list = ImageList_Create(kIconSize, kIconSize, ILC_COLOR32, count, 0);
        filled = filled && *list != nullptr && AddStrip(*list, strip.get(), width, look);
    }
    if (filled) return true;
    FreeSkinImageLists(lists);
    return false;
}

void FreeSkinImageLists(SkinImageLists& lists) noexcept {
    for (HIMAGELIST* list : {&lists.normal, &lists.hot, &lists.disabled}) {
        if (*list != nullptr) ImageList_Destroy(*list);
        *list = nullptr;
    }
}

}  // namespace qm

// The pages' images: skin image 93 of the module as three 16 x 16 image lists (normal, hot,
// disabled), as the toolbar and the instrument list use them.
#pragma once
#include <windows.h>
#include <commctrl.h>

namespace qm {

struct SkinImageLists {
    HIMAGELIST normal = nullptr;
    HIMAGELIST hot = nullptr;
    HIMAGELIST disabled = nullptr;
};

// Fills all three lists, or none (false).
bool LoadSkinImageLists(SkinImageLists& lists) noexcept;
void FreeSkinImageLists(SkinImageLists& lists) noexcept;

}  // namespace qm

// Until the skin image is decoded, the lists are created empty, so pages show no images.
#include "ui/win32/skin_image_lists.h"

#include <initializer_list>

namespace qm {

bool LoadSkinImageLists(SkinImageLists& lists) noexcept {
    lists.normal = ImageList_Create(16, 16, ILC_COLOR32, 0, 8);
    lists.hot = ImageList_Create(16, 16, ILC_COLOR32, 0, 8);
    lists.disabled = ImageList_Create(16, 16, ILC_COLOR32, 0, 8);
    if (lists.normal != nullptr && lists.hot != nullptr && lists.disabled != nullptr) return true;
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

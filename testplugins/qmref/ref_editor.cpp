#include "qmref/ref_editor.h"

namespace qmtest {

RefEditor::~RefEditor() {
    // A host that closes the plug-in without effEditClose must not leave a window behind.
    if (window_ != nullptr) close();
}

intptr_t RefEditor::dispatch(int32_t opcode, void* ptr) {
    switch (opcode) {
    case effEditGetRect:
        if (ptr == nullptr) return 0;
        *static_cast<ERect**>(ptr) = &rect_;
        return 1;
    case effEditOpen:
        if (window_ != nullptr) close();
        return open(ptr) ? 1 : 0;
    case effEditClose:
        if (window_ != nullptr) close();
        return 0;
    case effEditIdle:
        idles_.fetch_add(1);
        return 0;
    default:
        return 0;
    }
}

void RefEditor::barOf(int index, int box[4]) const {
    box[0] = kMargin;
    box[1] = kTop + index * kRowHeight + kTextHeight;
    box[2] = width() - kMargin;
    box[3] = box[1] + kBarHeight;
}

bool RefEditor::click(int x, int y) {
    for (int32_t index = 0; index < effect_->numParams; ++index) {
        int box[4];
        barOf(index, box);
        if (x < box[0] || x >= box[2] || y < box[1] || y >= box[3]) continue;
        // The bar's first pixel is 0, its last 1.
        const float value = static_cast<float>(x - box[0]) / static_cast<float>(box[2] - box[0] - 1);
        host_(effect_, audioMasterBeginEdit, index, 0, nullptr, 0.0f);
        effect_->setParameter(effect_, index, value);
        host_(effect_, audioMasterAutomate, index, 0, nullptr, value);
        host_(effect_, audioMasterEndEdit, index, 0, nullptr, 0.0f);
        return true;
    }
    return false;
}

bool RefEditor::grow() {
    const int newWidth = width() + kRefEditorGrowWidth, newHeight = height() + kRefEditorGrowHeight;
    if (host_(effect_, audioMasterSizeWindow, newWidth, newHeight, nullptr, 0.0f) != 1) return false;
    rect_.right = static_cast<int16_t>(rect_.left + newWidth);
    rect_.bottom = static_cast<int16_t>(rect_.top + newHeight);
    return true;
}

}  // namespace qmtest

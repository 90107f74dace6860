// What both page dialogs share: showing, moving and destroying them.
#include <windows.h>

#include "ui/page_dialogs.h"

namespace qm {

void ShowPageDialog(HWND dialog, UINT command) noexcept {
    if (dialog != nullptr) ShowWindow(dialog, static_cast<int>(command));
}

void MovePageDialog(HWND dialog, const RECT& rect) noexcept {
    if (dialog == nullptr) return;
    SetWindowPos(dialog, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void DestroyPageDialog(HWND dialog) noexcept {
    if (dialog != nullptr) DestroyWindow(dialog);
}

}  // namespace qm

// No property-page dialogs here: a host on this platform shows the plug-in's editor itself.
#include "ui/page_dialogs.h"

namespace qm {

HWND CreateSynthPageDialog(CVSTiSynthPage&, HWND) noexcept { return nullptr; }
HWND CreateTypePageDialog(CVSTiTypePage&, HWND) noexcept { return nullptr; }
void ShowPageDialog(HWND, UINT) noexcept {}
void MovePageDialog(HWND, const RECT&) noexcept {}
void DestroyPageDialog(HWND) noexcept {}

}  // namespace qm

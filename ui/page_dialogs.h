// The dialogs of the two property pages, as the pages see them: created, shown, moved and
// destroyed through these calls, whatever draws them. The Windows build makes real dialogs (from
// the module's dialog resources); a build without them (Linux) creates none, so its pages answer
// Activate as pages whose dialog cannot be created do.
//
// Threads: the page's (the host's user-interface) thread.
#pragma once
#include "qmvsti/com.h"

namespace qm {

class CVSTiSynthPage;
class CVSTiTypePage;

// A new, hidden dialog as a child of `parent`, bound to `page`; null when it cannot be created.
HWND CreateSynthPageDialog(CVSTiSynthPage& page, HWND parent) noexcept;
HWND CreateTypePageDialog(CVSTiTypePage& page, HWND parent) noexcept;

void ShowPageDialog(HWND dialog, UINT command) noexcept;
// Moves and sizes the dialog without changing its z-order or activating it.
void MovePageDialog(HWND dialog, const RECT& rect) noexcept;
void DestroyPageDialog(HWND dialog) noexcept;

}  // namespace qm

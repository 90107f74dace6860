// The file dialogs and message boxes of the preset and bank commands on Windows.
#include "ui/win32/synth_page_dialog.h"

#include <commdlg.h>

#include "framework/app_services.h"

namespace qm {

namespace {

OPENFILENAMEW FileDialogOf(const presets::PresetDialogRequest& request, DWORD flags) noexcept {
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = request.owner;
    dialog.lpstrFilter = request.filter;
    dialog.nFilterIndex = static_cast<DWORD>(request.filterIndex);
    dialog.lpstrFile = request.path;
    dialog.nMaxFile = presets::kDialogPathChars;
    dialog.lpstrTitle = request.title;
    dialog.Flags = flags | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER;
    return dialog;
}

}  // namespace

int Win32PresetDialogs::GetFileNameForWrite(const presets::PresetDialogRequest& request) noexcept {
    OPENFILENAMEW dialog = FileDialogOf(request, OFN_OVERWRITEPROMPT);
    return GetSaveFileNameW(&dialog) ? 0 : 1;
}

int Win32PresetDialogs::SelectFile(const presets::PresetDialogRequest& request) noexcept {
    OPENFILENAMEW dialog = FileDialogOf(request, OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST);
    return GetOpenFileNameW(&dialog) ? 0 : 1;
}

void Win32PresetDialogs::ShowMessage(HWND owner, const WCHAR* text, UINT style) noexcept {
    WCHAR caption[128];
    QmMsgBoxGetCaption(caption, 128);
    MessageBoxW(owner, text, caption, style);
}

}  // namespace qm

// The four preset and bank commands of the instance property page (toolbar buttons 200-203): file
// dialog, file operation, error message and the remembered folder. The dialogs and the message box
// are the framework's; they come in through IPresetDialogs so that the commands' logic runs without
// a window (the property page hands in the real ones).
#pragma once
#include "hosting/vsti_soft_synth.h"

namespace qm::presets {

inline constexpr int kDialogPathChars = 260;
inline constexpr UINT kErrorBoxStyle = 16;  // MB_ICONERROR

struct PresetDialogRequest {
    HWND owner;
    const WCHAR* title;
    WCHAR* path;          // kDialogPathChars, pre-filled with the preset folder; the chosen file on return
    const WCHAR* filter;  // description, zero, pattern, zero, a second zero ends the list
    int filterIndex;      // 1
};

struct IPresetDialogs {
    // 0 when the user chose a file, anything else when he cancelled.
    virtual int GetFileNameForWrite(const PresetDialogRequest& request) noexcept = 0;
    virtual int SelectFile(const PresetDialogRequest& request) noexcept = 0;
    virtual void ShowMessage(HWND owner, const WCHAR* text, UINT style) noexcept = 0;

protected:
    ~IPresetDialogs() = default;
};

// Each returns 0; what went wrong has been shown to the user.
HRESULT SavePresetCommand(CVSTiSofthSynth& synth, HWND owner, IPresetDialogs& dialogs) noexcept;
HRESULT OpenPresetCommand(CVSTiSofthSynth& synth, HWND owner, IPresetDialogs& dialogs) noexcept;
HRESULT SaveBankCommand(CVSTiSofthSynth& synth, HWND owner, IPresetDialogs& dialogs) noexcept;
HRESULT OpenBankCommand(CVSTiSofthSynth& synth, HWND owner, IPresetDialogs& dialogs) noexcept;

}  // namespace qm::presets

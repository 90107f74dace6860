// The instance page's dialog on Windows: the window service (ISynthPageView) over the dialog of
// resource 1, its toolbar and the editor site the plug-in draws into. One object per dialog,
// created at WM_INITDIALOG and deleted at WM_NCDESTROY.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "ui/synth_page.h"
#include "ui/win32/skin_image_lists.h"

namespace qm {

// The framework's file dialogs and message boxes for the preset and bank commands.
class Win32PresetDialogs final : public presets::IPresetDialogs {
public:
    int GetFileNameForWrite(const presets::PresetDialogRequest& request) noexcept override;
    int SelectFile(const presets::PresetDialogRequest& request) noexcept override;
    void ShowMessage(HWND owner, const WCHAR* text, UINT style) noexcept override;
};

class SynthPageDialog final : public ISynthPageView {
public:
    SynthPageDialog(HWND dialog, CVSTiSynthPage& page) noexcept : dialog_(dialog), page_(page) {}
    static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

    // ---- ISynthPageView ----
    void LimitProgramText(int chars) noexcept override;
    void ClearPrograms() noexcept override;
    void AddProgram(const WCHAR* name, int program) noexcept override;
    void SelectProgramEntry(int entry) noexcept override;
    void EnablePrograms(bool enabled) noexcept override;
    void ReadProgramText(WCHAR* text, int capacity) noexcept override;
    int SelectedProgram() noexcept override;
    void SetToolbarState(bool enablePressed, bool presetButtonsEnabled) noexcept override;
    PageExtent LabelSize() noexcept override;
    PageExtent ProgramListSize() noexcept override;
    PageExtent ToolbarSize() noexcept override;
    PageExtent SeparatorSize() noexcept override;
    PageExtent InsetClientSize() noexcept override;
    void ResizeDialog(int width, int height) noexcept override;
    void PlaceWindows(const PageLayout& layout) noexcept override;
    HWND EditorSite() noexcept override { return site_; }
    void ShowEditorSite() noexcept override;
    HWND DialogWindow() noexcept override { return dialog_; }
    presets::IPresetDialogs& PresetDialogs() noexcept override;
    void PostToDialog(UINT message, WPARAM wParam, LPARAM lParam) noexcept override;

private:
    void Initialize() noexcept;
    void Destroy() noexcept;
    void OnCommand(int id, int code) noexcept;
    bool OnNotify(const NMHDR& header) noexcept;
    void OnHelp(const HELPINFO& help) noexcept;
    // Replaces the placeholder `id` by `window`, at its place in the z-order; the placeholder's
    // rectangle in dialog coordinates comes back.
    RECT ReplacePlaceholder(int id) noexcept;
    void CreateToolbar() noexcept;
    void CreateEditorSite() noexcept;
    PageExtent SizeOf(int id) noexcept;
    HWND Item(int id) const noexcept { return GetDlgItem(dialog_, id); }

    HWND dialog_;
    CVSTiSynthPage& page_;
    SynthPageLogic* logic_ = nullptr;
    HWND toolbar_ = nullptr;
    HWND site_ = nullptr;
    SkinImageLists images_;
    Win32PresetDialogs files_;
};

// The toolbar's buttons: their commands, tooltip strings and help ids.
struct PageButton {
    int image;
    int command;  // 0: the separator
    UINT tooltip;
    DWORD helpId;
};
const PageButton* PageButtons(int& count) noexcept;
inline constexpr DWORD kProgramListHelpId = 31050;

// The class of the editor site window, registered once per process; its name is
// "QM.VSTiUIPageSite". False when it cannot be registered.
bool RegisterEditorSiteClass() noexcept;
extern const WCHAR kEditorSiteClass[];

}  // namespace qm

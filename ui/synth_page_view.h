// What the instance page's logic asks of its dialog: the program list, the toolbar, the sizes of
// the controls and their placement, the editor site and the messages the page posts to itself.
// The Windows dialog implements it; tests implement it without a window. Every call comes on the
// dialog's thread except PostToDialog, which may come from any thread and must only queue the
// message for the dialog's thread.
#pragma once
#include "presets/preset_commands.h"
#include "qmvsti/com.h"

namespace qm {

// Messages the page posts to its own dialog (the instance's idle and display-update requests).
inline constexpr UINT kPageMessageIdle = 0x8002;           // WM_APP + 2
inline constexpr UINT kPageMessageUpdateDisplay = 0x8003;  // WM_APP + 3

struct PageExtent {
    int width = 0;
    int height = 0;
};

struct PagePlacement {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The five windows of the page, placed together in one batch.
struct PageLayout {
    PagePlacement label;      // 1242
    PagePlacement programs;   // 1237
    PagePlacement toolbar;    // 1282
    PagePlacement separator;  // 1239
    PagePlacement site;       // 1238, the editor site
};

class ISynthPageView {
public:
    // The program list (a combo box with an edit field). Item data is the program index.
    virtual void LimitProgramText(int chars) noexcept = 0;
    virtual void ClearPrograms() noexcept = 0;
    virtual void AddProgram(const WCHAR* name, int program) noexcept = 0;
    virtual void SelectProgramEntry(int entry) noexcept = 0;  // list index, in order of adding
    virtual void EnablePrograms(bool enabled) noexcept = 0;
    // The edit field's text, at most capacity - 1 characters, terminated.
    virtual void ReadProgramText(WCHAR* text, int capacity) noexcept = 0;
    // The item data of the selected entry, -1 without a selection.
    virtual int SelectedProgram() noexcept = 0;

    // The enable button pressed or not; the four preset and bank buttons enabled or greyed.
    virtual void SetToolbarState(bool enablePressed, bool presetButtonsEnabled) noexcept = 0;

    // Sizes in pixels: of the label, the program list (its closed height), the toolbar, the
    // separator (control 1239) and the dialog's client area less 5 pixels on every side.
    virtual PageExtent LabelSize() noexcept = 0;
    virtual PageExtent ProgramListSize() noexcept = 0;
    virtual PageExtent ToolbarSize() noexcept = 0;
    virtual PageExtent SeparatorSize() noexcept = 0;
    virtual PageExtent InsetClientSize() noexcept = 0;
    // Resizes the dialog without moving, activating or redrawing it (SetWindowPos flags 0x21A).
    virtual void ResizeDialog(int width, int height) noexcept = 0;
    virtual void PlaceWindows(const PageLayout& layout) noexcept = 0;

    // The editor site (created with the dialog, hidden): its window handle for effEditOpen, and
    // showing it once the editor is open.
    virtual HWND EditorSite() noexcept = 0;
    virtual void ShowEditorSite() noexcept = 0;
    // The dialog itself: the owner of the file dialogs and message boxes.
    virtual HWND DialogWindow() noexcept = 0;
    // The file dialogs and message boxes of the preset and bank commands.
    virtual presets::IPresetDialogs& PresetDialogs() noexcept = 0;

    // Queues `message` for the dialog's thread; any thread.
    virtual void PostToDialog(UINT message, WPARAM wParam, LPARAM lParam) noexcept = 0;

protected:
    ~ISynthPageView() = default;
};

}  // namespace qm

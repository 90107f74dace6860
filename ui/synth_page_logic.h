// SynthPageLogic: what the instance page does in its dialog, without the window: the program list
// kept in step with the plug-in, the toolbar's state and commands, the plug-in's editor opened,
// idled and closed, and the dialog's size and layout around the editor (including the plug-in's own
// size requests). The dialog creates it at initialisation (through the page) and drops it when it
// is destroyed.
//
// Threads: the dialog's thread only; requests from other threads arrive as posted messages.
#pragma once
#include <cstdint>

#include "ui/synth_page_view.h"

namespace qm {

class CVSTiSofthSynth;

// Toolbar commands and control ids of the page dialog.
namespace PageCommand {
inline constexpr int SavePreset = 200;
inline constexpr int OpenPreset = 201;
inline constexpr int SaveBank = 202;
inline constexpr int OpenBank = 203;
inline constexpr int Power = 300;
}  // namespace PageCommand

// What the page keeps across its dialog's lifetimes: its size and the plug-in's size requests.
struct SynthPageState {
    int pageWidth = 0;
    int pageHeight = 0;
    bool sizing = false;       // a size request from the plug-in is being applied
    bool sizeDiffers = false;  // the editor's rectangle is not the size last asked for
    int askedWidth = 0;
    int askedHeight = 0;
};

class SynthPageLogic {
public:
    static constexpr int kProgramTextChars = 25;   // the list's edit field
    static constexpr int kRenameChars = 32;        // read from the edit field (31 and the end)
    static constexpr int kPlugInNameBytes = 24;    // kVstMaxProgNameLen: 23 characters reach the plug-in

    // `synth` may be null: every handler then does nothing and the list stays disabled.
    SynthPageLogic(CVSTiSofthSynth* synth, ISynthPageView& view, SynthPageState& state) noexcept;
    SynthPageLogic(const SynthPageLogic&) = delete;
    SynthPageLogic& operator=(const SynthPageLogic&) = delete;

    void SetSite(IPropertyPageSite* site) noexcept { site_ = site; }

    // Dialog initialisation, once the view has its toolbar and editor site: fills the list, sets
    // the toolbar, opens the editor and sizes the dialog.
    void Open() noexcept;
    // Dialog destruction: closes the editor.
    void Close() noexcept;

    void FillPrograms() noexcept;
    void SelectProgram() noexcept;   // the list's selection changed
    void NoteNameEdited() noexcept;  // the user typed in the edit field
    void FinishRename() noexcept;    // the list lost the focus
    void UpdateToolbar() noexcept;
    void Command(int command) noexcept;

    void EditorIdle() noexcept;                         // message 0x8002
    void DisplayUpdate(int width, int height) noexcept; // message 0x8003
    void OnSize() noexcept;                             // WM_SIZE
    // audioMasterSizeWindow: lays the dialog out for the asked size and tracks whether the
    // editor's own rectangle follows it.
    void SizeRequest(int width, int height) noexcept;
    // The dialog size rule: resizes the dialog for the editor (the asked size when both are
    // non-zero) and keeps the size as the page's. False when there is nothing to size.
    bool SizeDialog(int width = 0, int height = 0) noexcept;
    // Places the five windows around an editor of width x height.
    void Layout(int width, int height) noexcept;

    bool HasEditor() const noexcept;
    bool NameEdited() const noexcept { return nameEdited_; }

private:
    int ProgramCount() const noexcept;
    bool EditorSize(int width, int height, PageExtent& size) noexcept;
    bool EditorRect(PageExtent& size) noexcept;
    void Notify(DWORD status) noexcept;

    CVSTiSofthSynth* synth_;
    ISynthPageView& view_;
    SynthPageState& state_;
    IPropertyPageSite* site_ = nullptr;
    bool nameEdited_ = false;
};

// "Preset %d" with `number`, the name of a program the plug-in left unnamed.
void DefaultProgramName(int number, WCHAR* name, int capacity) noexcept;

}  // namespace qm

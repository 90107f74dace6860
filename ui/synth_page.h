// CVSTiSynthPage: the property page the host shows for one running instrument (IPropertyPage), and
// the instance's editor window (IEditorWindow) while it is attached. Its dialog (ui/page_dialogs.h)
// holds the program list, the toolbar and the editor site; what happens in it is SynthPageLogic,
// made by the dialog through OpenLogic and dropped through CloseLogic.
//
// Lifetime: the instance creates it (CreatePropertyPage); SetObjects with one object attaches it
// (the instance then holds it as its editor window, with a reference), with none detaches it.
// Threads: the host's user-interface thread, but for the IEditorWindow calls of other threads
// (PostIdle, PostUpdateDisplay, HasWindow), which only post to the dialog. Counts are interlocked.
#pragma once
#include <atomic>
#include <memory>

#include "hosting/editor_window.h"
#include "platform/sync.h"
#include "qmvsti/soft_synth.h"
#include "ui/synth_page_logic.h"

namespace qm {

class CVSTiSynthPage final : public IPropertyPage, public IEditorWindow {
public:
    // A new page with count 0, or null without memory.
    static CVSTiSynthPage* Create() noexcept;

    // ---- IPropertyPage ----
    HRESULT QM_COMCALL QueryInterface(REFIID riid, void** ppv) noexcept override;
    ULONG QM_COMCALL AddRef() noexcept override;
    ULONG QM_COMCALL Release() noexcept override;
    HRESULT QM_COMCALL SetPageSite(IPropertyPageSite* site) noexcept override;
    HRESULT QM_COMCALL Activate(HWND parent, LPCRECT rect, BOOL modal) noexcept override;
    HRESULT QM_COMCALL Deactivate() noexcept override;
    HRESULT QM_COMCALL GetPageInfo(PROPPAGEINFO* info) noexcept override;
    HRESULT QM_COMCALL SetObjects(ULONG count, IUnknown** objects) noexcept override;
    HRESULT QM_COMCALL Show(UINT command) noexcept override;
    HRESULT QM_COMCALL Move(LPCRECT rect) noexcept override;
    HRESULT QM_COMCALL IsPageDirty() noexcept override;
    HRESULT QM_COMCALL Apply() noexcept override;
    HRESULT QM_COMCALL Help(LPCOLESTR helpDir) noexcept override;
    HRESULT QM_COMCALL TranslateAccelerator(MSG* message) noexcept override;

    // ---- IEditorWindow ----
    void RetainWindow() noexcept override { AddRef(); }
    void ReleaseWindow() noexcept override { Release(); }
    bool HasWindow() const noexcept override;
    void PostIdle() noexcept override;
    void PostUpdateDisplay() noexcept override;
    void SizeWindow(int32_t width, int32_t height) noexcept override;

    // ---- For the dialog ----
    // The logic behind `view`, made at the dialog's initialisation; null while the dialog is only
    // being measured. The page keeps it until CloseLogic (the dialog's destruction).
    SynthPageLogic* OpenLogic(ISynthPageView& view) noexcept;
    void CloseLogic() noexcept;
    SynthPageLogic* Logic() noexcept { return logic_.get(); }
    // While SetPageSite measures the dialog: the dialog reports its window size and opens nothing.
    bool Measuring() const noexcept { return measuring_; }
    void SetMeasuredSize(int width, int height) noexcept;
    // The instance (null when detached) and the page's size.
    CVSTiSofthSynth* Synth() const noexcept { return synth_; }
    const SynthPageState& State() const noexcept { return state_; }
    // The file dialogs and message boxes of the preset and bank commands: the dialog's own unless
    // others are handed in (a test answering them); null gives the dialog's own back.
    void SetPresetDialogs(presets::IPresetDialogs* dialogs) noexcept { presetDialogs_ = dialogs; }
    presets::IPresetDialogs* PresetDialogs() const noexcept { return presetDialogs_; }

private:
    CVSTiSynthPage() noexcept;
    ~CVSTiSynthPage();
    void Detach() noexcept;
    void Post(UINT message) noexcept;

    std::atomic<ULONG> refs_{0};
    IPropertyPageSite* site_ = nullptr;
    CVSTiSofthSynth* synth_ = nullptr;  // referenced
    HWND dialog_ = nullptr;
    HWND parent_ = nullptr;  // from the site, for measuring
    SynthPageState state_;
    bool measuring_ = false;
    presets::IPresetDialogs* presetDialogs_ = nullptr;
    std::unique_ptr<SynthPageLogic> logic_;
    // The view the other threads post through, guarded so that it cannot go while they post.
    mutable platform::RecursiveLock viewLock_;
    ISynthPageView* view_ = nullptr;
};

}  // namespace qm

// CVSTiTypePage: the property page the host shows for the soft-synth type (IPropertyPage). Activate
// creates the page's dialog (ui/page_dialogs.h), which opens the page's logic (TypePageLogic) over
// itself as the window service; Deactivate destroys it, and the dialog drops the logic as it goes.
// Where no dialog can be created (Linux), Activate answers E_UNEXPECTED, and Apply, IsPageDirty and
// the rest behave as for a page that was never opened.
//
// Threads: the host's user-interface thread; the reference count is interlocked.
#pragma once
#include <atomic>
#include <memory>

#include "discovery/process_scan_probe.h"
#include "discovery/scan_candidate.h"
#include "discovery/type_page_logic.h"
#include "qmvsti/midi_class.h"

namespace qm {

class CQmVSTiSynthType;

class CVSTiTypePage final : public IPropertyPage {
public:
    // A new page with count 0, or null without memory.
    static CVSTiTypePage* Create() noexcept;

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

    // The logic behind `view` (the dialog's window service), made when the dialog opens; null
    // without a type. The page keeps it until Deactivate.
    TypePageLogic* OpenLogic(ITypePageView& view) noexcept;
    // The dialog is going: the logic stops a running scan and lets go of the view.
    void CloseLogic() noexcept { logic_.reset(); }
    TypePageLogic* Logic() noexcept { return logic_.get(); }
    // The type this page edits (null before SetObjects).
    CQmVSTiSynthType* Type() const noexcept { return type_; }

private:
    CVSTiTypePage() noexcept;
    ~CVSTiTypePage();

    std::atomic<ULONG> refs_{0};
    IPropertyPageSite* site_ = nullptr;
    HWND dialog_ = nullptr;
    CQmVSTiSynthType* type_ = nullptr;  // referenced
    std::unique_ptr<TypeScanTester> tester_;
    std::unique_ptr<ProcessScanProbe> probe_;
    std::unique_ptr<TypePageLogic> logic_;
};

}  // namespace qm

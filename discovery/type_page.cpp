#include "discovery/type_page.h"

#include <new>

#include "discovery/plugin_record.h"
#include "discovery/synth_type.h"
#include "qmvsti/guids.h"
#include "ui/page_dialogs.h"
#include "ui/page_info.h"

namespace qm {

namespace {

constexpr LONG kPageExtent = 3276;

}  // namespace

CVSTiTypePage* CVSTiTypePage::Create() noexcept { return new (std::nothrow) CVSTiTypePage(); }

CVSTiTypePage::CVSTiTypePage() noexcept = default;

CVSTiTypePage::~CVSTiTypePage() {
    if (dialog_ != nullptr) DestroyPageDialog(dialog_);
    logic_.reset();
    if (type_ != nullptr) type_->Release();
    if (site_ != nullptr) site_->Release();
}

HRESULT CVSTiTypePage::QueryInterface(REFIID riid, void** ppv) noexcept {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_IPropertyPage)) return E_NOINTERFACE;
    *ppv = static_cast<IPropertyPage*>(this);
    AddRef();
    return S_OK;
}

ULONG CVSTiTypePage::AddRef() noexcept { return ++refs_; }

ULONG CVSTiTypePage::Release() noexcept {
    const ULONG count = --refs_;
    if (count == 0) delete this;
    return count;
}

HRESULT CVSTiTypePage::SetPageSite(IPropertyPageSite* site) noexcept {
    if (site_ != nullptr) site_->Release();
    site_ = site;
    if (site_ != nullptr) site_->AddRef();
    if (logic_ != nullptr) logic_->SetSite(site_);
    return S_OK;
}

HRESULT CVSTiTypePage::Activate(HWND parent, LPCRECT rect, BOOL) noexcept {
    if (rect == nullptr) return E_POINTER;
    if (dialog_ != nullptr) Deactivate();
    dialog_ = CreateTypePageDialog(*this, parent);
    if (dialog_ == nullptr) return E_UNEXPECTED;
    MovePageDialog(dialog_, *rect);
    return S_OK;
}

HRESULT CVSTiTypePage::Deactivate() noexcept {
    // Destroying the dialog drops the logic; a page never activated has neither.
    DestroyPageDialog(dialog_);
    dialog_ = nullptr;
    logic_.reset();
    return S_OK;
}

HRESULT CVSTiTypePage::GetPageInfo(PROPPAGEINFO* info) noexcept { return FillPageInfo(info, kPageExtent, kPageExtent); }

HRESULT CVSTiTypePage::SetObjects(ULONG count, IUnknown** objects) noexcept {
    if (count > 1) return E_UNEXPECTED;
    logic_.reset();
    tester_.reset();
    if (type_ != nullptr) type_->Release();
    type_ = nullptr;
    if (count == 0) return S_OK;
    if (objects == nullptr || objects[0] == nullptr) return E_POINTER;
    IQmSoftSynthType* type = nullptr;
    const HRESULT hr = objects[0]->QueryInterface(IID_IQmSoftSynthType, reinterpret_cast<void**>(&type));
    if (FAILED(hr)) return hr;
    // The type page is named only by our type's own companion, so the object is our type.
    type_ = static_cast<CQmVSTiSynthType*>(type);
    return S_OK;
}

TypePageLogic* CVSTiTypePage::OpenLogic(ITypePageView& view) noexcept {
    if (type_ == nullptr) return nullptr;
    logic_.reset();
    if (tester_ == nullptr) tester_.reset(new (std::nothrow) TypeScanTester(type_));
    if (probe_ == nullptr) {
        // Scans run through the probe when it sits beside the module, else in this process.
        WCHAR program[kPluginPathChars];
        if (ProcessScanProbe::FindBesideModule(program)) probe_.reset(new (std::nothrow) ProcessScanProbe(program));
    }
    if (tester_ == nullptr) return nullptr;
    logic_.reset(new (std::nothrow) TypePageLogic(*type_, view, *tester_, probe_.get()));
    if (logic_ == nullptr) return nullptr;
    logic_->SetSite(site_);
    if (FAILED(logic_->Open())) logic_.reset();
    return logic_.get();
}

HRESULT CVSTiTypePage::Show(UINT command) noexcept {
    ShowPageDialog(dialog_, command);
    return S_OK;
}

HRESULT CVSTiTypePage::Move(LPCRECT rect) noexcept {
    if (rect == nullptr) return E_POINTER;
    MovePageDialog(dialog_, *rect);
    return S_OK;
}

HRESULT CVSTiTypePage::IsPageDirty() noexcept { return logic_ != nullptr && logic_->Dirty() ? S_OK : S_FALSE; }

HRESULT CVSTiTypePage::Apply() noexcept { return logic_ != nullptr ? logic_->Apply() : S_OK; }

HRESULT CVSTiTypePage::Help(LPCOLESTR) noexcept { return E_NOTIMPL; }

HRESULT CVSTiTypePage::TranslateAccelerator(MSG* message) noexcept {
    if (message == nullptr || logic_ == nullptr) return S_FALSE;
    return logic_->TranslateKey(message->message, message->wParam);
}

}  // namespace qm

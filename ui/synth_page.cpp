#include "ui/synth_page.h"

#include <new>

#include "hosting/vsti_soft_synth.h"
#include "qmvsti/guids.h"
#include "ui/page_dialogs.h"
#include "ui/page_info.h"

namespace qm {

CVSTiSynthPage* CVSTiSynthPage::Create() noexcept { return new (std::nothrow) CVSTiSynthPage(); }

CVSTiSynthPage::CVSTiSynthPage() noexcept = default;

CVSTiSynthPage::~CVSTiSynthPage() {
    // The instance held the page while attached, so it has let go by now: only the references remain.
    logic_.reset();
    if (synth_ != nullptr) synth_->Release();
    if (site_ != nullptr) site_->Release();
}

HRESULT CVSTiSynthPage::QueryInterface(REFIID riid, void** ppv) noexcept {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_IPropertyPage)) return E_NOINTERFACE;
    *ppv = static_cast<IPropertyPage*>(this);
    AddRef();
    return S_OK;
}

ULONG CVSTiSynthPage::AddRef() noexcept { return ++refs_; }

ULONG CVSTiSynthPage::Release() noexcept {
    const ULONG count = --refs_;
    if (count == 0) delete this;
    return count;
}

HRESULT CVSTiSynthPage::SetPageSite(IPropertyPageSite* site) noexcept {
    if (site_ != nullptr) site_->Release();
    site_ = site;
    if (logic_ != nullptr) logic_->SetSite(site_);
    if (site_ == nullptr) return S_OK;
    site_->AddRef();
    // The host answers its container slot with the window to measure the dialog in.
    IUnknown* container = nullptr;
    site_->GetPageContainer(&container);
    parent_ = reinterpret_cast<HWND>(container);
    if (synth_ == nullptr || dialog_ != nullptr) return S_OK;
    ERect* rect = nullptr;
    synth_->CallDispatcher(effEditGetRect, 0, 0, &rect, 0.0f);
    if (rect != nullptr) {
        state_.pageWidth = rect->right - rect->left;
        state_.pageHeight = rect->bottom - rect->top;
        return S_OK;
    }
    // No editor size to go by: the dialog's own size, from a dialog made only to be measured.
    measuring_ = true;
    DestroyPageDialog(CreateSynthPageDialog(*this, parent_));
    measuring_ = false;
    return S_OK;
}

void CVSTiSynthPage::SetMeasuredSize(int width, int height) noexcept {
    state_.pageWidth = width;
    state_.pageHeight = height;
}

HRESULT CVSTiSynthPage::Activate(HWND parent, LPCRECT rect, BOOL) noexcept {
    if (rect == nullptr) return E_POINTER;
    if (dialog_ != nullptr) Deactivate();
    dialog_ = CreateSynthPageDialog(*this, parent);
    if (dialog_ == nullptr) return E_UNEXPECTED;
    ShowPageDialog(dialog_, 0);  // SW_HIDE
    MovePageDialog(dialog_, *rect);
    return S_OK;
}

HRESULT CVSTiSynthPage::Deactivate() noexcept {
    const HWND dialog = dialog_;
    dialog_ = nullptr;
    DestroyPageDialog(dialog);
    CloseLogic();
    return S_OK;
}

HRESULT CVSTiSynthPage::GetPageInfo(PROPPAGEINFO* info) noexcept {
    if (info == nullptr) return E_POINTER;
    // A size request being applied has already laid the dialog out.
    if (!state_.sizing && logic_ != nullptr) logic_->SizeDialog();
    return FillPageInfo(info, state_.pageWidth, state_.pageHeight);
}

void CVSTiSynthPage::Detach() noexcept {
    if (synth_ != nullptr && synth_->EditorWindow() == this) synth_->SetEditorWindow(nullptr);
    CVSTiSofthSynth* synth = synth_;
    synth_ = nullptr;
    if (synth != nullptr) synth->Release();
}

HRESULT CVSTiSynthPage::SetObjects(ULONG count, IUnknown** objects) noexcept {
    if (count > 1) return E_UNEXPECTED;
    if (count == 1 && (objects == nullptr || objects[0] == nullptr)) return E_POINTER;
    // Keep ourselves alive: the instance may hold the last other reference.
    AddRef();
    Detach();
    HRESULT hr = S_OK;
    if (count == 1) {
        IQmSoftSynth* asked = nullptr;
        hr = objects[0]->QueryInterface(IID_IQmSoftSynth, reinterpret_cast<void**>(&asked));
        if (SUCCEEDED(hr)) {
            // A bus answers for its instance: the page always edits the instance itself.
            IQmSoftSynth* instance = nullptr;
            asked->QueryThis(&instance);
            asked->Release();
            if (instance != nullptr) {
                synth_ = static_cast<CVSTiSofthSynth*>(instance);
                synth_->SetEditorWindow(this);
            }
        }
    }
    Release();
    return hr;
}

HRESULT CVSTiSynthPage::Show(UINT command) noexcept {
    ShowPageDialog(dialog_, command);
    return S_OK;
}

HRESULT CVSTiSynthPage::Move(LPCRECT rect) noexcept {
    if (rect == nullptr) return E_POINTER;
    MovePageDialog(dialog_, *rect);
    return S_OK;
}

HRESULT CVSTiSynthPage::IsPageDirty() noexcept { return S_FALSE; }
HRESULT CVSTiSynthPage::Apply() noexcept { return S_OK; }
HRESULT CVSTiSynthPage::Help(LPCOLESTR) noexcept { return E_NOTIMPL; }
HRESULT CVSTiSynthPage::TranslateAccelerator(MSG*) noexcept { return S_FALSE; }

SynthPageLogic* CVSTiSynthPage::OpenLogic(ISynthPageView& view) noexcept {
    if (measuring_) return nullptr;
    CloseLogic();
    logic_.reset(new (std::nothrow) SynthPageLogic(synth_, view, state_));
    if (logic_ == nullptr) return nullptr;
    logic_->SetSite(site_);
    {
        platform::LockScope hold(viewLock_);
        view_ = &view;
    }
    logic_->Open();
    return logic_.get();
}

void CVSTiSynthPage::CloseLogic() noexcept {
    {
        platform::LockScope hold(viewLock_);
        view_ = nullptr;
    }
    if (logic_ == nullptr) return;
    logic_->Close();
    logic_.reset();
}

bool CVSTiSynthPage::HasWindow() const noexcept {
    platform::LockScope hold(viewLock_);
    return view_ != nullptr;
}

void CVSTiSynthPage::Post(UINT message) noexcept {
    platform::LockScope hold(viewLock_);
    if (view_ != nullptr) view_->PostToDialog(message, 0, 0);
}

void CVSTiSynthPage::PostIdle() noexcept { Post(kPageMessageIdle); }
void CVSTiSynthPage::PostUpdateDisplay() noexcept { Post(kPageMessageUpdateDisplay); }

void CVSTiSynthPage::SizeWindow(int32_t width, int32_t height) noexcept {
    if (logic_ != nullptr) logic_->SizeRequest(width, height);
}

}  // namespace qm

#include "hosting/vsti_editor_session.h"

#include <atomic>
#include <new>

#include "platform/guard.h"
#include "platform/thread.h"
#include "qmvsti/editor.h"

namespace qm {

namespace {

class CVSTiEditorSession final : public IQmSoftSynthEditor, public IEditorWindow {
public:
    explicit CVSTiEditorSession(CVSTiSofthSynth* synth) noexcept : synth_(synth) { synth_->AddRef(); }

    // ---- IUnknown, IQmSoftSynthEditor ----
    HRESULT QM_COMCALL QueryInterface(REFIID riid, void** ppv) noexcept override {
        if (ppv == nullptr) return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_IQmSoftSynthEditor)) return E_NOINTERFACE;
        *ppv = static_cast<IQmSoftSynthEditor*>(this);
        AddRef();
        return S_OK;
    }
    ULONG QM_COMCALL AddRef() noexcept override {
        lives_.fetch_add(1, std::memory_order_acq_rel);
        return refs_.fetch_add(1, std::memory_order_acq_rel) + 1;
    }
    ULONG QM_COMCALL Release() noexcept override {
        const ULONG count = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        // A host that forgets CloseEditor must not leave the instance and the session holding
        // each other.
        if (count == 0 && open_.load(std::memory_order_acquire)) Close();
        Drop();
        return count;
    }

    HRESULT QM_COMCALL GetEditorSize(LONG* width, LONG* height) noexcept override {
        if (width != nullptr) *width = 0;
        if (height != nullptr) *height = 0;
        if (width == nullptr || height == nullptr) return E_POINTER;
        if (!HasEditor()) return E_NOTIMPL;
        if (differs_) {
            *width = askedWidth_;
            *height = askedHeight_;
            return S_OK;
        }
        return PlugInRect(width, height) ? S_OK : S_FALSE;
    }

    HRESULT QM_COMCALL OpenEditor(void* parent, IQmSoftSynthEditorSite* site) noexcept override {
        if (!HasEditor()) return E_NOTIMPL;
        if (parent == nullptr) return E_INVALIDARG;
        if (open_.load(std::memory_order_acquire) || synth_->EditorWindow() != nullptr) return E_UNEXPECTED;
        owner_ = platform::CurrentThreadId();
        site_ = site;
        askedWidth_ = askedHeight_ = 0;
        differs_ = false;
        // The window is in place before the call: plug-ins ask for their size while they open.
        open_.store(true, std::memory_order_release);
        synth_->SetEditorWindow(this);
        const intptr_t result = synth_->CallDispatcher(effEditOpen, 0, 0, parent, 0.0f);
        if (result == -1 && (synth_->Status() & InstanceStatus::Faulted) && synth_->LastFault().opcode == effEditOpen) {
            open_.store(false, std::memory_order_release);
            synth_->SetEditorWindow(nullptr);
            site_ = nullptr;
            return QM_E_PLUGIN_EXCEPTION;
        }
        return S_OK;
    }

    HRESULT QM_COMCALL IdleEditor() noexcept override {
        if (!open_.load(std::memory_order_acquire)) return S_FALSE;
        if (platform::CurrentThreadId() != owner_) return E_UNEXPECTED;
        synth_->IdlePass();
        return S_OK;
    }

    HRESULT QM_COMCALL CloseEditor() noexcept override {
        if (!open_.load(std::memory_order_acquire)) return S_FALSE;
        if (platform::CurrentThreadId() != owner_) return E_UNEXPECTED;
        Close();
        return S_OK;
    }

    // ---- IEditorWindow ----
    void RetainWindow() noexcept override { lives_.fetch_add(1, std::memory_order_acq_rel); }
    void ReleaseWindow() noexcept override { Drop(); }
    bool HasWindow() const noexcept override { return open_.load(std::memory_order_acquire); }
    // The host idles the open editor about 30 times a second on its window thread, so a request
    // from any other thread is served by the next IdleEditor: nothing is called from here. A
    // display update has nothing of ours to refresh; the plug-in's editor shows it at its idle.
    void PostIdle() noexcept override {}
    void PostUpdateDisplay() noexcept override {}
    void SizeWindow(int32_t width, int32_t height) noexcept override {
        askedWidth_ = width;
        askedHeight_ = height;
        if (site_ != nullptr && width > 0 && height > 0) site_->ResizeEditor(width, height);
        // A plug-in whose rectangle lags behind what it asked for keeps the asked size.
        LONG rectWidth = 0, rectHeight = 0;
        if (!PlugInRect(&rectWidth, &rectHeight)) {
            askedWidth_ = askedHeight_ = 0;
            differs_ = false;
        } else {
            differs_ = rectWidth != width || rectHeight != height;
        }
    }

private:
    ~CVSTiEditorSession() { synth_->Release(); }

    bool HasEditor() const noexcept {
        const AEffect* effect = synth_->Effect();
        return effect != nullptr && (effect->flags & effFlagsHasEditor) != 0;
    }
    // effEditGetRect; the rectangle lives in the plug-in's memory, so it is read under the guard.
    bool PlugInRect(LONG* width, LONG* height) noexcept {
        ERect* rect = nullptr;
        synth_->CallDispatcher(effEditGetRect, 0, 0, &rect, 0.0f);
        if (rect == nullptr) return false;
        ERect copy{};
        if (platform::Guarded([&] { copy = *rect; }).faulted) return false;
        *width = copy.right - copy.left;
        *height = copy.bottom - copy.top;
        return true;
    }
    void Close() noexcept {
        synth_->CallDispatcher(effEditClose, 0, 0, nullptr, 0.0f);
        open_.store(false, std::memory_order_release);
        site_ = nullptr;
        // The instance no longer forwards here; this may drop the last hold on the session.
        if (synth_->EditorWindow() == this) synth_->SetEditorWindow(nullptr);
    }
    void Drop() noexcept {
        if (lives_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
    }

    std::atomic<ULONG> refs_{1};   // the host's references
    std::atomic<ULONG> lives_{1};  // the host's references and the instance's hold as its window
    CVSTiSofthSynth* synth_;        // referenced
    IQmSoftSynthEditorSite* site_ = nullptr;
    std::atomic<bool> open_{false};
    uint32_t owner_ = 0;  // the window thread
    LONG askedWidth_ = 0;
    LONG askedHeight_ = 0;
    bool differs_ = false;
};

}  // namespace

HRESULT CreateEditorSession(CVSTiSofthSynth* synth, void** out) noexcept {
    *out = nullptr;
    CVSTiEditorSession* session = new (std::nothrow) CVSTiEditorSession(synth);
    if (session == nullptr) return E_OUTOFMEMORY;
    *out = static_cast<IQmSoftSynthEditor*>(session);
    return S_OK;
}

}  // namespace qm

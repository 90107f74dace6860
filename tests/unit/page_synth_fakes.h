// The programs plug-in with an editor of a chosen rectangle that logs the thread of every idle call,
// for the editor and instance page tests, and the host's page site.
#pragma once
#include <string>
#include <vector>

#include "platform/thread.h"
#include "unit/patch_fakes.h"

namespace page_test {

class ProgramPlugin : public patch_test::ProgramsPlugin {
public:
    bool hasRect = true;
    ERect rect{0, 0, 300, 500};  // 500 x 300
    void* parent = nullptr;      // of the last effEditOpen
    std::vector<uint32_t> editIdleThreads;
    // A window of the plug-in's own in the parent effEditOpen gives (tests with real windows).
    void* editor = nullptr;
    void (*openEditor)(ProgramPlugin& plugin, void* parent) = nullptr;
    void (*closeEditor)(ProgramPlugin& plugin) = nullptr;

    ProgramPlugin(std::vector<std::string> programNames, bool withEditor)
        : ProgramsPlugin(static_cast<int32_t>(programNames.size())) {
        names = std::move(programNames);
        effect.flags |= effFlagsCanReplacing | (withEditor ? effFlagsHasEditor : 0);
        programs_ = effect.dispatcher;
        effect.dispatcher = &Dispatch;
    }
    size_t count(int32_t opcode) const { return only(opcode).size(); }

private:
    static intptr_t VSTCALLBACK Dispatch(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
        auto* self = static_cast<ProgramPlugin*>(static_cast<FakePlugin*>(effect->object));
        const intptr_t result = self->programs_(effect, opcode, index, value, ptr, opt);
        switch (opcode) {
        case effEditGetRect: *static_cast<ERect**>(ptr) = self->hasRect ? &self->rect : nullptr; return self->hasRect ? 1 : 0;
        case effEditOpen:
            self->parent = ptr;
            if (self->openEditor != nullptr) self->openEditor(*self, ptr);
            return 1;
        case effEditClose:
            if (self->closeEditor != nullptr) self->closeEditor(*self);
            return 0;
        case effEditIdle: self->editIdleThreads.push_back(qm::platform::CurrentThreadId()); return 0;
        default: return result;
        }
    }
    AEffectDispatcherProc programs_;
};

// The host's page site: keeps every status the page reports.
class FakePageSite final : public IPropertyPageSite {
public:
    std::vector<DWORD> statuses;
    // The last status, or ~0u before any: a missing report fails the check instead of reading past the end.
    DWORD Last() const { return statuses.empty() ? ~0u : statuses.back(); }
    HRESULT QM_COMCALL QueryInterface(REFIID, void** ppv) noexcept override { return *ppv = nullptr, E_NOINTERFACE; }
    ULONG QM_COMCALL AddRef() noexcept override { return 2; }
    ULONG QM_COMCALL Release() noexcept override { return 1; }
    HRESULT QM_COMCALL OnStatusChange(DWORD flags) noexcept override { return statuses.push_back(flags), S_OK; }
    HRESULT QM_COMCALL GetLocaleID(LCID*) noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL GetPageContainer(IUnknown** unknown) noexcept override { return *unknown = nullptr, E_NOTIMPL; }
    HRESULT QM_COMCALL TranslateAccelerator(MSG*) noexcept override { return S_FALSE; }
};

}  // namespace page_test

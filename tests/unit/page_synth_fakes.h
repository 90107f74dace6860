// An in-process instrument for the editor and instance page tests (named or unnamed programs, an
// editor of a chosen rectangle that logs the thread of every idle call) and the host's page site.
#pragma once
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/thread.h"
#include "unit/hosting_fakes.h"

namespace page_test {

class ProgramPlugin : public hosting_test::FakePlugin {
public:
    std::vector<std::string> names;  // "" is a program the plug-in left unnamed
    int32_t current = 0;
    bool hasRect = true;
    ERect rect{0, 0, 300, 500};  // 500 x 300
    void* parent = nullptr;      // of the last effEditOpen
    std::vector<uint32_t> editIdleThreads;
    // A window of the plug-in's own in the parent effEditOpen gives (tests with real windows).
    void* editor = nullptr;
    void (*openEditor)(ProgramPlugin& plugin, void* parent) = nullptr;
    void (*closeEditor)(ProgramPlugin& plugin) = nullptr;

    ProgramPlugin(std::vector<std::string> programNames, bool withEditor)
        : FakePlugin(2, 0, effFlagsIsSynth | effFlagsCanReplacing | (withEditor ? effFlagsHasEditor : 0)),
          names(std::move(programNames)) {
        effect.numPrograms = static_cast<int32_t>(names.size());
        logged_ = effect.dispatcher;
        effect.dispatcher = &Dispatch;
    }
    size_t count(int32_t opcode) const { return only(opcode).size(); }

private:
    static intptr_t VSTCALLBACK Dispatch(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
        auto* self = static_cast<ProgramPlugin*>(static_cast<FakePlugin*>(effect->object));
        const intptr_t result = self->logged_(effect, opcode, index, value, ptr, opt);
        switch (opcode) {
        case effSetProgram: self->current = static_cast<int32_t>(value); return 0;
        case effGetProgram: return self->current;
        case effSetProgramName: self->names[static_cast<size_t>(self->current)] = static_cast<const char*>(ptr); return 0;
        case effGetProgramNameIndexed:
            std::strcpy(static_cast<char*>(ptr), self->names[static_cast<size_t>(index)].c_str());
            return self->names[static_cast<size_t>(index)].empty() ? 0 : 1;
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
    AEffectDispatcherProc logged_;
};

// The host's page site: keeps every status the page reports.
class FakePageSite final : public IPropertyPageSite {
public:
    std::vector<DWORD> statuses;
    HRESULT QM_COMCALL QueryInterface(REFIID, void** ppv) noexcept override { return *ppv = nullptr, E_NOINTERFACE; }
    ULONG QM_COMCALL AddRef() noexcept override { return 2; }
    ULONG QM_COMCALL Release() noexcept override { return 1; }
    HRESULT QM_COMCALL OnStatusChange(DWORD flags) noexcept override { return statuses.push_back(flags), S_OK; }
    HRESULT QM_COMCALL GetLocaleID(LCID*) noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL GetPageContainer(IUnknown** unknown) noexcept override { return *unknown = nullptr, E_NOTIMPL; }
    HRESULT QM_COMCALL TranslateAccelerator(MSG*) noexcept override { return S_FALSE; }
    bool saw(DWORD status) const { return std::find(statuses.begin(), statuses.end(), status) != statuses.end(); }
};

}  // namespace page_test

// An in-process instrument for the instance page's tests (named or unnamed programs, an editor of a
// chosen rectangle that logs the thread of every idle call) and the host's page site.
#pragma once
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/thread.h"
#include "unit/hosting_fakes.h"

namespace page_test {

// An instrument with programs and, when asked, an editor of a fixed rectangle.
class ProgramPlugin {
public:
    std::vector<std::string> names;  // "" is a program the plug-in left unnamed
    int32_t current = 0;
    bool hasRect = true;
    ERect rect{0, 0, 300, 500};
    AEffect effect{};
    audioMasterCallback host = nullptr;
    std::vector<int32_t> opcodes;
    std::vector<uint32_t> editIdleThreads;
    // A window of the plug-in's own in the parent effEditOpen gives (tests with real windows).
    void* editor = nullptr;
    void (*openEditor)(ProgramPlugin& plugin, void* parent) = nullptr;
    void (*closeEditor)(ProgramPlugin& plugin) = nullptr;

    ProgramPlugin(std::vector<std::string> programNames, bool withEditor) : names(std::move(programNames)) {
        effect.magic = kEffectMagic;
        effect.dispatcher = &Dispatch;
        effect.processReplacing = &Process;
        effect.numOutputs = 2;
        effect.numPrograms = static_cast<int32_t>(names.size());
        effect.flags = effFlagsIsSynth | effFlagsCanReplacing | (withEditor ? effFlagsHasEditor : 0);
        effect.object = this;
    }
    intptr_t callHost(int32_t opcode, int32_t index = 0, intptr_t value = 0) {
        return host(&effect, opcode, index, value, nullptr, 0.0f);
    }
    int count(int32_t opcode) const { return static_cast<int>(std::count(opcodes.begin(), opcodes.end(), opcode)); }

    static ProgramPlugin*& Next() {
        static ProgramPlugin* next = nullptr;
        return next;
    }
    static AEffect* VSTCALLBACK Entry(audioMasterCallback host) {
        Next()->host = host;
        return &Next()->effect;
    }

private:
    static intptr_t VSTCALLBACK Dispatch(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float) {
        auto* self = static_cast<ProgramPlugin*>(effect->object);
        if (opcode == effEditIdle) self->editIdleThreads.push_back(qm::platform::CurrentThreadId());
        else self->opcodes.push_back(opcode);
        switch (opcode) {
        case effSetProgram: self->current = static_cast<int32_t>(value); return 0;
        case effGetProgram: return self->current;
        case effSetProgramName: self->names[static_cast<size_t>(self->current)] = static_cast<const char*>(ptr); return 0;
        case effGetProgramNameIndexed:
            if (self->names[static_cast<size_t>(index)].empty()) return 0;
            std::strcpy(static_cast<char*>(ptr), self->names[static_cast<size_t>(index)].c_str());
            return 1;
        case effEditGetRect: *static_cast<ERect**>(ptr) = self->hasRect ? &self->rect : nullptr; return 1;
        case effEditOpen:
            if (self->openEditor != nullptr) self->openEditor(*self, ptr);
            return 1;
        case effEditClose:
            if (self->closeEditor != nullptr) self->closeEditor(*self);
            return 0;
        case effMainsChanged:
            if (value) self->callHost(audioMasterWantMidi, 0, 1);
            return 0;
        default: return 0;
        }
    }
    static void VSTCALLBACK Process(AEffect*, float**, float**, int32_t) {}
};

// The host's page site: keeps every status the page reports.
class FakePageSite final : public IPropertyPageSite {
public:
    std::vector<DWORD> statuses;
    HRESULT QM_COMCALL QueryInterface(REFIID, void** ppv) override { return *ppv = nullptr, E_NOINTERFACE; }
    ULONG QM_COMCALL AddRef() override { return 2; }
    ULONG QM_COMCALL Release() override { return 1; }
    HRESULT QM_COMCALL OnStatusChange(DWORD flags) override { return statuses.push_back(flags), S_OK; }
    HRESULT QM_COMCALL GetLocaleID(LCID*) override { return E_NOTIMPL; }
    HRESULT QM_COMCALL GetPageContainer(IUnknown** unknown) override { return *unknown = nullptr, E_NOTIMPL; }
    HRESULT QM_COMCALL TranslateAccelerator(MSG*) override { return S_FALSE; }
    bool saw(DWORD status) const { return std::find(statuses.begin(), statuses.end(), status) != statuses.end(); }
};

}  // namespace page_test

// In-process stand-ins for the instance's two partners: a soft-synth type (ISynthTypeLink) and a VST 2
// plug-in whose shape (outputs, names, pin labels) each test chooses and whose calls it keeps.
#pragma once
#include <cstring>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/lang.h"
#include "hosting/synth_type_link.h"
#include "hosting/vsti_soft_synth.h"
#include "platform/guard.h"
#include "qmvsti/vst2.h"

namespace hosting_test {

class FakeType final : public qm::ISynthTypeLink {
public:
    int64_t frameSize = 60000;  // 6 ms
    uint32_t flushes = 0;
    bool expose = false;
    bool alternativeDrawing = false;
    int drawingQueries = 0;

    int64_t FrameSizeDuration() const noexcept override { return frameSize; }
    uint32_t FlushOnStopCount() const noexcept override { return flushes; }
    bool ExposeMultiChannel() const noexcept override { return expose; }
    bool HasAlternativeDrawingMark(const WCHAR*, const WCHAR*, int32_t) noexcept override {
        ++drawingQueries;
        return alternativeDrawing;
    }
};

struct Call {
    int32_t opcode;
    int32_t index;
    intptr_t value;
    float opt;
    bool operator==(const Call& other) const {
        return opcode == other.opcode && index == other.index && value == other.value && opt == other.opt;
    }
};

inline std::ostream& operator<<(std::ostream& out, const Call& call) {
    return out << "{" << call.opcode << ", " << call.index << ", " << call.value << ", " << call.opt << "}";
}

// Process calls are kept as opcode -2 with the frame count as value.
constexpr int32_t kProcessCall = -2;

class FakePlugin {
public:
    const char* effectName = "";
    const char* productName = "";
    const char* vendorName = "";
    const char* pinLabels[2] = {"", ""};
    bool pin0Stereo = true;
    int32_t throwOnOpcode = -1;  // a C++ exception escapes the dispatcher for this opcode
    AEffect effect{};
    audioMasterCallback host = nullptr;
    intptr_t versionInEntry = -1;
    intptr_t sizeWindowInEntry = -1;
    std::vector<Call> calls;

    explicit FakePlugin(int32_t outputs = 2, int32_t inputs = 0, int32_t flags = effFlagsIsSynth | effFlagsCanReplacing) {
        effect.magic = kEffectMagic;
        effect.dispatcher = &Dispatch;
        effect.processReplacing = &Process;
        effect.numOutputs = outputs;
        effect.numInputs = inputs;
        effect.flags = flags;
        effect.uniqueID = VstFourCC('F', 'k', 'P', 'l');
        effect.object = this;
    }

    // Calls of one opcode, in order.
    std::vector<Call> callsOf(int32_t opcode) const {
        std::vector<Call> found;
        for (const Call& call : calls) {
            if (call.opcode == opcode) found.push_back(call);
        }
        return found;
    }
    intptr_t callHost(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr) {
        return host(&effect, opcode, index, value, ptr, 0.0f);
    }

    // The entry point hands out the plug-in chosen by the test.
    static FakePlugin*& Next() {
        static FakePlugin* next = nullptr;
        return next;
    }
    static AEffect* VSTCALLBACK Entry(audioMasterCallback host) {
        FakePlugin* self = Next();
        if (self == nullptr) return nullptr;
        self->host = host;
        self->versionInEntry = host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f);
        char sizeWindow[] = "sizeWindow";
        self->sizeWindowInEntry = host(nullptr, audioMasterCanDo, 0, 0, sizeWindow, 0.0f);
        return &self->effect;
    }

private:
    static intptr_t VSTCALLBACK Dispatch(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                         float opt) {
        FakePlugin* self = static_cast<FakePlugin*>(effect->object);
        self->calls.push_back(Call{opcode, index, value, opt});
        if (opcode == self->throwOnOpcode) throw std::runtime_error("plug-in failure");
        switch (opcode) {
        case effGetEffectName: std::strcpy(static_cast<char*>(ptr), self->effectName); return 1;
        case effGetProductString: std::strcpy(static_cast<char*>(ptr), self->productName); return 1;
        case effGetVendorString: std::strcpy(static_cast<char*>(ptr), self->vendorName); return 1;
        case effGetVendorVersion: return 4711;
        case effMainsChanged:
            if (value) self->callHost(audioMasterWantMidi, 0, 1);
            return 0;
        case effGetOutputProperties: {
            auto* pin = static_cast<VstPinProperties*>(ptr);
            if (index < 2) std::strcpy(pin->label, self->pinLabels[index]);
            if (index == 0 && self->pin0Stereo) pin->flags = kVstPinIsStereo;
            return 1;
        }
        default: return 0;
        }
    }
    static void VSTCALLBACK Process(AEffect* effect, float**, float** outputs, int32_t frames) {
        FakePlugin* self = static_cast<FakePlugin*>(effect->object);
        self->calls.push_back(Call{kProcessCall, 0, frames, 0.0f});
        for (int32_t i = 0; i < frames; ++i) outputs[0][i] = 0.5f;
    }
};

// The host's site: answers the instance's site callback and keeps the codes it was called with.
struct FakeSite {
    HRESULT answer = S_OK;         // for codes 0 and 1
    HRESULT timeAnswer = S_OK;     // for code 4
    qm::TimeQuery reply{};         // copied into the time query (request and position kept)
    std::vector<DWORD> codes;
    qm::TimeQuery lastQuery{};
    ULONG_PTR lastCookie = 0;

    static HRESULT QM_COMCALL Callback(qm::IQmSoftSynth*, DWORD code, ULONG_PTR cookie, ULONG_PTR w1, ULONG_PTR,
                                       ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR) {
        FakeSite* site = reinterpret_cast<FakeSite*>(cookie);
        site->codes.push_back(code);
        site->lastCookie = cookie;
        if (code != qm::SiteCode::TimeQuery) return site->answer;
        auto* query = reinterpret_cast<qm::TimeQuery*>(w1);
        site->lastQuery = *query;
        const qm::TimeQuery asked = *query;
        *query = site->reply;
        query->request = asked.request;
        query->samplePosition = asked.samplePosition;
        query->time = asked.time;
        return site->timeAnswer;
    }
    HRESULT open(qm::CVSTiSofthSynth* synth) {
        return synth->Open(0, 0, 0, &FakeSite::Callback, reinterpret_cast<ULONG_PTR>(this), 0);
    }
};

// A record for a module file "Fake Synth" in a plug-in folder.
inline qm::VstiPluginRecord FakeRecord() {
    qm::VstiPluginRecord record{};
    const WCHAR* path = QMW("/plugins/Fake Synth.dll");
    for (int i = 0; path[i] != 0; ++i) record.path[i] = path[i];
    record.flags = qm::PluginRecordFlags::Enabled;
    return record;
}

inline std::basic_string<WCHAR> Wide(const char* text) {
    std::basic_string<WCHAR> wide;
    for (const char* p = text; *p != 0; ++p) wide.push_back(static_cast<WCHAR>(*p));
    return wide;
}

// The product name preset comes from the string table: the framework's handle must be open.
inline void EnsureStringTable() {
    if (qm::KernelLangHandle() == nullptr) {
        qm::OpenKernelLangHandle(qm::ModuleInstanceOf(reinterpret_cast<const void*>(&EnsureStringTable)), 1033);
    }
}

// An initialised instance of `type` bound to `plugin` (held with one reference).
class LoadedInstance {
public:
    LoadedInstance(FakeType& type, FakePlugin* plugin) {
        EnsureStringTable();
        qm::CVSTiSofthSynth::CreateInstance(&type, &synth_);
        synth_->AddRef();
        synth_->Initialize();
        record = FakeRecord();
        if (plugin != nullptr) {
            FakePlugin::Next() = plugin;
            result = synth_->LoadFromEntryPoint(&FakePlugin::Entry, &record);
            FakePlugin::Next() = nullptr;
        }
    }
    ~LoadedInstance() { synth_->Release(); }
    LoadedInstance(const LoadedInstance&) = delete;
    LoadedInstance& operator=(const LoadedInstance&) = delete;

    qm::CVSTiSofthSynth* operator->() const { return synth_; }
    qm::CVSTiSofthSynth* get() const { return synth_; }

    qm::VstiPluginRecord record{};
    HRESULT result = E_FAIL;

private:
    qm::CVSTiSofthSynth* synth_ = nullptr;
};

}  // namespace hosting_test

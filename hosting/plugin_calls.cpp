// The guarded calls into the plug-in. Every call runs inside the one guard, which survives any fault
// of the plug-in and puts the caller's FPU state back (resetting it after floating-point traps);
// a fault is recorded and reported by call and opcode.
#include <cstring>

#include "hosting/plugin_fault_log.h"
#include "hosting/vsti_soft_synth.h"
#include "platform/guard.h"
#include "platform/text.h"

namespace qm {

namespace {

// Plug-ins routinely write past the string sizes of the VST headers (32-byte effect names, 8-byte
// parameter texts), so every string call gets this much zeroed room whatever the caller keeps.
constexpr int kNarrowRoom = 1024;
constexpr int kCanDoBytes = 64;

int ClampNarrow(int capacity) noexcept {
    if (capacity < 1) return 1;
    return capacity > kNarrowRoom ? kNarrowRoom : capacity;
}

}  // namespace

void CVSTiSofthSynth::RecordFault(const char* call, int32_t opcode, uint32_t code) noexcept {
    lastFault_ = PlugInFault{call, opcode, code};
    ReportPlugInFault(path_, lastFault_);
}

intptr_t CVSTiSofthSynth::RawDispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    AEffect* effect = effect_;
    if (effect == nullptr || effect->dispatcher == nullptr) return 0;
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

intptr_t CVSTiSofthSynth::RawGetString(int32_t opcode, WCHAR* dest, int capacity) {
    char narrow[kNarrowRoom];
    std::memset(narrow, 0, sizeof narrow);
    const intptr_t result = RawDispatch(opcode, 0, 0, narrow, 0.0f);
    narrow[ClampNarrow(capacity) - 1] = 0;
    if (narrow[0] == 0 || dest == nullptr || capacity < 1) return result;
    platform::AnsiToWide(narrow, -1, dest, static_cast<size_t>(capacity));
    return 1;
}

intptr_t CVSTiSofthSynth::CallDispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) noexcept {
    if (effect_ == nullptr) return 0;
    intptr_t result = 0;
    const platform::GuardOutcome outcome =
        platform::Guarded([&] { result = RawDispatch(opcode, index, value, ptr, opt); });
    if (!outcome.faulted) return result;
    SetBits(InstanceStatus::Faulted);
    RecordFault("dispatcher", opcode, outcome.code);
    return -1;
}

int CVSTiSofthSynth::CallProcess(int32_t frames, float** outputs) noexcept {
    AEffect* effect = effect_;
    if (effect == nullptr) return 1;
    const bool replacing = effect->processReplacing != nullptr && (effect->flags & effFlagsCanReplacing) != 0;
    AEffectProcessProc process = replacing ? effect->processReplacing : effect->process;
    if (process == nullptr) return 1;
    float** out = outputs != nullptr ? outputs : (processOutputs_ != nullptr ? processOutputs_ : outputs_);
    float** in = processInputs_ != nullptr ? processInputs_ : inputs_;
    const platform::GuardOutcome outcome = platform::Guarded([&] { process(effect, in, out, frames); });
    if (!outcome.faulted) return 0;
    SetBits(InstanceStatus::Faulted);
    RecordFault(replacing ? "processReplacing" : "process", -1, outcome.code);
    return 1;
}

// String calls only read or hand over text: a fault there is reported but does not silence the
// instance.
intptr_t CVSTiSofthSynth::GetPlugInString(int32_t opcode, WCHAR* dest, int capacity) noexcept {
    if (effect_ == nullptr) return 0;
    intptr_t result = 0;
    const platform::GuardOutcome outcome = platform::Guarded([&] { result = RawGetString(opcode, dest, capacity); });
    if (!outcome.faulted) return result;
    RecordFault("dispatcher", opcode, outcome.code);
    return -1;
}

intptr_t CVSTiSofthSynth::SetPlugInString(int32_t opcode, const WCHAR* source, int capacity) noexcept {
    if (effect_ == nullptr) return 0;
    char narrow[kNarrowRoom];
    std::memset(narrow, 0, sizeof narrow);
    const int bytes = ClampNarrow(capacity);
    if (source != nullptr) platform::WideToAnsi(source, -1, narrow, static_cast<size_t>(bytes));
    narrow[bytes - 1] = 0;
    intptr_t result = 0;
    const platform::GuardOutcome outcome =
        platform::Guarded([&] { result = RawDispatch(opcode, 0, 0, narrow, 0.0f); });
    if (!outcome.faulted) return result;
    RecordFault("dispatcher", opcode, outcome.code);
    return -1;
}

intptr_t CVSTiSofthSynth::AskPlugInCanDo(const WCHAR* text) noexcept {
    if (effect_ == nullptr) return 0;
    char narrow[kNarrowRoom];
    std::memset(narrow, 0, sizeof narrow);
    if (text != nullptr) platform::WideToAnsi(text, -1, narrow, kCanDoBytes);
    narrow[kCanDoBytes - 1] = 0;
    intptr_t result = 0;
    const platform::GuardOutcome outcome =
        platform::Guarded([&] { result = RawDispatch(effCanDo, 0, 0, narrow, 0.0f); });
    if (!outcome.faulted) return result;
    RecordFault("dispatcher", effCanDo, outcome.code);
    return -1;
}

HRESULT CVSTiSofthSynth::CallSetParameter(int32_t index, float value) noexcept {
    AEffect* effect = effect_;
    if (effect == nullptr) return S_FALSE;
    if (effect->setParameter == nullptr) return S_OK;
    const platform::GuardOutcome outcome = platform::Guarded([&] { effect->setParameter(effect, index, value); });
    if (!outcome.faulted) return S_OK;
    SetBits(InstanceStatus::Faulted);
    RecordFault("setParameter", index, outcome.code);
    return QM_E_PLUGIN_EXCEPTION;
}

float CVSTiSofthSynth::CallGetParameter(int32_t index) noexcept {
    AEffect* effect = effect_;
    if (effect == nullptr || effect->getParameter == nullptr) return 0.0f;
    float value = 0.0f;
    const platform::GuardOutcome outcome = platform::Guarded([&] { value = effect->getParameter(effect, index); });
    if (!outcome.faulted) return value;
    SetBits(InstanceStatus::Faulted);
    RecordFault("getParameter", index, outcome.code);
    return static_cast<float>(static_cast<int32_t>(QM_E_PLUGIN_EXCEPTION));
}

}  // namespace qm

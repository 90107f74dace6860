// The instance's side of its output buses: one bus per extra stereo pair or mono pin (created while
// loading), handing each rendered block's extra outputs to them, audioMasterIOChanged, and their
// release at teardown.
#include <cstring>

#include "hosting/vsti_soft_synth.h"
#include "qmvsti/guids.h"
#include "routing/vsti_bus.h"

namespace qm {

// The bus routine, run inside the loader's guarded frame: every bus is in buses_ before the next
// call into the plug-in, so a fault leaves nothing unowned.
void CVSTiSofthSynth::CreateBuses() {
    const int outputs = effect_->numOutputs < kMaxPins ? effect_->numOutputs : kMaxPins;
    if (outputs < 3) return;
    int output = HasBits(InstanceStatus::MonoMainOutput) ? 1 : 2;
    for (uint32_t number = 0; output < outputs && busCount_ < kMaxPins; ++number, ++output) {
        VstPinProperties pin;
        std::memset(&pin, 0, sizeof pin);
        LoadCall(effGetOutputProperties, output, 0, &pin, 0.0f);
        const bool mono = (pin.flags & kVstPinIsStereo) == 0;
        CVSTiSofthSynthBus* bus = CVSTiSofthSynthBus::Create(this, number, instanceGuid_);
        if (bus == nullptr) return;
        bus->SetOutputs(output, mono);
        bus->AddRef();
        buses_[busCount_++] = bus;

        WCHAR labelA[kPinLabelChars];
        WCHAR labelB[kPinLabelChars] = {};
        PinLabel(pin, labelA);
        if (!mono && output + 1 < outputs) {
            ++output;
            std::memset(&pin, 0, sizeof pin);
            LoadCall(effGetOutputProperties, output, 0, &pin, 0.0f);
            PinLabel(pin, labelB);
        }
        WCHAR name[kNameChars] = {};
        ComposePinName(labelA, labelB, name, kNameChars);
        if (name[0] == 0) {
            loadingOpcode_ = effGetEffectName;
            RawGetString(effGetEffectName, name, kNameChars);
        }
        bus->SetBusName(name);
    }
}

CVSTiSofthSynthBus* CVSTiSofthSynth::BusAt(int index) const noexcept {
    return index >= 0 && index < busCount_ ? buses_[index] : nullptr;
}

HRESULT CVSTiSofthSynth::GetBus(LONG index, IQmSoftSynth** out) noexcept {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    CVSTiSofthSynthBus* bus = BusAt(index);
    if (bus == nullptr) return S_FALSE;
    return bus->QueryInterface(IID_IQmSoftSynth, reinterpret_cast<void**>(out));
}

void CVSTiSofthSynth::SetRenderPosition(LONGLONG time, LONGLONG sample) noexcept {
    currentTime_ = time;
    currentSample_ = sample;
}

// Under the instance lock, after the block's main output: each formatted bus takes its channels.
void CVSTiSofthSynth::PushBlockToBuses(uint32_t frames) noexcept {
    for (int i = 0; i < busCount_; ++i) {
        CVSTiSofthSynthBus* bus = buses_[i];
        if ((bus->Status() & BusStatus::FormatSet) == 0) continue;
        const int first = bus->FirstOutput();
        if (first >= usedOutputs_) continue;
        const bool paired = (bus->Status() & BusStatus::Mono) == 0 && first + 1 < usedOutputs_;
        bus->Push(outputs_[first], paired ? outputs_[first + 1] : nullptr, frames);
    }
}

// audioMasterIOChanged: buses from position numOutputs / 2 + numOutputs % 2 on have lost their pins.
void CVSTiSofthSynth::MarkBusesGone() noexcept {
    AEffect* effect = effect_;
    if (effect == nullptr) return;
    const int keep = effect->numOutputs / 2 + effect->numOutputs % 2;
    for (int i = keep < 0 ? 0 : keep; i < busCount_; ++i) buses_[i]->MarkOutputsGone();
}

void CVSTiSofthSynth::ReleaseBuses() noexcept {
    for (int i = 0; i < busCount_; ++i) {
        buses_[i]->ClearOwner();
        buses_[i]->Release();
        buses_[i] = nullptr;
    }
    busCount_ = 0;
}

}  // namespace qm

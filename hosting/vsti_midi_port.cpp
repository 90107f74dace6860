// The instance's MIDI input port: created while loading when the plug-in says it sends MIDI, handed
// out through GetMidiInput and released at teardown.
#include <cstring>

#include "hosting/vsti_soft_synth.h"
#include "qmvsti/guids.h"
#include "routing/vsti_midi_in.h"

namespace qm {

namespace {

constexpr int kCanDoBytes = 64;
// Asked in this order until one answers 1; some instruments only admit to receiving.
const char* const kMidiOutputProbes[] = {"sendVstMidiEvent", "sendVstEvents", "receiveVstMidiEvent"};

}  // namespace

// Inside the loader's guarded frame: the port is stored before any further call into the plug-in.
HRESULT CVSTiSofthSynth::CreateMidiPortIfSending() {
    if (midiPort_ != nullptr) return S_OK;
    bool sends = false;
    for (const char* probe : kMidiOutputProbes) {
        char text[kCanDoBytes] = {};
        std::strncpy(text, probe, kCanDoBytes - 1);
        if (LoadCall(effCanDo, 0, 0, text, 0.0f) == 1) {
            sends = true;
            break;
        }
    }
    if (!sends) return S_OK;
    CVSTiSofthSynthIn* port = nullptr;
    const HRESULT created = CVSTiSofthSynthIn::Create(this, &port);
    if (FAILED(created)) return created;
    port->AddRef();
    port->SetGuid(instanceGuid_);
    midiPort_ = port;
    return S_OK;
}

void CVSTiSofthSynth::ReleaseMidiPort() noexcept {
    CVSTiSofthSynthIn* port = midiPort_;
    midiPort_ = nullptr;
    if (port == nullptr) return;
    port->ClearInstance();
    port->Release();
}

HRESULT CVSTiSofthSynth::GetMidiInput(REFIID iid, void** out) noexcept {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsEqualGUID(iid, IID_IMIDIIn) || midiPort_ == nullptr) return E_NOINTERFACE;
    return midiPort_->QueryInterface(iid, out);
}

}  // namespace qm

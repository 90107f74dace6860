// MIDI from the host into the plug-in: the three message operations, the table of held notes, the
// clean-up blocks of Stop and StopLive, and the plug-in's own MIDI output handed on to the host.
#include <cstddef>

#include "hosting/vsti_soft_synth.h"
#include "routing/synth_buffer.h"
#include "routing/vsti_midi_in.h"

namespace qm {

namespace {

constexpr DWORD kAllNotesOff = 123;
constexpr DWORD kBankSelectMsb = 0;
constexpr DWORD kBankSelectLsb = 32;

DWORD StatusOf(DWORD message) noexcept { return message & 0xFF; }
DWORD KindOf(DWORD message) noexcept { return message & 0xF0; }
DWORD Data1Of(DWORD message) noexcept { return (message >> 8) & 0x7F; }
DWORD Data2Of(DWORD message) noexcept { return (message >> 16) & 0x7F; }

}  // namespace

bool CVSTiSofthSynth::IsNoteHeld(int channel, int key) const noexcept {
    if (channel < 0 || channel > 15 || key < 0 || key > 127) return false;
    return heldNotes_[channel][key] != 0;
}

// The render buffer while the transport runs (`renderWhile` names the bits that count), else the
// live buffer in live mode; null when that buffer does not exist.
CSofSynthBuffer* CVSTiSofthSynth::ChooseBuffer(bool renderWhile) const noexcept {
    if (renderWhile) return renderBuffer_;
    if (HasBits(InstanceStatus::Live)) return liveBuffer_;
    return nullptr;
}

void CVSTiSofthSynth::UpdateHeldNotes(DWORD message) noexcept {
    const DWORD channel = message & 0x0F;
    const DWORD key = Data1Of(message);
    if (KindOf(message) == 0x90) heldNotes_[channel][key] = Data2Of(message) != 0 ? 1 : 0;
    else if (KindOf(message) == 0x80) heldNotes_[channel][key] = 0;
}

HRESULT CVSTiSofthSynth::SendShortMessage(DWORD message, DWORD) noexcept {
    const DWORD status = Status();
    if ((status & InstanceStatus::Attached) == 0 || effect_ == nullptr) return S_OK;
    if ((status & (InstanceStatus::Cued | InstanceStatus::Playing | InstanceStatus::Live)) == 0) return S_OK;
    {
        platform::LockScope hold(lock_);
        CSofSynthBuffer* buffer = ChooseBuffer(HasBits(InstanceStatus::Cued | InstanceStatus::Playing));
        if (buffer == nullptr) return S_OK;
        // System messages (clock, sense, sysex status bytes) have no place in a VST short event.
        if (StatusOf(message) < 0xF0) {
            buffer->PutShortEvent(buffer->StartTime(), message, 0);
            UpdateHeldNotes(message);
        }
    }
    Idle(0);
    return S_OK;
}

HRESULT CVSTiSofthSynth::SendShortMessages(const DWORD* messages, DWORD count, DWORD) noexcept {
    const DWORD status = Status();
    if ((status & InstanceStatus::Attached) == 0 || effect_ == nullptr) return S_OK;
    if ((status & (InstanceStatus::Cued | InstanceStatus::Playing | InstanceStatus::Live)) == 0) return S_OK;
    {
        platform::LockScope hold(lock_);
        CSofSynthBuffer* buffer = ChooseBuffer(HasBits(InstanceStatus::Cued | InstanceStatus::Playing));
        if (buffer == nullptr) return S_OK;
        const LONGLONG time = buffer->StartTime();
        for (DWORD i = 0; messages != nullptr && i < count; ++i) {
            const DWORD message = messages[i];
            buffer->PutShortEvent(time, message, 0);
            UpdateHeldNotes(message);
            if (KindOf(message) == 0xC0) SetBits(InstanceStatus::ProgramChangeSeen);
            if (KindOf(message) == 0xB0 && (Data1Of(message) == kBankSelectMsb || Data1Of(message) == kBankSelectLsb)) {
                SetBits(InstanceStatus::BankSelectSeen);
            }
        }
    }
    Idle(0);
    return S_OK;
}

HRESULT CVSTiSofthSynth::SendTimedMessage(DWORD message, LONGLONG duration) noexcept {
    const DWORD status = Status();
    if ((status & InstanceStatus::Attached) == 0 || effect_ == nullptr) return S_OK;
    // A merely cued instance has no time line for a note's end yet.
    if ((status & (InstanceStatus::Playing | InstanceStatus::Live)) == 0) return S_OK;
    platform::LockScope hold(lock_);
    CSofSynthBuffer* buffer = ChooseBuffer(HasBits(InstanceStatus::Playing));
    if (buffer == nullptr) return S_OK;
    const LONGLONG time = buffer->StartTime();
    buffer->PutShortEvent(time, message, 0);
    if (duration > 0) {
        // The note's own end; the release velocity rides in the message's top byte.
        const DWORD noteOff = 0x80 | (message & 0x0F) | (Data1Of(message) << 8) | (((message >> 24) & 0x7F) << 16);
        buffer->PutShortEvent(time + duration, noteOff, 0);
    } else {
        UpdateHeldNotes(message);
    }
    return S_OK;
}

// One block outside rendering (its audio is thrown away): the buffer's events when `withEvents`,
// then a process call of `frames` frames.
void CVSTiSofthSynth::ProcessCleanUpBlock(CSofSynthBuffer* buffer, uint32_t frames, bool withEvents) noexcept {
    SetBits(InstanceStatus::InProcess);
    if (withEvents) CallDispatcher(effProcessEvents, 0, 0, buffer->Events(), 0.0f);
    SilenceOutputs(frames);
    CallProcess(static_cast<int32_t>(frames));
    ClearBits(InstanceStatus::InProcess);
}

// Stop during playback: one block per channel holding only its All Notes Off, each with a process
// call whether or not the plug-in takes events, so that no voice keeps sounding into the next start.
void CVSTiSofthSynth::SendAllNotesOffBlocks() noexcept {
    CSofSynthBuffer* buffer = renderBuffer_;
    if (buffer == nullptr || audioBlock_ == nullptr) return;
    buffer->Clear();
    buffer->SetStartTime(currentTime_);
    for (DWORD channel = 0; channel < 16; ++channel) {
        buffer->Clear();
        buffer->SetStartTime(currentTime_);
        buffer->SetBlockFrames(static_cast<int32_t>(blockFrames_));
        buffer->PutShortEvent(currentTime_, (0xB0 | channel) | (kAllNotesOff << 8), 0);
        ProcessCleanUpBlock(buffer, blockFrames_, HasBits(InstanceStatus::ProcessEvents));
    }
    // The last channel's message must not reach the plug-in again with the next block.
    buffer->Clear();
}

// Stop while live: what the host had already put into the render buffer still reaches the plug-in.
void CVSTiSofthSynth::FlushRenderBufferWhileLive() noexcept {
    CSofSynthBuffer* buffer = renderBuffer_;
    if (buffer == nullptr) return;
    if (HasBits(InstanceStatus::ProcessEvents) && buffer->EventCount() > 0 && audioBlock_ != nullptr) {
        ProcessCleanUpBlock(buffer, frameSize_, true);
    }
    buffer->Clear();
}

// StopLive, under the lock: a note-off for every key still held, all in one last block that is
// processed whatever ProcessEvents says. The table keeps its marks.
void CVSTiSofthSynth::ReleaseHeldNotesBlock() noexcept {
    CSofSynthBuffer* buffer = liveBuffer_;
    if (buffer == nullptr) return;
    const LONGLONG time = buffer->StartTime();
    for (DWORD channel = 0; channel < 16; ++channel) {
        for (DWORD key = 0; key < 128; ++key) {
            if (heldNotes_[channel][key] != 0) buffer->PutShortEvent(time, (0x80 | channel) | (key << 8), 0);
        }
    }
    if (buffer->EventCount() == 0 || audioBlock_ == nullptr) return;
    ProcessCleanUpBlock(buffer, frameSize_, true);
    buffer->AdvanceTime(blockDuration_);
}

// audioMasterProcessEvents: the plug-in's MIDI output, short messages only (sysex has no path to the
// host's MIDI input port). Always 0.
intptr_t CVSTiSofthSynth::ForwardPlugInMidi(const VstEvents* events) noexcept {
    IPlugInMidiReceiver* receiver = midiInput_;
    CVSTiSofthSynthIn* port = midiPort_;
    if (events == nullptr || effect_ == nullptr || (receiver == nullptr && port == nullptr) || events->numEvents < 1) {
        return 0;
    }
    // The list is longer than the two pointers VstEvents declares.
    const auto* table = reinterpret_cast<const VstEvent* const*>(reinterpret_cast<const unsigned char*>(events) +
                                                                 offsetof(VstEvents, events));
    for (int32_t i = 0; i < events->numEvents; ++i) {
        const VstEvent* event = table[i];
        if (event != nullptr && event->type == kVstMidiType) {
            const auto& midi = *reinterpret_cast<const VstMidiEvent*>(event);
            if (port != nullptr) port->Deliver(midi);
            if (receiver != nullptr) receiver->ReceivePlugInMidi(midi);
        }
    }
    return 0;
}

}  // namespace qm

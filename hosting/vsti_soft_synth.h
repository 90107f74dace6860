// CVSTiSofthSynth: one hosted VST 2 instrument as the host sees it (IQmSoftSynth), together with the
// loading of its module, the guarded calls into it and the host callback it calls back through.
//
// Contract with the soft-synth type (CQmVSTiSynthType), which creates and drives instances:
//   1. CVSTiSofthSynth::CreateInstance(type, &instance): a new instance with count 0, the type kept as
//      a plain ISynthTypeLink pointer (the type outlives its instances); E_OUTOFMEMORY, E_POINTER.
//      The caller takes the first reference (AddRef) and gives it back with Release.
//   2. instance->Initialize(): empty display name, product name "VSTi Soft Synth" (string 1050),
//      the property-pages companion; E_OUTOFMEMORY.
//   3. Optional: SetNoSizeWindow(true) for a plug-in whose record carries the alternative-drawing
//      mark; SetManagerId(id) for the cache entry id that GetInfo reports as the second identifier.
//   4. instance->LoadPlugIn(&record): loads the module named by the record and writes its findings
//      back into the record's flags, vendor, vendor version and unique ID; 0, S_FALSE (not loadable,
//      no entry point, wrong magic), QM_E_PLUGIN_EXCEPTION (the plug-in faulted while loading),
//      E_OUTOFMEMORY (no patch device). A loaded instance has its patch device, opened.
//   5. Status(): the instance status word (InstanceStatus bits).
// The instance reads FrameSizeDuration, FlushOnStopCount and ExposeMultiChannel from the type and asks
// HasAlternativeDrawingMark when a plug-in asks the host whether it can do "sizeWindow".
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "hosting/editor_window.h"
#include "hosting/host_sample_writer.h"
#include "hosting/property_pages_provider.h"
#include "hosting/synth_type_link.h"
#include "platform/module.h"
#include "platform/sync.h"
#include "qmvsti/host_structures.h"
#include "qmvsti/midi_in.h"
#include "qmvsti/soft_synth.h"
#include "qmvsti/vst2.h"

namespace qm {

class CSofSynthBuffer;
class CVSTiSofthSynthBus;
class CVSTiSofthSynthIn;
class CVSTIPatchDevice;
class OutputQueue;

// Where the plug-in's own MIDI output goes (the MIDI input port the host connects to). The instance
// hands over every kVstMidiType event of an audioMasterProcessEvents list, in order, on the thread
// the plug-in calls from. The receiver outlives its registration (the owner clears it first).
struct IPlugInMidiReceiver {
    virtual void ReceivePlugInMidi(const VstMidiEvent& event) noexcept = 0;

protected:
    ~IPlugInMidiReceiver() = default;
};

// The last fault a plug-in raised inside a guarded call, kept for diagnostics.
struct PlugInFault {
    const char* call = nullptr;  // "dispatcher", "process", "processReplacing", "entry", "load"
    int32_t opcode = -1;         // dispatcher opcode, -1 for the other calls
    uint32_t code = 0;           // Windows exception code (also on Linux)
};

class CVSTiSofthSynth final : public IQmSoftSynth {
public:
    static constexpr int kNameChars = 260;
    static constexpr int kVendorChars = 64;
    static constexpr int kMaxPins = 64;

    static HRESULT CreateInstance(ISynthTypeLink* type, CVSTiSofthSynth** out) noexcept;
    HRESULT Initialize() noexcept;
    HRESULT LoadPlugIn(VstiPluginRecord* record) noexcept;
    // The part of LoadPlugIn after the module is loaded: enters `entry` and binds the effect it
    // returns. Also binds in-process plug-ins (tests); `keepsModule` tells whether the instance took
    // the module over (it does once the effect is named).
    HRESULT LoadFromEntryPoint(VstPluginMainProc entry, VstiPluginRecord* record, bool* keepsModule = nullptr) noexcept;
    void SetNoSizeWindow(bool on) noexcept;
    void SetManagerId(const GUID& id) noexcept;
    DWORD Status() const noexcept { return status_.load(std::memory_order_acquire); }

    // ---- IUnknown, IMIDIOut, IQmSoftSynth ----
    HRESULT QM_COMCALL QueryInterface(REFIID riid, void** ppv) noexcept override;
    ULONG QM_COMCALL AddRef() noexcept override;
    ULONG QM_COMCALL Release() noexcept override;
    HRESULT QM_COMCALL GetMidiInput(REFIID iid, void** out) noexcept override;
    HRESULT QM_COMCALL Reserved4() noexcept override;
    HRESULT QM_COMCALL GetGuid(GUID* out) noexcept override;
    HRESULT QM_COMCALL SetGuid(REFGUID guid) noexcept override;
    HRESULT QM_COMCALL GetName(LPWSTR dest, LONG capacity) noexcept override;
    HRESULT QM_COMCALL GetKind(DWORD* out) noexcept override;
    HRESULT QM_COMCALL Open(DWORD unused1, DWORD unused2, DWORD unused3, SynthSiteCallback callback, ULONG_PTR cookie,
                            DWORD unused4) noexcept override;
    HRESULT QM_COMCALL Close() noexcept override;
    HRESULT QM_COMCALL Play(DWORD unused1, DWORD unused2) noexcept override;
    HRESULT QM_COMCALL Stop() noexcept override;
    HRESULT QM_COMCALL Cue(LONGLONG time) noexcept override;
    HRESULT QM_COMCALL Reserved14(DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD) noexcept override;
    HRESULT QM_COMCALL StartLive() noexcept override;
    HRESULT QM_COMCALL StopLive() noexcept override;
    HRESULT QM_COMCALL Reserved17(DWORD, DWORD) noexcept override;
    HRESULT QM_COMCALL SendShortMessage(DWORD message, DWORD unused) noexcept override;
    HRESULT QM_COMCALL SendShortMessages(const DWORD* messages, DWORD count, DWORD unused) noexcept override;
    HRESULT QM_COMCALL SendTimedMessage(DWORD message, LONGLONG duration) noexcept override;
    HRESULT QM_COMCALL Reserved21(DWORD) noexcept override;
    HRESULT QM_COMCALL Reserved22(DWORD) noexcept override;
    HRESULT QM_COMCALL Reserved23(DWORD) noexcept override;
    HRESULT QM_COMCALL GetPatchDevice(IMIDIDevice** out) noexcept override;
    HRESULT QM_COMCALL Reserved25(DWORD) noexcept override;
    HRESULT QM_COMCALL SetMidiSink(IMIDIIn* sink) noexcept override;
    HRESULT QM_COMCALL GetMidiSink(IMIDIIn** out) noexcept override;
    HRESULT QM_COMCALL IsOptionAOff() noexcept override;
    HRESULT QM_COMCALL SetOptionA(DWORD on) noexcept override;
    HRESULT QM_COMCALL IsOptionBOff() noexcept override;
    HRESULT QM_COMCALL SetOptionB(DWORD on) noexcept override;
    HRESULT QM_COMCALL IsSinkAttached() noexcept override;
    HRESULT QM_COMCALL SetSinkDetached(DWORD on) noexcept override;
    HRESULT QM_COMCALL CreatePropertyPage(REFIID iid, void** out) noexcept override;
    HRESULT QM_COMCALL Reserved35(DWORD, DWORD) noexcept override;
    HRESULT QM_COMCALL GetDisplayName(LPWSTR dest, LONG capacity) noexcept override;
    HRESULT QM_COMCALL Reserved37() noexcept override;
    HRESULT QM_COMCALL SetFormat(const WAVEFORMATEX* format, DWORD unused, DWORD offline) noexcept override;
    HRESULT QM_COMCALL ReleaseFormat() noexcept override;
    HRESULT QM_COMCALL Reserved40(DWORD, DWORD) noexcept override;
    HRESULT QM_COMCALL ResetQueue() noexcept override;
    HRESULT QM_COMCALL ResetQueue2(DWORD, DWORD) noexcept override;
    HRESULT QM_COMCALL Reserved43() noexcept override;
    HRESULT QM_COMCALL ResetQueue3() noexcept override;
    HRESULT QM_COMCALL Render(void* destination, LONGLONG startFrame, LONG frames, DWORD unused, DWORD flags,
                              HostTimeRecord* timeRecord) noexcept override;
    HRESULT QM_COMCALL SaveState(IStream* stream) noexcept override;
    HRESULT QM_COMCALL LoadState(IStream* stream) noexcept override;
    HRESULT QM_COMCALL CaptureChunk() noexcept override;
    HRESULT QM_COMCALL Idle(DWORD now) noexcept override;
    HRESULT QM_COMCALL GetInfo(SoftSynthTypeInfo* info) noexcept override;
    HRESULT QM_COMCALL GetBus(LONG index, IQmSoftSynth** out) noexcept override;
    HRESULT QM_COMCALL QueryThis(IQmSoftSynth** out) noexcept override;

    // ---- Guarded calls: the only ways into the plug-in ----
    // The dispatcher's result; 0 without an effect; -1 after a fault (Faulted is then set).
    intptr_t CallDispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) noexcept;
    // processReplacing (when present and flagged) or process; 0 after the call, 1 without an effect
    // or after a fault (Faulted set). Null outputs: the instance's own output buffers.
    int CallProcess(int32_t frames, float** outputs = nullptr) noexcept;
    // A string opcode into `dest` (capacity wide characters); dest unchanged for an empty answer.
    // 1 when a string was converted, else the dispatcher's result; -1 after a fault (Faulted not set).
    intptr_t GetPlugInString(int32_t opcode, WCHAR* dest, int capacity) noexcept;
    // Hands `source` converted to a narrow buffer of capacity bytes; the dispatcher's result, -1.
    intptr_t SetPlugInString(int32_t opcode, const WCHAR* source, int capacity) noexcept;
    // effCanDo with `text`; the plug-in's answer, -1 after a fault.
    intptr_t AskPlugInCanDo(const WCHAR* text) noexcept;
    // setParameter: 0 after the call, 1 without an effect, 0x8004E017 after a fault (Faulted set).
    HRESULT CallSetParameter(int32_t index, float value) noexcept;
    // getParameter: the plug-in's value, 0 without an effect; after a fault Faulted is set and the
    // value is the fault code read as a signed integer, so callers test Faulted, not the value.
    float CallGetParameter(int32_t index) noexcept;
    // effGetChunk (index 0 bank, 1 program) copied, with the plug-in's memory read inside the guard,
    // into a zero-filled block (std::free it) that has `room` bytes before the chunk. S_FALSE and
    // no block for an empty chunk; E_OUTOFMEMORY; QM_E_PLUGIN_EXCEPTION (Faulted set).
    HRESULT CopyPlugInChunk(int32_t index, size_t room, unsigned char** block, uint32_t* size) noexcept;

    // ---- What the preset files and the plug-in state block (presets/) keep in the instance ----
    WCHAR* PresetFolder() noexcept { return presetFolder_; }
    void ClearFaulted() noexcept { ClearBits(InstanceStatus::Faulted); }
    void FreeCapturedChunk() noexcept;
    // Takes over a std::malloc'ed (or calloc'ed) chunk, applied with effSetChunk at the next SetFormat.
    void SetPendingChunk(void* chunk, uint32_t size) noexcept;
    const void* PendingChunk() const noexcept { return pendingChunk_; }
    uint32_t PendingChunkSize() const noexcept { return pendingChunkSize_; }

    // The host callback handed to every plug-in's entry point (audioMasterCallback).
    static intptr_t VSTCALLBACK HostCallback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                             void* ptr, float opt);
    // The host's capability table: 1 or 0 for a listed name, 0 for any other.
    static intptr_t HostCanDo(const char* capability) noexcept;

    // One plug-in block of `chunk` frames at frame `position`, with the host's time record for this
    // block (or null): what a bus asks for when its own queue runs dry. The main output then waits in
    // the instance's output queue (or as pending frames) for the instance's next Render.
    HRESULT RenderBlockFor(LONGLONG position, uint32_t chunk, DWORD flags, HostTimeRecord* record) noexcept;

    // ---- For the output buses (vsti_buses.cpp) ----
    ISynthTypeLink* Type() const noexcept { return type_; }
    // Held around each block; a bus holds it for its whole Render, as its queue has no lock.
    platform::RecursiveLock& RenderLock() noexcept { return lock_; }
    // A bus's host time record sets the position of the blocks it asks for.
    void SetRenderPosition(LONGLONG time, LONGLONG sample) noexcept;
    int BusCount() const noexcept { return busCount_; }
    CVSTiSofthSynthBus* BusAt(int index) const noexcept;

    // Suspends a running plug-in, or resumes a suspended one and clears Faulted (the power button).
    HRESULT TogglePower() noexcept;
    // The idle pass, at most once per 10 ms; with an editor window open it also idles the editor.
    void IdlePass() noexcept;
    // The window holding the plug-in's editor (the instance property page), or null. The instance
    // keeps it with a reference, releasing the one it had; null gives it up.
    void SetEditorWindow(IEditorWindow* window) noexcept;
    IEditorWindow* EditorWindow() const noexcept { return editorWindow_; }

    // ---- State for the other parts of the instance and for tests ----
    AEffect* Effect() const noexcept { return effect_; }
    const WCHAR* PlugInPath() const noexcept { return path_; }
    const WCHAR* DisplayName() const noexcept { return displayName_; }
    const WCHAR* ProductName() const noexcept { return productName_; }
    const WCHAR* VendorName() const noexcept { return vendorName_; }
    int32_t VendorVersion() const noexcept { return vendorVersion_; }
    int32_t UniqueId() const noexcept { return uniqueId_; }
    uint32_t BlockFrames() const noexcept { return blockFrames_; }
    uint32_t BlockBytes() const noexcept { return blockBytes_; }
    uint32_t FrameSize() const noexcept { return frameSize_; }
    LONGLONG BlockDuration() const noexcept { return blockDuration_; }
    LONGLONG CurrentSample() const noexcept { return currentSample_; }
    int UsedOutputs() const noexcept { return usedOutputs_; }
    float* const* OutputBuffers() const noexcept { return outputs_; }
    const WAVEFORMATEX& PlugInFormat() const noexcept { return plugInFormat_; }
    PlugInFault LastFault() const noexcept { return lastFault_; }
    const void* CapturedChunk() const noexcept { return capturedChunk_; }
    uint32_t CapturedChunkSize() const noexcept { return capturedChunkSize_; }
    // Whether extra outputs are offered beyond the main output (ExposeMultiChannel and outputs left).
    bool HasMoreOutputsThanMain() const noexcept;
    LONGLONG CurrentTime() const noexcept { return currentTime_; }
    LONGLONG CurrentTick() const noexcept { return currentTick_; }
    uint32_t PendingFrames() const noexcept { return pendingFrames_; }
    CSofSynthBuffer* RenderBuffer() const noexcept { return renderBuffer_; }
    CSofSynthBuffer* LiveBuffer() const noexcept { return liveBuffer_; }
    const OutputQueue* Queue() const noexcept { return queue_; }
    // Whether a note-on was passed on without its note-off (channel 0-15, key 0-127).
    bool IsNoteHeld(int channel, int key) const noexcept;
    // The MIDI input port carrying the plug-in's MIDI output to the host; null when the plug-in
    // said at loading that it sends none.
    CVSTiSofthSynthIn* MidiPort() const noexcept { return midiPort_; }
    // A further receiver of the plug-in's MIDI output, beside the port; null drops it.
    void SetPlugInMidiReceiver(IPlugInMidiReceiver* receiver) noexcept { midiInput_ = receiver; }
    // The patch device (vsti_patch_device.cpp): null until the plug-in is loaded.
    CVSTIPatchDevice* PatchDevice() const noexcept { return patchDevice_; }
    // Sends the close to the device's listeners and gives the device up; the teardown does it
    // before the plug-in goes. Not while blocks render.
    void ClosePatchDevice() noexcept;
    // For the patch device: a patch change sent consumes the program-change and bank-select marks
    // (its optional opcodes may fault without silencing the instance: ClearFaulted).
    void ClearPatchMarks() noexcept { ClearBits(InstanceStatus::ProgramChangeSeen | InstanceStatus::BankSelectSeen); }

private:
    explicit CVSTiSofthSynth(ISynthTypeLink* type) noexcept;
    ~CVSTiSofthSynth();
    CVSTiSofthSynth(const CVSTiSofthSynth&) = delete;
    CVSTiSofthSynth& operator=(const CVSTiSofthSynth&) = delete;

    void SetBits(DWORD bits) noexcept { status_.fetch_or(bits, std::memory_order_acq_rel); }
    void ClearBits(DWORD bits) noexcept { status_.fetch_and(~bits, std::memory_order_acq_rel); }
    bool HasBits(DWORD bits) const noexcept { return (Status() & bits) != 0; }

    // Loading (vsti_loader.cpp).
    // Unguarded plug-in access, for use inside a guarded frame only. Not noexcept: a C++ exception
    // escaping the plug-in must travel up to the guard, not end the process.
    void BindInsideGuard(VstPluginMainProc entry, VstiPluginRecord* record, HRESULT* result, bool* keep);
    // A fault while loading: the plug-in is dropped, the record and the instance marked; 0x8004E017.
    HRESULT AbandonLoad(VstiPluginRecord* record, uint32_t code) noexcept;
    intptr_t LoadCall(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);
    void ReadOutputPinNames();
    intptr_t RawDispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);
    intptr_t RawGetString(int32_t opcode, WCHAR* dest, int capacity);
    void RecordFault(const char* call, int32_t opcode, uint32_t code) noexcept;
    // The patch device: created and opened once the plug-in is loaded, closed before it unloads.
    HRESULT CreatePatchDevice() noexcept;
    HRESULT QueryPatchDevice(void** out) noexcept;

    // The instance's side of the host callback (host_callback.cpp) and musical time (vsti_time.cpp).
    intptr_t AnswerHost(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) noexcept;
    intptr_t PinConnected(int32_t index, intptr_t value) const noexcept;
    intptr_t ProcessLevel() const noexcept;
    intptr_t CanDoForInstance(const char* capability) noexcept;
    intptr_t AnswerSizeWindow(int32_t width, intptr_t height) noexcept;
    intptr_t AnswerGetTime(int32_t wanted) noexcept;
    intptr_t AnswerTempoAt(intptr_t samplePosition) noexcept;
    HRESULT CallSite(DWORD code, ULONG_PTR w1 = 0, ULONG_PTR w2 = 0, ULONG_PTR w3 = 0, ULONG_PTR w4 = 0,
                     ULONG_PTR w5 = 0, ULONG_PTR w6 = 0, ULONG_PTR w7 = 0) noexcept;

    // Formats and buffers (vsti_format.cpp).
    void FreeAudioBlock() noexcept;
    void FreeQueue() noexcept;
    void SilenceOutputs(uint32_t frames) noexcept;
    void SilenceInputs(uint32_t frames) noexcept;
    void SuspendResume() noexcept;
    double HostRate() const noexcept { return static_cast<double>(plugInFormat_.nSamplesPerSec); }
    LONGLONG DurationOfFrames(LONGLONG frames) const noexcept;

    // Output buses (vsti_buses.cpp): the bus routine, the hand-over of each block's extra outputs,
    // audioMasterIOChanged and the teardown of the buses.
    void CreateBuses();
    void PushBlockToBuses(uint32_t frames) noexcept;
    void MarkBusesGone() noexcept;
    void ReleaseBuses() noexcept;
    // The MIDI input port (vsti_midi_port.cpp): created inside the loader's guarded frame when the
    // plug-in says it sends MIDI; 0 or the port's creation error.
    HRESULT CreateMidiPortIfSending();
    void ReleaseMidiPort() noexcept;

    // Rendering (vsti_render.cpp).
    HRESULT RenderRequest(unsigned char* dest, LONGLONG startFrame, uint32_t wanted, DWORD flags,
                          HostTimeRecord* timeRecord) noexcept;
    HRESULT RenderBlock(LONGLONG position, uint32_t chunk, DWORD flags) noexcept;
    void FinishBlock(uint32_t frames) noexcept;
    uint32_t TakeFrames(unsigned char* dest, uint32_t frames, uint32_t offset) noexcept;

    // MIDI delivery (vsti_midi.cpp).
    CSofSynthBuffer* ChooseBuffer(bool renderWhile) const noexcept;
    void UpdateHeldNotes(DWORD message) noexcept;
    void ProcessCleanUpBlock(CSofSynthBuffer* buffer, uint32_t frames, bool withEvents) noexcept;
    void SendAllNotesOffBlocks() noexcept;
    void FlushRenderBufferWhileLive() noexcept;
    void ReleaseHeldNotesBlock() noexcept;
    intptr_t ForwardPlugInMidi(const VstEvents* events) noexcept;
    std::atomic<ULONG> refs_{0};
    const DWORD constantOne_ = 1;
    CVSTiSofthSynthBus* buses_[kMaxPins] = {};  // one reference each
    int busCount_ = 0;
    const DWORD constantThree_ = 3;
    GUID instanceGuid_{};
    GUID secondId_{};
    platform::RecursiveLock lock_;
    ISynthTypeLink* type_;
    CSpecifyPropertyPages* propertyPages_ = nullptr;

    platform::ModuleHandle module_ = nullptr;
    VstPluginMainProc entryPoint_ = nullptr;
    AEffect* effect_ = nullptr;

    CSofSynthBuffer* renderBuffer_ = nullptr;  // from Open to Close
    CSofSynthBuffer* liveBuffer_ = nullptr;    // from StartLive to StopLive
    uint32_t heldNotes_[16][128] = {};
    LONGLONG liveTime_ = 0;
    LONGLONG liveSamples_ = 0;
    uint32_t lastRenderTime_ = 0;

    void* audioBlock_ = nullptr;
    uint32_t blockFrames_ = 0;
    uint32_t blockBytes_ = 0;
    int usedOutputs_ = 0;
    int usedInputs_ = 0;
    float* outputs_[kMaxPins] = {};
    float* inputs_[kMaxPins] = {};
    // What the process call gets: outputs_ and inputs_, or for a plug-in with more than kMaxPins
    // pins, arrays in the audio block whose surplus entries point at scratch slices.
    float** processOutputs_ = nullptr;
    float** processInputs_ = nullptr;
    float* inputScratch_ = nullptr;  // silenced with the inputs: the surplus inputs read it
    uint32_t lastBlockFrames_ = 0;  // frames of the block in the plug-in's buffers (direct path)
    uint32_t frameSize_ = 0;
    uint32_t pendingFrames_ = 0;
    OutputQueue* queue_ = nullptr;  // only with more outputs than the main output
    HostSampleWriter hostWriter_;
    int32_t pendingTransportFlags_ = 0;
    VstTimeInfo timeInfo_{};
    LONGLONG cueTime_ = 0;
    LONGLONG currentTime_ = -1;
    LONGLONG currentSample_ = 0;
    LONGLONG currentTick_ = INT64_MAX;

    WCHAR path_[kNameChars] = {};
    WCHAR displayName_[kNameChars] = {};
    WCHAR productName_[kNameChars] = {};
    WCHAR presetFolder_[kNameChars] = {};
    WCHAR vendorName_[kVendorChars] = {};
    WCHAR pinLabelA_[68] = {};
    WCHAR pinLabelB_[68] = {};

    std::atomic<DWORD> status_{InstanceStatus::ProcessEvents};
    std::atomic<uint32_t> editorIdleGuard_{0};
    uint32_t lastIdleTime_ = 0;
    SynthSiteCallback siteCallback_ = nullptr;
    ULONG_PTR siteCookie_ = 0;
    LONGLONG blockDuration_ = 0;
    WAVEFORMATEX hostFormat_{};
    WAVEFORMATEX plugInFormat_{};
    IMIDIIn* midiSink_ = nullptr;
    int32_t vendorVersion_ = 0;
    int32_t uniqueId_ = 0;
    void* pendingChunk_ = nullptr;
    uint32_t pendingChunkSize_ = 0;
    void* capturedChunk_ = nullptr;
    uint32_t capturedChunkSize_ = 0;
    PlugInFault lastFault_{};
    int32_t loadingOpcode_ = -1;  // the call being made while loading, for the fault report
    HostTimeRecord* hostTimeRecord_ = nullptr;  // during a render call only: &hostTimeCopy_ or null
    HostTimeRecord hostTimeCopy_{};
    IPlugInMidiReceiver* midiInput_ = nullptr;
    CVSTiSofthSynthIn* midiPort_ = nullptr;  // referenced
    CVSTIPatchDevice* patchDevice_ = nullptr;  // referenced
    IEditorWindow* editorWindow_ = nullptr;  // referenced
};

// The file-name part of a path: no folder, no extension.
void FileTitleOf(const WCHAR* path, WCHAR* dest, int capacity) noexcept;
// A pin's label, widened into `label` (kPinLabelChars characters); empty when the plug-in gave none.
inline constexpr int kPinLabelChars = 68;
void PinLabel(const VstPinProperties& pin, WCHAR* label) noexcept;
// The display name from the main output's pin labels: A alone or A equal to B gives A, B alone gives
// B, two different labels give "A/B"; neither leaves `name` unchanged. Capacity in characters.
void ComposePinName(const WCHAR* labelA, const WCHAR* labelB, WCHAR* name, int capacity) noexcept;

}  // namespace qm

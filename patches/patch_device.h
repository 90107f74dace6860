// CVSTIPatchDevice: the MIDI-device face of one running instrument (IMIDIDevice). It answers the
// host's questions about patches, groups, key names, controllers and parameters from the plug-in
// through the instance's guarded calls, and tells the host's listeners about opening, closing,
// patch changes, parameter moves and time.
//
// Contract with the instance (CVSTiSofthSynth), which owns exactly one device:
//   1. Create(owner): count 0, the owner kept without a reference; null when out of memory. The
//      instance takes the first reference.
//   2. OpenDevice() once the plug-in is loaded; RefreshPrograms() whenever programs may have changed.
//   3. SendTimeEvent and SendPatchChange from the render path; SendParameterChange and
//      SendParameterGesture from the host callback, on the plug-in's thread. None of them allocates
//      or waits for a lock the host's user-interface thread holds.
//   4. CloseDevice() before the plug-in is unloaded, then ClearOwner() and Release().
// Without an owner every question answers 1 (S_FALSE) and nothing reaches a plug-in.
#pragma once
#include <atomic>
#include <cstdint>

#include "patches/listener_list.h"
#include "qmvsti/midi_device.h"
#include "qmvsti/vst2.h"

namespace qm {

class CVSTiSofthSynth;

class CVSTIPatchDevice final : public IMIDIDevice {
public:
    static constexpr int kStringChars = 260;
    static constexpr int kChannels = 16;

    static CVSTIPatchDevice* Create(CVSTiSofthSynth* owner) noexcept;

    // ---- The instance's side ----
    void RefreshPrograms() noexcept;
    HRESULT OpenDevice() noexcept;
    void CloseDevice() noexcept;
    void ClearOwner() noexcept { owner_ = nullptr; }
    void SendPatchChange() noexcept;
    void SendParameterChange(int32_t index, intptr_t word, float value) noexcept;
    void SendParameterGesture(int32_t index, intptr_t word) noexcept;
    void SendTimeEvent(LONGLONG position, LONGLONG frames, void* callerPointer) noexcept;

    // ---- State for tests ----
    DWORD Caps() const noexcept { return caps_; }
    bool NamesMode() const noexcept { return (mode_ & kModeProgramNames) != 0; }

    // ---- IUnknown, IMIDIDevice ----
    HRESULT QM_COMCALL QueryInterface(REFIID riid, void** ppv) noexcept override;
    ULONG QM_COMCALL AddRef() noexcept override;
    ULONG QM_COMCALL Release() noexcept override;
    HRESULT QM_COMCALL GetName(LPWSTR dest, LONG capacity) noexcept override;
    HRESULT QM_COMCALL Reserved4() noexcept override;
    GUID* QM_COMCALL GetDeviceBlock() noexcept override;
    HRESULT QM_COMCALL Reserved6() noexcept override;
    HRESULT QM_COMCALL GetKind(DWORD* out) noexcept override;
    HRESULT QM_COMCALL Reserved8() noexcept override;
    HRESULT QM_COMCALL GetMidiInput(IMIDIIn** out) noexcept override;
    HRESULT QM_COMCALL Reserved10() noexcept override;
    HRESULT QM_COMCALL Reserved11(DWORD* out) noexcept override;
    HRESULT QM_COMCALL Reserved12() noexcept override;
    HRESULT QM_COMCALL Reserved13() noexcept override;
    HRESULT QM_COMCALL Reserved14() noexcept override;
    HRESULT QM_COMCALL Reserved15() noexcept override;
    HRESULT QM_COMCALL Reserved16() noexcept override;
    HRESULT QM_COMCALL AddListener(IMIDIDeviceListener* listener) noexcept override;
    HRESULT QM_COMCALL RemoveListener(IMIDIDeviceListener* listener) noexcept override;
    HRESULT QM_COMCALL SendPatchChangeEvent() noexcept override;
    HRESULT QM_COMCALL GetDeviceCaps(MidiDeviceCaps* caps) noexcept override;
    HRESULT QM_COMCALL SetHostCaps(const MidiDeviceCaps* caps) noexcept override;
    HRESULT QM_COMCALL GetProgramCount(DWORD channel) noexcept override;
    HRESULT QM_COMCALL GetPatch(LONG* index, DWORD channel, PatchRecord* patch, DWORD flags) noexcept override;
    HRESULT QM_COMCALL GetCurrentPatch(LONG* index, DWORD channel, PatchRecord* patch) noexcept override;
    HRESULT QM_COMCALL FindPatch(LONG* index, DWORD channel, PatchRecord* patch) noexcept override;
    HRESULT QM_COMCALL Reserved26() noexcept override;
    HRESULT QM_COMCALL Reserved27() noexcept override;
    HRESULT QM_COMCALL Reserved28() noexcept override;
    HRESULT QM_COMCALL CountKeyNames(DWORD channel, PatchRecord* patch) noexcept override;
    HRESULT QM_COMCALL GetKeyNameRanges(DWORD channel, PatchRecord* patch, KeyRange* ranges,
                                        LONG maxRanges) noexcept override;
    HRESULT QM_COMCALL GetKeyName(DWORD channel, PatchRecord* patch, KeyNameRecord* key) noexcept override;
    HRESULT QM_COMCALL GetGroupCount(DWORD channel) noexcept override;
    HRESULT QM_COMCALL GetGroupName(LONG index, DWORD channel, PatchGroupRecord* group) noexcept override;
    HRESULT QM_COMCALL Reserved34() noexcept override;
    HRESULT QM_COMCALL Reserved35() noexcept override;
    HRESULT QM_COMCALL Reserved36() noexcept override;
    HRESULT QM_COMCALL Reserved37() noexcept override;
    HRESULT QM_COMCALL GetDeviceName(LPWSTR buffer, LONG capacity) noexcept override;
    HRESULT QM_COMCALL SetDeviceName(LPCWSTR text) noexcept override;
    HRESULT QM_COMCALL GetSecondString(LPWSTR buffer, LONG capacity) noexcept override;
    HRESULT QM_COMCALL SetSecondString(LPCWSTR text) noexcept override;
    HRESULT QM_COMCALL GetThirdString(LPWSTR buffer, LONG capacity) noexcept override;
    HRESULT QM_COMCALL SetThirdString(LPCWSTR text) noexcept override;
    HRESULT QM_COMCALL GetController(LONG* index, ControllerDescription* description, DWORD filter) noexcept override;
    HRESULT QM_COMCALL SetController(LONG index, ParameterDescription* description, DWORD flags) noexcept override;
    HRESULT QM_COMCALL FindController(DWORD kind, DWORD number, ControllerDescription* description) noexcept override;
    HRESULT QM_COMCALL GetParameterCount() noexcept override;
    HRESULT QM_COMCALL GetParameterDescription(LONG index, ParameterDescription* description,
                                               DWORD request) noexcept override;
    HRESULT QM_COMCALL SetParameterDescription(LONG index, const ParameterDescription* description) noexcept override;
    HRESULT QM_COMCALL SetParameterValue(LONG index, float value) noexcept override;
    HRESULT QM_COMCALL GetParameterValue(LONG index, float* out) noexcept override;
    HRESULT QM_COMCALL Reserved52() noexcept override;
    HRESULT QM_COMCALL Reserved53() noexcept override;
    HRESULT QM_COMCALL Reserved54() noexcept override;
    HRESULT QM_COMCALL Reserved55(DWORD* out) noexcept override;
    HRESULT QM_COMCALL Reserved56(DWORD* out) noexcept override;
    HRESULT QM_COMCALL Reserved57() noexcept override;
    HRESULT QM_COMCALL Reserved58() noexcept override;
    HRESULT QM_COMCALL DeletingDestructor(UINT flags) noexcept override;

private:
    static constexpr DWORD kModeProgramNames = 0x2;

    // One plug-in parameter as offered to the host (built at open).
    struct ParameterEntry {
        DWORD assignment;
        DWORD hidden;
        DWORD flag2000;
        DWORD integer;
        DWORD kind;
        DWORD mask;
        float minimum;
        float maximum;
        float scaled;
        float raw;
    };

    explicit CVSTIPatchDevice(CVSTiSofthSynth* owner) noexcept;
    ~CVSTIPatchDevice();
    CVSTIPatchDevice(const CVSTIPatchDevice&) = delete;
    CVSTIPatchDevice& operator=(const CVSTIPatchDevice&) = delete;

    // Programs (patch_programs.cpp).
    intptr_t Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr) noexcept;
    LONG PatchCount(DWORD channel) noexcept;
    LONG BlockSize(LONG count) const noexcept;
    // Fills the record of patch `index` and returns its group.
    LONG FillPatch(LONG index, DWORD channel, LONG count, PatchRecord* patch) noexcept;
    void FillPlainPatch(LONG index, PatchRecord* patch) noexcept;
    void NameFromPlugIn(const char* name, size_t bytes, WCHAR* dest, int capacity) const noexcept;
    // Key names (patch_key_names.cpp): the plug-in's name of `key` of program `program`, or false.
    bool AskKeyName(DWORD channel, LONG program, LONG key, MidiKeyName* name, bool* answered) noexcept;
    LONG FindProgramForKeys(DWORD channel, PatchRecord* patch) noexcept;

    // Parameters (patch_parameters.cpp).
    HRESULT BuildParameterTable() noexcept;
    const ParameterEntry* Entry(LONG index) const noexcept;
    ParameterEntry* Entry(LONG index) noexcept;
    float ReadScaled(LONG index) noexcept;
    // A plug-in value (0-1) in the entry's range, clamped to it.
    static float ToHostRange(const ParameterEntry& entry, float value) noexcept;

    // Events (patch_events.cpp).
    HRESULT Broadcast(PatchListenerEvent& event) noexcept;
    LONGLONG TimeOfFrames(LONGLONG frames) const noexcept;
    void BeginEvent(PatchListenerEvent& event, const GUID& id, DWORD kind) noexcept;

    std::atomic<ULONG> refs_{0};
    CVSTiSofthSynth* owner_;
    GUID deviceBlock_{};
    DWORD caps_ = 0;
    WCHAR deviceName_[kStringChars] = {};
    WCHAR secondString_[kStringChars] = {};
    WCHAR thirdString_[kStringChars] = {};
    DWORD mode_ = 0;
    LONG categoryCount_ = 0;
    PatchListenerList listeners_;
    ParameterEntry* parameters_ = nullptr;
    LONG parameterCount_ = 0;
};

}  // namespace qm

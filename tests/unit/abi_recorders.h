// Test implementations of every host interface: each slot records its number and its arguments as
// the 32-bit stack words a host pushes on i686 (a 64-bit value as low then high word, a reference or
// a pointer-sized integer as one word), and returns a value unique to the slot. Shared by the layout
// tests and the Windows stack-balance tests, with the host's own word count of every slot.
#ifndef QMVSTI_TESTS_ABI_RECORDERS_H
#define QMVSTI_TESTS_ABI_RECORDERS_H

#include <stdint.h>
#include <string.h>

#include <type_traits>
#include <vector>

#include "qmvsti/qmvsti.h"

namespace qm::test {

using Word = uint64_t;

inline constexpr HRESULT SlotResult(int slot) { return 0x5100 + slot; }

inline void AppendWord(std::vector<Word>& words, const GUID& guid) {
    words.push_back(reinterpret_cast<uintptr_t>(&guid));
}

template <class T>
void AppendWord(std::vector<Word>& words, const T& value) {
    if constexpr (std::is_pointer_v<T>) {
        words.push_back(reinterpret_cast<uintptr_t>(value));
    } else if constexpr (std::is_floating_point_v<T>) {
        static_assert(sizeof(T) == 4);
        uint32_t bits;
        memcpy(&bits, &value, sizeof bits);
        words.push_back(bits);
    } else if constexpr (sizeof(T) == 8) {
        const uint64_t v = static_cast<uint64_t>(value);
        words.push_back(static_cast<uint32_t>(v));
        words.push_back(static_cast<uint32_t>(v >> 32));
    } else {
        static_assert(sizeof(T) == 4);
        words.push_back(static_cast<uint32_t>(value));
    }
}

struct Recorder {
    int slot = -1;
    int calls = 0;
    std::vector<Word> words;
    uintptr_t result = 0;

    template <class... Ts>
    HRESULT Record(int n, const Ts&... args) {
        slot = n;
        ++calls;
        words.clear();
        (AppendWord(words, args), ...);
        result = static_cast<uint32_t>(SlotResult(n));
        return SlotResult(n);
    }
};

}  // namespace qm::test

#define QM_REC(n, Name, Params, ...) \
    HRESULT QM_COMCALL Name Params noexcept override { return rec.Record(n, __VA_ARGS__); }
#define QM_REC0(n, Name) \
    HRESULT QM_COMCALL Name() noexcept override { return rec.Record(n); }
#define QM_REC_UNKNOWN                                                                                 \
    qm::test::Recorder rec;                                                                            \
    HRESULT QM_COMCALL QueryInterface(REFIID iid, void** out) noexcept override {                      \
        return rec.Record(0, iid, out);                                                                \
    }                                                                                                  \
    ULONG QM_COMCALL AddRef() noexcept override { rec.Record(1); return static_cast<ULONG>(rec.result = 2); } \
    ULONG QM_COMCALL Release() noexcept override { rec.Record(2); return static_cast<ULONG>(rec.result = 1); }

namespace qm::test {

struct TypeRecorder final : IQmSoftSynthType {
    QM_REC_UNKNOWN
    QM_REC(3, SetSettingsKey, (void* a, DWORD b, DWORD c), a, b, c)
    QM_REC(4, Reserved4, (DWORD a, void** b), a, b)
    QM_REC(5, GetTypeName, (LPWSTR a, LONG b), a, b)
    QM_REC0(6, GetKind)
    QM_REC(7, ConnectHost, (IUnknown* a), a)
    QM_REC0(8, Reserved8)
    QM_REC0(9, Reserved9)
    QM_REC0(10, Reserved10)
    QM_REC0(11, Reserved11)
    QM_REC0(12, Reserved12)
    QM_REC0(13, Reserved13)
    QM_REC(14, CreateTypePage, (REFIID a, void** b), a, b)
    QM_REC(15, Reserved15, (DWORD a), a)
    QM_REC(16, Reserved16, (DWORD a), a)
    QM_REC(17, Reserved17, (DWORD a), a)
    QM_REC0(18, GetSecondKind)
    QM_REC(19, GetSynthInfo, (LONG a, SoftSynthTypeInfo* b), a, b)
    QM_REC(20, CreateSynth, (const SoftSynthTypeInfo* a, IQmSoftSynth** b), a, b)
    QM_REC0(21, Reserved21)
    QM_REC0(22, Reserved22)
    QM_REC0(23, ResetUsage)
    QM_REC(24, DeletingDestructor, (UINT a), a)
};

struct SynthRecorder final : IQmSoftSynth {
    QM_REC_UNKNOWN
    QM_REC(3, GetMidiInput, (REFIID a, void** b), a, b)
    QM_REC0(4, Reserved4)
    QM_REC(5, GetGuid, (GUID* a), a)
    QM_REC(6, SetGuid, (REFGUID a), a)
    QM_REC(7, GetName, (LPWSTR a, LONG b), a, b)
    QM_REC(8, GetKind, (DWORD* a), a)
    QM_REC(9, Open, (DWORD a, DWORD b, DWORD c, SynthSiteCallback d, ULONG_PTR e, DWORD f), a, b, c, d,
           reinterpret_cast<void*>(e), f)
    QM_REC0(10, Close)
    QM_REC(11, Play, (DWORD a, DWORD b), a, b)
    QM_REC0(12, Stop)
    QM_REC(13, Cue, (LONGLONG a), a)
    QM_REC(14, Reserved14, (DWORD a, DWORD b, DWORD c, DWORD d, DWORD e, DWORD f, DWORD g, DWORD h), a, b, c, d,
           e, f, g, h)
    QM_REC0(15, StartLive)
    QM_REC0(16, StopLive)
    QM_REC(17, Reserved17, (DWORD a, DWORD b), a, b)
    QM_REC(18, SendShortMessage, (DWORD a, DWORD b), a, b)
    QM_REC(19, SendShortMessages, (const DWORD* a, DWORD b, DWORD c), a, b, c)
    QM_REC(20, SendTimedMessage, (DWORD a, LONGLONG b), a, b)
    QM_REC(21, Reserved21, (DWORD a), a)
    QM_REC(22, Reserved22, (DWORD a), a)
    QM_REC(23, Reserved23, (DWORD a), a)
    QM_REC(24, GetPatchDevice, (IMIDIDevice** a), a)
    QM_REC(25, Reserved25, (DWORD a), a)
    QM_REC(26, SetMidiSink, (IMIDIIn* a), a)
    QM_REC(27, GetMidiSink, (IMIDIIn** a), a)
    QM_REC0(28, IsOptionAOff)
    QM_REC(29, SetOptionA, (DWORD a), a)
    QM_REC0(30, IsOptionBOff)
    QM_REC(31, SetOptionB, (DWORD a), a)
    QM_REC0(32, IsSinkAttached)
    QM_REC(33, SetSinkDetached, (DWORD a), a)
    QM_REC(34, CreatePropertyPage, (REFIID a, void** b), a, b)
    QM_REC(35, Reserved35, (DWORD a, DWORD b), a, b)
    QM_REC(36, GetDisplayName, (LPWSTR a, LONG b), a, b)
    QM_REC0(37, Reserved37)
    QM_REC(38, SetFormat, (const WAVEFORMATEX* a, DWORD b, DWORD c), a, b, c)
    QM_REC0(39, ReleaseFormat)
    QM_REC(40, Reserved40, (DWORD a, DWORD b), a, b)
    QM_REC0(41, ResetQueue)
    QM_REC(42, ResetQueue2, (DWORD a, DWORD b), a, b)
    QM_REC0(43, Reserved43)
    QM_REC0(44, ResetQueue3)
    QM_REC(45, Render, (void* a, LONGLONG b, LONG c, DWORD d, DWORD e, HostTimeRecord* f), a, b, c, d, e, f)
    QM_REC(46, SaveState, (IStream* a), a)
    QM_REC(47, LoadState, (IStream* a), a)
    QM_REC0(48, CaptureChunk)
    QM_REC(49, Idle, (DWORD a), a)
    QM_REC(50, GetInfo, (SoftSynthTypeInfo* a), a)
    QM_REC(51, GetBus, (LONG a, IQmSoftSynth** b), a, b)
    QM_REC(52, QueryThis, (IQmSoftSynth** a), a)
};

struct BufferRecorder final : IQMMIDIBuffer {
    QM_REC_UNKNOWN
    QM_REC(3, Reserved3, (DWORD a), a)
    QM_REC(4, Reserved4, (DWORD a, DWORD b, DWORD c, DWORD d), a, b, c, d)
    QM_REC(5, Reserved5, (DWORD a, DWORD b, DWORD c, DWORD d, DWORD e, DWORD f), a, b, c, d, e, f)
    QM_REC(6, AdvanceTime, (LONGLONG a), a)
    QM_REC(7, PutShortEvent, (LONGLONG a, DWORD b, DWORD c), a, b, c)
    QM_REC(8, Reserved8, (DWORD a, DWORD b, DWORD c, DWORD d, DWORD e), a, b, c, d, e)
    QM_REC(9, Reserved9, (DWORD a, DWORD b, DWORD c, DWORD d, DWORD e, DWORD f), a, b, c, d, e, f)
    QM_REC(10, Reserved10, (DWORD a, DWORD b, DWORD c, DWORD d, DWORD e, DWORD f), a, b, c, d, e, f)
    QM_REC(11, Reserved11, (DWORD a, DWORD b), a, b)
    QM_REC(12, GetLastEventOffset, (LONGLONG* a), a)
    QM_REC(13, SetStartTime, (LONGLONG a), a)
    QM_REC(14, GetStartTime, (LONGLONG* a), a)
    QM_REC(15, Reserved15, (DWORD a), a)
    QM_REC(16, Reserved16, (DWORD a), a)
};

struct PortRecorder final : IMIDIIn {
    QM_REC_UNKNOWN
    QM_REC(3, GetGuid, (GUID* a), a)
    QM_REC(4, SetGuid, (REFGUID a), a)
    QM_REC(5, Reserved5, (DWORD a, DWORD b), a, b)
    QM_REC(6, Reserved6, (DWORD a, DWORD b), a, b)
    QM_REC(7, GetName, (LPWSTR a, LONG b), a, b)
    QM_REC(8, GetKind, (DWORD* a), a)
    QM_REC(9, Open, (void** a, DWORD* b, DWORD* c, MidiPortCallback d, ULONG_PTR e), a, b, c, d,
           reinterpret_cast<void*>(e))
    QM_REC(10, Close, (void** a), a)
    QM_REC0(11, Start)
    QM_REC0(12, Stop)
    QM_REC0(13, Pause)
    QM_REC(14, Reserved14, (DWORD a, DWORD b), a, b)
    QM_REC(15, Reserved15, (DWORD a, DWORD b), a, b)
    QM_REC(16, Connect, (IMIDIOut* a), a)
    QM_REC(17, Disconnect, (IMIDIOut* a), a)
    QM_REC(18, Reserved18, (void** a), a)
    QM_REC(19, Reserved19, (DWORD a), a)
};

struct DeviceRecorder final : IMIDIDevice {
    QM_REC_UNKNOWN
    QM_REC(3, GetName, (LPWSTR a, LONG b), a, b)
    QM_REC0(4, Reserved4)
    GUID* QM_COMCALL GetDeviceBlock() noexcept override {
        rec.Record(5);
        rec.result = reinterpret_cast<uintptr_t>(&block);
        return &block;
    }
    QM_REC0(6, Reserved6)
    QM_REC(7, GetKind, (DWORD* a), a)
    QM_REC0(8, Reserved8)
    QM_REC(9, GetMidiInput, (IMIDIIn** a), a)
    QM_REC0(10, Reserved10)
    QM_REC(11, Reserved11, (DWORD* a), a)
    QM_REC0(12, Reserved12)
    QM_REC0(13, Reserved13)
    QM_REC0(14, Reserved14)
    QM_REC0(15, Reserved15)
    QM_REC0(16, Reserved16)
    QM_REC(17, AddListener, (IMIDIDeviceListener* a), a)
    QM_REC(18, RemoveListener, (IMIDIDeviceListener* a), a)
    QM_REC0(19, SendPatchChangeEvent)
    QM_REC(20, GetDeviceCaps, (MidiDeviceCaps* a), a)
    QM_REC(21, SetHostCaps, (const MidiDeviceCaps* a), a)
    QM_REC(22, GetProgramCount, (DWORD a), a)
    QM_REC(23, GetPatch, (LONG* a, DWORD b, PatchRecord* c, DWORD d), a, b, c, d)
    QM_REC(24, GetCurrentPatch, (LONG* a, DWORD b, PatchRecord* c), a, b, c)
    QM_REC(25, FindPatch, (LONG* a, DWORD b, PatchRecord* c), a, b, c)
    QM_REC0(26, Reserved26)
    QM_REC0(27, Reserved27)
    QM_REC0(28, Reserved28)
    QM_REC(29, CountKeyNames, (DWORD a, PatchRecord* b), a, b)
    QM_REC(30, GetKeyNameRanges, (DWORD a, PatchRecord* b, KeyRange* c, LONG d), a, b, c, d)
    QM_REC(31, GetKeyName, (DWORD a, PatchRecord* b, KeyNameRecord* c), a, b, c)
    QM_REC(32, GetGroupCount, (DWORD a), a)
    QM_REC(33, GetGroupName, (LONG a, DWORD b, PatchGroupRecord* c), a, b, c)
    QM_REC0(34, Reserved34)
    QM_REC0(35, Reserved35)
    QM_REC0(36, Reserved36)
    QM_REC0(37, Reserved37)
    QM_REC(38, GetDeviceName, (LPWSTR a, LONG b), a, b)
    QM_REC(39, SetDeviceName, (LPCWSTR a), a)
    QM_REC(40, GetSecondString, (LPWSTR a, LONG b), a, b)
    QM_REC(41, SetSecondString, (LPCWSTR a), a)
    QM_REC(42, GetThirdString, (LPWSTR a, LONG b), a, b)
    QM_REC(43, SetThirdString, (LPCWSTR a), a)
    QM_REC(44, GetController, (LONG* a, ControllerDescription* b, DWORD c), a, b, c)
    QM_REC(45, SetController, (LONG a, ParameterDescription* b, DWORD c), a, b, c)
    QM_REC(46, FindController, (DWORD a, DWORD b, ControllerDescription* c), a, b, c)
    QM_REC0(47, GetParameterCount)
    QM_REC(48, GetParameterDescription, (LONG a, ParameterDescription* b, DWORD c), a, b, c)
    QM_REC(49, SetParameterDescription, (LONG a, const ParameterDescription* b), a, b)
    QM_REC(50, SetParameterValue, (LONG a, float b), a, b)
    QM_REC(51, GetParameterValue, (LONG a, float* b), a, b)
    QM_REC0(52, Reserved52)
    QM_REC0(53, Reserved53)
    QM_REC0(54, Reserved54)
    QM_REC(55, Reserved55, (DWORD* a), a)
    QM_REC(56, Reserved56, (DWORD* a), a)
    QM_REC0(57, Reserved57)
    QM_REC0(58, Reserved58)
    QM_REC(59, DeletingDestructor, (UINT a), a)

    GUID block{};
};

struct CacheRecorder final : PlugInManagerCache {
    QM_REC_UNKNOWN
    QM_REC0(3, Reserved3)
    QM_REC0(4, Reserved4)
    QM_REC0(5, Reserved5)
    QM_REC(6, Prepare, (DWORD a), a)
    QM_REC(7, GetEntry, (DWORD a, PlugInManagerEntry* b), a, b)
    QM_REC0(8, Reserved8)
    QM_REC0(9, Reserved9)
    QM_REC0(10, Reserved10)
    QM_REC0(11, Reserved11)
    QM_REC(12, FindEntry, (REFGUID a, PlugInManagerEntry* b), a, b)
    QM_REC(13, SetEntryInUse, (const GUID* a, DWORD b), a, b)
    QM_REC(14, CheckEntry, (const PlugInManagerEntry* a), a)
    QM_REC0(15, Reserved15)
    QM_REC0(16, Reserved16)
    QM_REC0(17, Reserved17)
    QM_REC0(18, Reserved18)
    QM_REC(19, RegisterSink, (IPluginManagerCacheSink* a), a)
    QM_REC(20, UnregisterSink, (IPluginManagerCacheSink* a), a)
};

struct ProgressRecorder final : IHostProgress {
    QM_REC_UNKNOWN
    QM_REC0(3, Reserved3)
    QM_REC(4, SetText, (LPCWSTR a), a)
};

struct SinkRecorder final : IPluginManagerCacheSink {
    QM_REC_UNKNOWN
    QM_REC(3, Notify3, (DWORD a), a)
    QM_REC0(4, Notify4)
};

struct ListenerRecorder final : IMIDIDeviceListener {
    QM_REC_UNKNOWN
    QM_REC(3, OnEvent, (PatchListenerEvent* a), a)
};

// One of each.
struct RecorderSet {
    TypeRecorder type;
    SynthRecorder synth;
    BufferRecorder buffer;
    PortRecorder port;
    DeviceRecorder device;
    CacheRecorder cache;
    ProgressRecorder progress;
    SinkRecorder sink;
    ListenerRecorder listener;
};

struct HostTable {
    const char* name;
    void* object;
    Recorder* rec;
    std::vector<uint32_t> wordsPerSlot;  // the host's i686 stack words of each slot, slot 0 first
};

// The host's slot tables, independent of the declarations above: a slot declared in the wrong place
// or with the wrong argument size disagrees with them.
inline std::vector<HostTable> HostTables(RecorderSet& r) {
    return {
        {"IQmSoftSynthType", static_cast<IQmSoftSynthType*>(&r.type), &r.type.rec,
         {2, 0, 0, 3, 2, 2, 0, 1, 0, 0, 0, 0, 0, 0, 2, 1, 1, 1, 0, 2, 2, 0, 0, 0, 1}},
        {"IQmSoftSynth", static_cast<IQmSoftSynth*>(&r.synth), &r.synth.rec,
         {2, 0, 0, 2, 0, 1, 1, 2, 1, 6, 0, 2, 0, 2, 8, 0, 0, 2, 2, 3, 3, 1, 1, 1, 1, 1, 1,
          1, 0, 1, 0, 1, 0, 1, 2, 2, 2, 0, 3, 0, 2, 0, 2, 0, 0, 7, 1, 1, 0, 1, 1, 2, 1}},
        {"IQMMIDIBuffer", static_cast<IQMMIDIBuffer*>(&r.buffer), &r.buffer.rec,
         {2, 0, 0, 1, 4, 6, 2, 4, 5, 6, 6, 2, 1, 2, 1, 1, 1}},
        {"IMIDIIn", static_cast<IMIDIIn*>(&r.port), &r.port.rec,
         {2, 0, 0, 1, 1, 2, 2, 2, 1, 5, 1, 0, 0, 0, 2, 2, 1, 1, 1, 1}},
        {"IMIDIDevice", static_cast<IMIDIDevice*>(&r.device), &r.device.rec,
         {2, 0, 0, 2, 0, 0, 0, 1, 0, 1, 0, 1, 0, 0, 0, 0, 0, 1, 1, 0, 1, 1, 1, 4, 3, 3, 0, 0, 0, 2,
          4, 3, 1, 3, 0, 0, 0, 0, 2, 1, 2, 1, 2, 1, 3, 3, 3, 0, 3, 2, 2, 2, 0, 0, 0, 1, 1, 0, 0, 1}},
        {"PlugInManagerCache", static_cast<PlugInManagerCache*>(&r.cache), &r.cache.rec,
         {2, 0, 0, 0, 0, 0, 1, 2, 0, 0, 0, 0, 2, 2, 1, 0, 0, 0, 0, 1, 1}},
        {"IHostProgress", static_cast<IHostProgress*>(&r.progress), &r.progress.rec, {2, 0, 0, 0, 1}},
        {"IPluginManagerCacheSink", static_cast<IPluginManagerCacheSink*>(&r.sink), &r.sink.rec, {2, 0, 0, 1, 0}},
        {"IMIDIDeviceListener", static_cast<IMIDIDeviceListener*>(&r.listener), &r.listener.rec, {2, 0, 0, 1}},
    };
}

}  // namespace qm::test

#undef QM_REC
#undef QM_REC0
#undef QM_REC_UNKNOWN

#endif

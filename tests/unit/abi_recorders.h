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

// QM_RECk(slot, name, the k parameter types): a slot that records its arguments a, b, c, ...
#define QM_REC(n, Name, Params, ...) \
    HRESULT QM_COMCALL Name Params noexcept override { return rec.Record(n, __VA_ARGS__); }
#define QM_REC0(n, Name) \
    HRESULT QM_COMCALL Name() noexcept override { return rec.Record(n); }
#define QM_REC1(n, Name, A) QM_REC(n, Name, (A a), a)
#define QM_REC2(n, Name, A, B) QM_REC(n, Name, (A a, B b), a, b)
#define QM_REC3(n, Name, A, B, C) QM_REC(n, Name, (A a, B b, C c), a, b, c)
#define QM_REC4(n, Name, A, B, C, D) QM_REC(n, Name, (A a, B b, C c, D d), a, b, c, d)
#define QM_REC5(n, Name, A, B, C, D, E) QM_REC(n, Name, (A a, B b, C c, D d, E e), a, b, c, d, e)
#define QM_REC6(n, Name, A, B, C, D, E, F) QM_REC(n, Name, (A a, B b, C c, D d, E e, F f), a, b, c, d, e, f)
#define QM_REC8(n, Name, A, B, C, D, E, F, G, H) \
    QM_REC(n, Name, (A a, B b, C c, D d, E e, F f, G g, H h), a, b, c, d, e, f, g, h)
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
    QM_REC3(3, SetSettingsKey, void*, DWORD, DWORD) QM_REC2(4, Reserved4, DWORD, void**)
    QM_REC2(5, GetTypeName, LPWSTR, LONG) QM_REC0(6, GetKind) QM_REC1(7, ConnectHost, IUnknown*) QM_REC0(8, Reserved8)
    QM_REC0(9, Reserved9) QM_REC0(10, Reserved10) QM_REC0(11, Reserved11) QM_REC0(12, Reserved12)
    QM_REC0(13, Reserved13) QM_REC2(14, CreateTypePage, REFIID, void**) QM_REC1(15, Reserved15, DWORD)
    QM_REC1(16, Reserved16, DWORD) QM_REC1(17, Reserved17, DWORD) QM_REC0(18, GetSecondKind)
    QM_REC2(19, GetSynthInfo, LONG, SoftSynthTypeInfo*)
    QM_REC2(20, CreateSynth, const SoftSynthTypeInfo*, IQmSoftSynth**) QM_REC0(21, Reserved21) QM_REC0(22, Reserved22)
    QM_REC0(23, ResetUsage) QM_REC1(24, DeletingDestructor, UINT)
};

struct SynthRecorder final : IQmSoftSynth {
    QM_REC_UNKNOWN
    QM_REC2(3, GetMidiInput, REFIID, void**) QM_REC0(4, Reserved4) QM_REC1(5, GetGuid, GUID*)
    QM_REC1(6, SetGuid, REFGUID) QM_REC2(7, GetName, LPWSTR, LONG) QM_REC1(8, GetKind, DWORD*)
    QM_REC(9, Open, (DWORD a, DWORD b, DWORD c, SynthSiteCallback d, ULONG_PTR e, DWORD f), a, b, c, d,
           reinterpret_cast<void*>(e), f)
    QM_REC0(10, Close) QM_REC2(11, Play, DWORD, DWORD) QM_REC0(12, Stop) QM_REC1(13, Cue, LONGLONG)
    QM_REC8(14, Reserved14, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD) QM_REC0(15, StartLive)
    QM_REC0(16, StopLive) QM_REC2(17, Reserved17, DWORD, DWORD) QM_REC2(18, SendShortMessage, DWORD, DWORD)
    QM_REC3(19, SendShortMessages, const DWORD*, DWORD, DWORD) QM_REC2(20, SendTimedMessage, DWORD, LONGLONG)
    QM_REC1(21, Reserved21, DWORD) QM_REC1(22, Reserved22, DWORD) QM_REC1(23, Reserved23, DWORD)
    QM_REC1(24, GetPatchDevice, IMIDIDevice**) QM_REC1(25, Reserved25, DWORD) QM_REC1(26, SetMidiSink, IMIDIIn*)
    QM_REC1(27, GetMidiSink, IMIDIIn**) QM_REC0(28, IsOptionAOff) QM_REC1(29, SetOptionA, DWORD)
    QM_REC0(30, IsOptionBOff) QM_REC1(31, SetOptionB, DWORD) QM_REC0(32, IsSinkAttached)
    QM_REC1(33, SetSinkDetached, DWORD) QM_REC2(34, CreatePropertyPage, REFIID, void**)
    QM_REC2(35, Reserved35, DWORD, DWORD) QM_REC2(36, GetDisplayName, LPWSTR, LONG) QM_REC0(37, Reserved37)
    QM_REC3(38, SetFormat, const WAVEFORMATEX*, DWORD, DWORD) QM_REC0(39, ReleaseFormat)
    QM_REC2(40, Reserved40, DWORD, DWORD) QM_REC0(41, ResetQueue) QM_REC2(42, ResetQueue2, DWORD, DWORD)
    QM_REC0(43, Reserved43) QM_REC0(44, ResetQueue3)
    QM_REC6(45, Render, void*, LONGLONG, LONG, DWORD, DWORD, HostTimeRecord*) QM_REC1(46, SaveState, IStream*)
    QM_REC1(47, LoadState, IStream*) QM_REC0(48, CaptureChunk) QM_REC1(49, Idle, DWORD)
    QM_REC1(50, GetInfo, SoftSynthTypeInfo*) QM_REC2(51, GetBus, LONG, IQmSoftSynth**)
    QM_REC1(52, QueryThis, IQmSoftSynth**)
};

struct BufferRecorder final : IQMMIDIBuffer {
    QM_REC_UNKNOWN
    QM_REC1(3, Reserved3, DWORD) QM_REC4(4, Reserved4, DWORD, DWORD, DWORD, DWORD)
    QM_REC6(5, Reserved5, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD) QM_REC1(6, AdvanceTime, LONGLONG)
    QM_REC3(7, PutShortEvent, LONGLONG, DWORD, DWORD) QM_REC5(8, Reserved8, DWORD, DWORD, DWORD, DWORD, DWORD)
    QM_REC6(9, Reserved9, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD)
    QM_REC6(10, Reserved10, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD) QM_REC2(11, Reserved11, DWORD, DWORD)
    QM_REC1(12, GetLastEventOffset, LONGLONG*) QM_REC1(13, SetStartTime, LONGLONG)
    QM_REC1(14, GetStartTime, LONGLONG*) QM_REC1(15, Reserved15, DWORD) QM_REC1(16, Reserved16, DWORD)
};

struct PortRecorder final : IMIDIIn {
    QM_REC_UNKNOWN
    QM_REC1(3, GetGuid, GUID*) QM_REC1(4, SetGuid, REFGUID) QM_REC2(5, Reserved5, DWORD, DWORD)
    QM_REC2(6, Reserved6, DWORD, DWORD) QM_REC2(7, GetName, LPWSTR, LONG) QM_REC1(8, GetKind, DWORD*)
    QM_REC(9, Open, (void** a, DWORD* b, DWORD* c, MidiPortCallback d, ULONG_PTR e), a, b, c, d,
           reinterpret_cast<void*>(e))
    QM_REC1(10, Close, void**) QM_REC0(11, Start) QM_REC0(12, Stop) QM_REC0(13, Pause)
    QM_REC2(14, Reserved14, DWORD, DWORD) QM_REC2(15, Reserved15, DWORD, DWORD) QM_REC1(16, Connect, IMIDIOut*)
    QM_REC1(17, Disconnect, IMIDIOut*) QM_REC1(18, Reserved18, void**) QM_REC1(19, Reserved19, DWORD)
};

struct DeviceRecorder final : IMIDIDevice {
    QM_REC_UNKNOWN
    QM_REC2(3, GetName, LPWSTR, LONG) QM_REC0(4, Reserved4)
    GUID* QM_COMCALL GetDeviceBlock() noexcept override {
        rec.Record(5);
        rec.result = reinterpret_cast<uintptr_t>(&block);
        return &block;
    }
    QM_REC0(6, Reserved6) QM_REC1(7, GetKind, DWORD*) QM_REC0(8, Reserved8) QM_REC1(9, GetMidiInput, IMIDIIn**)
    QM_REC0(10, Reserved10) QM_REC1(11, Reserved11, DWORD*) QM_REC0(12, Reserved12) QM_REC0(13, Reserved13)
    QM_REC0(14, Reserved14) QM_REC0(15, Reserved15) QM_REC0(16, Reserved16)
    QM_REC1(17, AddListener, IMIDIDeviceListener*) QM_REC1(18, RemoveListener, IMIDIDeviceListener*)
    QM_REC0(19, SendPatchChangeEvent) QM_REC1(20, GetDeviceCaps, MidiDeviceCaps*)
    QM_REC1(21, SetHostCaps, const MidiDeviceCaps*) QM_REC1(22, GetProgramCount, DWORD)
    QM_REC4(23, GetPatch, LONG*, DWORD, PatchRecord*, DWORD) QM_REC3(24, GetCurrentPatch, LONG*, DWORD, PatchRecord*)
    QM_REC3(25, FindPatch, LONG*, DWORD, PatchRecord*) QM_REC0(26, Reserved26) QM_REC0(27, Reserved27)
    QM_REC0(28, Reserved28) QM_REC2(29, CountKeyNames, DWORD, PatchRecord*)
    QM_REC4(30, GetKeyNameRanges, DWORD, PatchRecord*, KeyRange*, LONG)
    QM_REC3(31, GetKeyName, DWORD, PatchRecord*, KeyNameRecord*) QM_REC1(32, GetGroupCount, DWORD)
    QM_REC3(33, GetGroupName, LONG, DWORD, PatchGroupRecord*) QM_REC0(34, Reserved34) QM_REC0(35, Reserved35)
    QM_REC0(36, Reserved36) QM_REC0(37, Reserved37) QM_REC2(38, GetDeviceName, LPWSTR, LONG)
    QM_REC1(39, SetDeviceName, LPCWSTR) QM_REC2(40, GetSecondString, LPWSTR, LONG)
    QM_REC1(41, SetSecondString, LPCWSTR) QM_REC2(42, GetThirdString, LPWSTR, LONG)
    QM_REC1(43, SetThirdString, LPCWSTR) QM_REC3(44, GetController, LONG*, ControllerDescription*, DWORD)
    QM_REC3(45, SetController, LONG, ParameterDescription*, DWORD)
    QM_REC3(46, FindController, DWORD, DWORD, ControllerDescription*) QM_REC0(47, GetParameterCount)
    QM_REC3(48, GetParameterDescription, LONG, ParameterDescription*, DWORD)
    QM_REC2(49, SetParameterDescription, LONG, const ParameterDescription*)
    QM_REC2(50, SetParameterValue, LONG, float) QM_REC2(51, GetParameterValue, LONG, float*) QM_REC0(52, Reserved52)
    QM_REC0(53, Reserved53) QM_REC0(54, Reserved54) QM_REC1(55, Reserved55, DWORD*) QM_REC1(56, Reserved56, DWORD*)
    QM_REC0(57, Reserved57) QM_REC0(58, Reserved58) QM_REC1(59, DeletingDestructor, UINT)

    GUID block{};
};

struct CacheRecorder final : PlugInManagerCache {
    QM_REC_UNKNOWN
    QM_REC0(3, Reserved3) QM_REC0(4, Reserved4) QM_REC0(5, Reserved5) QM_REC1(6, Prepare, DWORD)
    QM_REC2(7, GetEntry, DWORD, PlugInManagerEntry*) QM_REC0(8, Reserved8) QM_REC0(9, Reserved9)
    QM_REC0(10, Reserved10) QM_REC0(11, Reserved11) QM_REC2(12, FindEntry, REFGUID, PlugInManagerEntry*)
    QM_REC2(13, SetEntryInUse, const GUID*, DWORD) QM_REC1(14, CheckEntry, const PlugInManagerEntry*)
    QM_REC0(15, Reserved15) QM_REC0(16, Reserved16) QM_REC0(17, Reserved17) QM_REC0(18, Reserved18)
    QM_REC1(19, RegisterSink, IPluginManagerCacheSink*) QM_REC1(20, UnregisterSink, IPluginManagerCacheSink*)
};

struct ProgressRecorder final : IHostProgress {
    QM_REC_UNKNOWN
    QM_REC0(3, Reserved3) QM_REC1(4, SetText, LPCWSTR)
};

struct SinkRecorder final : IPluginManagerCacheSink {
    QM_REC_UNKNOWN
    QM_REC1(3, Notify3, DWORD) QM_REC0(4, Notify4)
};

struct ListenerRecorder final : IMIDIDeviceListener {
    QM_REC_UNKNOWN
    QM_REC1(3, OnEvent, PatchListenerEvent*)
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

#endif

// The host ABI as the host sees it: identifiers byte for byte against their registry text, records
// written at the host's byte offsets and read back through the declared fields, and table slots
// reached by index through a raw table pointer, the way a host written in C calls them.
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "unit/abi_recorders.h"

namespace qm::test {
namespace {

// ---- Identifiers ------------------------------------------------------------------------------

// "{1405EADB-CBE9-11D0-96C6-08002BE5D609}" -> the 16 bytes of a GUID in memory (little-endian
// first three fields), independent of the GUID struct's declaration.
std::vector<uint8_t> GuidBytesFromText(const char* text) {
    unsigned d1, d2, d3, b[8];
    const int n = sscanf(text, "{%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}", &d1, &d2, &d3, &b[0], &b[1], &b[2],
                         &b[3], &b[4], &b[5], &b[6], &b[7]);
    EXPECT_EQ(n, 11) << text;
    std::vector<uint8_t> bytes = {uint8_t(d1), uint8_t(d1 >> 8), uint8_t(d1 >> 16), uint8_t(d1 >> 24),
                                  uint8_t(d2), uint8_t(d2 >> 8), uint8_t(d3), uint8_t(d3 >> 8)};
    for (unsigned v : b) bytes.push_back(uint8_t(v));
    return bytes;
}

TEST(AbiGuids, EveryIdentifierMatchesItsRegistryText) {
    struct Case {
        const GUID* id;
        const char* text;
    };
    const Case cases[] = {
        {&IID_IMIDIClass, "{1405EADB-CBE9-11D0-96C6-08002BE5D609}"},
        {&IID_IMIDIDevice, "{1405EADC-CBE9-11D0-96C6-08002BE5D609}"},
        {&IID_IMIDIOut, "{898650FB-C878-11D0-96B5-A0F657000000}"},
        {&IID_IMIDIIn, "{898650FC-C878-11D0-96B5-A0F657000000}"},
        {&IID_IQmSoftSynthType, "{7ED61D80-3B30-4674-AE5C-BC656B4BCCBD}"},
        {&IID_IQmSoftSynth, "{69586CC8-9E85-47D8-93B3-4EAD90660AAE}"},
        {&IID_IQMMIDIBuffer, "{199E6D9B-67BC-4466-BF41-B9EACE250DE3}"},
        {&IID_IPluginManagerCacheSink, "{98A8AE52-896B-4A89-B608-6C64853D9713}"},
        {&IID_PlugInManagerCache, "{0FCBF0A7-D343-417A-B3C2-4C11CAD17A7F}"},
        {&IID_IHostProgress, "{D6EBCEC1-766C-11D3-9627-00C04F68BE42}"},
        {&CLSID_VSTiTypePage, "{CB3C4725-8470-413E-B25A-CAB27380C9B2}"},
        {&CLSID_VSTiSynthPage, "{C6E5DDC8-4843-4B7C-BA51-F217B79AFFA1}"},
        {&GUID_PatchEventOpen, "{50BF89F8-C18F-46AF-BA72-F6AA1CEA153F}"},
        {&GUID_PatchEventClose, "{823E2877-1B8B-4ED6-AF05-BA74DC514927}"},
        {&GUID_PatchEventPatchChange, "{D8725638-B4F1-4785-81C3-09ABC5D0B6FF}"},
        {&GUID_PatchEventParameter, "{F610E1A3-F5D5-4459-8561-99F41B5DDD18}"},
        {&GUID_PatchEventTime, "{BABB8DC9-B39D-445E-A2EA-C738D5BEADC1}"},
        {&IID_IUnknown, "{00000000-0000-0000-C000-000000000046}"},
        {&IID_IPropertyPage, "{B196B28D-BAB4-101A-B69C-00AA00341D07}"},
        {&IID_IPropertyPageSite, "{B196B28C-BAB4-101A-B69C-00AA00341D07}"},
        {&IID_ISpecifyPropertyPages, "{B196B28B-BAB4-101A-B69C-00AA00341D07}"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(sizeof(GUID), 16u);
        const std::vector<uint8_t> expected = GuidBytesFromText(c.text);
        EXPECT_EQ(memcmp(c.id, expected.data(), 16), 0) << c.text;
    }
}

// ---- Records at the host's byte offsets ---------------------------------------------------------

template <class T>
void Put(std::vector<uint8_t>& raw, size_t offset, T value) {
    ASSERT_LE(offset + sizeof value, raw.size());
    memcpy(raw.data() + offset, &value, sizeof value);
}

void PutText(std::vector<uint8_t>& raw, size_t offset, const WCHAR* text) {
    size_t n = 0;
    while (text[n]) ++n;
    memcpy(raw.data() + offset, text, (n + 1) * sizeof(WCHAR));
}

TEST(AbiRecords, CacheEntryWrittenByOffsetReadsThroughFields) {
    std::vector<uint8_t> raw(4788, 0);
    const std::vector<uint8_t> id = GuidBytesFromText("{01234567-89AB-CDEF-0123-456789ABCDEF}");
    memcpy(raw.data(), id.data(), 16);
    Put<uint32_t>(raw, 24, 1);
    Put<uint32_t>(raw, 28, 3);
    Put<int32_t>(raw, 40, 0x01020304);
    Put<int32_t>(raw, 48, 0x41424344);
    Put<uint32_t>(raw, 52, 1);
    Put<uint32_t>(raw, 56, 0x18);
    PutText(raw, 80, QMW("C:\\VST\\Synth.dll"));
    PutText(raw, 600, QMW("First"));
    PutText(raw, 1120, QMW("Second"));
    PutText(raw, 1640, QMW("Product"));
    PutText(raw, 2160, QMW("Vendor"));
    Put<uint32_t>(raw, 2716, 1);
    Put<uint32_t>(raw, 4784, 0xDEADBEEF);  // the host's last word stays inside the record

    PlugInManagerEntry entry;
    ASSERT_EQ(sizeof entry, raw.size());
    memcpy(&entry, raw.data(), raw.size());
    EXPECT_EQ(memcmp(&entry.managerId, id.data(), 16), 0);
    EXPECT_EQ(entry.faulted, 1u);
    EXPECT_EQ(entry.enabled, 3u);
    EXPECT_EQ(entry.vendorVersion, 0x01020304);
    EXPECT_EQ(entry.uniqueId, 0x41424344);
    EXPECT_EQ(entry.hasEditor, 1u);
    EXPECT_EQ(entry.options & PlugInManagerOptions::AlternativeDrawing, PlugInManagerOptions::AlternativeDrawing);
    EXPECT_EQ(entry.options & PlugInManagerOptions::CacheOption, PlugInManagerOptions::CacheOption);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(entry.path)), u"C:\\VST\\Synth.dll");
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(entry.firstName)), u"First");
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(entry.secondName)), u"Second");
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(entry.product)), u"Product");
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(entry.vendor)), u"Vendor");
    EXPECT_EQ(entry.isInstrument, 1u);
}

TEST(AbiRecords, TimeQueryAnswerWrittenByOffsetReadsThroughFields) {
    std::vector<uint8_t> raw(112, 0);
    Put<uint32_t>(raw, 0, TimeQueryRequest::Full);
    Put<int64_t>(raw, 8, -5);
    Put<int64_t>(raw, 16, 0x123456789LL);
    Put<double>(raw, 24, 133.5);
    Put<int64_t>(raw, 32, 9600);
    Put<int32_t>(raw, 40, 960);
    Put<int64_t>(raw, 48, 7680);
    Put<uint32_t>(raw, 56, 1);
    Put<int64_t>(raw, 72, 1920);
    Put<int64_t>(raw, 88, 3840);
    Put<int32_t>(raw, 96, 6);
    Put<int32_t>(raw, 100, 8);

    TimeQuery q;
    ASSERT_EQ(sizeof q, raw.size());
    memcpy(&q, raw.data(), raw.size());
    EXPECT_EQ(q.request, 0x3F0003u);
    EXPECT_EQ(q.samplePosition, -5);
    EXPECT_EQ(q.time, 0x123456789LL);
    EXPECT_EQ(q.tempo, 133.5);
    EXPECT_EQ(q.ticks, 9600);
    EXPECT_EQ(q.ticksPerQuarter, 960);
    EXPECT_EQ(q.barStartTicks, 7680);
    EXPECT_EQ(q.loopOn, 1u);
    EXPECT_EQ(q.loopStartTicks, 1920);
    EXPECT_EQ(q.loopEndTicks, 3840);
    EXPECT_EQ(q.timeSigNumerator, 6);
    EXPECT_EQ(q.timeSigDenominator, 8);
}

TEST(AbiRecords, HostTimeRecordWrittenByOffsetReadsThroughFields) {
    std::vector<uint8_t> raw(184, 0);
    Put<uint32_t>(raw, 4, 0x80);
    Put<int64_t>(raw, 24, 10000000);
    Put<int64_t>(raw, 32, 20000000);
    Put<double>(raw, 96, 120.0);
    Put<int32_t>(raw, 112, 480);
    Put<int64_t>(raw, 152, -1);

    HostTimeRecord r;
    ASSERT_EQ(sizeof r, raw.size());
    memcpy(&r, raw.data(), raw.size());
    EXPECT_TRUE(r.flags & HostTimeRecordFlags::Valid);
    EXPECT_EQ(r.startTime, 10000000);
    EXPECT_EQ(r.secondTime, 20000000);
    EXPECT_EQ(r.tempo, 120.0);
    EXPECT_EQ(r.ticksPerQuarter, 480);
    EXPECT_EQ(r.tickPosition, -1);
    EXPECT_EQ(alignof(HostTimeRecord), 8u);
    EXPECT_EQ(alignof(TimeQuery), 8u);
}

// Records holding pointers follow the host's 32-bit word layout on i686 and a natural layout on
// x86_64; the offsets the code reads are pinned for both.
TEST(AbiRecords, PointerRecordsKeepTheHostWordOffsets) {
    const bool abi32 = sizeof(void*) == 4;
    struct Field {
        const char* name;
        size_t actual, i686, x86_64;
    };
    const Field fields[] = {
        {"info.state", offsetof(SoftSynthTypeInfo, state), 4, 4},
        {"info.mask", offsetof(SoftSynthTypeInfo, mask), 8, 8},
        {"info.path", offsetof(SoftSynthTypeInfo, path), 12, 16},
        {"info.name", offsetof(SoftSynthTypeInfo, name), 16, 24},
        {"info.product", offsetof(SoftSynthTypeInfo, product), 20, 32},
        {"info.vendor", offsetof(SoftSynthTypeInfo, vendor), 24, 40},
        {"info.vendorVersion", offsetof(SoftSynthTypeInfo, vendorVersion), 28, 48},
        {"info.uniqueId", offsetof(SoftSynthTypeInfo, uniqueId), 32, 52},
        {"info.active", offsetof(SoftSynthTypeInfo, active), 48, 68},
        {"info.busCount", offsetof(SoftSynthTypeInfo, busCount), 64, 84},
        {"info.instanceGuid", offsetof(SoftSynthTypeInfo, instanceGuid), 76, 96},
        {"info.managerId (words 23-26)", offsetof(SoftSynthTypeInfo, managerId), 92, 112},
        {"sizeof info", sizeof(SoftSynthTypeInfo), 108, 128},
        {"event.kind", offsetof(PatchListenerEvent, kind), 16, 16},
        {"event.word20", offsetof(PatchListenerEvent, word20), 20, 20},
        {"event.maximum", offsetof(PatchListenerEvent, maximum), 40, 40},
        {"event.frames", offsetof(PatchListenerEvent, frames), 56, 56},
        {"event.time", offsetof(PatchListenerEvent, time), 64, 64},
        {"event.callerPointer", offsetof(PatchListenerEvent, callerPointer), 80, 80},
        {"event.device", offsetof(PatchListenerEvent, device), 84, 88},
        {"sizeof event", sizeof(PatchListenerEvent), 88, 96},
        {"record.useCount", offsetof(VstiPluginRecord, useCount), 916, 916},
        {"sizeof record", sizeof(VstiPluginRecord), 936, 936},
        {"patch.group", offsetof(PatchRecord, group), 516, 516},
        {"controller.defaultValue", offsetof(ControllerDescription, defaultValue), 40, 40},
        {"parameter.defaultValue", offsetof(ParameterDescription, defaultValue), 24, 24},
    };
    for (const Field& f : fields) EXPECT_EQ(f.actual, abi32 ? f.i686 : f.x86_64) << f.name;
}

TEST(AbiRecords, FlagWordsAreDistinctSingleBits) {
    const DWORD status[] = {InstanceStatus::Attached, InstanceStatus::Cued, InstanceStatus::Playing,
                            InstanceStatus::Live, InstanceStatus::Offline, InstanceStatus::PlugInOpened,
                            InstanceStatus::Faulted, InstanceStatus::OptionA, InstanceStatus::OptionB,
                            InstanceStatus::SinkDetached, InstanceStatus::ProcessEvents,
                            InstanceStatus::MonoMainOutput, InstanceStatus::QueueOverflow,
                            InstanceStatus::InProcess, InstanceStatus::ProgramChangeSeen,
                            InstanceStatus::BankSelectSeen, InstanceStatus::NoSizeWindow, InstanceStatus::NeedsIdle};
    DWORD seen = 0;
    for (DWORD bit : status) {
        EXPECT_EQ(bit & (bit - 1), 0u) << std::hex << bit;
        EXPECT_EQ(seen & bit, 0u) << std::hex << bit;
        seen |= bit;
    }
    EXPECT_EQ(seen, 0x7FFBFu);  // 0x40 is the only bit of the low word the instance does not use
}

// ---- Slots reached by index --------------------------------------------------------------------

template <class R = HRESULT, class... Args>
R CallSlot(void* object, int slot, Args... args) {
    using Fn = R(QM_COMCALL*)(void*, Args...);
    void** table = *static_cast<void***>(object);
    return reinterpret_cast<Fn>(table[slot])(object, args...);
}

template <class... Ts>
std::vector<Word> Words(const Ts&... args) {
    std::vector<Word> words;
    (AppendWord(words, args), ...);
    return words;
}

void ExpectSlot(const Recorder& rec, int slot, HRESULT result, const std::vector<Word>& words) {
    EXPECT_EQ(rec.slot, slot);
    EXPECT_EQ(result, SlotResult(slot)) << "slot " << slot;
    EXPECT_EQ(rec.words, words) << "slot " << slot;
}

TEST(AbiSlots, SoftSynthTypeTable) {
    TypeRecorder t;
    void* p = static_cast<IQmSoftSynthType*>(&t);
    SoftSynthTypeInfo info{};
    IQmSoftSynth* out = nullptr;
    int key = 0;
    ExpectSlot(t.rec, 3, CallSlot(p, 3, static_cast<void*>(&key), DWORD(2), DWORD(3)),
               Words(static_cast<void*>(&key), DWORD(2), DWORD(3)));
    ExpectSlot(t.rec, 14, CallSlot(p, 14, &IID_IPropertyPage, static_cast<void**>(nullptr)),
               Words(&IID_IPropertyPage, static_cast<void**>(nullptr)));
    ExpectSlot(t.rec, 19, CallSlot(p, 19, LONG(-1), &info), Words(LONG(-1), &info));
    ExpectSlot(t.rec, 20, CallSlot(p, 20, &info, &out), Words(&info, &out));
    ExpectSlot(t.rec, 23, CallSlot(p, 23), Words());
    ExpectSlot(t.rec, 24, CallSlot(p, 24, UINT(1)), Words(UINT(1)));
}

TEST(AbiSlots, SoftSynthTable) {
    SynthRecorder s;
    void* p = static_cast<IQmSoftSynth*>(&s);
    HostTimeRecord record{};
    WAVEFORMATEX format{};
    float buffer[8];
    const SynthSiteCallback callback = reinterpret_cast<SynthSiteCallback>(uintptr_t(0x1234));
    ExpectSlot(s.rec, 9, CallSlot(p, 9, DWORD(1), DWORD(2), DWORD(3), callback, ULONG_PTR(0xC00C1E), DWORD(6)),
               Words(DWORD(1), DWORD(2), DWORD(3), callback, ULONG_PTR(0xC00C1E), DWORD(6)));
    ExpectSlot(s.rec, 13, CallSlot(p, 13, LONGLONG(0x1122334455667788LL)), Words(LONGLONG(0x1122334455667788LL)));
    ExpectSlot(s.rec, 20, CallSlot(p, 20, DWORD(0x40643C90), LONGLONG(5000000)),
               Words(DWORD(0x40643C90), LONGLONG(5000000)));
    ExpectSlot(s.rec, 37, CallSlot(p, 37), Words());
    ExpectSlot(s.rec, 38, CallSlot(p, 38, &format, DWORD(0), DWORD(1)), Words(&format, DWORD(0), DWORD(1)));
    ExpectSlot(s.rec, 42, CallSlot(p, 42, DWORD(7), DWORD(8)), Words(DWORD(7), DWORD(8)));
    ExpectSlot(s.rec, 44, CallSlot(p, 44), Words());
    ExpectSlot(s.rec, 45,
               CallSlot(p, 45, static_cast<void*>(buffer), LONGLONG(-2), LONG(600), DWORD(0), DWORD(0x50000000),
                        &record),
               Words(static_cast<void*>(buffer), LONGLONG(-2), LONG(600), DWORD(0), DWORD(0x50000000), &record));
    IQmSoftSynth* out = nullptr;
    ExpectSlot(s.rec, 52, CallSlot(p, 52, &out), Words(&out));
}

TEST(AbiSlots, MidiBufferPortAndDeviceTables) {
    BufferRecorder b;
    void* pb = static_cast<IQMMIDIBuffer*>(&b);
    ExpectSlot(b.rec, 7, CallSlot(pb, 7, LONGLONG(-10000), DWORD(0x7F3C90), DWORD(0)),
               Words(LONGLONG(-10000), DWORD(0x7F3C90), DWORD(0)));
    ExpectSlot(b.rec, 13, CallSlot(pb, 13, LONGLONG(1) << 40), Words(LONGLONG(1) << 40));
    ExpectSlot(b.rec, 16, CallSlot(pb, 16, DWORD(9)), Words(DWORD(9)));

    PortRecorder m;
    void* pm = static_cast<IMIDIIn*>(&m);
    void* bufferArray[2];
    void** buffers = bufferArray;
    DWORD size = 64, count = 2;
    const MidiPortCallback callback = reinterpret_cast<MidiPortCallback>(uintptr_t(0x5678));
    ExpectSlot(m.rec, 9, CallSlot(pm, 9, buffers, &size, &count, callback, ULONG_PTR(77)),
               Words(buffers, &size, &count, callback, ULONG_PTR(77)));
    ExpectSlot(m.rec, 19, CallSlot(pm, 19, DWORD(3)), Words(DWORD(3)));

    DeviceRecorder d;
    void* pd = static_cast<IMIDIDevice*>(&d);
    EXPECT_EQ(CallSlot<GUID*>(pd, 5), &d.block);
    EXPECT_EQ(d.rec.slot, 5);
    LONG index = 3;
    PatchRecord patch{};
    ControllerDescription controller{};
    ExpectSlot(d.rec, 23, CallSlot(pd, 23, &index, DWORD(9), &patch, DWORD(0x10)),
               Words(&index, DWORD(9), &patch, DWORD(0x10)));
    ExpectSlot(d.rec, 44, CallSlot(pd, 44, &index, &controller, DWORD(0x10100)),
               Words(&index, &controller, DWORD(0x10100)));
    ExpectSlot(d.rec, 50, CallSlot(pd, 50, LONG(4), 0.25f), Words(LONG(4), 0.25f));
    ExpectSlot(d.rec, 59, CallSlot(pd, 59, UINT(1)), Words(UINT(1)));
}

TEST(AbiSlots, HostServiceTables) {
    CacheRecorder c;
    void* pc = static_cast<PlugInManagerCache*>(&c);
    PlugInManagerEntry entry{};
    SinkRecorder sink;
    ExpectSlot(c.rec, 6, CallSlot(pc, 6, DWORD(kPlugInManagerCacheEnumerate)), Words(DWORD(12)));
    ExpectSlot(c.rec, 7, CallSlot(pc, 7, DWORD(4), &entry), Words(DWORD(4), &entry));
    ExpectSlot(c.rec, 12, CallSlot(pc, 12, &entry.managerId, &entry), Words(&entry.managerId, &entry));
    ExpectSlot(c.rec, 13, CallSlot(pc, 13, &entry.managerId, DWORD(1)), Words(&entry.managerId, DWORD(1)));
    ExpectSlot(c.rec, 14, CallSlot(pc, 14, &entry), Words(&entry));
    IPluginManagerCacheSink* s = &sink;
    ExpectSlot(c.rec, 19, CallSlot(pc, 19, s), Words(s));
    ExpectSlot(c.rec, 20, CallSlot(pc, 20, s), Words(s));

    ProgressRecorder progress;
    const WCHAR* text = QMW("Added Synth VST Instrument");
    ExpectSlot(progress.rec, 4, CallSlot(static_cast<IHostProgress*>(&progress), 4, text), Words(text));
    ExpectSlot(sink.rec, 3, CallSlot(static_cast<IPluginManagerCacheSink*>(&sink), 3, DWORD(5)), Words(DWORD(5)));
    ExpectSlot(sink.rec, 4, CallSlot(static_cast<IPluginManagerCacheSink*>(&sink), 4), Words());

    ListenerRecorder listener;
    PatchListenerEvent event{};
    ExpectSlot(listener.rec, 3, CallSlot(static_cast<IMIDIDeviceListener*>(&listener), 3, &event), Words(&event));
}

}  // namespace
}  // namespace qm::test

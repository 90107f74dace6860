// The host and VST 2 ABIs as the other side sees them: identifiers byte for byte against their
// registry text, the field offsets and numbers the library's own static_asserts leave open, and every
// table slot reached by index through a raw table pointer, the way a host written in C calls it.
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <gtest/gtest.h>

#include <vector>

#include "qmvsti/vst2.h"
#include "unit/abi_recorders.h"

namespace qm::test {
namespace {

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
    const struct {
        const GUID* id;
        const char* text;
    } cases[] = {
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
    for (const auto& c : cases) EXPECT_EQ(memcmp(c.id, GuidBytesFromText(c.text).data(), 16), 0) << c.text;
}

// Offsets on i686 and on x86_64 that plug-ins compiled against other headers, or the host, read and
// write. Pointer records follow the host's 32-bit words on i686 and the natural layout on x86_64.
TEST(AbiLayout, FieldOffsetsOnBothTargets) {
    const struct {
        const char* name;
        size_t actual, i686, x86_64;
    } fields[] = {
#define QM_FIELD(T, f, a, b) {#T "::" #f, offsetof(T, f), a, b}
        QM_FIELD(AEffect, magic, 0, 0),            QM_FIELD(AEffect, process, 8, 16),
        QM_FIELD(AEffect, setParameter, 12, 24),   QM_FIELD(AEffect, getParameter, 16, 32),
        QM_FIELD(AEffect, numParams, 24, 44),      QM_FIELD(AEffect, numInputs, 28, 48),
        QM_FIELD(AEffect, numOutputs, 32, 52),     QM_FIELD(AEffect, resvd2, 44, 72),
        QM_FIELD(AEffect, initialDelay, 48, 80),   QM_FIELD(AEffect, user, 68, 104),
        QM_FIELD(AEffect, version, 76, 116),       QM_FIELD(VstMidiEvent, deltaFrames, 8, 8),
        QM_FIELD(VstMidiEvent, noteLength, 16, 16), QM_FIELD(VstMidiEvent, detune, 28, 28),
        QM_FIELD(VstMidiSysexEvent, dumpBytes, 16, 16), QM_FIELD(VstTimeInfo, sampleRate, 8, 8),
        QM_FIELD(VstTimeInfo, ppqPos, 24, 24),     QM_FIELD(VstTimeInfo, barStartPos, 40, 40),
        QM_FIELD(VstTimeInfo, cycleEndPos, 56, 56), QM_FIELD(VstTimeInfo, smpteFrameRate, 76, 76),
        QM_FIELD(VstTimeInfo, samplesToNextClock, 80, 80),
        QM_FIELD(VstPinProperties, arrangementType, 68, 68), QM_FIELD(VstPinProperties, shortLabel, 72, 72),
        QM_FIELD(VstParameterProperties, label, 12, 12), QM_FIELD(VstParameterProperties, maxInteger, 84, 84),
        QM_FIELD(VstParameterProperties, shortLabel, 96, 96), QM_FIELD(MidiProgramName, parentCategoryIndex, 72, 72),
        QM_FIELD(MidiKeyName, keyName, 8, 8),      QM_FIELD(ERect, right, 6, 6),
        QM_FIELD(SoftSynthTypeInfo, state, 4, 4),  QM_FIELD(SoftSynthTypeInfo, mask, 8, 8),
        QM_FIELD(SoftSynthTypeInfo, name, 16, 24), QM_FIELD(SoftSynthTypeInfo, product, 20, 32),
        QM_FIELD(PatchListenerEvent, word20, 20, 20), QM_FIELD(PatchListenerEvent, maximum, 40, 40),
        QM_FIELD(PatchListenerEvent, frames, 56, 56), QM_FIELD(PatchListenerEvent, time, 64, 64),
        QM_FIELD(VstiPluginRecord, useCount, 916, 916), QM_FIELD(ControllerDescription, defaultValue, 40, 40),
        QM_FIELD(ParameterDescription, defaultValue, 24, 24),
#undef QM_FIELD
    };
    for (const auto& f : fields) EXPECT_EQ(f.actual, sizeof(void*) == 4 ? f.i686 : f.x86_64) << f.name;
    // The doubles of VstTimeInfo and the host's time records are 8-aligned, also inside other records.
    EXPECT_EQ(alignof(VstTimeInfo), 8u);
    EXPECT_EQ(alignof(HostTimeRecord), 8u);
    EXPECT_EQ(alignof(TimeQuery), 8u);
}

// The numbers plug-ins and the host send, against the VST 2 and host ABIs: test plug-ins built from
// the same headers would agree with a wrong one.
TEST(AbiLayout, NumbersMatchWhatTheOtherSideSends) {
    const int64_t pairs[][2] = {
        {effOpen, 0}, {effClose, 1}, {effSetProgram, 2}, {effGetParamDisplay, 7}, {effMainsChanged, 12},
        {effEditIdle, 19}, {effIdentify, 22}, {effGetChunk, 23}, {effSetChunk, 24}, {effProcessEvents, 25},
        {effGetProgramNameIndexed, 29}, {effGetOutputProperties, 34}, {effGetEffectName, 45},
        {effGetVendorVersion, 49}, {effVendorSpecific, 50}, {effCanDo, 51}, {effIdle, 53},
        {effGetParameterProperties, 56}, {effGetMidiProgramName, 62}, {effGetMidiKeyName, 66},
        {effShellGetNextPlugin, 70}, {effStartProcess, 71}, {effStopProcess, 72}, {effSetProcessPrecision, 77},
        {effGetNumMidiOutputChannels, 79}, {audioMasterAutomate, 0}, {audioMasterPinConnected, 4},
        {audioMasterWantMidi, 6}, {audioMasterGetTime, 7}, {audioMasterProcessEvents, 8}, {audioMasterTempoAt, 10},
        {audioMasterIOChanged, 13}, {audioMasterSizeWindow, 15}, {audioMasterWillReplaceOrAccumulate, 22},
        {audioMasterGetCurrentProcessLevel, 23}, {audioMasterGetVendorString, 32}, {audioMasterCanDo, 37},
        {audioMasterUpdateDisplay, 42}, {audioMasterEndEdit, 44}, {VstFourCC('Q', 'm', 'R', 'f'), 0x516D5266},
        {effFlagsHasEditor | effFlagsCanReplacing | effFlagsProgramChunks | effFlagsIsSynth | effFlagsNoSoundInStop |
             effFlagsCanDoubleReplacing, 0x1331},
        {kVstTransportChanged | kVstTransportPlaying | kVstTransportCycleActive | kVstTransportRecording, 15},
        {kVstAutomationWriting + kVstAutomationReading, 192},
        {kVstNanosValid | kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstCyclePosValid | kVstTimeSigValid |
             kVstSmpteValid | kVstClockValid, 0xFF00},
        {kVstPinIsActive + kVstPinIsStereo + kVstPinUseSpeaker, 7},
        {kVstParameterIsSwitch + kVstParameterUsesIntegerMinMax, 3}, {kVstMidiType, 1}, {kVstSysExType, 6},
        {TimeQueryRequest::Full, 0x3F0003}, {HostTimeRecordFlags::Valid, 0x80},
        {PlugInManagerOptions::AlternativeDrawing | PlugInManagerOptions::CacheOption, 0x18},
        {kPlugInManagerCacheEnumerate, 12}, {SiteCode::FillBlock, 969}, {PortCode::ShortMessage, 963},
        // Every status bit apart; 0x40 is the only bit of the low word the instance does not use.
        {InstanceStatus::Attached + InstanceStatus::Cued + InstanceStatus::Playing + InstanceStatus::Live +
             InstanceStatus::Offline + InstanceStatus::PlugInOpened + InstanceStatus::Faulted + InstanceStatus::OptionA +
             InstanceStatus::OptionB + InstanceStatus::SinkDetached + InstanceStatus::ProcessEvents +
             InstanceStatus::MonoMainOutput + InstanceStatus::QueueOverflow + InstanceStatus::InProcess +
             InstanceStatus::ProgramChangeSeen + InstanceStatus::BankSelectSeen + InstanceStatus::NoSizeWindow +
             InstanceStatus::NeedsIdle,
         0x7FFBF},
    };
    for (size_t i = 0; i < sizeof pairs / sizeof pairs[0]; ++i) EXPECT_EQ(pairs[i][0], pairs[i][1]) << "row " << i;
}

// Each table entry is the method of its number and takes the host's argument words. Called here with
// spare word-sized arguments, which only caller-cleans conventions allow; i686 pushes the exact words in
// the Windows stack-balance test instead.
TEST(AbiSlots, EveryEntryIsTheSlotOfItsNumberWithTheHostsWords) {
    if (sizeof(void*) == 4) GTEST_SKIP() << "callee-pops: covered by the stack-balance test";
    using AnySlot = uintptr_t(QM_COMCALL*)(void*, const void*, const void*, const void*, const void*, const void*,
                                           const void*, const void*, const void*);
    alignas(16) static uint64_t arguments[8][2];
    RecorderSet recorders;
    for (const HostTable& table : HostTables(recorders)) {
        void** entries = *static_cast<void***>(table.object);
        for (size_t slot = 0; slot < table.wordsPerSlot.size(); ++slot) {
            const uintptr_t result = reinterpret_cast<AnySlot>(entries[slot])(
                table.object, arguments[0], arguments[1], arguments[2], arguments[3], arguments[4], arguments[5],
                arguments[6], arguments[7]);
            EXPECT_EQ(table.rec->slot, static_cast<int>(slot)) << table.name << " entry " << slot;
            EXPECT_EQ(uint32_t(result), uint32_t(table.rec->result)) << table.name << " slot " << slot;
            EXPECT_EQ(table.rec->words.size(), table.wordsPerSlot[slot]) << table.name << " slot " << slot;
        }
    }
}

}  // namespace
}  // namespace qm::test

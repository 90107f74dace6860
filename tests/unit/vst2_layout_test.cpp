// The VST 2 structures must match, byte for byte, what plug-ins compiled against other headers read
// and write: sizes and field offsets per target, the doubles of VstTimeInfo 8-aligned everywhere, and
// the opcode and flag numbers plug-ins send.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include "qmvsti/vst2.h"

namespace {

constexpr bool kPointers32 = sizeof(void*) == 4;
constexpr size_t P(size_t offset32, size_t offset64) { return kPointers32 ? offset32 : offset64; }

TEST(Vst2Layout, AEffectFieldsSitWherePluginsWriteThem) {
    EXPECT_EQ(sizeof(AEffect), P(144, 192));
    EXPECT_EQ(offsetof(AEffect, magic), 0u);
    EXPECT_EQ(offsetof(AEffect, dispatcher), P(4, 8));
    EXPECT_EQ(offsetof(AEffect, process), P(8, 16));
    EXPECT_EQ(offsetof(AEffect, setParameter), P(12, 24));
    EXPECT_EQ(offsetof(AEffect, getParameter), P(16, 32));
    EXPECT_EQ(offsetof(AEffect, numPrograms), P(20, 40));
    EXPECT_EQ(offsetof(AEffect, numParams), P(24, 44));
    EXPECT_EQ(offsetof(AEffect, numInputs), P(28, 48));
    EXPECT_EQ(offsetof(AEffect, numOutputs), P(32, 52));
    EXPECT_EQ(offsetof(AEffect, flags), P(36, 56));
    EXPECT_EQ(offsetof(AEffect, resvd1), P(40, 64));
    EXPECT_EQ(offsetof(AEffect, resvd2), P(44, 72));
    EXPECT_EQ(offsetof(AEffect, initialDelay), P(48, 80));
    EXPECT_EQ(offsetof(AEffect, ioRatio), P(60, 92));
    EXPECT_EQ(offsetof(AEffect, object), P(64, 96));
    EXPECT_EQ(offsetof(AEffect, user), P(68, 104));
    EXPECT_EQ(offsetof(AEffect, uniqueID), P(72, 112));
    EXPECT_EQ(offsetof(AEffect, version), P(76, 116));
    EXPECT_EQ(offsetof(AEffect, processReplacing), P(80, 120));
    EXPECT_EQ(offsetof(AEffect, processDoubleReplacing), P(84, 128));
    EXPECT_EQ(offsetof(AEffect, future), P(88, 136));
}

TEST(Vst2Layout, EventStructuresKeepTheirWireSizes) {
    EXPECT_EQ(sizeof(VstEvent), 32u);
    EXPECT_EQ(sizeof(VstMidiEvent), 32u);
    EXPECT_EQ(offsetof(VstMidiEvent, deltaFrames), 8u);
    EXPECT_EQ(offsetof(VstMidiEvent, noteLength), 16u);
    EXPECT_EQ(offsetof(VstMidiEvent, midiData), 24u);
    EXPECT_EQ(offsetof(VstMidiEvent, detune), 28u);
    EXPECT_EQ(sizeof(VstMidiSysexEvent), P(32, 48));
    EXPECT_EQ(offsetof(VstMidiSysexEvent, dumpBytes), 16u);
    EXPECT_EQ(offsetof(VstMidiSysexEvent, sysexDump), P(24, 32));
    EXPECT_EQ(sizeof(VstEvents), P(16, 32));
    EXPECT_EQ(offsetof(VstEvents, events), P(8, 16));
}

struct TimeInfoInside {
    int32_t leading;
    VstTimeInfo info;
};

TEST(Vst2Layout, TimeInfoDoublesAreEightAlignedEvenWhenEmbedded) {
    EXPECT_EQ(sizeof(VstTimeInfo), 88u);
    EXPECT_EQ(alignof(VstTimeInfo), 8u);
    EXPECT_EQ(offsetof(VstTimeInfo, sampleRate), 8u);
    EXPECT_EQ(offsetof(VstTimeInfo, ppqPos), 24u);
    EXPECT_EQ(offsetof(VstTimeInfo, tempo), 32u);
    EXPECT_EQ(offsetof(VstTimeInfo, barStartPos), 40u);
    EXPECT_EQ(offsetof(VstTimeInfo, cycleEndPos), 56u);
    EXPECT_EQ(offsetof(VstTimeInfo, timeSigNumerator), 64u);
    EXPECT_EQ(offsetof(VstTimeInfo, smpteFrameRate), 76u);
    EXPECT_EQ(offsetof(VstTimeInfo, samplesToNextClock), 80u);
    EXPECT_EQ(offsetof(VstTimeInfo, flags), 84u);
    // i686 System V would put this at 4 without the pin.
    EXPECT_EQ(offsetof(TimeInfoInside, info), 8u);
    VstTimeInfo pair[2];
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&pair[1].samplePos) % 8, 0u);
}

TEST(Vst2Layout, PropertyStructuresKeepTheirWireSizes) {
    EXPECT_EQ(sizeof(VstPinProperties), 128u);
    EXPECT_EQ(offsetof(VstPinProperties, flags), 64u);
    EXPECT_EQ(offsetof(VstPinProperties, arrangementType), 68u);
    EXPECT_EQ(offsetof(VstPinProperties, shortLabel), 72u);
    EXPECT_EQ(sizeof(VstParameterProperties), 152u);
    EXPECT_EQ(offsetof(VstParameterProperties, label), 12u);
    EXPECT_EQ(offsetof(VstParameterProperties, flags), 76u);
    EXPECT_EQ(offsetof(VstParameterProperties, minInteger), 80u);
    EXPECT_EQ(offsetof(VstParameterProperties, maxInteger), 84u);
    EXPECT_EQ(offsetof(VstParameterProperties, shortLabel), 96u);
    EXPECT_EQ(offsetof(VstParameterProperties, displayIndex), 104u);
    EXPECT_EQ(offsetof(VstParameterProperties, categoryLabel), 112u);
    EXPECT_EQ(sizeof(MidiProgramName), 80u);
    EXPECT_EQ(offsetof(MidiProgramName, midiProgram), 68u);
    EXPECT_EQ(offsetof(MidiProgramName, parentCategoryIndex), 72u);
    EXPECT_EQ(sizeof(MidiProgramCategory), 76u);
    EXPECT_EQ(sizeof(MidiKeyName), 80u);
    EXPECT_EQ(offsetof(MidiKeyName, keyName), 8u);
    EXPECT_EQ(sizeof(ERect), 8u);
    EXPECT_EQ(offsetof(ERect, right), 6u);
}

TEST(Vst2Layout, NumbersMatchWhatPluginsSend) {
    EXPECT_EQ(kEffectMagic, 0x56737450);
    EXPECT_EQ(VstFourCC('Q', 'm', 'R', 'f'), 0x516D5266);
    const int32_t dispatcher[][2] = {
        {effOpen, 0}, {effClose, 1}, {effSetProgram, 2}, {effGetParamDisplay, 7}, {effMainsChanged, 12},
        {effEditIdle, 19}, {effIdentify, 22}, {effGetChunk, 23}, {effSetChunk, 24}, {effProcessEvents, 25},
        {effGetProgramNameIndexed, 29}, {effGetOutputProperties, 34}, {effGetEffectName, 45},
        {effGetVendorVersion, 49}, {effVendorSpecific, 50}, {effCanDo, 51}, {effIdle, 53},
        {effGetParameterProperties, 56}, {effGetMidiProgramName, 62}, {effGetMidiKeyName, 66},
        {effShellGetNextPlugin, 70}, {effStartProcess, 71}, {effStopProcess, 72},
        {effSetProcessPrecision, 77}, {effGetNumMidiOutputChannels, 79}};
    for (const auto& row : dispatcher) EXPECT_EQ(row[0], row[1]);
    const int32_t host[][2] = {
        {audioMasterAutomate, 0}, {audioMasterPinConnected, 4}, {audioMasterWantMidi, 6},
        {audioMasterGetTime, 7}, {audioMasterProcessEvents, 8}, {audioMasterTempoAt, 10},
        {audioMasterIOChanged, 13}, {audioMasterSizeWindow, 15}, {audioMasterWillReplaceOrAccumulate, 22},
        {audioMasterGetCurrentProcessLevel, 23}, {audioMasterGetVendorString, 32},
        {audioMasterCanDo, 37}, {audioMasterUpdateDisplay, 42}, {audioMasterEndEdit, 44}};
    for (const auto& row : host) EXPECT_EQ(row[0], row[1]);
    EXPECT_EQ(effFlagsHasEditor | effFlagsCanReplacing | effFlagsProgramChunks | effFlagsIsSynth |
                  effFlagsNoSoundInStop | effFlagsCanDoubleReplacing,
              1 | 16 | 32 | 256 | 512 | 4096);
    EXPECT_EQ(kVstTransportChanged | kVstTransportPlaying | kVstTransportCycleActive | kVstTransportRecording,
              15);
    EXPECT_EQ(kVstAutomationWriting + kVstAutomationReading, 192);
    EXPECT_EQ(kVstNanosValid | kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstCyclePosValid |
                  kVstTimeSigValid | kVstSmpteValid | kVstClockValid,
              0xFF00);
    EXPECT_EQ(kVstPinIsActive + kVstPinIsStereo + kVstPinUseSpeaker, 7);
    EXPECT_EQ(kVstParameterIsSwitch + kVstParameterUsesIntegerMinMax, 3);
    EXPECT_EQ(kVstMidiType, 1);
    EXPECT_EQ(kVstSysExType, 6);
}

}  // namespace

// What tests may rely on when they drive our test instruments: identities, the reference synth's sound
// and parameters, its chunk layout, the vendor-specific queries and the environment variables that
// steer the recorder and the fault module. Shared by the plug-ins and the tests.
#pragma once
#include <cstdint>
#include "qmvsti/vst2.h"

namespace qmtest {

// ---- Identities ----
constexpr int32_t kRefUniqueId = VstFourCC('Q', 'm', 'R', 'f');       // qmref
constexpr int32_t kRefChunkUniqueId = VstFourCC('Q', 'm', 'R', 'k');  // qmref_chunk
constexpr int32_t kRefMultiUniqueId = VstFourCC('Q', 'm', 'R', 'm');  // qmref_multi
constexpr int32_t kRefMonoUniqueId = VstFourCC('Q', 'm', 'R', 'o');   // qmref_mono
constexpr int32_t kRefEchoUniqueId = VstFourCC('Q', 'm', 'R', 'e');   // qmref_echo
constexpr int32_t kRefTimeProbeUniqueId = VstFourCC('Q', 'm', 'R', 't');  // qmref_timeprobe
constexpr int32_t kRefMidiOutUniqueId = VstFourCC('Q', 'm', 'R', 'x');    // qmref_midiout
constexpr int32_t kRefNamesUniqueId = VstFourCC('Q', 'm', 'R', 'n');      // qmref_names
constexpr int32_t kRecorderUniqueId = VstFourCC('Q', 'm', 'L', 'g');  // qmrecorder
constexpr int32_t kFaultUniqueId = VstFourCC('Q', 'm', 'F', 't');     // qmfault
constexpr int32_t kWrongMagicValue = 0x50747356;  // qmwrongmagic: 'VstP' with its bytes reversed
constexpr int32_t kEffectUniqueId = VstFourCC('Q', 'm', 'F', 'x');    // qmeffect
constexpr int32_t kBothMainUniqueId = VstFourCC('Q', 'm', 'B', 'm');  // qmbothentries through "main"
constexpr int32_t kBothPluginMainUniqueId = VstFourCC('Q', 'm', 'B', 'v');  // ... through "VSTPluginMain"

constexpr const char* kTestVendor = "QmVSTi Test";
constexpr int32_t kTestVendorVersion = 1100;
constexpr const char* kRefProduct = "QmVSTi Reference Synth";
// Effect names: "QmRef", "QmRef Chunk", "QmRef Multi", "QmRef Mono", "QmRef Echo", "QmRef TimeProbe",
// "QmRef MidiOut", "QmRef Names", "QmRecorder", "QmFault", "QmEffect", "QmBoth main", "QmBoth VSTPluginMain".

// ---- Reference synth sound ----
// Each note is one voice: amplitude = velocity / 127 * kRefVoiceLevel * gain, a sine at
// 440 * 2^((note + pitch - 69) / 12) Hz starting at phase 0 on the note's frame, under a linear
// envelope: attack level (n + 1) / kRefAttackFrames for the note's n-th frame, release from the level
// reached down to 0 over kRefReleaseFrames, after which the voice is free. The stereo main pair carries
// the voice sum times the pan gains (left min(1, 2 - 2 pan), right min(1, 2 pan)); Mute silences.
// All arithmetic is in double, so renders are bit-identical for identical input whatever the block
// sizes. Note-on velocity 0 is a note-off; CC 120 silences at once, CC 123 releases every voice;
// a program change selects a program. A 17th note steals the oldest voice.
constexpr int kRefVoices = 16;
constexpr int kRefAttackFrames = 64;
constexpr int kRefReleaseFrames = 256;
constexpr double kRefVoiceLevel = 0.25;
constexpr double kRefDefaultSampleRate = 44100.0;

// Parameters (normalised 0..1 like every VST parameter).
enum RefParam : int32_t {
    kRefParamGain = 0,  // continuous; display dB ("-6.0", "-inf"), label "dB"
    kRefParamMute = 1,  // kVstParameterIsSwitch; display "Off" / "On" (value >= 0.5)
    kRefParamPitch = 2, // kVstParameterUsesIntegerMinMax -12..12 semitones: round(v * 24) - 12; label "semi"
    kRefParamPan = 3,   // continuous; display "C", "L50", "R100" ...
    kRefParamCount = 4,
    // effString2Parameter takes Mute's "On" / "Off" and Pitch's semitones ("-12" to "12").
};

// Programs: name and parameter values (gain, mute, pitch, pan).
constexpr int kRefPrograms = 8;
// 0 "Init" (0.5, 0, 0.5, 0.5), 1 "Quiet" (gain 0.25), 2 "Full" (gain 1), 3 "Left" (pan 0),
// 4 "Right" (pan 1), 5 "Octave Up" (pitch 1), 6 "Octave Down" (pitch 0), 7 "Silent" (mute 1);
// unnamed values are those of "Init".

// Output pins. qmref/chunk/echo/timeprobe: 2 outputs "QmRef L"/"QmRef R", stereo.
// qmref_mono: 1 output "QmRef Mono", not stereo.
// qmref_multi: 6 outputs routed by MIDI channel: pins 0/1 "Main L"/"Main R" (stereo; channel 1 and
// channels 5-16), pin 2 "Aux Mono A" (mono; channel 2), pin 3 "Aux Mono B" (mono; channel 3), pins 4/5
// "Aux L"/"Aux R" (stereo; channel 4). Every pin has kVstPinIsActive; both pins of a stereo pair have
// kVstPinIsStereo and arrangement kSpeakerArrStereo.
constexpr int kRefMultiOutputs = 6;

// ---- MIDI output (qmref_echo, qmref_midiout) ----
// After each process call the synth sends what it received in that call with audioMasterProcessEvents,
// in frame order. qmref_echo sends every event unchanged (system exclusive included). qmref_midiout
// sends the short messages only, note-ons and note-offs transposed by kMidiOutTranspose semitones
// (kept within 0..127), then one event of its own: controller kMidiOutOwnController on channel 16
// with the count of its own events so far (mod 128) as the value, at the block's last frame.
constexpr int kMidiOutTranspose = 12;
constexpr int kMidiOutOwnController = 20;

// ---- Chunk layout (qmref_chunk, effGetChunk / effSetChunk) ----
// Little-endian. Header of 24 bytes: magic "QmCk" (4 bytes, in this order), version (u32, 1), kind
// (u32: 0 bank, 1 program, as the opcode's index), current program (u32), program count (u32: 8 for a
// bank, 1 for a program), parameter count (u32, 4). Then per program: name (24 bytes, zero-padded)
// and the parameter values as IEEE float bits (u32 each). effSetChunk answers 1 and applies the data
// only when every header field and the size match; otherwise 0 and nothing changes.
constexpr uint32_t kRefChunkVersion = 1;
constexpr int kRefChunkHeaderSize = 24;
constexpr int kRefChunkProgramSize = kVstMaxProgNameLen + 4 * kRefParamCount;
constexpr int kRefChunkBankSize = kRefChunkHeaderSize + kRefPrograms * kRefChunkProgramSize;
constexpr int kRefChunkSingleSize = kRefChunkHeaderSize + kRefChunkProgramSize;

// ---- MIDI program names and self-automation ----
// qmref and its other variants name their eight programs on every channel (program i, banks unused).
// qmref_names ("QmRef Names") names two channels instead. Channel 0: the eight programs, program byte
// i, banks 0, in category 0 "Tones" (programs 0-5) or 1 "Effects" (6, 7); its current program is the
// plug-in's. Channel 1: two drum kits, "Kit A" and "Kit B" (program bytes 0 and 1, bank MSB 1, LSB 0)
// in category 2 "Drums", whose keys 0-127 all answer effGetMidiKeyName, named 36 "Kick", 37 "Rim",
// 38 "Snare", 42 "Closed Hat", 46 "Open Hat". The other channels name nothing. With
// kRefNamesOmniVariable set to "1" when the plug-in is created, channel 0's names are omni.
constexpr const char* kRefNamesOmniVariable = "QMREF_NAMES_OMNI";
constexpr int kRefNamesCategories = 3;
// Every variant: control change kRefAutomateController moves Pan to value / 127 at its frame, and
// after the block reports it as an edit: audioMasterBeginEdit, audioMasterAutomate (opt = the value),
// audioMasterEndEdit, for kRefParamPan.
constexpr int kRefAutomateController = 16;

// ---- Vendor-specific queries (effVendorSpecific, index selects) ----
// Sounding voices of the reference synth (attack, sustain or release); returns the count.
constexpr int32_t kVendorActiveVoices = VstFourCC('Q', 'm', 'A', 'v');
// qmref_timeprobe: how many probes were taken (one audioMasterGetTime call per processed block).
constexpr int32_t kVendorTimeProbeCount = VstFourCC('Q', 'm', 'T', 'n');
// qmref_timeprobe: value = probe number (0-based), ptr = TimeProbeRecord*; returns 1 when the record
// is kept (the last kTimeProbeKept probes), else 0.
constexpr int32_t kVendorTimeProbeRecord = VstFourCC('Q', 'm', 'T', 'r');
// qmref_timeprobe: value = the kVstXxxValid mask to ask for from now on; returns the previous mask.
constexpr int32_t kVendorTimeProbeMask = VstFourCC('Q', 'm', 'T', 'm');
// qmfault: faults of kind "handled" performed so far by this instance (entry faults not counted).
constexpr int32_t kVendorHandledFaults = VstFourCC('Q', 'm', 'F', 'c');

constexpr int32_t kTimeProbeDefaultMask = kVstNanosValid | kVstPpqPosValid | kVstTempoValid |
                                          kVstBarsValid | kVstCyclePosValid | kVstTimeSigValid |
                                          kVstSmpteValid | kVstClockValid;
constexpr int kTimeProbeKept = 1024;

struct TimeProbeRecord {
    int32_t hostAnswered;  // 1 when audioMasterGetTime returned a VstTimeInfo, 0 when it returned 0
    int32_t frames;        // the block's frame count
    int32_t mask;          // the mask the probe asked with
    int32_t reserved;
    VstTimeInfo info;      // a copy of the host's answer, zero when it returned 0
};

// ---- Environment ----
// qmrecorder and qmfault append one line per event to this file (opened, written and closed per line).
constexpr const char* kRecorderLogVariable = "QMVSTI_RECORDER_LOG";
// qmfault's plan, read at every call: "where=<site>;kind=<kind>[;opcode=<n>][;index=<n>][;after=<n>]".
constexpr const char* kFaultPlanVariable = "QMVSTI_FAULT";
// The code RaiseException uses for kind "raise" on Windows.
constexpr uint32_t kFaultRaiseCode = 0xE0514D46u;

// ---- The reference synth's editor (qmref on Windows only; effFlagsHasEditor) ----
// effEditGetRect starts at kRefEditorWidth x kRefEditorHeight. Each key press in the editor asks
// audioMasterSizeWindow for kRefEditorGrowWidth and kRefEditorGrowHeight more and keeps that size
// when the host answers 1. A left click on a parameter's bar sets it to the click's share of the
// bar's width, reported as an edit (audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit).
constexpr int kRefEditorWidth = 400;
constexpr int kRefEditorHeight = 240;
constexpr int kRefEditorGrowWidth = 80;
constexpr int kRefEditorGrowHeight = 40;
// The effEditIdle calls the editor received so far.
constexpr int32_t kVendorEditorIdles = VstFourCC('Q', 'm', 'E', 'i');

}  // namespace qmtest

/* The VST 2.x plug-in ABI as hosts and plug-ins see it on the wire: the AEffect block a module's entry
 * point returns, the opcodes of its dispatcher and of the host callback, and the structures passed
 * through their pointer arguments.
 *
 * Written from the publicly documented facts of the interface (field order and widths, opcode and flag
 * numbers); no third-party VST header is used. Every structure is pinned for the two targets we ship:
 * i686 (4-byte pointers, Windows and System V) and x86_64 (8-byte pointers).
 *
 * Ownership: everything a pointer argument refers to belongs to the caller and is valid for the call
 * only, except the chunk of effGetChunk (owned by the plug-in until its next effGetChunk or effClose)
 * and the AEffect itself (owned by the plug-in until effClose returns). */
#ifndef QMVSTI_VST2_H
#define QMVSTI_VST2_H

#include <stddef.h>
#include <stdint.h>

#include "callconv.h"

/* A four-character code as VST writes them: 'VstP' == VstFourCC('V','s','t','P'). */
constexpr int32_t VstFourCC(char a, char b, char c, char d) {
    return static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint8_t>(a)) << 24) |
                                (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 16) |
                                (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 8) |
                                static_cast<uint32_t>(static_cast<uint8_t>(d)));
}

constexpr int32_t kEffectMagic = VstFourCC('V', 's', 't', 'P'); /* 0x56737450 */
constexpr int32_t kVstVersion = 2400;                           /* effGetVstVersion of a 2.4 plug-in */

struct AEffect;

/* The host callback handed to the entry point. value and the result are pointer-sized. Any thread. */
typedef intptr_t(VSTCALLBACK* audioMasterCallback)(AEffect* effect, int32_t opcode, int32_t index,
                                                    intptr_t value, void* ptr, float opt);
/* The plug-in's dispatcher: every effXxx opcode below. */
typedef intptr_t(VSTCALLBACK* AEffectDispatcherProc)(AEffect* effect, int32_t opcode, int32_t index,
                                                      intptr_t value, void* ptr, float opt);
/* process accumulates into outputs; processReplacing overwrites them. Audio thread. */
typedef void(VSTCALLBACK* AEffectProcessProc)(AEffect* effect, float** inputs, float** outputs,
                                               int32_t sampleFrames);
typedef void(VSTCALLBACK* AEffectProcessDoubleProc)(AEffect* effect, double** inputs, double** outputs,
                                                     int32_t sampleFrames);
typedef void(VSTCALLBACK* AEffectSetParameterProc)(AEffect* effect, int32_t index, float parameter);
typedef float(VSTCALLBACK* AEffectGetParameterProc)(AEffect* effect, int32_t index);
/* The exported "VSTPluginMain" (and the older "main"): null when the plug-in refuses to load. */
typedef AEffect*(VSTCALLBACK* VstPluginMainProc)(audioMasterCallback host);

struct AEffect {
    int32_t magic; /* kEffectMagic */
    AEffectDispatcherProc dispatcher;
    AEffectProcessProc process; /* accumulating; deprecated but still called by old hosts */
    AEffectSetParameterProc setParameter;
    AEffectGetParameterProc getParameter;
    int32_t numPrograms;
    int32_t numParams;
    int32_t numInputs;
    int32_t numOutputs;
    int32_t flags; /* effFlagsXxx */
    intptr_t resvd1; /* reserved for the host: hosts keep their own pointer here */
    intptr_t resvd2;
    int32_t initialDelay; /* latency in samples */
    int32_t realQualities;
    int32_t offQualities;
    float ioRatio;
    void* object; /* the plug-in's own object */
    void* user;
    int32_t uniqueID; /* four-character id of the plug-in, used to match presets and state */
    int32_t version;
    AEffectProcessProc processReplacing;
    AEffectProcessDoubleProc processDoubleReplacing;
    char future[56];
};

/* AEffect flags. */
enum : int32_t {
    effFlagsHasEditor = 1 << 0,
    effFlagsHasClip = 1 << 1,   /* deprecated */
    effFlagsHasVu = 1 << 2,     /* deprecated */
    effFlagsCanMono = 1 << 3,   /* deprecated */
    effFlagsCanReplacing = 1 << 4,
    effFlagsProgramChunks = 1 << 5,
    effFlagsIsSynth = 1 << 8,
    effFlagsNoSoundInStop = 1 << 9,
    effFlagsExtIsAsync = 1 << 10,      /* deprecated */
    effFlagsExtHasBuffer = 1 << 11,    /* deprecated */
    effFlagsCanDoubleReplacing = 1 << 12,
};

/* Dispatcher opcodes (host -> plug-in). index/value/ptr/opt meaning per opcode in the comments. */
enum : int32_t {
    effOpen = 0,
    effClose = 1,                  /* the plug-in frees itself; the AEffect is gone afterwards */
    effSetProgram = 2,             /* value: program */
    effGetProgram = 3,             /* returns the current program */
    effSetProgramName = 4,         /* ptr: name, kVstMaxProgNameLen */
    effGetProgramName = 5,         /* ptr: buffer, kVstMaxProgNameLen */
    effGetParamLabel = 6,          /* index, ptr: unit text, kVstMaxParamStrLen */
    effGetParamDisplay = 7,        /* index, ptr: value text, kVstMaxParamStrLen */
    effGetParamName = 8,           /* index, ptr: name, kVstMaxParamStrLen */
    effGetVu = 9,                  /* deprecated */
    effSetSampleRate = 10,         /* opt: rate */
    effSetBlockSize = 11,          /* value: largest block */
    effMainsChanged = 12,          /* value: 0 suspend, 1 resume */
    effEditGetRect = 13,           /* ptr: ERect** */
    effEditOpen = 14,              /* ptr: parent window */
    effEditClose = 15,
    effEditDraw = 16,              /* deprecated */
    effEditMouse = 17,             /* deprecated */
    effEditKey = 18,               /* deprecated */
    effEditIdle = 19,
    effEditTop = 20,               /* deprecated */
    effEditSleep = 21,             /* deprecated */
    effIdentify = 22,              /* deprecated; old plug-ins answer 'NvEf' */
    effGetChunk = 23,              /* index: 0 bank, 1 program; ptr: void** receiving the data; returns size */
    effSetChunk = 24,              /* index: 0 bank, 1 program; value: size; ptr: data */
    effProcessEvents = 25,         /* ptr: VstEvents* valid for the next process call */
    effCanBeAutomated = 26,        /* index */
    effString2Parameter = 27,      /* index, ptr: text */
    effGetNumProgramCategories = 28,
    effGetProgramNameIndexed = 29, /* index: program, value: category (-1 all), ptr: buffer */
    effCopyProgram = 30,           /* deprecated */
    effConnectInput = 31,          /* deprecated; index: pin, value: connected */
    effConnectOutput = 32,         /* deprecated; index: pin, value: connected */
    effGetInputProperties = 33,    /* index: pin, ptr: VstPinProperties*; returns 1 when supported */
    effGetOutputProperties = 34,   /* index: pin, ptr: VstPinProperties*; returns 1 when supported */
    effGetPlugCategory = 35,       /* returns kPlugCategXxx */
    effGetCurrentPosition = 36,    /* deprecated */
    effGetDestinationBuffer = 37,  /* deprecated */
    effOfflineNotify = 38,
    effOfflinePrepare = 39,
    effOfflineRun = 40,
    effProcessVarIo = 41,
    effSetSpeakerArrangement = 42,
    effSetBlockSizeAndSampleRate = 43, /* deprecated */
    effSetBypass = 44,
    effGetEffectName = 45,         /* ptr: buffer, kVstMaxEffectNameLen */
    effGetErrorText = 46,          /* deprecated */
    effGetVendorString = 47,       /* ptr: buffer, kVstMaxVendorStrLen */
    effGetProductString = 48,      /* ptr: buffer, kVstMaxProductStrLen */
    effGetVendorVersion = 49,
    effVendorSpecific = 50,        /* free for the vendor's own protocol */
    effCanDo = 51,                 /* ptr: capability text; returns 1 yes, -1 no, 0 don't know */
    effGetTailSize = 52,
    effIdle = 53,                  /* deprecated */
    effGetIcon = 54,               /* deprecated */
    effSetViewPosition = 55,       /* deprecated */
    effGetParameterProperties = 56, /* index, ptr: VstParameterProperties*; returns 1 when supported */
    effKeysRequired = 57,          /* deprecated */
    effGetVstVersion = 58,
    effEditKeyDown = 59,
    effEditKeyUp = 60,
    effSetEditKnobMode = 61,
    effGetMidiProgramName = 62,    /* index: channel, ptr: MidiProgramName*; returns the number of programs */
    effGetCurrentMidiProgram = 63, /* index: channel, ptr: MidiProgramName* */
    effGetMidiProgramCategory = 64, /* index: channel, ptr: MidiProgramCategory* */
    effHasMidiProgramsChanged = 65, /* index: channel */
    effGetMidiKeyName = 66,        /* index: channel, ptr: MidiKeyName* */
    effBeginSetProgram = 67,
    effEndSetProgram = 68,
    effGetSpeakerArrangement = 69,
    effShellGetNextPlugin = 70,
    effStartProcess = 71,
    effStopProcess = 72,
    effSetTotalSampleToProcess = 73,
    effSetPanLaw = 74,
    effBeginLoadBank = 75,
    effBeginLoadProgram = 76,
    effSetProcessPrecision = 77,
    effGetNumMidiInputChannels = 78,
    effGetNumMidiOutputChannels = 79,
};

/* Host callback opcodes (plug-in -> host). */
enum : int32_t {
    audioMasterAutomate = 0,        /* index: parameter, opt: new value */
    audioMasterVersion = 1,
    audioMasterCurrentId = 2,
    audioMasterIdle = 3,
    audioMasterPinConnected = 4,    /* deprecated; index: pin, value: 0 input; returns 0 when connected */
    /* 5 is unassigned. */
    audioMasterWantMidi = 6,        /* deprecated */
    audioMasterGetTime = 7,         /* value: kVstXxxValid mask wanted; returns VstTimeInfo* or 0 */
    audioMasterProcessEvents = 8,   /* ptr: VstEvents* the plug-in sends out */
    audioMasterSetTime = 9,         /* deprecated */
    audioMasterTempoAt = 10,        /* deprecated; value: sample position; returns BPM * 10000 */
    audioMasterGetNumAutomatableParameters = 11, /* deprecated */
    audioMasterGetParameterQuantization = 12,    /* deprecated */
    audioMasterIOChanged = 13,
    audioMasterNeedIdle = 14,       /* deprecated */
    audioMasterSizeWindow = 15,     /* index: width, value: height */
    audioMasterGetSampleRate = 16,
    audioMasterGetBlockSize = 17,
    audioMasterGetInputLatency = 18,
    audioMasterGetOutputLatency = 19,
    audioMasterGetPreviousPlug = 20, /* deprecated */
    audioMasterGetNextPlug = 21,     /* deprecated */
    audioMasterWillReplaceOrAccumulate = 22, /* deprecated */
    audioMasterGetCurrentProcessLevel = 23,  /* returns kVstProcessLevelXxx */
    audioMasterGetAutomationState = 24,
    audioMasterOfflineStart = 25,
    audioMasterOfflineRead = 26,
    audioMasterOfflineWrite = 27,
    audioMasterOfflineGetCurrentPass = 28,
    audioMasterOfflineGetCurrentMetaPass = 29,
    audioMasterSetOutputSampleRate = 30,     /* deprecated */
    audioMasterGetOutputSpeakerArrangement = 31, /* deprecated */
    audioMasterGetVendorString = 32,  /* ptr: buffer, kVstMaxVendorStrLen */
    audioMasterGetProductString = 33, /* ptr: buffer, kVstMaxProductStrLen */
    audioMasterGetVendorVersion = 34,
    audioMasterVendorSpecific = 35,
    audioMasterSetIcon = 36,          /* deprecated */
    audioMasterCanDo = 37,            /* ptr: capability text */
    audioMasterGetLanguage = 38,
    audioMasterOpenWindow = 39,       /* deprecated */
    audioMasterCloseWindow = 40,      /* deprecated */
    audioMasterGetDirectory = 41,
    audioMasterUpdateDisplay = 42,
    audioMasterBeginEdit = 43,        /* index: parameter */
    audioMasterEndEdit = 44,          /* index: parameter */
    audioMasterOpenFileSelector = 45,
    audioMasterCloseFileSelector = 46,
    audioMasterEditFile = 47,         /* deprecated */
    audioMasterGetChunkFile = 48,     /* deprecated */
    audioMasterGetInputSpeakerArrangement = 49, /* deprecated */
};

/* String capacities in bytes, terminator included. Plug-ins routinely overrun the short ones, so hosts
 * hand out larger buffers than these. */
enum : int32_t {
    kVstMaxProgNameLen = 24,
    kVstMaxParamStrLen = 8,
    kVstMaxVendorStrLen = 64,
    kVstMaxProductStrLen = 64,
    kVstMaxEffectNameLen = 32,
    kVstMaxNameLen = 64,
    kVstMaxLabelLen = 64,
    kVstMaxShortLabelLen = 8,
    kVstMaxCategLabelLen = 24,
    kVstMaxFileNameLen = 100,
};

/* ---- Events (effProcessEvents, audioMasterProcessEvents) ---- */

enum : int32_t {
    kVstMidiType = 1,
    kVstSysExType = 6,
};
enum : int32_t {
    kVstMidiEventIsRealtime = 1 << 0,
};

/* The generic event header; byteSize counts the bytes after the first two fields. */
struct VstEvent {
    int32_t type;
    int32_t byteSize;
    int32_t deltaFrames; /* frames from the start of the next processed block */
    int32_t flags;
    char data[16];
};

struct VstMidiEvent {
    int32_t type; /* kVstMidiType */
    int32_t byteSize;
    int32_t deltaFrames;
    int32_t flags; /* kVstMidiEventIsRealtime */
    int32_t noteLength;
    int32_t noteOffset;
    char midiData[4]; /* status and up to two data bytes, the fourth is 0 */
    char detune;
    char noteOffVelocity;
    char reserved1;
    char reserved2;
};

struct VstMidiSysexEvent {
    int32_t type; /* kVstSysExType */
    int32_t byteSize;
    int32_t deltaFrames;
    int32_t flags;
    int32_t dumpBytes;
    intptr_t resvd1;
    char* sysexDump;
    intptr_t resvd2;
};

/* A list of event pointers; senders allocate room for numEvents entries past the declared two. */
struct VstEvents {
    int32_t numEvents;
    intptr_t reserved;
    VstEvent* events[2];
};

/* ---- Time (audioMasterGetTime) ---- */

enum : int32_t {
    kVstTransportChanged = 1,
    kVstTransportPlaying = 1 << 1,
    kVstTransportCycleActive = 1 << 2,
    kVstTransportRecording = 1 << 3,
    kVstAutomationWriting = 1 << 6,
    kVstAutomationReading = 1 << 7,
    kVstNanosValid = 1 << 8,
    kVstPpqPosValid = 1 << 9,
    kVstTempoValid = 1 << 10,
    kVstBarsValid = 1 << 11,
    kVstCyclePosValid = 1 << 12,
    kVstTimeSigValid = 1 << 13,
    kVstSmpteValid = 1 << 14,
    kVstClockValid = 1 << 15,
};

enum : int32_t {
    kVstSmpte24fps = 0,
    kVstSmpte25fps = 1,
    kVstSmpte2997fps = 2,
    kVstSmpte30fps = 3,
    kVstSmpte2997dfps = 4,
    kVstSmpte30dfps = 5,
    kVstSmpteFilm16mm = 6,
    kVstSmpteFilm35mm = 7,
    kVstSmpte239fps = 10,
    kVstSmpte249fps = 11,
    kVstSmpte599fps = 12,
    kVstSmpte60fps = 13,
};

/* Doubles are 8-aligned in the Windows ABI but only 4-aligned inside structures in i686 System V;
 * alignas pins the Windows layout on every target so that arrays and embeddings match. */
struct alignas(8) VstTimeInfo {
    double samplePos;   /* frames since the song start */
    double sampleRate;
    double nanoSeconds; /* system time, kVstNanosValid */
    double ppqPos;      /* quarter notes since the song start, kVstPpqPosValid */
    double tempo;       /* BPM, kVstTempoValid */
    double barStartPos; /* ppq of the last bar start, kVstBarsValid */
    double cycleStartPos; /* kVstCyclePosValid */
    double cycleEndPos;
    int32_t timeSigNumerator; /* kVstTimeSigValid */
    int32_t timeSigDenominator;
    int32_t smpteOffset;    /* kVstSmpteValid */
    int32_t smpteFrameRate; /* kVstSmpteXxx */
    int32_t samplesToNextClock; /* kVstClockValid */
    int32_t flags;
};

enum : int32_t {
    kVstProcessLevelUnknown = 0,
    kVstProcessLevelUser = 1,
    kVstProcessLevelRealtime = 2,
    kVstProcessLevelPrefetch = 3,
    kVstProcessLevelOffline = 4,
};

/* ---- Pins and parameters ---- */

enum : int32_t {
    kVstPinIsActive = 1 << 0,
    kVstPinIsStereo = 1 << 1, /* the pin is the first (left) of a stereo pair */
    kVstPinUseSpeaker = 1 << 2,
};

enum : int32_t {
    kSpeakerArrMono = 0,
    kSpeakerArrStereo = 1,
};

struct VstPinProperties {
    char label[kVstMaxLabelLen];
    int32_t flags; /* kVstPinXxx */
    int32_t arrangementType; /* kSpeakerArrXxx */
    char shortLabel[kVstMaxShortLabelLen];
    char future[48];
};

enum : int32_t {
    kVstParameterIsSwitch = 1 << 0,
    kVstParameterUsesIntegerMinMax = 1 << 1,
    kVstParameterUsesFloatStep = 1 << 2,
    kVstParameterUsesIntStep = 1 << 3,
    kVstParameterSupportsDisplayIndex = 1 << 4,
    kVstParameterSupportsDisplayCategory = 1 << 5,
    kVstParameterCanRamp = 1 << 6,
};

struct VstParameterProperties {
    float stepFloat;
    float smallStepFloat;
    float largeStepFloat;
    char label[kVstMaxLabelLen];
    int32_t flags; /* kVstParameterXxx */
    int32_t minInteger;
    int32_t maxInteger;
    int32_t stepInteger;
    int32_t largeStepInteger;
    char shortLabel[kVstMaxShortLabelLen];
    int16_t displayIndex;
    int16_t category;
    int16_t numParametersInCategory;
    int16_t reserved;
    char categoryLabel[kVstMaxCategLabelLen];
    char future[16];
};

enum : int32_t {
    kPlugCategUnknown = 0,
    kPlugCategEffect = 1,
    kPlugCategSynth = 2,
    kPlugCategAnalysis = 3,
    kPlugCategMastering = 4,
    kPlugCategSpacializer = 5,
    kPlugCategRoomFx = 6,
    kPlugSurroundFx = 7,
    kPlugCategRestoration = 8,
    kPlugCategOfflineProcess = 9,
    kPlugCategShell = 10,
    kPlugCategGenerator = 11,
};

/* ---- MIDI programs and key names ---- */

enum : int32_t {
    kMidiIsOmni = 1,
};

struct MidiProgramName {
    int32_t thisProgramIndex; /* in: the program asked for */
    char name[kVstMaxNameLen];
    char midiProgram;  /* -1 when unused */
    char midiBankMsb;  /* -1 when unused */
    char midiBankLsb;  /* -1 when unused */
    char reserved;
    int32_t parentCategoryIndex; /* -1 when none */
    int32_t flags; /* kMidiIsOmni */
};

struct MidiProgramCategory {
    int32_t thisCategoryIndex; /* in */
    char name[kVstMaxNameLen];
    int32_t parentCategoryIndex;
    int32_t flags;
};

struct MidiKeyName {
    int32_t thisProgramIndex; /* in */
    int32_t thisKeyNumber;    /* in */
    char keyName[kVstMaxNameLen];
    int32_t reserved;
    int32_t flags;
};

/* ---- Editor ---- */

struct ERect {
    int16_t top;
    int16_t left;
    int16_t bottom;
    int16_t right;
};

/* ---- Layout pins ---- */

static_assert(kEffectMagic == 0x56737450, "magic is 'VstP'");
static_assert(sizeof(VstEvent) == 32, "VstEvent");
static_assert(sizeof(VstMidiEvent) == 32, "VstMidiEvent");
static_assert(offsetof(VstMidiEvent, midiData) == 24, "VstMidiEvent::midiData");
static_assert(sizeof(VstTimeInfo) == 88 && alignof(VstTimeInfo) == 8, "VstTimeInfo");
static_assert(offsetof(VstTimeInfo, tempo) == 32, "VstTimeInfo::tempo");
static_assert(offsetof(VstTimeInfo, timeSigNumerator) == 64, "VstTimeInfo::timeSigNumerator");
static_assert(offsetof(VstTimeInfo, flags) == 84, "VstTimeInfo::flags");
static_assert(sizeof(VstPinProperties) == 128, "VstPinProperties");
static_assert(offsetof(VstPinProperties, flags) == 64, "VstPinProperties::flags");
static_assert(sizeof(VstParameterProperties) == 152, "VstParameterProperties");
static_assert(offsetof(VstParameterProperties, flags) == 76, "VstParameterProperties::flags");
static_assert(offsetof(VstParameterProperties, minInteger) == 80, "VstParameterProperties::minInteger");
static_assert(offsetof(VstParameterProperties, displayIndex) == 104, "VstParameterProperties::displayIndex");
static_assert(offsetof(VstParameterProperties, categoryLabel) == 112, "VstParameterProperties::categoryLabel");
static_assert(sizeof(MidiProgramName) == 80, "MidiProgramName");
static_assert(offsetof(MidiProgramName, midiProgram) == 68, "MidiProgramName::midiProgram");
static_assert(sizeof(MidiProgramCategory) == 76, "MidiProgramCategory");
static_assert(sizeof(MidiKeyName) == 80, "MidiKeyName");
static_assert(sizeof(ERect) == 8, "ERect");

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(AEffect) == 144, "AEffect (32-bit)");
static_assert(offsetof(AEffect, dispatcher) == 4, "AEffect::dispatcher");
static_assert(offsetof(AEffect, numPrograms) == 20, "AEffect::numPrograms");
static_assert(offsetof(AEffect, flags) == 36, "AEffect::flags");
static_assert(offsetof(AEffect, resvd1) == 40, "AEffect::resvd1");
static_assert(offsetof(AEffect, ioRatio) == 60, "AEffect::ioRatio");
static_assert(offsetof(AEffect, object) == 64, "AEffect::object");
static_assert(offsetof(AEffect, uniqueID) == 72, "AEffect::uniqueID");
static_assert(offsetof(AEffect, processReplacing) == 80, "AEffect::processReplacing");
static_assert(offsetof(AEffect, processDoubleReplacing) == 84, "AEffect::processDoubleReplacing");
static_assert(offsetof(AEffect, future) == 88, "AEffect::future");
static_assert(sizeof(VstMidiSysexEvent) == 32, "VstMidiSysexEvent (32-bit)");
static_assert(offsetof(VstMidiSysexEvent, sysexDump) == 24, "VstMidiSysexEvent::sysexDump");
static_assert(sizeof(VstEvents) == 16 && offsetof(VstEvents, events) == 8, "VstEvents (32-bit)");
#elif UINTPTR_MAX == 0xFFFFFFFFFFFFFFFFu
static_assert(sizeof(AEffect) == 192, "AEffect (64-bit)");
static_assert(offsetof(AEffect, dispatcher) == 8, "AEffect::dispatcher");
static_assert(offsetof(AEffect, numPrograms) == 40, "AEffect::numPrograms");
static_assert(offsetof(AEffect, flags) == 56, "AEffect::flags");
static_assert(offsetof(AEffect, resvd1) == 64, "AEffect::resvd1");
static_assert(offsetof(AEffect, ioRatio) == 92, "AEffect::ioRatio");
static_assert(offsetof(AEffect, object) == 96, "AEffect::object");
static_assert(offsetof(AEffect, uniqueID) == 112, "AEffect::uniqueID");
static_assert(offsetof(AEffect, processReplacing) == 120, "AEffect::processReplacing");
static_assert(offsetof(AEffect, processDoubleReplacing) == 128, "AEffect::processDoubleReplacing");
static_assert(offsetof(AEffect, future) == 136, "AEffect::future");
static_assert(sizeof(VstMidiSysexEvent) == 48, "VstMidiSysexEvent (64-bit)");
static_assert(offsetof(VstMidiSysexEvent, sysexDump) == 32, "VstMidiSysexEvent::sysexDump");
static_assert(sizeof(VstEvents) == 32 && offsetof(VstEvents, events) == 16, "VstEvents (64-bit)");
#else
#  error "unsupported pointer size"
#endif

#endif

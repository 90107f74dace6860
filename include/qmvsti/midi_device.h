/* IMIDIDevice: the patch device of a soft-synth instance (60 slots), the records the host passes to
 * it, and the host's patch listener with its 88-byte event.
 *
 * Threads: the host's user-interface thread; the listener is also called from the render thread
 * (patch change and time events) and from whatever thread the plug-in reports automation on.
 * A "1" result is S_FALSE: nothing there, or not handled. Slots whose host arguments carry no meaning
 * for the device keep their place with the words the host passes (each slot pops its own arguments
 * on i686). */
#ifndef QMVSTI_MIDI_DEVICE_H
#define QMVSTI_MIDI_DEVICE_H

#include <stddef.h>

#include "callconv.h"
#include "com.h"
#include "host_structures.h"

namespace qm {

struct IMIDIIn;
struct IMIDIDevice;

/* ---- Records ------------------------------------------------------------------------------------ */

/* One patch (slots 23 to 25, and the patch whose key names slots 29 to 31 ask for). */
struct PatchRecord {
    BYTE program;       /* 0-127 */
    BYTE bankLsb;
    BYTE bankMsb;
    BYTE flags;         /* the device clears its low seven bits */
    WCHAR name[256];    /* terminated; at most 64 characters from MIDI program names, 255 from programs */
    LONG group;         /* group index */
    DWORD reserved[2];  /* set to 0 */
};
static_assert(sizeof(PatchRecord) == 528);
static_assert(offsetof(PatchRecord, name) == 4);
static_assert(offsetof(PatchRecord, group) == 516);

/* Slot 33: the group name is written into `name`, which has room for 260 characters. */
struct PatchGroupRecord {
    LPWSTR name;
};

/* Slot 30: one run of consecutive named keys. */
struct KeyRange {
    LONG lowest;
    LONG highest;
};

/* Slot 31: the name of one key. A key range is given when lowKey is 0 or more. */
struct KeyNameRecord {
    LONG counter;       /* keys skipped so far; the device names a key only while it is below 1 */
    LONG key;           /* out: the key number */
    LONG lowKey;
    LONG highKey;
    LPWSTR name;        /* out: the key's name, always terminated */
    LONG nameCapacity;
};

/* Slots 20 and 21: the device's report and the host's capabilities. */
struct MidiDeviceCaps {
    DWORD reported;     /* the host's word, stored and reported back */
    DWORD caps;         /* PatchDeviceCaps */
    LPWSTR name;        /* optional: receives the instance's display name */
    LONG nameCapacity;
};

namespace PatchDeviceCaps {
inline constexpr DWORD OmniOrPlain = 0x1;
inline constexpr DWORD HostCapsSet = 0x4;
inline constexpr DWORD ProgramNames = 0x10;
inline constexpr DWORD Categories = 0x40;  /* more than one program category */
inline constexpr DWORD AtMostOne = 0x80;   /* 0 or 1 program */
inline constexpr DWORD NoPrograms = 0x100;
} // namespace PatchDeviceCaps

/* Slots 44 and 46: one row of the controller table. The first word is the caller's. */
struct ControllerDescription {
    DWORD callerWord;
    LONG index;
    DWORD flags;
    DWORD word0xFFFF;   /* always 0xFFFF */
    DWORD kind;         /* 0xA0, 0xB0, 0xD0, 0xE0 or an RPN row's kind */
    DWORD number;
    DWORD displayType;
    DWORD mask;
    LONG minimum;
    LONG maximum;
    LONG defaultValue;
    LPWSTR name;        /* caller's buffer */
    LONG nameCapacity;
};
static_assert(offsetof(ControllerDescription, name) == (kAbi32 ? 44 : 48));
static_assert(sizeof(ControllerDescription) == (kAbi32 ? 52 : 64));

/* Slots 48 and 49 (and 44, 45 with the parameter filter bit): one plug-in parameter. */
struct ParameterDescription {
    DWORD assignment;   /* the host's assignment word; -1 until set */
    DWORD flags;        /* ParameterFlags */
    DWORD kind;         /* 1 or 32 */
    DWORD mask;         /* kinds accepted: 1 or 63 */
    LONG minimum;
    LONG maximum;
    LONG defaultValue;
    LPWSTR text;        /* caller's buffer: the name, or the unit label with request bit 28 */
    LONG textCapacity;
};
static_assert(offsetof(ParameterDescription, text) == (kAbi32 ? 28 : 32));
static_assert(sizeof(ParameterDescription) == (kAbi32 ? 36 : 48));

namespace ParameterFlags {
inline constexpr DWORD Hidden = 0x1;
inline constexpr DWORD Integer = 0x8;
inline constexpr DWORD Host2000 = 0x2000; /* the host's own flag, stored and passed back */
} // namespace ParameterFlags

namespace DeviceFilter {
inline constexpr DWORD LowBits = 0xFFF;            /* rows must share a flag bit with these when set */
inline constexpr DWORD ControlChange = 0x10000;
inline constexpr DWORD OtherRows = 0x20000;
inline constexpr DWORD Rpn = 0x40000;
inline constexpr DWORD Flag80 = 0x80000;
inline constexpr DWORD Parameters = 0x100000;      /* the call goes to the parameter slots */
inline constexpr DWORD ParameterLabel = 0x10000000; /* slot 48: the text is the unit label */
} // namespace DeviceFilter

/* The 88-byte event handed to a listener's OnEvent. All bytes not named by an event are 0. On x86_64
 * the two pointers widen; the layout stays natural (device at 88, 96 bytes). */
struct alignas(8) PatchListenerEvent {
    GUID eventId;             /*  0: GUID_PatchEvent* */
    DWORD kind;               /* 16: PatchEventKind, patch change with its bits */
    DWORD word20;             /* 20: gesture: the caller's begin/end word */
    LONG parameterIndex;      /* 24 */
    DWORD callerWord;         /* 28: parameter value: the caller's word */
    float value;              /* 32: in the parameter's host range */
    float minimum;            /* 36 */
    float maximum;            /* 40 */
    DWORD assignment;         /* 44: the parameter's host assignment word */
    LONGLONG samplePosition;  /* 48 */
    LONGLONG frames;          /* 56: time: frame count; patch change: -1 */
    LONGLONG time;            /* 64: the position in 100-ns units */
    LONGLONG duration;        /* 72: time: frame count in 100-ns units; patch change: -1 */
    void* callerPointer;      /* 80: time: the pointer the instance passed (its host time record) */
    IMIDIDevice* device;      /* 84: the sending device */
};
static_assert(offsetof(PatchListenerEvent, kind) == 16);
static_assert(offsetof(PatchListenerEvent, parameterIndex) == 24);
static_assert(offsetof(PatchListenerEvent, value) == 32);
static_assert(offsetof(PatchListenerEvent, assignment) == 44);
static_assert(offsetof(PatchListenerEvent, samplePosition) == 48);
static_assert(offsetof(PatchListenerEvent, duration) == 72);
static_assert(offsetof(PatchListenerEvent, callerPointer) == 80);
static_assert(offsetof(PatchListenerEvent, device) == (kAbi32 ? 84 : 88));
static_assert(sizeof(PatchListenerEvent) == (kAbi32 ? 88 : 96), "88 bytes on the host's ABI");

namespace PatchEventKind {
inline constexpr DWORD Open = 0;
inline constexpr DWORD Change = 1;      /* close, patch change, parameter value, time */
inline constexpr DWORD Gesture = 2;
inline constexpr DWORD InProcess = 0x4000; /* added to a patch change inside the process call */
inline constexpr DWORD Playing = 0x8000;   /* added to a patch change while playing */
} // namespace PatchEventKind

/* ---- Interfaces --------------------------------------------------------------------------------- */

/* The host's patch listener. */
struct IMIDIDeviceListener : IUnknown {
    /* 3: one event (read during the call, not kept). The answer to the open event decides whether the
     * device builds its parameter table. */
    virtual HRESULT QM_COMCALL OnEvent(PatchListenerEvent* event) noexcept = 0;
};

struct IMIDIDevice : IUnknown {
    /* 3: the instance's GetName. */
    virtual HRESULT QM_COMCALL GetName(LPWSTR dest, LONG capacity) noexcept = 0;
    /* 4: returns 0. */
    virtual HRESULT QM_COMCALL Reserved4() noexcept = 0;
    /* 5: refreshes the device block (the instance's GUID) and returns its address; owned by the
     * device, valid while it lives. */
    virtual GUID* QM_COMCALL GetDeviceBlock() noexcept = 0;
    /* 6: returns 0. */
    virtual HRESULT QM_COMCALL Reserved6() noexcept = 0;
    /* 7: writes 3, then lets the instance's GetKind fill *out. */
    virtual HRESULT QM_COMCALL GetKind(DWORD* out) noexcept = 0;
    /* 8: returns 1. */
    virtual HRESULT QM_COMCALL Reserved8() noexcept = 0;
    /* 9: the instance's MIDI input port in *out (one reference); E_NOINTERFACE without. */
    virtual HRESULT QM_COMCALL GetMidiInput(IMIDIIn** out) noexcept = 0;
    /* 10-16: return E_NOTIMPL; 11 first clears *out. */
    virtual HRESULT QM_COMCALL Reserved10() noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved11(DWORD* out) noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved12() noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved13() noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved14() noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved15() noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved16() noexcept = 0;
    /* 17, 18: add (one reference kept, no duplicates) and remove (released; returns 1) a listener. */
    virtual HRESULT QM_COMCALL AddListener(IMIDIDeviceListener* listener) noexcept = 0;
    virtual HRESULT QM_COMCALL RemoveListener(IMIDIDeviceListener* listener) noexcept = 0;
    /* 19: sends the patch-change event to every listener. */
    virtual HRESULT QM_COMCALL SendPatchChangeEvent() noexcept = 0;
    /* 20: reports the caps; 21: takes the host's 0x100, 0x80 and 0x1 bits and sets 0x4. */
    virtual HRESULT QM_COMCALL GetDeviceCaps(MidiDeviceCaps* caps) noexcept = 0;
    virtual HRESULT QM_COMCALL SetHostCaps(const MidiDeviceCaps* caps) noexcept = 0;
    /* 22: the number of programs of `channel` (as the result). */
    virtual HRESULT QM_COMCALL GetProgramCount(DWORD channel) noexcept = 0;
    /* 23: patch *index of `channel`; with flag 0x10, the next patch of the record's group. 0 or 1. */
    virtual HRESULT QM_COMCALL GetPatch(LONG* index, DWORD channel, PatchRecord* patch, DWORD flags) noexcept = 0;
    /* 24: the current patch and its index. 25: the patch matching the record's program and banks. */
    virtual HRESULT QM_COMCALL GetCurrentPatch(LONG* index, DWORD channel, PatchRecord* patch) noexcept = 0;
    virtual HRESULT QM_COMCALL FindPatch(LONG* index, DWORD channel, PatchRecord* patch) noexcept = 0;
    /* 26-28: return 1. */
    virtual HRESULT QM_COMCALL Reserved26() noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved27() noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved28() noexcept = 0;
    /* 29-31: key names of the patch found by FindPatch: count of named keys, runs of named keys
     * (up to maxRanges, the number of runs as the result), name of key 0. */
    virtual HRESULT QM_COMCALL CountKeyNames(DWORD channel, PatchRecord* patch) noexcept = 0;
    virtual HRESULT QM_COMCALL GetKeyNameRanges(DWORD channel, PatchRecord* patch, KeyRange* ranges,
                                                LONG maxRanges) noexcept = 0;
    virtual HRESULT QM_COMCALL GetKeyName(DWORD channel, PatchRecord* patch, KeyNameRecord* key) noexcept = 0;
    /* 32: the number of patch groups of `channel` (as the result). 33: the name of group `index`. */
    virtual HRESULT QM_COMCALL GetGroupCount(DWORD channel) noexcept = 0;
    virtual HRESULT QM_COMCALL GetGroupName(LONG index, DWORD channel, PatchGroupRecord* group) noexcept = 0;
    /* 34: returns -1. 35-37: return 1. */
    virtual HRESULT QM_COMCALL Reserved34() noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved35() noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved36() noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved37() noexcept = 0;
    /* 38-43: get and set the device name and the host's second and third strings (260 characters
     * each, copied). */
    virtual HRESULT QM_COMCALL GetDeviceName(LPWSTR buffer, LONG capacity) noexcept = 0;
    virtual HRESULT QM_COMCALL SetDeviceName(LPCWSTR text) noexcept = 0;
    virtual HRESULT QM_COMCALL GetSecondString(LPWSTR buffer, LONG capacity) noexcept = 0;
    virtual HRESULT QM_COMCALL SetSecondString(LPCWSTR text) noexcept = 0;
    virtual HRESULT QM_COMCALL GetThirdString(LPWSTR buffer, LONG capacity) noexcept = 0;
    virtual HRESULT QM_COMCALL SetThirdString(LPCWSTR text) noexcept = 0;
    /* 44: the first controller row from *index passing `filter` (DeviceFilter); 45: with
     * DeviceFilter::Parameters in `flags`, SetParameterDescription, else 1; 46: the row of
     * (kind, number). 0 or 1. */
    virtual HRESULT QM_COMCALL GetController(LONG* index, ControllerDescription* description, DWORD filter) noexcept = 0;
    virtual HRESULT QM_COMCALL SetController(LONG index, ParameterDescription* description, DWORD flags) noexcept = 0;
    virtual HRESULT QM_COMCALL FindController(DWORD kind, DWORD number, ControllerDescription* description) noexcept = 0;
    /* 47: the plug-in's parameter count (as the result). */
    virtual HRESULT QM_COMCALL GetParameterCount() noexcept = 0;
    /* 48, 49: read and set a parameter's description; 0 or 1 for an index out of range. */
    virtual HRESULT QM_COMCALL GetParameterDescription(LONG index, ParameterDescription* description,
                                                       DWORD request) noexcept = 0;
    virtual HRESULT QM_COMCALL SetParameterDescription(LONG index, const ParameterDescription* description) noexcept = 0;
    /* 50, 51: set and read a parameter's value in its host range; 0 or 1 for an index out of range. */
    virtual HRESULT QM_COMCALL SetParameterValue(LONG index, float value) noexcept = 0;
    virtual HRESULT QM_COMCALL GetParameterValue(LONG index, float* out) noexcept = 0;
    /* 52, 53: return 1. 54: returns -1. 55, 56: clear *out, return 1. 57, 58: return E_NOTIMPL. */
    virtual HRESULT QM_COMCALL Reserved52() noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved53() noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved54() noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved55(DWORD* out) noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved56(DWORD* out) noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved57() noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved58() noexcept = 0;
    /* 59: the deleting destructor, called by the device's own last Release with 1; frees the memory
     * when bit 0 of `flags` is set. Never called by the host. */
    virtual HRESULT QM_COMCALL DeletingDestructor(UINT flags) noexcept = 0;
};

} // namespace qm

#endif

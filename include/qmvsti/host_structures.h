/* Plain records exchanged with the host application: the plug-in record of the library's list, the
 * host's plug-in manager cache entry, the soft-synth descriptor and the two time records.
 *
 * The host is a 32-bit Windows program built with the Microsoft ABI, where 64-bit integers and doubles
 * inside structures are 8-aligned; i686 System V aligns them to 4. Every 64-bit field below sits at an
 * offset that is a multiple of 8 and the gaps are spelled out, so the layout is the same under mingw,
 * i686 and x86_64 System V. Records holding pointers (the descriptor) are pinned to the host's layout
 * on 32-bit targets; on 64-bit targets their pointers widen and the x86_64 offsets are asserted too. */
#ifndef QMVSTI_HOST_STRUCTURES_H
#define QMVSTI_HOST_STRUCTURES_H

#include <stddef.h>

#include "com.h"

namespace qm {

inline constexpr bool kAbi32 = sizeof(void*) == 4;

/* ---- VstiPluginRecord: one known instrument of the library's plug-in list ---------------------- */

inline constexpr int kPluginPathChars = 260;
inline constexpr int kPluginNameChars = 64;

struct VstiPluginRecord {
    WCHAR path[kPluginPathChars];    /* full path of the module file */
    WCHAR name[kPluginNameChars];    /* display name */
    WCHAR product[kPluginNameChars]; /* product string, or a status word after a failed test */
    WCHAR vendor[kPluginNameChars];
    LONG vendorVersion;
    LONG uniqueId;  /* AEffect::uniqueID */
    DWORD flags;    /* PluginRecordFlags */
    LONG useCount;  /* instances created while the process runs; never stored */
    GUID managerId; /* identity in the host's plug-in manager cache; zero for scanned records */
};
static_assert(sizeof(VstiPluginRecord) == 936, "VstiPluginRecord is copied by value into lists");
static_assert(offsetof(VstiPluginRecord, vendorVersion) == 904);
static_assert(offsetof(VstiPluginRecord, flags) == 912);
static_assert(offsetof(VstiPluginRecord, managerId) == 920);

namespace PluginRecordFlags {
inline constexpr DWORD Enabled = 0x1;
inline constexpr DWORD Faulted = 0x2;
inline constexpr DWORD NotInstrument = 0x4;
inline constexpr DWORD LoadFailed = 0x8;
inline constexpr DWORD CacheOption = 0x10;
inline constexpr DWORD NoEditor = 0x20;
inline constexpr DWORD Missing = 0x40;
inline constexpr DWORD AlternativeDrawing = 0x80;
} // namespace PluginRecordFlags

/* ---- PlugInManagerEntry: one entry of the host's plug-in manager cache (4788 bytes) ------------ */

/* Only the fields below are read; the reserved ranges are the host's. Boolean words are tested on
 * bit 0 only. */
struct PlugInManagerEntry {
    GUID managerId;               /*    0 */
    BYTE reserved16[8];           /*   16 */
    DWORD faulted;                /*   24 */
    DWORD enabled;                /*   28 */
    BYTE reserved32[8];           /*   32 */
    LONG vendorVersion;           /*   40 */
    BYTE reserved44[4];           /*   44 */
    LONG uniqueId;                /*   48 */
    DWORD hasEditor;              /*   52 */
    DWORD options;                /*   56: PlugInManagerOptions */
    BYTE reserved60[20];          /*   60 */
    WCHAR path[260];              /*   80 */
    WCHAR firstName[260];         /*  600: the name the import takes */
    WCHAR secondName[260];        /* 1120: the name instance creation matches */
    WCHAR product[260];           /* 1640 */
    WCHAR vendor[260];            /* 2160 */
    BYTE reserved2680[36];        /* 2680 */
    DWORD isInstrument;           /* 2716 */
    BYTE reserved2720[2068];      /* 2720 */
};
static_assert(sizeof(PlugInManagerEntry) == 4788, "the host's cache entry is 4788 bytes");
static_assert(offsetof(PlugInManagerEntry, faulted) == 24);
static_assert(offsetof(PlugInManagerEntry, enabled) == 28);
static_assert(offsetof(PlugInManagerEntry, vendorVersion) == 40);
static_assert(offsetof(PlugInManagerEntry, uniqueId) == 48);
static_assert(offsetof(PlugInManagerEntry, hasEditor) == 52);
static_assert(offsetof(PlugInManagerEntry, options) == 56);
static_assert(offsetof(PlugInManagerEntry, path) == 80);
static_assert(offsetof(PlugInManagerEntry, firstName) == 600);
static_assert(offsetof(PlugInManagerEntry, secondName) == 1120);
static_assert(offsetof(PlugInManagerEntry, product) == 1640);
static_assert(offsetof(PlugInManagerEntry, vendor) == 2160);
static_assert(offsetof(PlugInManagerEntry, isInstrument) == 2716);

namespace PlugInManagerOptions {
inline constexpr DWORD AlternativeDrawing = 0x8; /* becomes PluginRecordFlags::AlternativeDrawing */
inline constexpr DWORD CacheOption = 0x10;       /* becomes PluginRecordFlags::CacheOption */
} // namespace PlugInManagerOptions

/* ---- SoftSynthTypeInfo: the descriptor of an offered instrument ------------------------------- */

/* Host-allocated. GetSynthInfo and CreateSynth use words 0 to 8 and 23 to 26; an instance's and a
 * bus's GetInfo also write the words between. Strings are CoTaskMemAlloc'ed by the library and freed
 * by the host. On i686 every field is one 32-bit word (byte offset = 4 x word); on x86_64 the four
 * string pointers widen to 8 bytes and the layout is the natural one asserted below. */
struct SoftSynthTypeInfo {
    DWORD reserved0;       /* word 0, byte 0: not used by the library */
    DWORD state;           /* word 1, byte 4: SoftSynthInfoState */
    DWORD mask;            /* word 2, byte 8: SoftSynthInfoMask */
    LPWSTR path;           /* word 3, byte 12 */
    LPWSTR name;           /* word 4, byte 16 */
    LPWSTR product;        /* word 5, byte 20 */
    LPWSTR vendor;         /* word 6, byte 24 */
    LONG vendorVersion;    /* word 7, byte 28 */
    LONG uniqueId;         /* word 8, byte 32 */
    DWORD word9;           /* word 9, byte 36: a bus writes 1 */
    DWORD reserved10[2];   /* words 10-11, bytes 40-47 */
    DWORD active;          /* word 12, byte 48: all ones while attached (instance) or formatted (bus) */
    DWORD reserved13[3];   /* words 13-15, bytes 52-63 */
    DWORD busCount;        /* word 16, byte 64 */
    DWORD isBus;           /* word 17, byte 68: 0 for an instance, 1 for a bus */
    DWORD busNumber;       /* word 18, byte 72 */
    GUID instanceGuid;     /* words 19-22, bytes 76-91: zero for an instance, the GUID for a bus */
    GUID managerId;        /* words 23-26, bytes 92-107: cache entry id; an instance's second id */
};
static_assert(offsetof(SoftSynthTypeInfo, path) == (kAbi32 ? 12 : 16));
static_assert(offsetof(SoftSynthTypeInfo, vendor) == (kAbi32 ? 24 : 40));
static_assert(offsetof(SoftSynthTypeInfo, vendorVersion) == (kAbi32 ? 28 : 48));
static_assert(offsetof(SoftSynthTypeInfo, uniqueId) == (kAbi32 ? 32 : 52));
static_assert(offsetof(SoftSynthTypeInfo, word9) == (kAbi32 ? 36 : 56));
static_assert(offsetof(SoftSynthTypeInfo, active) == (kAbi32 ? 48 : 68));
static_assert(offsetof(SoftSynthTypeInfo, busCount) == (kAbi32 ? 64 : 84));
static_assert(offsetof(SoftSynthTypeInfo, isBus) == (kAbi32 ? 68 : 88));
static_assert(offsetof(SoftSynthTypeInfo, busNumber) == (kAbi32 ? 72 : 92));
static_assert(offsetof(SoftSynthTypeInfo, instanceGuid) == (kAbi32 ? 76 : 96));
static_assert(offsetof(SoftSynthTypeInfo, managerId) == (kAbi32 ? 92 : 112));
static_assert(sizeof(SoftSynthTypeInfo) == (kAbi32 ? 108 : 128), "27 words on the host's ABI");

namespace SoftSynthInfoState {
inline constexpr DWORD Filled = 1;
inline constexpr DWORD Failed = 7;
} // namespace SoftSynthInfoState

namespace SoftSynthInfoMask {
inline constexpr DWORD Path = 0x1;
inline constexpr DWORD Name = 0x2;
inline constexpr DWORD Product = 0x4;
inline constexpr DWORD Vendor = 0x8;
inline constexpr DWORD VendorVersion = 0x10; /* always set on output; as a key: must match */
inline constexpr DWORD UniqueId = 0x20;      /* always set on output; as a key: must match */
inline constexpr DWORD Instance = 0x40;      /* set by an instance's or a bus's GetInfo */
} // namespace SoftSynthInfoMask

/* ---- TimeQuery: the musical-time question of site callback code 4 (112 bytes) ----------------- */

struct alignas(8) TimeQuery {
    DWORD request;              /*   0: TimeQueryRequest */
    DWORD reserved4;            /*   4: 0 */
    LONGLONG samplePosition;    /*   8 */
    LONGLONG time;              /*  16: 100-ns units; 0 in a tempo query */
    double tempo;               /*  24: beats per minute, filled by the host */
    LONGLONG ticks;             /*  32: position in ticks, filled by the host */
    LONG ticksPerQuarter;       /*  40: filled by the host */
    DWORD reserved44;           /*  44 */
    LONGLONG barStartTicks;     /*  48 */
    DWORD loopOn;               /*  56: non-zero when the loop is on */
    BYTE reserved60[12];        /*  60 */
    LONGLONG loopStartTicks;    /*  72 */
    BYTE reserved80[8];         /*  80 */
    LONGLONG loopEndTicks;      /*  88 */
    LONG timeSigNumerator;      /*  96 */
    LONG timeSigDenominator;    /* 100 */
    BYTE reserved104[8];        /* 104 */
};
static_assert(sizeof(TimeQuery) == 112);
static_assert(offsetof(TimeQuery, samplePosition) == 8);
static_assert(offsetof(TimeQuery, time) == 16);
static_assert(offsetof(TimeQuery, tempo) == 24);
static_assert(offsetof(TimeQuery, ticks) == 32);
static_assert(offsetof(TimeQuery, ticksPerQuarter) == 40);
static_assert(offsetof(TimeQuery, barStartTicks) == 48);
static_assert(offsetof(TimeQuery, loopOn) == 56);
static_assert(offsetof(TimeQuery, loopStartTicks) == 72);
static_assert(offsetof(TimeQuery, loopEndTicks) == 88);
static_assert(offsetof(TimeQuery, timeSigNumerator) == 96);
static_assert(offsetof(TimeQuery, timeSigDenominator) == 100);

namespace TimeQueryRequest {
inline constexpr DWORD Full = 0x3F0003;
inline constexpr DWORD Tempo = 0x60001;
} // namespace TimeQueryRequest

/* ---- HostTimeRecord: the host's time record handed to Render (184 bytes copied) --------------- */

/* The host's structure; only the fields named are read or advanced, the rest is copied through. */
struct alignas(8) HostTimeRecord {
    DWORD reserved0;            /*   0 */
    DWORD flags;                /*   4: HostTimeRecordFlags */
    BYTE reserved8[16];         /*   8 */
    LONGLONG startTime;         /*  24: 100-ns units; an instance's block start */
    LONGLONG secondTime;        /*  32: 100-ns units; a bus's block start */
    BYTE reserved40[56];        /*  40 */
    double tempo;               /*  96: beats per minute */
    BYTE reserved104[8];        /* 104 */
    LONG ticksPerQuarter;       /* 112 */
    BYTE reserved116[36];       /* 116 */
    LONGLONG tickPosition;      /* 152 */
    BYTE reserved160[24];       /* 160 */
};
static_assert(sizeof(HostTimeRecord) == 184);
static_assert(offsetof(HostTimeRecord, flags) == 4);
static_assert(offsetof(HostTimeRecord, startTime) == 24);
static_assert(offsetof(HostTimeRecord, secondTime) == 32);
static_assert(offsetof(HostTimeRecord, tempo) == 96);
static_assert(offsetof(HostTimeRecord, ticksPerQuarter) == 112);
static_assert(offsetof(HostTimeRecord, tickPosition) == 152);

namespace HostTimeRecordFlags {
inline constexpr DWORD Valid = 0x80; /* the record's times are to be used */
} // namespace HostTimeRecordFlags

} // namespace qm

#endif

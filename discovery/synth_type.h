// CQmVSTiSynthType: the one object the host receives from QmMIDIDriver_CreateDriverClass. To the
// host a MIDI driver class and a soft-synth type (IQmSoftSynthType, 25 slots); it keeps the plug-in
// list imported from the host's plug-in manager cache, offers the enabled instruments, creates
// instances and holds the per-type settings that every instance reads (ISynthTypeLink).
//
// Threads: the host calls every slot on its user-interface thread; only the reference count is
// changed from other threads (interlocked).
#pragma once
#include <cstddef>  // offsetof for framework/list.h on i686 mingw
#include <atomic>
#include <cstdint>

#include "discovery/scan_services.h"
#include "discovery/synth_maker.h"
#include "framework/list.h"
#include "framework/metric.h"
#include "hosting/synth_type_link.h"
#include "qmvsti/midi_class.h"
#include "qmvsti/plugin_manager_cache.h"

namespace qm {

class CSpecifyPropertyPages;
class CPlugInManagerCachSink;

namespace SynthTypeFlags {
inline constexpr DWORD ExposeMultiChannel = 0x4;
inline constexpr DWORD SizeWindowForNI = 0x8;
inline constexpr DWORD AssumeStereoPins = 0x10;
}  // namespace SynthTypeFlags

inline constexpr int64_t kDefaultFrameSize = 60000;  // 6 ms in 100-ns units

class CQmVSTiSynthType final : public IQmSoftSynthType, public ISynthTypeLink {
public:
    // The driver-class factory: a new type whose IMIDIClass lands in *out with count 1. On a failing
    // QueryInterface the object is destroyed and that code returned; E_OUTOFMEMORY without memory.
    static HRESULT CreateDriverClass(void** out) noexcept;
    // A new type with count 0 in zero-initialised memory, or null without memory.
    static CQmVSTiSynthType* Create() noexcept;

    // IUnknown
    HRESULT QM_COMCALL QueryInterface(REFIID riid, void** ppv) noexcept override;
    ULONG QM_COMCALL AddRef() noexcept override;
    ULONG QM_COMCALL Release() noexcept override;
    // IMIDIClass
    HRESULT QM_COMCALL SetSettingsKey(void* settingsHandle, DWORD unused1, DWORD unused2) noexcept override;
    HRESULT QM_COMCALL Reserved4(DWORD value, void** out) noexcept override;
    HRESULT QM_COMCALL GetTypeName(LPWSTR buffer, LONG size) noexcept override;
    HRESULT QM_COMCALL GetKind() noexcept override;
    HRESULT QM_COMCALL ConnectHost(IUnknown* site) noexcept override;
    HRESULT QM_COMCALL Reserved8() noexcept override;
    HRESULT QM_COMCALL Reserved9() noexcept override;
    HRESULT QM_COMCALL Reserved10() noexcept override;
    HRESULT QM_COMCALL Reserved11() noexcept override;
    HRESULT QM_COMCALL Reserved12() noexcept override;
    HRESULT QM_COMCALL Reserved13() noexcept override;
    HRESULT QM_COMCALL CreateTypePage(REFIID iid, void** out) noexcept override;
    HRESULT QM_COMCALL Reserved15(DWORD value) noexcept override;
    HRESULT QM_COMCALL Reserved16(DWORD value) noexcept override;
    HRESULT QM_COMCALL Reserved17(DWORD value) noexcept override;
    HRESULT QM_COMCALL GetSecondKind() noexcept override;
    // IQmSoftSynthType
    HRESULT QM_COMCALL GetSynthInfo(LONG index, SoftSynthTypeInfo* info) noexcept override;
    HRESULT QM_COMCALL CreateSynth(const SoftSynthTypeInfo* descriptor, IQmSoftSynth** out) noexcept override;
    HRESULT QM_COMCALL Reserved21() noexcept override;
    HRESULT QM_COMCALL Reserved22() noexcept override;
    HRESULT QM_COMCALL ResetUsage() noexcept override;
    HRESULT QM_COMCALL DeletingDestructor(UINT flags) noexcept override;

    // ISynthTypeLink: what every instance reads.
    int64_t FrameSizeDuration() const noexcept override { return frameSize_; }
    uint32_t FlushOnStopCount() const noexcept override { return flushCount_; }
    bool ExposeMultiChannel() const noexcept override { return (typeFlags_ & SynthTypeFlags::ExposeMultiChannel) != 0; }
    bool AssumeStereoPins() const noexcept override { return (typeFlags_ & SynthTypeFlags::AssumeStereoPins) != 0; }
    // The editor-sizing query: the alternative-drawing mark of the record that is the same module
    // as (displayName, path, uniqueId); false when no record matches.
    bool HasAlternativeDrawingMark(const WCHAR* displayName, const WCHAR* path, int32_t uniqueId) noexcept override;

    // Create-for-record, shared with the folder scan: *instance gets one reference on success.
    HRESULT CreateForRecord(VstiPluginRecord* record, IUnknown** instance) noexcept;
    // Replaces the maker of instances (the plug-in maker by default); not owned.
    void SetSynthMaker(ISynthMaker* maker) noexcept { maker_ = maker; }

    // Scan folders and the list as the type page edits them. GetFolder copies slot 0-2 (truncated),
    // 1 for any other slot. SetFolder stores a folder (never held twice; records found under the old
    // folder leave the list, non-instruments excepted; slots stay packed): 1 when nothing changed.
    // ReplaceList puts sorted copies of `records` in place of the list: 1 for a null list.
    HRESULT GetFolder(int slot, WCHAR* buffer, int size) const noexcept;
    HRESULT SetFolder(int slot, const WCHAR* path) noexcept;
    HRESULT ReplaceList(const tQMLIST* records) noexcept;

    // The plug-in list (null until connected), the settings and the flags, for the type page.
    tQMLIST* PluginList() const noexcept { return list_; }
    DWORD TypeFlags() const noexcept { return typeFlags_; }
    bool SizeWindowForNI() const noexcept { return (typeFlags_ & SynthTypeFlags::SizeWindowForNI) != 0; }
    PlugInManagerCache* Cache() const noexcept { return cache_; }
    // Live types of this module (for leak checks of the factory).
    static LONG LiveCount() noexcept;

private:
    CQmVSTiSynthType() noexcept;
    ~CQmVSTiSynthType();

    void LoadSettings() noexcept;
    void SaveSettings() noexcept;
    HRESULT CreateSynthFromList(const SoftSynthTypeInfo* descriptor, IQmSoftSynth** out) noexcept;
    HRESULT CreateSynthFromCache(const SoftSynthTypeInfo* descriptor, IQmSoftSynth** out) noexcept;
    // Sets the instance's options, asks it for IQmSoftSynth and drops the creation reference.
    HRESULT HandOutInstance(IUnknown* instance, bool noSizeWindow, const GUID* managerId, IQmSoftSynth** out) noexcept;

    std::atomic<LONG> refs_{0};
    HQMMETRIC settingsParent_ = nullptr;  // the host's handle, not ours to close
    HQMMETRIC settings_ = nullptr;        // "VSTi Synth" under the parent
    CSpecifyPropertyPages* pages_ = nullptr;
    DWORD kind_ = 3;
    DWORD secondKind_ = 1;
    WCHAR typeName_[kPluginPathChars] = {};
    WCHAR folders_[kScanSlotCount][kPluginPathChars] = {};
    DWORD typeFlags_ = 0;
    tQMLIST* list_ = nullptr;
    int64_t frameSize_ = kDefaultFrameSize;
    uint32_t flushCount_ = 0;
    bool settingsLoaded_ = false;  // read from settings_: only then are they ours to write back
    PlugInManagerCache* cache_ = nullptr;
    CPlugInManagerCachSink* sink_ = nullptr;
    ISynthMaker* maker_ = nullptr;
};

}  // namespace qm

// The host's plug-in manager cache: the entries the library imports at ConnectHost and creates
// instances from, kept in a file beside the host's settings. Slot-exact with qm::PlugInManagerCache.
// File layout (little-endian): "QMHC", format version (1), entry size (4788), entry count, then the
// entries byte for byte; the in-use marks belong to the running process and are not stored.
#pragma once
#include <string>
#include <vector>

#include "qmvsti/guids.h"
#include "qmvsti/plugin_manager_cache.h"

namespace qm::host {

inline constexpr DWORD kCacheFileVersion = 1;

// The host's own marks on an entry, kept in a byte the library never reads. An entry the user
// disabled is not handed to the library at all (its import would enable it again); a missing one is
// a module the last scan did not find.
namespace HostEntryMark {
inline constexpr BYTE UserDisabled = 0x1;
inline constexpr BYTE Missing = 0x2;
}  // namespace HostEntryMark
inline BYTE& HostMarks(PlugInManagerEntry& entry) noexcept { return entry.reserved16[0]; }
inline BYTE HostMarks(const PlugInManagerEntry& entry) noexcept { return entry.reserved16[0]; }

class HostPluginCache final : public PlugInManagerCache {
public:
    static HostPluginCache* Create();  // one reference for the caller

    HRESULT QM_COMCALL QueryInterface(REFIID iid, void** out) noexcept override;
    ULONG QM_COMCALL AddRef() noexcept override;
    ULONG QM_COMCALL Release() noexcept override;
    HRESULT QM_COMCALL Reserved3() noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL Reserved4() noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL Reserved5() noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL Prepare(DWORD what) noexcept override;
    HRESULT QM_COMCALL GetEntry(DWORD index, PlugInManagerEntry* entry) noexcept override;
    HRESULT QM_COMCALL Reserved8() noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL Reserved9() noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL Reserved10() noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL Reserved11() noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL FindEntry(REFGUID id, PlugInManagerEntry* entry) noexcept override;
    HRESULT QM_COMCALL SetEntryInUse(const GUID* id, DWORD inUse) noexcept override;
    HRESULT QM_COMCALL CheckEntry(const PlugInManagerEntry* entry) noexcept override;
    HRESULT QM_COMCALL Reserved15() noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL Reserved16() noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL Reserved17() noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL Reserved18() noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL RegisterSink(IPluginManagerCacheSink* sink) noexcept override;
    HRESULT QM_COMCALL UnregisterSink(IPluginManagerCacheSink* sink) noexcept override;

    // The host's own side.
    size_t Count() const noexcept { return entries_.size(); }
    const PlugInManagerEntry& At(size_t index) const noexcept { return entries_[index].entry; }
    PlugInManagerEntry& At(size_t index) noexcept { return entries_[index].entry; }
    bool InUse(size_t index) const noexcept { return entries_[index].inUse; }
    size_t SinkCount() const noexcept { return sinks_.size(); }
    // Adds an entry for `utf8Path` with a fresh manager id (or returns the one already there): enabled,
    // an instrument, not faulted, names empty until a test load fills them.
    size_t AddPath(const std::string& utf8Path);
    void Remove(size_t index);
    // Index of the entry whose path, first or second name equals `text` (names without case), or -1.
    long Find(const std::string& utf8Text) const;

    // False with a reason when the file cannot be written or read or is not a cache file; a missing
    // file loads as an empty cache.
    bool Save(const std::string& utf8Path, std::string* error) const;
    bool Load(const std::string& utf8Path, std::string* error);

private:
    struct Slot {
        PlugInManagerEntry entry;
        bool inUse;
    };
    HostPluginCache() = default;
    ~HostPluginCache();
    long IndexOf(const GUID& id) const noexcept;

    ULONG refs_ = 1;
    std::vector<Slot> entries_;
    std::vector<IPluginManagerCacheSink*> sinks_;
};

}  // namespace qm::host

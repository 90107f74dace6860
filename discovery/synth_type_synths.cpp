// The instruments the type offers: descriptors of the enabled records, instance creation from a
// descriptor (matched against the list, or against the host's cache when one is connected) and the
// reset of the use counts.
#include <cstring>

#include "discovery/cache_import.h"
#include "discovery/plugin_record.h"
#include "discovery/synth_type.h"
#include "platform/fpu.h"
#include "qmvsti/guids.h"
#include "qmvsti/soft_synth.h"

namespace qm {

namespace {

constexpr DWORD kNotCreatableFlags = PluginRecordFlags::Faulted | PluginRecordFlags::NotInstrument |
                                     PluginRecordFlags::LoadFailed | PluginRecordFlags::CacheOption |
                                     PluginRecordFlags::NoEditor;

// A descriptor string matches a record string when it is not given or the record's is empty.
bool TextMatches(const WCHAR* wanted, const WCHAR* have) noexcept {
    return wanted == nullptr || have[0] == 0 || WideEqual(wanted, have);
}

bool RecordMatches(const SoftSynthTypeInfo& d, const VstiPluginRecord& r) noexcept {
    if (!(r.flags & PluginRecordFlags::Enabled) || (r.flags & kNotCreatableFlags)) return false;
    if ((d.mask & SoftSynthInfoMask::VendorVersion) && d.vendorVersion != r.vendorVersion) return false;
    if ((d.mask & SoftSynthInfoMask::UniqueId) && d.uniqueId != r.uniqueId) return false;
    return TextMatches(d.path, r.path) && TextMatches(d.name, r.name) && TextMatches(d.product, r.product) &&
           TextMatches(d.vendor, r.vendor);
}

// Entry strings are compared only when both sides give one; the vendor may be part of the entry's
// (hosts register "Vendor GmbH" where the plug-in says "Vendor").
bool BothGivenAndDiffer(const WCHAR* wanted, const WCHAR* have) noexcept {
    return wanted != nullptr && wanted[0] != 0 && have[0] != 0 && !WideEqual(wanted, have);
}

bool EntryMatches(const SoftSynthTypeInfo& d, const PlugInManagerEntry& e) noexcept {
    if (e.faulted != 0 || e.enabled == 0 || !(e.hasEditor & 1)) return false;
    if ((d.mask & SoftSynthInfoMask::VendorVersion) && d.vendorVersion != e.vendorVersion) return false;
    if ((d.mask & SoftSynthInfoMask::UniqueId) && d.uniqueId != e.uniqueId) return false;
    if (BothGivenAndDiffer(d.path, e.path) || BothGivenAndDiffer(d.name, e.secondName) ||
        BothGivenAndDiffer(d.product, e.product))
        return false;
    return d.vendor == nullptr || WideContains(e.vendor, d.vendor);
}

bool IsZeroGuid(const GUID& id) noexcept {
    static const GUID zero = {};
    return std::memcmp(&id, &zero, sizeof(GUID)) == 0;
}

}  // namespace

HRESULT CQmVSTiSynthType::GetSynthInfo(LONG index, SoftSynthTypeInfo* info) noexcept {
    if (info == nullptr) return E_POINTER;
    if (list_ == nullptr || list_->nCount == 0 || index < 0 || index >= list_->nCount) return S_FALSE;
    const VstiPluginRecord* record = nullptr;
    for (LONG i = 0, enabled = 0; i < list_->nCount; ++i) {
        const VstiPluginRecord* r = PluginRecordAt(list_, i);
        if (!(r->flags & PluginRecordFlags::Enabled)) continue;
        if (enabled++ == index) {
            record = r;
            break;
        }
    }
    if (record == nullptr) return S_FALSE;

    info->mask |= SoftSynthInfoMask::VendorVersion | SoftSynthInfoMask::UniqueId;
    info->vendorVersion = record->vendorVersion;
    info->uniqueId = record->uniqueId;
    struct Field {
        DWORD bit;
        LPWSTR* word;
        const WCHAR* text;
    } const fields[] = {{SoftSynthInfoMask::Path, &info->path, record->path},
                        {SoftSynthInfoMask::Name, &info->name, record->name},
                        {SoftSynthInfoMask::Product, &info->product, record->product},
                        {SoftSynthInfoMask::Vendor, &info->vendor, record->vendor}};
    for (const Field& f : fields) *f.word = nullptr;
    for (const Field& f : fields) {
        if (!(info->mask & f.bit) || f.text[0] == 0) {
            info->mask &= ~f.bit;
            continue;
        }
        *f.word = WideDupTask(f.text);
        if (*f.word == nullptr) {
            for (const Field& g : fields) {
                CoTaskMemFree(*g.word);
                *g.word = nullptr;
            }
            info->mask = 0;
            info->state = SoftSynthInfoState::Failed;
            return E_OUTOFMEMORY;
        }
    }
    info->state = SoftSynthInfoState::Filled;
    return S_OK;
}

HRESULT CQmVSTiSynthType::CreateSynth(const SoftSynthTypeInfo* descriptor, IQmSoftSynth** out) noexcept {
    if (out != nullptr) *out = nullptr;
    if (descriptor == nullptr || out == nullptr) return E_INVALIDARG;
    return cache_ != nullptr ? CreateSynthFromCache(descriptor, out) : CreateSynthFromList(descriptor, out);
}

HRESULT CQmVSTiSynthType::CreateSynthFromList(const SoftSynthTypeInfo* descriptor, IQmSoftSynth** out) noexcept {
    if (list_ == nullptr || list_->nCount == 0) return S_FALSE;
    VstiPluginRecord* record = nullptr;
    for (LONG i = 0; i < list_->nCount && record == nullptr; ++i) {
        if (RecordMatches(*descriptor, *PluginRecordAt(list_, i))) record = PluginRecordAt(list_, i);
    }
    if (record == nullptr) return S_FALSE;

    // Plug-ins leave the FPU as they like it; every creation starts from the defaults.
    platform::ResetFloatingPointUnit();
    IUnknown* instance = nullptr;
    HRESULT hr = CreateForRecord(record, &instance);
    if (hr != S_OK) return hr;  // S_FALSE: the module is no loadable plug-in
    hr = HandOutInstance(instance, (record->flags & PluginRecordFlags::AlternativeDrawing) != 0, nullptr, out);
    if (FAILED(hr)) return hr;
    ++record->useCount;
    return hr;
}

HRESULT CQmVSTiSynthType::CreateSynthFromCache(const SoftSynthTypeInfo* descriptor, IQmSoftSynth** out) noexcept {
    PlugInManagerEntry entry;
    std::memset(&entry, 0, sizeof(entry));
    bool found = !IsZeroGuid(descriptor->managerId) && cache_->FindEntry(descriptor->managerId, &entry) == S_OK;
    if (!found) {
        cache_->Prepare(kPlugInManagerCacheEnumerate);
        for (DWORD index = 0; !found; ++index) {
            std::memset(&entry, 0, sizeof(entry));
            if (cache_->GetEntry(index, &entry) != S_OK) break;
            found = EntryMatches(*descriptor, entry);
        }
    }
    if (!found || entry.faulted != 0 || entry.enabled == 0) return S_FALSE;

    VstiPluginRecord record;
    RecordFromCacheEntry(entry, CacheRecordUse::Creation, &record);
    platform::ResetFloatingPointUnit();
    IUnknown* instance = nullptr;
    HRESULT hr = CreateForRecord(&record, &instance);
    if (hr != S_OK) return hr;
    hr = HandOutInstance(instance, (entry.options & PlugInManagerOptions::AlternativeDrawing) != 0,
                         &entry.managerId, out);
    if (FAILED(hr)) return hr;
    cache_->SetEntryInUse(&entry.managerId, 1);
    return hr;
}

HRESULT CQmVSTiSynthType::HandOutInstance(IUnknown* instance, bool noSizeWindow, const GUID* managerId,
                                          IQmSoftSynth** out) noexcept {
    maker_->SetNoSizeWindow(instance, noSizeWindow);
    if (managerId != nullptr) maker_->SetManagerId(instance, *managerId);
    const HRESULT hr = instance->QueryInterface(IID_IQmSoftSynth, reinterpret_cast<void**>(out));
    instance->Release();
    return hr;
}

HRESULT CQmVSTiSynthType::CreateForRecord(VstiPluginRecord* record, IUnknown** instance) noexcept {
    if (instance == nullptr) return E_POINTER;
    *instance = nullptr;
    if (record == nullptr) return E_INVALIDARG;
    const HRESULT hr = maker_->CreateForRecord(this, record, instance);
    if (hr != S_OK && *instance != nullptr) {
        (*instance)->Release();
        *instance = nullptr;
    }
    return hr;
}

HRESULT CQmVSTiSynthType::ResetUsage() noexcept {
    if (cache_ != nullptr) {
        PlugInManagerEntry entry;
        cache_->Prepare(kPlugInManagerCacheEnumerate);
        for (DWORD index = 0;; ++index) {
            std::memset(&entry, 0, sizeof(entry));
            if (cache_->GetEntry(index, &entry) != S_OK) break;
            if (cache_->CheckEntry(&entry) == S_OK) cache_->SetEntryInUse(&entry.managerId, 0);
        }
        return S_OK;
    }
    if (list_ == nullptr || list_->nCount == 0) return S_FALSE;
    for (LONG i = list_->nCount - 1; i >= 0; --i) {
        VstiPluginRecord* r = PluginRecordAt(list_, i);
        if (r->flags & (PluginRecordFlags::NotInstrument | PluginRecordFlags::NoEditor)) continue;
        if (r->flags & PluginRecordFlags::Missing) {
            QmList_DeleteList(list_, i, 1, FALSE);
        } else {
            r->useCount = 0;
        }
    }
    return S_OK;
}

}  // namespace qm

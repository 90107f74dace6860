#include "discovery/cache_import.h"

#include <cstring>

#include "discovery/plugin_record.h"
#include "framework/lang.h"
#include "framework/text_format.h"

namespace qm {

namespace {

constexpr UINT kIdsAddedInstrument = 1020;  // "Added %s VST Instrument"
constexpr DWORD kNotUsableFlags = PluginRecordFlags::Faulted | PluginRecordFlags::NotInstrument |
                                  PluginRecordFlags::NoEditor;

}  // namespace

void RecordFromCacheEntry(const PlugInManagerEntry& entry, CacheRecordUse use, VstiPluginRecord* record) noexcept {
    std::memset(record, 0, sizeof(*record));
    WideCopy(record->path, kPluginPathChars, entry.path);
    WideCopy(record->name, kPluginNameChars, use == CacheRecordUse::Import ? entry.firstName : entry.secondName);
    WideCopy(record->product, kPluginNameChars, entry.product[0] != 0 ? entry.product : entry.firstName);
    WideCopy(record->vendor, kPluginNameChars, entry.vendor);
    record->vendorVersion = entry.vendorVersion;
    record->uniqueId = entry.uniqueId;
    record->managerId = entry.managerId;

    DWORD flags = 0;
    if (entry.enabled & 1) flags |= PluginRecordFlags::Enabled;
    if (use == CacheRecordUse::Import && (entry.faulted & 1)) flags |= PluginRecordFlags::Faulted;
    if (use == CacheRecordUse::Creation) flags |= PluginRecordFlags::LoadFailed;
    if (!(entry.isInstrument & 1)) flags |= PluginRecordFlags::NotInstrument;
    if (entry.options & PlugInManagerOptions::CacheOption) flags |= PluginRecordFlags::CacheOption;
    if (!(entry.hasEditor & 1)) flags |= PluginRecordFlags::NoEditor;
    if (entry.options & PlugInManagerOptions::AlternativeDrawing) flags |= PluginRecordFlags::AlternativeDrawing;
    if (!(flags & kNotUsableFlags)) flags |= PluginRecordFlags::Enabled;
    record->flags = flags;
}

HRESULT ImportPluginCache(tQMLIST* list, PlugInManagerCache* cache, IHostProgress* progress) noexcept {
    if (list == nullptr || cache == nullptr) return E_POINTER;
    PlugInManagerEntry entry;
    VstiPluginRecord record;
    cache->Prepare(kPlugInManagerCacheEnumerate);
    for (DWORD index = 0;; ++index) {
        std::memset(&entry, 0, sizeof(entry));
        if (cache->GetEntry(index, &entry) != S_OK) break;
        RecordFromCacheEntry(entry, CacheRecordUse::Import, &record);
        if (cache->CheckEntry(&entry) == S_OK) cache->SetEntryInUse(&entry.managerId, 0);
        if (progress != nullptr) {
            WCHAR text[kPluginPathChars + kPluginNameChars];
            FormatTexts(text, sizeof(text) / sizeof(text[0]), QmGetString(KernelLangHandle(), kIdsAddedInstrument),
                        {record.name});
            progress->SetText(text);
        }
        const HRESULT hr = AppendPluginRecord(list, record);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

}  // namespace qm

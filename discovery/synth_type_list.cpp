// The type's scan folders and the replacement of its plug-in list by the type page.
#include "discovery/plugin_list_merge.h"
#include "discovery/plugin_record.h"
#include "discovery/synth_type.h"

namespace qm {

HRESULT CQmVSTiSynthType::GetFolder(int slot, WCHAR* buffer, int size) const noexcept {
    if (slot < 0 || slot >= kScanSlotCount) return S_FALSE;
    if (buffer == nullptr) return E_POINTER;
    if (size > 0) WideCopy(buffer, static_cast<size_t>(size), folders_[slot]);
    return S_OK;
}

HRESULT CQmVSTiSynthType::SetFolder(int slot, const WCHAR* path) noexcept {
    if (slot < 0 || slot >= kScanSlotCount) return S_FALSE;
    static const WCHAR empty[1] = {0};
    const WCHAR* value = path != nullptr ? path : empty;
    if (value[0] != 0) {
        for (int i = 0; i < kScanSlotCount; ++i) {
            if (!WideEqualNoCase(folders_[i], value)) continue;
            if (i == slot) return S_FALSE;
            value = empty;  // a folder is never held twice
            break;
        }
    }
    if (folders_[slot][0] != 0 && list_ != nullptr) {
        for (LONG i = list_->nCount - 1; i >= 0; --i) {
            const VstiPluginRecord* r = PluginRecordAt(list_, i);
            if (!(r->flags & PluginRecordFlags::NotInstrument) && WideContains(r->path, folders_[slot]))
                QmList_DeleteList(list_, i, 1, FALSE);
        }
    }
    WideCopy(folders_[slot], kPluginPathChars, value);
    if (folders_[1][0] == 0) {
        WideCopy(folders_[1], kPluginPathChars, folders_[2]);
        folders_[2][0] = 0;
    }
    if (folders_[0][0] == 0) {
        WideCopy(folders_[0], kPluginPathChars, folders_[1]);
        folders_[1][0] = 0;
    }
    return S_OK;
}

HRESULT CQmVSTiSynthType::ReplaceList(const tQMLIST* records) noexcept {
    if (records == nullptr) return S_FALSE;
    if (list_ == nullptr) {
        const HRESULT hr = CreatePluginList(&list_);
        if (FAILED(hr)) return hr;
    }
    HRESULT hr = QmList_DeleteList(list_, 0, list_->nCount, FALSE);
    if (FAILED(hr)) return hr;
    for (LONG i = 0; i < records->nCount; ++i) {
        hr = AppendPluginRecord(list_, *PluginRecordAt(records, i));
        if (FAILED(hr)) return hr;
    }
    return SortPluginList(list_);
}

}  // namespace qm

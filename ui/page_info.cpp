#include "ui/page_info.h"

#include "framework/lang.h"
#include "discovery/plugin_record.h"

namespace qm {

namespace {

constexpr UINT kIdsPageTitle = 1005;  // "VSTi Soft Synth"
constexpr ULONG kPageInfoSize = 28;   // the PROPPAGEINFO of the 32-bit host

}  // namespace

HRESULT FillPageInfo(PROPPAGEINFO* info, LONG width, LONG height) noexcept {
    if (info == nullptr) return E_POINTER;
    if (info->cb > kPageInfoSize) info->cb = kPageInfoSize;
    info->pszTitle = WideDupTask(QmGetString(KernelLangHandle(), kIdsPageTitle));
    info->size.cx = width;
    info->size.cy = height;
    info->pszDocString = nullptr;
    info->pszHelpFile = nullptr;
    info->dwHelpContext = 0;
    return info->pszTitle != nullptr ? S_OK : E_OUTOFMEMORY;
}

}  // namespace qm

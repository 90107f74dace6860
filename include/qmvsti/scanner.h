/* IQmVSTiScanner: the folder scan and the plug-in list of the type, for a host that has no type
 * page to show (the qmvsti command line). Asked of the type with QueryInterface; one reference for
 * the caller, which also keeps the type alive. This library's own interface, not the host
 * application's.
 *
 * Every slot is called on one thread of the caller's (the one that connected the type); Scan's
 * progress calls come on that thread too. */
#ifndef QMVSTI_SCANNER_H
#define QMVSTI_SCANNER_H

#include "callconv.h"
#include "com.h"
#include "host_structures.h"

namespace qm {

/* What a scan reports while it runs. Either call returning S_FALSE cancels the scan. */
struct IQmVSTiScanProgress {
    /* The status line: "Scanning %s" for each folder, "Testing %s" for each file. */
    virtual HRESULT QM_COMCALL Status(LPCWSTR text) noexcept = 0;
    /* Each tested file's record as the scan wrote it, in scan order (valid during the call). */
    virtual HRESULT QM_COMCALL Tested(const VstiPluginRecord* record) noexcept = 0;
};

namespace ScanOptions {
inline constexpr DWORD InProcess = 0x1; /* test every module in this process, even with the probe there */
} /* namespace ScanOptions */

struct IQmVSTiScanner : IUnknown {
    /* 3: copies folder slot 0-2 (truncated to `size`); S_FALSE for another slot. */
    virtual HRESULT QM_COMCALL GetFolder(LONG slot, LPWSTR buffer, LONG size) noexcept = 0;
    /* 4: sets a folder slot as the type page's Apply does (records under the old folder leave the
     * list, slots stay packed); S_FALSE when nothing changed. */
    virtual HRESULT QM_COMCALL SetFolder(LONG slot, LPCWSTR path) noexcept = 0;
    /* 5: the probe's time-out in milliseconds (0: the default 10 s), the number of probes run side
     * by side (0: the number of processors), ScanOptions. S_OK. */
    virtual HRESULT QM_COMCALL SetScanOptions(DWORD timeoutMs, DWORD parallel, DWORD options) noexcept = 0;
    /* 6: scans `count` folders (at most 3; 0 scans the folder slots) as the page's rescan does and
     * merges the type's list into the result, which becomes the type's list. S_OK when it ran to its
     * end, S_FALSE when it was cancelled (the list is unchanged), E_INVALIDARG for more than three
     * folders, E_OUTOFMEMORY. */
    virtual HRESULT QM_COMCALL Scan(LONG count, const LPCWSTR* folders, IQmVSTiScanProgress* progress) noexcept = 0;
    /* 7: the number of records in the type's list. */
    virtual LONG QM_COMCALL GetRecordCount() noexcept = 0;
    /* 8: copies record `index`; E_INVALIDARG out of range. */
    virtual HRESULT QM_COMCALL GetRecord(LONG index, VstiPluginRecord* record) noexcept = 0;
    /* 9: enables or disables record `index` as the page's check box does: a record in use keeps its
     * state, a non-instrument or a record without editor has no check box, a faulted one is tested
     * again first and is enabled only when it tests well. S_OK when
     * the record changed, S_FALSE when not, E_INVALIDARG out of range. */
    virtual HRESULT QM_COMCALL SetRecordEnabled(LONG index, BOOL enabled) noexcept = 0;
};

inline constexpr IID IID_IQmVSTiScanner = {0x571A8BE4, 0x863E, 0x49E7, {0x92, 0x05, 0x2A, 0x8E, 0xD9, 0x2E, 0xDA, 0xB7}};

} /* namespace qm */

#endif

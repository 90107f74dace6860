// Settings ("metrics"): numbered and named values under one key per application and version, kept
// under HKEY_CURRENT_USER (the registry on Windows, the per-user settings store on Linux).
//
// Key paths:   Software\<company>\<application>\<major>.<minor>\Metrics[\<sub-key>]
//              Software\<company>\<application>\Metrics[\<sub-key>]          (major number 0)
// Value names: the id's absolute value in decimal, "%d" for numbers (REG_DWORD), "S%d" for strings
//              (REG_SZ), "B%d" for binary blocks (REG_BINARY), "Z%d" for multi-strings (REG_MULTI_SZ);
//              named numbers use the caller's name.
//
// Every getter takes a default and never fails; setters answer E_FAIL (or the Windows error as an
// HRESULT) when there is no handle or the key could not be opened. The handle value -1 names a
// process-wide default handle that this module never sets, so it behaves as no handle at all.
// A handle holds no lock and may be used from any thread.
#pragma once
#include <cstddef>

#include "qmvsti/com.h"

// Characters of the record's text fields, terminator included.
#define QM_METRIC_PATH_CHARS 260
// The company used when the caller names none.
#define QM_METRIC_DEFAULT_COMPANY QMW("Kelo Zezazidu Software")
// A version word: the major number in the top byte, the minor number in the next one.
#define QM_METRIC_VERSION(major, minor) ((DWORD)((((DWORD)(major) & 0xFFu) << 24) | (((DWORD)(minor) & 0xFFu) << 16)))

// The record behind a settings handle. The host hands its own handles to the component (the soft-synth
// type's SetSettingsKey) and the component reads szKeyPath out of them, so the layout is shared with
// the host: on i686 Windows szKeyPath is at offset 524, hKey at 1044, and the record is 1048 bytes.
typedef struct tQMMETRIC {
    WCHAR szReserved[QM_METRIC_PATH_CHARS];  // the host's own use; never read or written here
    HKEY hKeySecond;                         // closed with the record when set; nothing here sets it
    WCHAR szKeyPath[QM_METRIC_PATH_CHARS];   // relative to HKEY_CURRENT_USER, ends in "\Metrics[\name]"
    HKEY hKey;                               // the open key, or null when opening failed
} tQMMETRIC;
typedef tQMMETRIC* HQMMETRIC;

// The process-wide default handle; never set by this module, so it acts as no handle.
#define HQMMETRIC_DEFAULT ((HQMMETRIC)(LONG_PTR)-1)

static_assert(offsetof(tQMMETRIC, hKeySecond) == QM_METRIC_PATH_CHARS * sizeof(WCHAR), "record layout");
static_assert(offsetof(tQMMETRIC, szKeyPath) == offsetof(tQMMETRIC, hKeySecond) + sizeof(HKEY), "record layout");
#if defined(_WIN32) && !defined(_WIN64)
static_assert(offsetof(tQMMETRIC, szKeyPath) == 524 && offsetof(tQMMETRIC, hKey) == 1044 &&
                  sizeof(tQMMETRIC) == 1048,
              "the host reads this record: its i686 layout is fixed");
#endif

// Opening. Each open allocates a zero-filled record and stores it in *phMetric even when the key could
// not be created or opened (the result is then the Windows error as an HRESULT); only E_OUTOFMEMORY
// and E_INVALIDARG leave *phMetric null. Paths are cut at 259 characters at every step.

// Opens pszKeyPath, or pszKeyPath\pszSubKey when pszSubKey is not empty.
QM_EXTERN_C QM_EXPORT HRESULT QMAPI QmMetric_OpenAppVersion(HQMMETRIC* phMetric, LPCWSTR pszKeyPath,
                                                            LPCWSTR pszSubKey) noexcept;
// Opens the application's Metrics key (or its sub-key); a null or empty company is the default one.
QM_EXTERN_C QM_EXPORT HRESULT QMAPI QmMetric_OpenRegHiveAndVersion(HQMMETRIC* phMetric, LPCWSTR pszApplication,
                                                                   DWORD dwVersion, LPCWSTR pszCompany,
                                                                   LPCWSTR pszSubKey) noexcept;
QM_EXTERN_C QM_EXPORT HRESULT QMAPI QmMetric_Open(HQMMETRIC* phMetric, LPCWSTR pszApplication, DWORD dwVersion,
                                                  LPCWSTR pszSubKey) noexcept;
// Opens <parent's path up to its first "\Metrics" element>\Metrics\pszSubKey: a sub-key is always a child
// of the application's Metrics key, whichever handle of the application is the parent; pszSubKey may
// itself contain "\". E_FAIL for a null (or -1) parent, E_INVALIDARG when the parent's path has no
// "\Metrics" element.
QM_EXTERN_C QM_EXPORT HRESULT QMAPI QmMetric_OpenSubKey(HQMMETRIC* phMetric, HQMMETRIC hParent, LPCWSTR pszSubKey) noexcept;
// Closes the keys and frees the record; null and -1 are accepted. S_OK.
QM_EXTERN_C QM_EXPORT HRESULT QMAPI QmMetric_Close(HQMMETRIC hMetric) noexcept;
// Closes, deletes the record's key with all its sub-keys, frees the record. E_FAIL for null or -1.
QM_EXTERN_C QM_EXPORT HRESULT QMAPI QmMetric_CloseAndDeleteKey(HQMMETRIC hMetric) noexcept;

// Numbers. QmGetMetric gives 0 for anything missing. QmGetMetricEx gives the default for a missing
// value and clamps to nMin..nMax unless they are equal; with no handle or key the default is returned
// unclamped. QmGetMetricBool gives 0 or 1, the default made 0 or 1 for a missing value, and the
// default unchanged with no handle or key.
QM_EXTERN_C QM_EXPORT int QMAPI QmGetMetric(HQMMETRIC hMetric, int nId) noexcept;
QM_EXTERN_C QM_EXPORT int QMAPI QmGetMetricEx(HQMMETRIC hMetric, int nId, int nMin, int nMax, int nDefault) noexcept;
QM_EXTERN_C QM_EXPORT BOOL QMAPI QmGetMetricBool(HQMMETRIC hMetric, int nId, BOOL bDefault) noexcept;
// S_OK or E_FAIL.
QM_EXTERN_C QM_EXPORT HRESULT QMAPI QmSetMetric(HQMMETRIC hMetric, int nId, int nValue) noexcept;
QM_EXTERN_C QM_EXPORT int QMAPI QmGetMetricUsingName(HQMMETRIC hMetric, LPCWSTR pszName, int nDefault) noexcept;
// S_OK, E_FAIL without handle or key, or the Windows error as an HRESULT.
QM_EXTERN_C QM_EXPORT HRESULT QMAPI QmSetMetricUsingName(HQMMETRIC hMetric, LPCWSTR pszName, int nValue) noexcept;

// Strings. Reads into pszBuffer (cchBuffer characters), zero-fills the rest and returns the length
// without the terminator. When nothing longer than an empty string is stored (missing, another type, or
// larger than the buffer all count as nothing): returns 0 with an empty buffer if an empty string is
// stored and bEmptyCounts is set, or if pszDefault is null; otherwise copies the default (cut to the
// buffer) and returns its length. A stored string that fills the whole buffer has no terminator.
QM_EXTERN_C QM_EXPORT int QMAPI QmGetMetricStringEx(HQMMETRIC hMetric, int nId, LPWSTR pszBuffer, int cchBuffer,
                                                    LPCWSTR pszDefault, BOOL bEmptyCounts) noexcept;
// Writes REG_SZ with its terminator. S_OK, E_FAIL (no handle or key, write failed), E_INVALIDARG for null text.
QM_EXTERN_C QM_EXPORT HRESULT QMAPI QmSetMetricString(HQMMETRIC hMetric, int nId, LPCWSTR pszText) noexcept;
QM_EXTERN_C QM_EXPORT int QMAPI QmGetMetricMultiStringEx(HQMMETRIC hMetric, int nId, LPWSTR pszBuffer,
                                                         int cchBuffer, LPCWSTR pszDefault, BOOL bEmptyCounts) noexcept;
// Writes cchData characters (every terminator included by the caller) as REG_MULTI_SZ.
QM_EXTERN_C QM_EXPORT HRESULT QMAPI QmSetMetricMultiString(HQMMETRIC hMetric, int nId, LPCWSTR pData, int cchData) noexcept;

// Binary blocks. QmGetMetricBinary returns the bytes read and zero-fills the rest of the buffer; on any
// failure it zero-fills the whole buffer and returns 0.
QM_EXTERN_C QM_EXPORT DWORD QMAPI QmGetMetricBinary(HQMMETRIC hMetric, int nId, void* pBuffer, DWORD cbBuffer) noexcept;
// E_INVALIDARG without pcbValue; 0x8004E00A without handle or key; S_FALSE with *pcbValue 0 when the
// value is missing or of another type; else *pcbValue is the stored size and the result S_OK, or
// 0x8004E03C when it does not fit (nothing copied). The buffer is always zero-filled past the data.
QM_EXTERN_C QM_EXPORT HRESULT QMAPI QmGetMetricBinaryEx(HQMMETRIC hMetric, int nId, void* pBuffer, DWORD cbBuffer,
                                                        DWORD* pcbValue) noexcept;
QM_EXTERN_C QM_EXPORT HRESULT QMAPI QmSetMetricBinary(HQMMETRIC hMetric, int nId, const void* pData, DWORD cbData) noexcept;

// Value types are registry type numbers: 1 string, 3 binary, 4 number, anything else multi-string.
// S_OK when the value named for dwType exists with exactly that type, else S_FALSE.
QM_EXTERN_C QM_EXPORT HRESULT QMAPI QmDoesMetricExist(HQMMETRIC hMetric, int nId, DWORD dwType) noexcept;
// S_FALSE without handle or key; S_OK, or E_FAIL when there was no such value.
QM_EXTERN_C QM_EXPORT HRESULT QMAPI QmDeleteMetric(HQMMETRIC hMetric, int nId, DWORD dwType) noexcept;
QM_EXTERN_C QM_EXPORT HRESULT QMAPI QmDeleteMetricUsingName(HQMMETRIC hMetric, LPCWSTR pszName, DWORD dwType) noexcept;

// Deleting whole keys with all sub-keys; a missing key counts as deleted. All answer S_OK, or
// E_INVALIDARG for a missing application name or a path too long to name the key exactly.
// Software\Kelo Zezazidu Software\<application>[\<major>.<minor>] under HKEY_CURRENT_USER.
QM_EXTERN_C QM_EXPORT HRESULT QMAPI QmMetric_DeleteUserMetrics(LPCWSTR pszApplication, DWORD dwVersion) noexcept;
// Software\<company>\<application>[\<major>.<minor>] under HKEY_LOCAL_MACHINE, then HKEY_CURRENT_USER.
QM_EXTERN_C QM_EXPORT HRESULT QMAPI QmMetric_DeleteAllHiveAndVersion(LPCWSTR pszApplication, DWORD dwVersion,
                                                                     LPCWSTR pszCompany) noexcept;
QM_EXTERN_C QM_EXPORT HRESULT QMAPI QmMetric_DeleteAll(LPCWSTR pszApplication, DWORD dwVersion) noexcept;
// The application's Metrics key (or Metrics\<sub-key>) under HKEY_LOCAL_MACHINE, then HKEY_CURRENT_USER.
QM_EXTERN_C QM_EXPORT HRESULT QMAPI QmMetric_DeleteKeyHiveAndVersion(LPCWSTR pszApplication, DWORD dwVersion,
                                                                     LPCWSTR pszCompany, LPCWSTR pszSubKey) noexcept;
QM_EXTERN_C QM_EXPORT HRESULT QMAPI QmMetric_DeleteKey(LPCWSTR pszApplication, DWORD dwVersion, LPCWSTR pszSubKey) noexcept;

// Settings handles: key paths, opening, closing and deleting whole keys.
#include <cstdlib>

#include "framework/metric.h"
#include "framework/metric_internal.h"

using qm::metric::IsRecord;
using qm::metric::TextBuilder;
using qm::platform::SettingsRoot;

namespace {

const WCHAR kDefaultCompany[] = QM_METRIC_DEFAULT_COMPANY;
const WCHAR kMetricsElement[] = QMW("\\Metrics");
constexpr size_t kPathChars = QM_METRIC_PATH_CHARS;

bool IsEmpty(const WCHAR* text) { return text == nullptr || text[0] == 0; }

// Software\<company>\<application>[\<major>.<minor>]: the application's whole key.
void BuildApplicationKey(TextBuilder& path, const WCHAR* application, DWORD version, const WCHAR* company) {
    path.Append(QMW("Software\\")).Append(IsEmpty(company) ? kDefaultCompany : company);
    path.Append(QMW("\\")).Append(application);
    const DWORD major = (version >> 24) & 0xFF;
    const DWORD minor = (version >> 16) & 0xFF;
    if (major != 0) path.Append(QMW("\\")).AppendDecimal(major).Append(QMW(".")).AppendDecimal(minor);
}

void AppendSubKey(TextBuilder& path, const WCHAR* subKey) {
    if (!IsEmpty(subKey)) path.Append(QMW("\\")).Append(subKey);
}

// Allocates the record, builds its path and creates or opens the key. The record is handed out even
// when the key could not be opened: the caller closes it like any other and its getters give defaults.
HRESULT OpenRecord(HQMMETRIC* out, const WCHAR* path, const WCHAR* subKey) {
    HQMMETRIC record = static_cast<HQMMETRIC>(calloc(1, sizeof(tQMMETRIC)));
    if (record == nullptr) return E_OUTOFMEMORY;
    TextBuilder keyPath(record->szKeyPath, kPathChars);
    keyPath.Append(path);
    AppendSubKey(keyPath, subKey);
    const LONG error = qm::platform::SettingsCreateKey(SettingsRoot::CurrentUser, record->szKeyPath, &record->hKey);
    *out = record;
    return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(error);
}

// Length of the path up to and including its first "\Metrics" element (compared without case, and
// only as a whole element), or 0 when there is none. The record may come from the host, so the
// path is read no further than its field.
size_t MetricsPrefixLength(const WCHAR* path) {
    const size_t elementLength = sizeof(kMetricsElement) / sizeof(WCHAR) - 1;
    size_t length = 0;
    while (length < kPathChars && path[length] != 0) ++length;
    for (size_t start = 0; start + elementLength <= length; ++start) {
        size_t i = 0;
        while (i < elementLength) {
            WCHAR c = path[start + i];
            if (c >= 'a' && c <= 'z') c = static_cast<WCHAR>(c - 32);
            WCHAR e = kMetricsElement[i];
            if (e >= 'a' && e <= 'z') e = static_cast<WCHAR>(e - 32);
            if (c != e) break;
            ++i;
        }
        const size_t end = start + elementLength;
        if (i == elementLength && (end == length || path[end] == '\\')) return end;
    }
    return 0;
}

void CloseKeys(HQMMETRIC record) {
    qm::platform::SettingsCloseKey(record->hKey);
    qm::platform::SettingsCloseKey(record->hKeySecond);
    record->hKey = nullptr;
    record->hKeySecond = nullptr;
}

// Deletes a whole tree under each root in turn; a path that had to be cut would name another key.
HRESULT DeleteTrees(const TextBuilder& path, const WCHAR* text, bool localMachineToo) {
    if (path.Cut()) return E_INVALIDARG;
    if (localMachineToo) qm::platform::SettingsDeleteTree(SettingsRoot::LocalMachine, text);
    qm::platform::SettingsDeleteTree(SettingsRoot::CurrentUser, text);
    return S_OK;
}

}  // namespace

extern "C" QM_EXPORT HRESULT QMAPI QmMetric_OpenAppVersion(HQMMETRIC* phMetric, LPCWSTR pszKeyPath,
                                                           LPCWSTR pszSubKey) noexcept {
    if (phMetric == nullptr) return E_INVALIDARG;
    *phMetric = nullptr;
    if (IsEmpty(pszKeyPath)) return E_INVALIDARG;
    return OpenRecord(phMetric, pszKeyPath, pszSubKey);
}

extern "C" QM_EXPORT HRESULT QMAPI QmMetric_OpenRegHiveAndVersion(HQMMETRIC* phMetric, LPCWSTR pszApplication,
                                                                  DWORD dwVersion, LPCWSTR pszCompany,
                                                                  LPCWSTR pszSubKey) noexcept {
    if (phMetric == nullptr) return E_INVALIDARG;
    *phMetric = nullptr;
    if (IsEmpty(pszApplication)) return E_INVALIDARG;
    WCHAR path[kPathChars];
    TextBuilder root(path, kPathChars);
    BuildApplicationKey(root, pszApplication, dwVersion, pszCompany);
    root.Append(kMetricsElement);
    return OpenRecord(phMetric, path, pszSubKey);
}

extern "C" QM_EXPORT HRESULT QMAPI QmMetric_Open(HQMMETRIC* phMetric, LPCWSTR pszApplication, DWORD dwVersion,
                                                 LPCWSTR pszSubKey) noexcept {
    return QmMetric_OpenRegHiveAndVersion(phMetric, pszApplication, dwVersion, nullptr, pszSubKey);
}

extern "C" QM_EXPORT HRESULT QMAPI QmMetric_OpenSubKey(HQMMETRIC* phMetric, HQMMETRIC hParent, LPCWSTR pszSubKey) noexcept {
    if (phMetric == nullptr) return E_INVALIDARG;
    *phMetric = nullptr;
    if (!IsRecord(hParent)) return E_FAIL;
    const size_t prefix = MetricsPrefixLength(hParent->szKeyPath);
    if (prefix == 0) return E_INVALIDARG;
    WCHAR path[kPathChars];
    TextBuilder(path, kPathChars).Append(hParent->szKeyPath, prefix);
    return OpenRecord(phMetric, path, pszSubKey);
}

extern "C" QM_EXPORT HRESULT QMAPI QmMetric_Close(HQMMETRIC hMetric) noexcept {
    if (!IsRecord(hMetric)) return S_OK;
    CloseKeys(hMetric);
    free(hMetric);
    return S_OK;
}

extern "C" QM_EXPORT HRESULT QMAPI QmMetric_CloseAndDeleteKey(HQMMETRIC hMetric) noexcept {
    if (!IsRecord(hMetric)) return E_FAIL;
    CloseKeys(hMetric);
    // Bound a path that fills its field; an empty one would name HKEY_CURRENT_USER itself and is
    // refused by the store.
    hMetric->szKeyPath[kPathChars - 1] = 0;
    qm::platform::SettingsDeleteTree(SettingsRoot::CurrentUser, hMetric->szKeyPath);
    free(hMetric);
    return S_OK;
}

extern "C" QM_EXPORT HRESULT QMAPI QmMetric_DeleteAllHiveAndVersion(LPCWSTR pszApplication, DWORD dwVersion,
                                                                    LPCWSTR pszCompany) noexcept {
    if (IsEmpty(pszApplication)) return E_INVALIDARG;
    WCHAR path[kPathChars];
    TextBuilder key(path, kPathChars);
    BuildApplicationKey(key, pszApplication, dwVersion, pszCompany);
    return DeleteTrees(key, path, true);
}

extern "C" QM_EXPORT HRESULT QMAPI QmMetric_DeleteAll(LPCWSTR pszApplication, DWORD dwVersion) noexcept {
    return QmMetric_DeleteAllHiveAndVersion(pszApplication, dwVersion, nullptr);
}

extern "C" QM_EXPORT HRESULT QMAPI QmMetric_DeleteUserMetrics(LPCWSTR pszApplication, DWORD dwVersion) noexcept {
    if (IsEmpty(pszApplication)) return E_INVALIDARG;
    WCHAR path[kPathChars];
    TextBuilder key(path, kPathChars);
    BuildApplicationKey(key, pszApplication, dwVersion, nullptr);
    return DeleteTrees(key, path, false);
}

extern "C" QM_EXPORT HRESULT QMAPI QmMetric_DeleteKeyHiveAndVersion(LPCWSTR pszApplication, DWORD dwVersion,
                                                                    LPCWSTR pszCompany, LPCWSTR pszSubKey) noexcept {
    if (IsEmpty(pszApplication)) return E_INVALIDARG;
    WCHAR path[kPathChars];
    TextBuilder key(path, kPathChars);
    BuildApplicationKey(key, pszApplication, dwVersion, pszCompany);
    key.Append(kMetricsElement);
    AppendSubKey(key, pszSubKey);
    return DeleteTrees(key, path, true);
}

extern "C" QM_EXPORT HRESULT QMAPI QmMetric_DeleteKey(LPCWSTR pszApplication, DWORD dwVersion, LPCWSTR pszSubKey) noexcept {
    return QmMetric_DeleteKeyHiveAndVersion(pszApplication, dwVersion, nullptr, pszSubKey);
}

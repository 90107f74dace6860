// Settings values: numbered and named numbers, strings, multi-strings and binary blocks.
#include <cstdlib>
#include <cstring>

#include "framework/metric.h"
#include "framework/metric_internal.h"

using qm::metric::KeyOf;
using qm::metric::TextBuilder;
using qm::platform::SettingsKey;

namespace {

// "S5", "B5", "Z5" or "5": the id's absolute value, so that ids -5 and 5 name the same value.
class ValueName {
public:
    ValueName(int id, DWORD type) noexcept {
        TextBuilder name(text_, sizeof(text_) / sizeof(text_[0]));
        switch (type) {
        case REG_SZ: name.Append(QMW("S")); break;
        case REG_BINARY: name.Append(QMW("B")); break;
        case REG_DWORD: break;
        default: name.Append(QMW("Z")); break;
        }
        name.AppendDecimal(static_cast<uint64_t>(std::llabs(static_cast<long long>(id))));
    }
    const WCHAR* c_str() const noexcept { return text_; }

private:
    WCHAR text_[16];
};

enum class Read { Ok, Missing, TooLarge };

// Reads a value into data (room for *size bytes; *size becomes the stored size). It counts only when the
// stored type is the expected one: a value of another type is missing to the caller.
Read ReadTyped(SettingsKey key, const WCHAR* name, DWORD expected, void* data, DWORD* size) {
    BYTE none = 0;
    DWORD type = REG_NONE;
    // Always hand over a buffer, so that a value that does not fit is reported rather than measured.
    const LONG error = qm::platform::SettingsQueryValue(key, name, &type, data != nullptr ? data : &none, size);
    if (type != expected) return Read::Missing;
    if (error == ERROR_SUCCESS) return Read::Ok;
    return error == ERROR_MORE_DATA ? Read::TooLarge : Read::Missing;
}

bool ReadNumber(SettingsKey key, const WCHAR* name, int* value) {
    DWORD number = 0;
    DWORD size = sizeof(number);
    if (key == nullptr || ReadTyped(key, name, REG_DWORD, &number, &size) != Read::Ok) return false;
    *value = static_cast<int>(number);
    return true;
}

LONG WriteNumber(SettingsKey key, const WCHAR* name, int value) {
    const DWORD number = static_cast<DWORD>(value);
    return qm::platform::SettingsSetValue(key, name, REG_DWORD, &number, sizeof(number));
}

// The string getters of both kinds (REG_SZ and REG_MULTI_SZ).
int GetText(HQMMETRIC handle, int id, DWORD type, WCHAR* buffer, int capacity, const WCHAR* fallback,
            BOOL emptyCounts) {
    if (buffer == nullptr || capacity <= 0) return 0;
    const DWORD room = static_cast<DWORD>(capacity) * sizeof(WCHAR);
    bool storedEmpty = false;
    if (const SettingsKey key = KeyOf(handle)) {
        DWORD size = room;
        if (ReadTyped(key, ValueName(id, type).c_str(), type, buffer, &size) == Read::Ok) {
            if (size > sizeof(WCHAR)) {
                memset(reinterpret_cast<BYTE*>(buffer) + size, 0, room - size);
                return static_cast<int>(size / sizeof(WCHAR)) - 1;
            }
            storedEmpty = true;
        }
    }
    memset(buffer, 0, room);
    if ((storedEmpty && emptyCounts) || fallback == nullptr) return 0;
    TextBuilder copy(buffer, static_cast<size_t>(capacity));
    copy.Append(fallback);
    return static_cast<int>(copy.Length());
}

HRESULT SetValue(HQMMETRIC handle, const WCHAR* name, DWORD type, const void* data, DWORD size) {
    const SettingsKey key = KeyOf(handle);
    if (key == nullptr) return E_FAIL;
    return qm::platform::SettingsSetValue(key, name, type, data, size) == ERROR_SUCCESS ? S_OK : E_FAIL;
}

HRESULT DeleteValue(HQMMETRIC handle, const WCHAR* name) {
    const SettingsKey key = KeyOf(handle);
    if (key == nullptr) return S_FALSE;
    return qm::platform::SettingsDeleteValue(key, name) == ERROR_SUCCESS ? S_OK : E_FAIL;
}

}  // namespace

extern "C" QM_EXPORT int QMAPI QmGetMetric(HQMMETRIC hMetric, int nId) noexcept {
    int value = 0;
    return ReadNumber(KeyOf(hMetric), ValueName(nId, REG_DWORD).c_str(), &value) ? value : 0;
}

extern "C" QM_EXPORT int QMAPI QmGetMetricEx(HQMMETRIC hMetric, int nId, int nMin, int nMax, int nDefault) noexcept {
    const SettingsKey key = KeyOf(hMetric);
    if (key == nullptr) return nDefault;
    int value = nDefault;
    if (!ReadNumber(key, ValueName(nId, REG_DWORD).c_str(), &value)) value = nDefault;
    if (nMin != nMax) {
        if (value < nMin) value = nMin;
        else if (value > nMax) value = nMax;
    }
    return value;
}

extern "C" QM_EXPORT BOOL QMAPI QmGetMetricBool(HQMMETRIC hMetric, int nId, BOOL bDefault) noexcept {
    const SettingsKey key = KeyOf(hMetric);
    if (key == nullptr) return bDefault;
    int value = 0;
    if (!ReadNumber(key, ValueName(nId, REG_DWORD).c_str(), &value)) value = bDefault;
    return value != 0 ? TRUE : FALSE;
}

extern "C" QM_EXPORT HRESULT QMAPI QmSetMetric(HQMMETRIC hMetric, int nId, int nValue) noexcept {
    const SettingsKey key = KeyOf(hMetric);
    if (key == nullptr) return E_FAIL;
    return WriteNumber(key, ValueName(nId, REG_DWORD).c_str(), nValue) == ERROR_SUCCESS ? S_OK : E_FAIL;
}

extern "C" QM_EXPORT int QMAPI QmGetMetricUsingName(HQMMETRIC hMetric, LPCWSTR pszName, int nDefault) noexcept {
    int value = nDefault;
    return ReadNumber(KeyOf(hMetric), pszName, &value) ? value : nDefault;
}

extern "C" QM_EXPORT HRESULT QMAPI QmSetMetricUsingName(HQMMETRIC hMetric, LPCWSTR pszName, int nValue) noexcept {
    const SettingsKey key = KeyOf(hMetric);
    if (key == nullptr) return E_FAIL;
    const LONG error = WriteNumber(key, pszName, nValue);
    return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(error);
}

extern "C" QM_EXPORT int QMAPI QmGetMetricStringEx(HQMMETRIC hMetric, int nId, LPWSTR pszBuffer, int cchBuffer,
                                                   LPCWSTR pszDefault, BOOL bEmptyCounts) noexcept {
    return GetText(hMetric, nId, REG_SZ, pszBuffer, cchBuffer, pszDefault, bEmptyCounts);
}

extern "C" QM_EXPORT HRESULT QMAPI QmSetMetricString(HQMMETRIC hMetric, int nId, LPCWSTR pszText) noexcept {
    if (pszText == nullptr) return KeyOf(hMetric) == nullptr ? E_FAIL : E_INVALIDARG;
    size_t length = 0;
    while (pszText[length] != 0) ++length;
    return SetValue(hMetric, ValueName(nId, REG_SZ).c_str(), REG_SZ, pszText,
                    static_cast<DWORD>((length + 1) * sizeof(WCHAR)));
}

extern "C" QM_EXPORT int QMAPI QmGetMetricMultiStringEx(HQMMETRIC hMetric, int nId, LPWSTR pszBuffer,
                                                        int cchBuffer, LPCWSTR pszDefault,
                                                        BOOL bEmptyCounts) noexcept {
    return GetText(hMetric, nId, REG_MULTI_SZ, pszBuffer, cchBuffer, pszDefault, bEmptyCounts);
}

extern "C" QM_EXPORT HRESULT QMAPI QmSetMetricMultiString(HQMMETRIC hMetric, int nId, LPCWSTR pData,
                                                          int cchData) noexcept {
    if (cchData < 0 || (pData == nullptr && cchData != 0)) return KeyOf(hMetric) == nullptr ? E_FAIL : E_INVALIDARG;
    return SetValue(hMetric, ValueName(nId, REG_MULTI_SZ).c_str(), REG_MULTI_SZ, pData,
                    static_cast<DWORD>(cchData) * sizeof(WCHAR));
}

extern "C" QM_EXPORT DWORD QMAPI QmGetMetricBinary(HQMMETRIC hMetric, int nId, void* pBuffer,
                                                   DWORD cbBuffer) noexcept {
    if (pBuffer == nullptr) return 0;
    if (const SettingsKey key = KeyOf(hMetric)) {
        DWORD size = cbBuffer;
        if (ReadTyped(key, ValueName(nId, REG_BINARY).c_str(), REG_BINARY, pBuffer, &size) == Read::Ok) {
            memset(static_cast<BYTE*>(pBuffer) + size, 0, cbBuffer - size);
            return size;
        }
    }
    memset(pBuffer, 0, cbBuffer);
    return 0;
}

extern "C" QM_EXPORT HRESULT QMAPI QmGetMetricBinaryEx(HQMMETRIC hMetric, int nId, void* pBuffer, DWORD cbBuffer,
                                                       DWORD* pcbValue) noexcept {
    if (pcbValue == nullptr) return E_INVALIDARG;
    *pcbValue = 0;
    if (pBuffer == nullptr && cbBuffer != 0) return E_INVALIDARG;
    const SettingsKey key = KeyOf(hMetric);
    DWORD size = cbBuffer;
    const Read read = key != nullptr ? ReadTyped(key, ValueName(nId, REG_BINARY).c_str(), REG_BINARY, pBuffer, &size)
                                     : Read::Missing;
    const DWORD kept = read == Read::Ok ? size : 0;
    if (pBuffer != nullptr) memset(static_cast<BYTE*>(pBuffer) + kept, 0, cbBuffer - kept);
    if (key == nullptr) return QM_E_NO_SUCH_SETTING;
    if (read == Read::Missing) return S_FALSE;
    *pcbValue = size;
    return read == Read::Ok ? S_OK : QM_E_BUFFER_TOO_SMALL;
}

extern "C" QM_EXPORT HRESULT QMAPI QmSetMetricBinary(HQMMETRIC hMetric, int nId, const void* pData,
                                                     DWORD cbData) noexcept {
    if (pData == nullptr && cbData != 0) return KeyOf(hMetric) == nullptr ? E_FAIL : E_INVALIDARG;
    return SetValue(hMetric, ValueName(nId, REG_BINARY).c_str(), REG_BINARY, pData, cbData);
}

extern "C" QM_EXPORT HRESULT QMAPI QmDoesMetricExist(HQMMETRIC hMetric, int nId, DWORD dwType) noexcept {
    const SettingsKey key = KeyOf(hMetric);
    if (key == nullptr) return S_FALSE;
    DWORD type = REG_NONE;
    const LONG error = qm::platform::SettingsQueryValue(key, ValueName(nId, dwType).c_str(), &type, nullptr, nullptr);
    return error == ERROR_SUCCESS && type == dwType ? S_OK : S_FALSE;
}

extern "C" QM_EXPORT HRESULT QMAPI QmDeleteMetric(HQMMETRIC hMetric, int nId, DWORD dwType) noexcept {
    return DeleteValue(hMetric, ValueName(nId, dwType).c_str());
}

extern "C" QM_EXPORT HRESULT QMAPI QmDeleteMetricUsingName(HQMMETRIC hMetric, LPCWSTR pszName,
                                                           DWORD /*dwType*/) noexcept {
    return DeleteValue(hMetric, pszName);
}

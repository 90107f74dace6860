// Settings storage on Windows: the registry, through the wide-character Reg* functions.
#include "platform/settings_storage.h"

namespace qm::platform {
namespace {

HKEY RootKey(SettingsRoot root) {
    return root == SettingsRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// Deletes parent\path with everything below it. RegDeleteKeyW removes leaves only, so a key that will
// not go is emptied one sub-key at a time, always re-reading index 0 because every deletion shifts the
// indexes; the first sub-key that cannot be deleted (another user's, or locked by policy) ends the walk
// instead of spinning on it.
LONG DeleteTreeUnder(HKEY parent, const WCHAR* path) {
    LONG error = RegDeleteKeyW(parent, path);
    if (error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    HKEY key = nullptr;
    error = RegOpenKeyExW(parent, path, 0, KEY_READ | KEY_WRITE, &key);
    if (error == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (error != ERROR_SUCCESS) return error;
    for (;;) {
        WCHAR child[kSettingsMaxName + 1];
        DWORD length = kSettingsMaxName + 1;
        if (RegEnumKeyExW(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (DeleteTreeUnder(key, child) != ERROR_SUCCESS) break;
    }
    RegCloseKey(key);
    error = RegDeleteKeyW(parent, path);
    return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
}

}  // namespace

LONG SettingsCreateKey(SettingsRoot root, const WCHAR* path, SettingsKey* key) noexcept {
    if (key == nullptr) return ERROR_INVALID_PARAMETER;
    *key = nullptr;
    if (path == nullptr) return ERROR_INVALID_PARAMETER;
    HKEY opened = nullptr;
    LONG error = RegCreateKeyExW(RootKey(root), path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_READ | KEY_WRITE, nullptr, &opened, nullptr);
    if (error == ERROR_ACCESS_DENIED) {
        // A key the user may only read (locked down by policy) still serves the getters.
        if (RegOpenKeyExW(RootKey(root), path, 0, KEY_READ, &opened) == ERROR_SUCCESS) error = ERROR_SUCCESS;
    }
    if (error == ERROR_SUCCESS) *key = opened;
    return error;
}

LONG SettingsOpenKey(SettingsRoot root, const WCHAR* path, SettingsKey* key) noexcept {
    if (key == nullptr) return ERROR_INVALID_PARAMETER;
    *key = nullptr;
    if (path == nullptr) return ERROR_INVALID_PARAMETER;
    HKEY opened = nullptr;
    LONG error = RegOpenKeyExW(RootKey(root), path, 0, KEY_READ | KEY_WRITE, &opened);
    if (error == ERROR_ACCESS_DENIED) error = RegOpenKeyExW(RootKey(root), path, 0, KEY_READ, &opened);
    if (error == ERROR_SUCCESS) *key = opened;
    return error;
}

void SettingsCloseKey(SettingsKey key) noexcept {
    if (key != nullptr) RegCloseKey(key);
}

LONG SettingsQueryValue(SettingsKey key, const WCHAR* name, DWORD* type, void* data, DWORD* size) noexcept {
    if (key == nullptr) return ERROR_INVALID_HANDLE;
    if (type != nullptr) *type = REG_NONE;
    return RegQueryValueExW(key, name, nullptr, type, static_cast<BYTE*>(data), size);
}

LONG SettingsSetValue(SettingsKey key, const WCHAR* name, DWORD type, const void* data, DWORD size) noexcept {
    if (key == nullptr) return ERROR_INVALID_HANDLE;
    if (data == nullptr && size != 0) return ERROR_INVALID_PARAMETER;
    return RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
}

LONG SettingsDeleteValue(SettingsKey key, const WCHAR* name) noexcept {
    if (key == nullptr) return ERROR_INVALID_HANDLE;
    return RegDeleteValueW(key, name);
}

LONG SettingsEnumSubKey(SettingsKey key, DWORD index, WCHAR* name, DWORD capacity) noexcept {
    if (key == nullptr) return ERROR_INVALID_HANDLE;
    if (name == nullptr || capacity == 0) return ERROR_INVALID_PARAMETER;
    DWORD length = capacity;
    return RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
}

LONG SettingsEnumValue(SettingsKey key, DWORD index, WCHAR* name, DWORD capacity, DWORD* type) noexcept {
    if (type != nullptr) *type = REG_NONE;
    if (key == nullptr) return ERROR_INVALID_HANDLE;
    if (name == nullptr || capacity == 0) return ERROR_INVALID_PARAMETER;
    DWORD length = capacity;
    return RegEnumValueW(key, index, name, &length, nullptr, type, nullptr, nullptr);
}

LONG SettingsDeleteTree(SettingsRoot root, const WCHAR* path) noexcept {
    if (path == nullptr || path[0] == 0) return ERROR_INVALID_PARAMETER;
    return DeleteTreeUnder(RootKey(root), path);
}

}  // namespace qm::platform

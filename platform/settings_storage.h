// Per-user settings storage: a tree of keys holding typed, named values, with the registry's
// semantics (key paths separated by "\", case-insensitive key and value names, Win32 error codes).
//
// Windows: the registry itself (HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE), through the Reg* W functions.
// Linux:   one SQLite database per user,
//              $XDG_CONFIG_HOME/Kelo Zezazidu Software/settings.db  (XDG_CONFIG_HOME defaults to ~/.config)
//          holding the same key paths, value names, value types and value bytes. Every write is its own
//          transaction; writers in several processes are serialised by SQLite's locks (WAL journal,
//          busy timeout). There is no machine-wide store: the local-machine root has no keys.
//
// All functions return a Win32 error code (ERROR_SUCCESS or ERROR_*), never throw, and may be called
// from any thread; one key may be used by several threads at once.
#pragma once
#include <cstdint>

#include "qmvsti/com.h"

#ifndef _WIN32
// Registry error codes the Linux store reports, with their Windows values.
#  ifndef ERROR_PATH_NOT_FOUND
#    define ERROR_PATH_NOT_FOUND 3L
#  endif
#  ifndef ERROR_LOCK_VIOLATION
#    define ERROR_LOCK_VIOLATION 33L
#  endif
#  ifndef ERROR_DISK_FULL
#    define ERROR_DISK_FULL 112L
#  endif
#  ifndef ERROR_BADDB
#    define ERROR_BADDB 1009L
#  endif
#  ifndef ERROR_CANTOPEN
#    define ERROR_CANTOPEN 1011L
#  endif
#  ifndef ERROR_REGISTRY_IO_FAILED
#    define ERROR_REGISTRY_IO_FAILED 1016L
#  endif
#  ifndef ERROR_KEY_DELETED
#    define ERROR_KEY_DELETED 1018L
#  endif
#  ifndef REG_NONE
#    define REG_NONE 0
#    define REG_SZ 1
#    define REG_EXPAND_SZ 2
#    define REG_BINARY 3
#    define REG_DWORD 4
#    define REG_MULTI_SZ 7
#  endif
#endif

namespace qm::platform {

// An open key: the registry's HKEY on Windows, the store's own key object on Linux.
using SettingsKey = HKEY;

enum class SettingsRoot { CurrentUser, LocalMachine };

// Longest key or value name handed out by the enumerators, in characters without the terminator.
constexpr uint32_t kSettingsMaxName = 255;

// Creates the key at path (and every missing key above it) or opens it when it exists. A key that may
// be read but not written is opened for reading. *key is cleared first and set only on success.
LONG SettingsCreateKey(SettingsRoot root, const WCHAR* path, SettingsKey* key) noexcept;
// Opens an existing key; ERROR_FILE_NOT_FOUND when it does not exist.
LONG SettingsOpenKey(SettingsRoot root, const WCHAR* path, SettingsKey* key) noexcept;
// Closes a key from SettingsCreateKey or SettingsOpenKey; null is ignored.
void SettingsCloseKey(SettingsKey key) noexcept;

// Reads a value like RegQueryValueExW: type may be null; with data null only *size (bytes) is set; when
// *size is smaller than the value, ERROR_MORE_DATA with *size set to the bytes needed and *type set.
// A missing value gives ERROR_FILE_NOT_FOUND. name null or empty names the key's default value.
LONG SettingsQueryValue(SettingsKey key, const WCHAR* name, DWORD* type, void* data, DWORD* size) noexcept;
// Writes (creates or replaces) a value with exactly these bytes and this type.
LONG SettingsSetValue(SettingsKey key, const WCHAR* name, DWORD type, const void* data, DWORD size) noexcept;
// Deletes one value; ERROR_FILE_NOT_FOUND when there is none.
LONG SettingsDeleteValue(SettingsKey key, const WCHAR* name) noexcept;

// The index-th direct sub-key's name (capacity in characters with the terminator, at least
// kSettingsMaxName + 1 to be safe); ERROR_NO_MORE_ITEMS past the last one.
LONG SettingsEnumSubKey(SettingsKey key, DWORD index, WCHAR* name, DWORD capacity) noexcept;
// The index-th value's name and type; ERROR_NO_MORE_ITEMS past the last one.
LONG SettingsEnumValue(SettingsKey key, DWORD index, WCHAR* name, DWORD capacity, DWORD* type) noexcept;

// Deletes the key at path with all its sub-keys and values. A missing key counts as deleted
// (ERROR_SUCCESS). An empty path is refused (ERROR_INVALID_PARAMETER): it would name the whole root.
LONG SettingsDeleteTree(SettingsRoot root, const WCHAR* path) noexcept;

}  // namespace qm::platform

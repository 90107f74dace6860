// Settings storage on Linux: the registry's key tree kept in one SQLite database per user (its file
// and tables: settings_storage_sqlite_file.cpp).
//
// Each key holds its own connection. Every write is one statement or one IMMEDIATE transaction, so a
// crashing process loses nothing it wrote before; the WAL journal lets readers work during a write and
// the busy timeout makes a second writing process wait rather than fail.
#include <sys/stat.h>

#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "platform/posix/settings_storage_sqlite.h"
#include "platform/settings_storage.h"

namespace qm::platform {
namespace {

using sqlite_store::Exec;
using sqlite_store::FromSqlite;
using sqlite_store::OpenStore;
using sqlite_store::Statement;
using sqlite_store::StorePath;

struct StoreKey {
    sqlite3* db = nullptr;
    sqlite3_int64 id = 0;  // 0: the root
    std::mutex lock;
};

StoreKey* FromHandle(SettingsKey key) { return static_cast<StoreKey*>(key); }

// The registry compares names in upper case; this folds Latin, Greek and Cyrillic letters the same way.
char16_t FoldChar(char16_t c) {
    if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
    if (c < 0xE0) return c;
    if (c <= 0xFE) return c == 0xF7 ? c : static_cast<char16_t>(c - 32);
    if (c == 0xFF) return 0x178;
    const bool odd = (c & 1) != 0;
    if ((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        return odd ? static_cast<char16_t>(c - 1) : c;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return odd ? c : static_cast<char16_t>(c - 1);
    if (c == 0x3C2) return 0x3A3;
    if ((c >= 0x3B1 && c <= 0x3CB)) return static_cast<char16_t>(c - 32);
    if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 32);
    if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 80);
    if (c >= 0xFF41 && c <= 0xFF5A) return static_cast<char16_t>(c - 32);
    return c;
}

std::u16string Fold(const std::u16string& text) {
    std::u16string folded(text);
    for (char16_t& c : folded) c = FoldChar(c);
    return folded;
}

std::u16string Text(const WCHAR* s) { return s != nullptr ? std::u16string(s) : std::u16string(); }

// Splits a key path into its names; empty names (doubled, leading or trailing "\") are dropped.
std::vector<std::u16string> SplitPath(const WCHAR* path) {
    std::vector<std::u16string> names;
    std::u16string current;
    for (const WCHAR* p = path;; ++p) {
        if (*p == u'\\' || *p == 0) {
            if (!current.empty()) names.push_back(current);
            current.clear();
            if (*p == 0) break;
        } else {
            current.push_back(*p);
        }
    }
    return names;
}

// The folded path that identifies a key: its names in upper case, joined by "\".
std::u16string FoldedPath(const std::vector<std::u16string>& names, size_t count) {
    std::u16string folded;
    for (size_t i = 0; i < count; ++i) {
        if (i > 0) folded += u'\\';
        folded += Fold(names[i]);
    }
    return folded;
}

// The id of the key with this folded path: 0 for the root, -1 when missing, or an error.
LONG FindKey(sqlite3* db, const std::u16string& folded, sqlite3_int64* id) {
    *id = folded.empty() ? 0 : -1;
    if (folded.empty()) return ERROR_SUCCESS;
    Statement st(db, "SELECT id FROM keys WHERE folded = ?1");
    st.Bind(1, folded);
    const int rc = st.Step();
    if (rc == SQLITE_ROW) *id = st.Int(0);
    return rc == SQLITE_ROW || rc == SQLITE_DONE ? ERROR_SUCCESS : FromSqlite(rc);
}

// Creates every missing key along the path in one transaction and gives the last one's id.
LONG CreatePath(sqlite3* db, const std::vector<std::u16string>& names, sqlite3_int64* id) {
    int rc = Exec(db, "BEGIN IMMEDIATE");
    if (rc != SQLITE_OK) return FromSqlite(rc);
    sqlite3_int64 parent = 0;
    for (size_t i = 0; i < names.size() && rc == SQLITE_OK; ++i) {
        const std::u16string folded = FoldedPath(names, i + 1);
        Statement insert(db, "INSERT OR IGNORE INTO keys(parent, name, folded) VALUES(?1, ?2, ?3)");
        insert.Bind(1, parent);
        insert.Bind(2, names[i]);
        insert.Bind(3, folded);
        rc = insert.Step();
        if (rc != SQLITE_DONE) break;
        rc = SQLITE_OK;
        Statement find(db, "SELECT id FROM keys WHERE folded = ?1");
        find.Bind(1, folded);
        rc = find.Step();
        if (rc != SQLITE_ROW) break;
        parent = find.Int(0);
        rc = SQLITE_OK;
    }
    if (rc == SQLITE_OK) rc = Exec(db, "COMMIT");
    if (rc != SQLITE_OK) {
        const LONG error = FromSqlite(rc == SQLITE_DONE ? SQLITE_CORRUPT : rc);
        Exec(db, "ROLLBACK");
        return error;
    }
    *id = parent;
    return ERROR_SUCCESS;
}

LONG OpenOrCreate(SettingsRoot root, const WCHAR* path, bool create, SettingsKey* key) {
    if (key == nullptr) return ERROR_INVALID_PARAMETER;
    *key = nullptr;
    if (path == nullptr) return ERROR_INVALID_PARAMETER;
    // There is no machine-wide store: nothing exists there and nothing may be written.
    if (root == SettingsRoot::LocalMachine) return create ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
    const std::vector<std::u16string> names = SplitPath(path);
    const std::u16string folded = FoldedPath(names, names.size());

    StoreKey* opened = new (std::nothrow) StoreKey;
    if (opened == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
    LONG error = OpenStore(&opened->db);
    sqlite3_int64 id = -1;
    if (error == ERROR_SUCCESS) error = FindKey(opened->db, folded, &id);
    if (error == ERROR_SUCCESS && id < 0) {
        error = create ? CreatePath(opened->db, names, &id) : ERROR_FILE_NOT_FOUND;
    }
    if (error != ERROR_SUCCESS) {
        sqlite3_close(opened->db);
        delete opened;
        return error;
    }
    opened->id = id;
    *key = opened;
    return ERROR_SUCCESS;
}

}  // namespace

LONG SettingsCreateKey(SettingsRoot root, const WCHAR* path, SettingsKey* key) noexcept {
    try {
        return OpenOrCreate(root, path, true, key);
    } catch (...) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

LONG SettingsOpenKey(SettingsRoot root, const WCHAR* path, SettingsKey* key) noexcept {
    try {
        return OpenOrCreate(root, path, false, key);
    } catch (...) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

void SettingsCloseKey(SettingsKey key) noexcept {
    StoreKey* store = FromHandle(key);
    if (store == nullptr) return;
    sqlite3_close(store->db);
    delete store;
}

LONG SettingsQueryValue(SettingsKey key, const WCHAR* name, DWORD* type, void* data, DWORD* size) noexcept try {
    if (type != nullptr) *type = REG_NONE;
    StoreKey* store = FromHandle(key);
    if (store == nullptr) return ERROR_INVALID_HANDLE;
    if (data != nullptr && size == nullptr) return ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> hold(store->lock);
    Statement st(store->db, "SELECT type, data FROM vals WHERE key = ?1 AND folded = ?2");
    st.Bind(1, store->id);
    st.Bind(2, Fold(Text(name)));
    const int rc = st.Step();
    if (rc == SQLITE_DONE) return ERROR_FILE_NOT_FOUND;
    if (rc != SQLITE_ROW) return FromSqlite(rc);
    if (type != nullptr) *type = static_cast<DWORD>(st.Int(0));
    DWORD stored = 0;
    const void* bytes = st.Blob(1, &stored);
    if (size == nullptr) return ERROR_SUCCESS;
    const DWORD room = *size;
    *size = stored;
    if (data == nullptr) return ERROR_SUCCESS;
    if (room < stored) return ERROR_MORE_DATA;
    if (stored != 0) memcpy(data, bytes, stored);
    return ERROR_SUCCESS;
} catch (...) {
    return ERROR_NOT_ENOUGH_MEMORY;
}

LONG SettingsSetValue(SettingsKey key, const WCHAR* name, DWORD type, const void* data, DWORD size) noexcept try {
    StoreKey* store = FromHandle(key);
    if (store == nullptr) return ERROR_INVALID_HANDLE;
    if (data == nullptr && size != 0) return ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> hold(store->lock);
    // One statement, so one transaction; it writes nothing when another handle deleted the key.
    Statement st(store->db,
                 "INSERT INTO vals(key, name, folded, type, data)"
                 " SELECT ?1, ?2, ?3, ?4, ?5 WHERE ?1 = 0 OR EXISTS(SELECT 1 FROM keys WHERE id = ?1)"
                 " ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type, data = excluded.data");
    const std::u16string text = Text(name);
    st.Bind(1, store->id);
    st.Bind(2, text);
    st.Bind(3, Fold(text));
    st.Bind(4, static_cast<sqlite3_int64>(type));
    st.BindBlob(5, data, size);
    const int rc = st.Step();
    if (rc != SQLITE_DONE) return FromSqlite(rc);
    return sqlite3_changes(store->db) == 0 ? ERROR_KEY_DELETED : ERROR_SUCCESS;
} catch (...) {
    return ERROR_NOT_ENOUGH_MEMORY;
}

LONG SettingsDeleteValue(SettingsKey key, const WCHAR* name) noexcept try {
    StoreKey* store = FromHandle(key);
    if (store == nullptr) return ERROR_INVALID_HANDLE;
    std::lock_guard<std::mutex> hold(store->lock);
    Statement st(store->db, "DELETE FROM vals WHERE key = ?1 AND folded = ?2");
    st.Bind(1, store->id);
    st.Bind(2, Fold(Text(name)));
    const int rc = st.Step();
    if (rc != SQLITE_DONE) return FromSqlite(rc);
    return sqlite3_changes(store->db) == 0 ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS;
} catch (...) {
    return ERROR_NOT_ENOUGH_MEMORY;
}

namespace {

// Runs an enumeration query (?1 key id, ?2 index) and copies column 0 into name.
LONG EnumName(SettingsKey key, DWORD index, WCHAR* name, DWORD capacity, DWORD* type, const char* sql) {
    StoreKey* store = FromHandle(key);
    if (store == nullptr) return ERROR_INVALID_HANDLE;
    if (name == nullptr || capacity == 0) return ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> hold(store->lock);
    Statement st(store->db, sql);
    st.Bind(1, store->id);
    st.Bind(2, static_cast<sqlite3_int64>(index));
    const int rc = st.Step();
    if (rc == SQLITE_DONE) return ERROR_NO_MORE_ITEMS;
    if (rc != SQLITE_ROW) return FromSqlite(rc);
    const std::u16string text = st.Text16(0);
    if (text.size() + 1 > capacity) return ERROR_MORE_DATA;
    memcpy(name, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
    if (type != nullptr) *type = static_cast<DWORD>(st.Int(1));
    return ERROR_SUCCESS;
}

}  // namespace

LONG SettingsEnumSubKey(SettingsKey key, DWORD index, WCHAR* name, DWORD capacity) noexcept try {
    return EnumName(key, index, name, capacity, nullptr,
                    "SELECT name FROM keys WHERE parent = ?1 ORDER BY folded LIMIT 1 OFFSET ?2");
} catch (...) {
    return ERROR_NOT_ENOUGH_MEMORY;
}

LONG SettingsEnumValue(SettingsKey key, DWORD index, WCHAR* name, DWORD capacity, DWORD* type) noexcept try {
    if (type != nullptr) *type = REG_NONE;
    return EnumName(key, index, name, capacity, type,
                    "SELECT name, type FROM vals WHERE key = ?1 ORDER BY rowid LIMIT 1 OFFSET ?2");
} catch (...) {
    return ERROR_NOT_ENOUGH_MEMORY;
}

LONG SettingsDeleteTree(SettingsRoot root, const WCHAR* path) noexcept try {
    if (path == nullptr) return ERROR_INVALID_PARAMETER;
    const std::vector<std::u16string> names = SplitPath(path);
    if (names.empty()) return ERROR_INVALID_PARAMETER;
    if (root == SettingsRoot::LocalMachine) return ERROR_SUCCESS;
    struct stat st;
    if (stat(StorePath().c_str(), &st) != 0) return ERROR_SUCCESS;  // no store, nothing to delete

    const std::u16string folded = FoldedPath(names, names.size());
    sqlite3* db = nullptr;
    LONG error = OpenStore(&db);
    if (error != ERROR_SUCCESS) return error;
    // The key and every path below it: "P\" <= folded < "P]" in binary order ("]" follows "\").
    int rc = Exec(db, "BEGIN IMMEDIATE");
    for (const char* sql : {"DELETE FROM vals WHERE key IN (SELECT id FROM keys"
                            " WHERE folded = ?1 OR (folded >= ?2 AND folded < ?3))",
                            "DELETE FROM keys WHERE folded = ?1 OR (folded >= ?2 AND folded < ?3)"}) {
        if (rc != SQLITE_OK) break;
        Statement del(db, sql);
        del.Bind(1, folded);
        del.Bind(2, folded + u"\\");
        del.Bind(3, folded + u"]");
        rc = del.Step();
        if (rc == SQLITE_DONE) rc = SQLITE_OK;
    }
    if (rc == SQLITE_OK) rc = Exec(db, "COMMIT");
    if (rc != SQLITE_OK) {
        error = FromSqlite(rc);
        Exec(db, "ROLLBACK");
    }
    sqlite3_close(db);
    return error;
} catch (...) {
    return ERROR_NOT_ENOUGH_MEMORY;
}

}  // namespace qm::platform

// Internals of the Linux settings store shared by its two files: the store file (location, opening,
// tables, error codes) and the key and value operations.
#pragma once
#include <sqlite3.h>

#include <string>

#include "platform/settings_storage.h"

namespace qm::platform::sqlite_store {

// The Win32 error for an SQLite result code.
LONG FromSqlite(int rc);
int Exec(sqlite3* db, const char* sql);
// $XDG_CONFIG_HOME/Kelo Zezazidu Software/settings.db, XDG_CONFIG_HOME defaulting to ~/.config.
std::string StorePath();
// Opens a new connection to the user's store, creating its folder, file and tables when missing; a
// store the user may only read is opened read-only.
LONG OpenStore(sqlite3** out);

// One prepared statement, finalised on every path out.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) { rc_ = sqlite3_prepare_v2(db, sql, -1, &st_, nullptr); }
    ~Statement() { sqlite3_finalize(st_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    void Bind(int i, sqlite3_int64 v) { Check(sqlite3_bind_int64(st_, i, v)); }
    void Bind(int i, const std::u16string& s) {
        Check(sqlite3_bind_text16(st_, i, s.data(), static_cast<int>(s.size() * 2), SQLITE_TRANSIENT));
    }
    void BindBlob(int i, const void* data, DWORD size) {
        // An empty blob must still be a blob, not NULL.
        Check(sqlite3_bind_blob(st_, i, size != 0 ? data : "", static_cast<int>(size), SQLITE_TRANSIENT));
    }
    // SQLITE_ROW, SQLITE_DONE or an error code (also a failed prepare or bind).
    int Step() { return rc_ != SQLITE_OK ? rc_ : sqlite3_step(st_); }
    sqlite3_int64 Int(int column) { return sqlite3_column_int64(st_, column); }
    std::u16string Text16(int column) {
        const void* text = sqlite3_column_text16(st_, column);
        const int bytes = sqlite3_column_bytes16(st_, column);
        return text != nullptr ? std::u16string(static_cast<const char16_t*>(text), bytes / 2) : std::u16string();
    }
    const void* Blob(int column, DWORD* size) {
        const void* data = sqlite3_column_blob(st_, column);
        *size = static_cast<DWORD>(sqlite3_column_bytes(st_, column));
        return data;
    }

private:
    void Check(int rc) {
        if (rc_ == SQLITE_OK) rc_ = rc;
    }
    sqlite3_stmt* st_ = nullptr;
    int rc_ = SQLITE_OK;
};


}  // namespace qm::platform::sqlite_store

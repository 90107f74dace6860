// The Linux settings store's file: where it lives, opening it, its tables and its error codes.
//
//   keys(id, parent, name, folded)       one row per key; folded is the whole path in upper case, so
//                                        that lookups ignore case like the registry; parent 0 is the root
//   vals(key, name, folded, type, data)  one row per value; data holds the bytes exactly as written
#include "platform/posix/settings_storage_sqlite.h"

#include <errno.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace qm::platform::sqlite_store {
namespace {

constexpr char kStoreFolder[] = "Kelo Zezazidu Software";
constexpr char kStoreFile[] = "settings.db";
// Long enough for another process's burst of writes, short enough that a stuck lock is reported.
constexpr int kBusyTimeoutMs = 10000;
constexpr int kSchemaVersion = 1;

LONG FromErrno(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS: return ERROR_ACCESS_DENIED;
    case ENOENT:
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case ENOSPC: return ERROR_DISK_FULL;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_CANTOPEN;
    }
}

LONG EnsureFolder(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? ERROR_SUCCESS : ERROR_PATH_NOT_FOUND;
    const size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0) {
        const LONG error = EnsureFolder(path.substr(0, slash));
        if (error != ERROR_SUCCESS) return error;
    }
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return FromErrno(errno);
    return ERROR_SUCCESS;
}

// $XDG_CONFIG_HOME is honoured only when absolute, as the XDG base-directory rules ask.
std::string StoreFolder() {
    std::string base;
    const char* config = getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') {
        base = config;
    } else {
        const char* home = getenv("HOME");
        passwd entry;
        passwd* user = nullptr;
        char buffer[4096];
        if ((home == nullptr || home[0] == 0) &&
            getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &user) == 0 && user != nullptr) {
            home = user->pw_dir;
        }
        base = std::string(home != nullptr ? home : "") + "/.config";
    }
    return base + "/" + kStoreFolder;
}

LONG PrepareSchema(sqlite3* db) {
    int version = -1;
    {
        Statement st(db, "PRAGMA user_version");
        const int rc = st.Step();
        if (rc != SQLITE_ROW) return FromSqlite(rc);
        version = static_cast<int>(st.Int(0));
    }
    if (version == kSchemaVersion) return ERROR_SUCCESS;
    if (version != 0) return ERROR_BADDB;  // a layout this code does not know
    // A new store. WAL is persistent; when another process is creating the store at the same moment
    // the switch may be refused, which is harmless: that process switches it.
    Exec(db, "PRAGMA journal_mode=WAL");
    int rc = Exec(db,
                  "BEGIN IMMEDIATE;"
                  "CREATE TABLE IF NOT EXISTS keys(id INTEGER PRIMARY KEY AUTOINCREMENT,"
                  " parent INTEGER NOT NULL, name TEXT NOT NULL, folded TEXT NOT NULL UNIQUE);"
                  "CREATE INDEX IF NOT EXISTS keys_parent ON keys(parent, folded);"
                  "CREATE TABLE IF NOT EXISTS vals(key INTEGER NOT NULL, name TEXT NOT NULL,"
                  " folded TEXT NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL, UNIQUE(key, folded));"
                  "PRAGMA user_version=1;"
                  "COMMIT;");
    if (rc != SQLITE_OK) {
        const LONG error = FromSqlite(rc);
        Exec(db, "ROLLBACK");
        return error;
    }
    return ERROR_SUCCESS;
}

// Opens one connection and readies its tables.
LONG OpenConnection(const std::string& name, int flags, sqlite3** out) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(name.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close(db);
        return FromSqlite(rc);
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    const LONG error = PrepareSchema(db);
    if (error != ERROR_SUCCESS) {
        sqlite3_close(db);
        return error;
    }
    // With WAL, NORMAL keeps every committed write across a crash of the process (only a power loss may
    // drop the last ones, as with the registry's lazy flush) and saves an fsync per write.
    Exec(db, "PRAGMA synchronous=NORMAL");
    *out = db;
    return ERROR_SUCCESS;
}

// A store the user may read but not write (another user's, or made read-only): a WAL database cannot
// be read without creating its shared-memory file beside it, so it is opened as immutable instead.
LONG OpenReadOnlySnapshot(const std::string& path, sqlite3** out) {
    std::string uri = "file:";
    for (const unsigned char c : path) {
        if (isalnum(c) || strchr("/-._~", c) != nullptr) {
            uri.push_back(static_cast<char>(c));
        } else {
            static const char kHex[] = "0123456789ABCDEF";
            uri += {'%', kHex[c >> 4], kHex[c & 15]};
        }
    }
    uri += "?immutable=1";
    return OpenConnection(uri, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, out);
}

}  // namespace

LONG FromSqlite(int rc) {
    switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE: return ERROR_SUCCESS;
    case SQLITE_NOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH: return ERROR_ACCESS_DENIED;
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return ERROR_LOCK_VIOLATION;
    case SQLITE_FULL: return ERROR_DISK_FULL;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT: return ERROR_BADDB;
    case SQLITE_CANTOPEN: return ERROR_CANTOPEN;
    default: return ERROR_REGISTRY_IO_FAILED;
    }
}

int Exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

std::string StorePath() { return StoreFolder() + "/" + kStoreFile; }

LONG OpenStore(sqlite3** out) {
    *out = nullptr;
    const std::string folder = StoreFolder();
    LONG error = EnsureFolder(folder);
    if (error != ERROR_SUCCESS) return error;
    const std::string path = folder + "/" + kStoreFile;
    struct stat st;
    // SQLite would open a directory read-only and fail later with a vague I/O error.
    if (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return ERROR_CANTOPEN;
    error = OpenConnection(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, out);
    if (error == ERROR_SUCCESS) return error;
    // SQLite retries read-only and reports the retry's errno; the permissions tell the real story.
    const bool exists = access(path.c_str(), F_OK) == 0;
    if (!exists) return access(folder.c_str(), W_OK) != 0 ? ERROR_ACCESS_DENIED : error;
    if (access(path.c_str(), R_OK) != 0) return ERROR_ACCESS_DENIED;
    if (access(path.c_str(), W_OK) == 0 && access(folder.c_str(), W_OK) == 0) return error;
    const LONG readOnly = OpenReadOnlySnapshot(path, out);
    return readOnly == ERROR_SUCCESS ? ERROR_SUCCESS : error;
}

}  // namespace qm::platform::sqlite_store

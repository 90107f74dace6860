#include "platform/directory.h"

#include <windows.h>

#include <algorithm>
#include <string>

namespace qm::platform {
namespace {

bool Less(const DirectoryEntry& a, const DirectoryEntry& b) noexcept {
    return lstrcmpiW(a.name, b.name) < 0;
}

WCHAR Upper(WCHAR c) noexcept { return c >= L'a' && c <= L'z' ? static_cast<WCHAR>(c - 0x20) : c; }

}  // namespace

HRESULT ListDirectory(const WCHAR* folder, std::vector<DirectoryEntry>* entries) noexcept {
    if (folder == nullptr || entries == nullptr) return E_POINTER;
    entries->clear();
    try {
        std::wstring pattern = folder;
        if (pattern.empty() || pattern.back() != L'\\') pattern.push_back(L'\\');
        pattern.push_back(L'*');
        WIN32_FIND_DATAW data;
        const HANDLE find = FindFirstFileW(pattern.c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            return error == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(error);
        }
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L".." || name.size() >= static_cast<size_t>(kPluginPathChars)) continue;
            DirectoryEntry entry{};
            const bool directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            // A junction or linked folder is not followed: it may point back up the tree.
            if (directory && (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) continue;
            entry.directory = directory;
            name.copy(entry.name, name.size());
            entries->push_back(entry);
        } while (FindNextFileW(find, &data));
        FindClose(find);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    std::sort(entries->begin(), entries->end(), Less);
    return S_OK;
}

bool IsModuleFileName(const WCHAR* name) noexcept {
    const size_t n = name == nullptr ? 0 : wcslen(name);
    return n > 4 && name[n - 4] == L'.' && Upper(name[n - 3]) == L'D' && Upper(name[n - 2]) == L'L' &&
           Upper(name[n - 1]) == L'L';
}

const WCHAR* const* RefusedScanFolders() noexcept {
    // Read on first use and kept for the life of the process.
    static WCHAR windows[MAX_PATH + 2] = {};
    static const WCHAR* folders[2] = {nullptr, nullptr};
    static const bool ready = [] {
        UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return true;
        if (windows[n - 1] != L'\\') windows[n++] = L'\\';
        windows[n] = 0;
        folders[0] = windows;
        return true;
    }();
    (void)ready;
    return folders;
}

}  // namespace qm::platform

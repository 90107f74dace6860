// Listing the entries of one folder, for the folder scan: the only place that touches
// FindFirstFile/opendir.
#pragma once
#include <vector>

#include "qmvsti/com.h"
#include "qmvsti/host_structures.h"

namespace qm::platform {

#ifdef _WIN32
inline constexpr WCHAR kPathSeparator = L'\\';
#else
inline constexpr WCHAR kPathSeparator = u'/';
#endif

struct DirectoryEntry {
    WCHAR name[kPluginPathChars];  // file name only, without folder
    bool directory;
};

// The entries of `folder` (with or without a trailing separator), "." and ".." left out, sorted by
// name so that a scan visits them in the same order on every run. A directory reached through a
// symbolic link or junction is listed as neither file nor directory: following it could loop.
// S_OK, or the OS error as an HRESULT when the folder cannot be read.
HRESULT ListDirectory(const WCHAR* folder, std::vector<DirectoryEntry>* entries) noexcept;

// True when `name` has the extension of a loadable plug-in module on this OS: ".dll" in any letter
// case on Windows, ".so" on Linux.
bool IsModuleFileName(const WCHAR* name) noexcept;

// The folders a scan must never enter, each ending in a separator, null-terminated. Windows: the
// Windows directory, read once. Linux has no such folder of system modules; the pseudo file systems
// /proc, /sys and /dev are refused instead, because walking them never ends or means nothing.
const WCHAR* const* RefusedScanFolders() noexcept;

}  // namespace qm::platform

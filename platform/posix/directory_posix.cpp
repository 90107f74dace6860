#include "platform/directory.h"

#include <dirent.h>
#include <errno.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/posix/errno_result.h"
#include "platform/text.h"

namespace qm::platform {
namespace {

bool Less(const DirectoryEntry& a, const DirectoryEntry& b) noexcept {
    return std::char_traits<WCHAR>::compare(a.name, b.name, kPluginPathChars) < 0;
}

}  // namespace

HRESULT ListDirectory(const WCHAR* folder, std::vector<DirectoryEntry>* entries) noexcept {
    if (folder == nullptr || entries == nullptr) return E_POINTER;
    entries->clear();
    std::string base = WideToUtf8(folder);
    if (base.empty() || base.back() != '/') base.push_back('/');
    DIR* dir = opendir(base.c_str());
    if (dir == nullptr) return ResultFromErrno(errno);
    try {
        while (const dirent* d = readdir(dir)) {
            if (std::strcmp(d->d_name, ".") == 0 || std::strcmp(d->d_name, "..") == 0) continue;
            struct stat link {};
            const std::string full = base + d->d_name;
            if (lstat(full.c_str(), &link) != 0) continue;
            DirectoryEntry entry{};
            if (S_ISDIR(link.st_mode)) {
                entry.directory = true;
            } else if (S_ISLNK(link.st_mode)) {
                // A link to a module is a module; a link to a folder is not followed.
                struct stat target {};
                if (stat(full.c_str(), &target) != 0 || !S_ISREG(target.st_mode)) continue;
            } else if (!S_ISREG(link.st_mode)) {
                continue;
            }
            const std::u16string wide = Utf8ToWide(d->d_name);
            if (wide.size() >= kPluginPathChars) continue;  // a cut name would name another file
            wide.copy(entry.name, wide.size());
            entries->push_back(entry);
        }
    } catch (...) {
        closedir(dir);
        return E_OUTOFMEMORY;
    }
    closedir(dir);
    std::sort(entries->begin(), entries->end(), Less);
    return S_OK;
}

bool IsModuleFileName(const WCHAR* name) noexcept {
    const size_t n = WideLength(name);
    return n > 3 && name[n - 3] == u'.' && name[n - 2] == u's' && name[n - 1] == u'o';
}

const WCHAR* const* RefusedScanFolders() noexcept {
    static const WCHAR* const folders[] = {u"/proc/", u"/sys/", u"/dev/", nullptr};
    return folders;
}

}  // namespace qm::platform

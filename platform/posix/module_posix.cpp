#include "platform/module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <string>

#include "platform/text.h"

namespace qm::platform {
namespace {

// dlerror() is text only; keep a code so callers can report a result like GetLastError.
thread_local DWORD t_lastError = 0;

void* Open(const WCHAR* path, int flags) noexcept {
    if (path == nullptr || path[0] == 0) {
        t_lastError = ERROR_INVALID_PARAMETER;
        return nullptr;
    }
    const std::string utf8 = WideToUtf8(path);
    void* handle = dlopen(utf8.c_str(), flags);
    t_lastError = handle ? 0 : ERROR_FILE_NOT_FOUND;
    return handle;
}

}  // namespace

// A lazy, local load is the closest Linux has to a load without initialisers: symbols are bound on
// first use and nothing leaks into the global namespace of other modules.
ModuleHandle ProbeModule(const WCHAR* path) noexcept { return Open(path, RTLD_LAZY | RTLD_LOCAL); }

ModuleHandle LoadModule(const WCHAR* path) noexcept { return Open(path, RTLD_NOW | RTLD_LOCAL); }

void* FindSymbol(ModuleHandle module, const char* name) noexcept {
    if (module == nullptr || name == nullptr) return nullptr;
    return dlsym(module, name);
}

void UnloadModule(ModuleHandle module) noexcept {
    if (module != nullptr) dlclose(module);
}

DWORD LastModuleError() noexcept { return t_lastError; }

size_t ModulePathOf(const void* address, WCHAR* path, size_t capacity) noexcept {
    if (path == nullptr || capacity == 0) return 0;
    path[0] = 0;
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return 0;
    // A truncated path names another file: give nothing rather than a wrong path.
    const std::u16string wide = Utf8ToWide(info.dli_fname);
    if (wide.size() >= capacity) return 0;
    wide.copy(path, wide.size());
    path[wide.size()] = 0;
    return wide.size();
}

size_t ProcessExecutablePath(WCHAR* path, size_t capacity) noexcept {
    if (path == nullptr || capacity == 0) return 0;
    path[0] = 0;
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (n <= 0) return 0;
    buffer[n] = 0;
    const std::u16string wide = Utf8ToWide(buffer);
    if (wide.size() >= capacity) return 0;
    wide.copy(path, wide.size());
    path[wide.size()] = 0;
    return wide.size();
}

}  // namespace qm::platform

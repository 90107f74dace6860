#include "platform/module.h"

#include "platform/win32/component_context.h"
#include "platform/win32/guard_abort.h"

namespace qm::platform {

// Maps the image without running DllMain or loading its imports: enough to look up exports of a
// module whose dependencies may be missing.
ModuleHandle ProbeModule(const WCHAR* path) noexcept {
    if (path == nullptr || path[0] == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return LoadLibraryExW(path, nullptr, DONT_RESOLVE_DLL_REFERENCES);
}

ModuleHandle LoadModule(const WCHAR* path) noexcept {
    if (path == nullptr || path[0] == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // Inside the component's context: the plug-in's and the language module's dependencies resolve
    // against the component's manifest, not the host's.
    ComponentContextScope context;
    HMODULE module = LoadLibraryW(path);
    if (module != nullptr) guard_abort::NoteModuleLoaded(module);
    return module;
}

void* FindSymbol(ModuleHandle module, const char* name) noexcept {
    if (module == nullptr || name == nullptr) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void UnloadModule(ModuleHandle module) noexcept {
    if (module != nullptr) FreeLibrary(static_cast<HMODULE>(module));
}

DWORD LastModuleError() noexcept { return GetLastError(); }

size_t ModulePathOf(const void* address, WCHAR* path, size_t capacity) noexcept {
    if (path == nullptr || capacity == 0) return 0;
    path[0] = 0;
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(address), &module)) {
        return 0;
    }
    const DWORD length = GetModuleFileNameW(module, path, static_cast<DWORD>(capacity));
    if (length == 0 || length >= capacity) {
        path[0] = 0;
        return 0;
    }
    return length;
}

size_t ProcessExecutablePath(WCHAR* path, size_t capacity) noexcept {
    if (path == nullptr || capacity == 0) return 0;
    path[0] = 0;
    const DWORD length = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(capacity));
    if (length == 0 || length >= capacity) {
        path[0] = 0;
        return 0;
    }
    return length;
}

}  // namespace qm::platform

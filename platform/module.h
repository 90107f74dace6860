// Loading plug-in and language modules: the only place that touches LoadLibrary/dlopen.
#pragma once
#include "qmvsti/com.h"

namespace qm::platform {

using ModuleHandle = void*;

// Maps the module without running its initialisers or resolving its imports where the OS allows it
// (DONT_RESOLVE_DLL_REFERENCES on Windows; a lazy, local load on Linux). Enough to look up exports.
ModuleHandle ProbeModule(const WCHAR* path) noexcept;
// Loads the module for real. Null on failure; LastModuleError() then says why.
ModuleHandle LoadModule(const WCHAR* path) noexcept;
void* FindSymbol(ModuleHandle module, const char* name) noexcept;
void UnloadModule(ModuleHandle module) noexcept;
// The OS error of the last failed load on this thread (GetLastError / a dlerror code), 0 when none.
DWORD LastModuleError() noexcept;
// The file of the module that contains `address` (this library, for a function of its own), as UTF-16.
// Writes at most capacity characters including the terminator; returns the length, 0 on failure.
size_t ModulePathOf(const void* address, WCHAR* path, size_t capacity) noexcept;
// The executable file of the running process (the host application), as ModulePathOf writes it.
size_t ProcessExecutablePath(WCHAR* path, size_t capacity) noexcept;

}  // namespace qm::platform

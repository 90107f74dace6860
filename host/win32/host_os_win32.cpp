#include <windows.h>

#include <cstdio>
#include <io.h>
#include <string>

#include "host_os.h"
#include "text.h"

namespace qm::host {

namespace {
std::wstring Wide(const std::string& utf8) {
    const std::u16string w = ToUtf16(utf8);
    return std::wstring(w.begin(), w.end());
}
std::string Narrow(const wchar_t* text) { return ToUtf8(reinterpret_cast<const WCHAR*>(text)); }
}  // namespace

void* OsLoadModule(const std::string& utf8Path, std::string* error) {
    // No "cannot find DLL" message box for a plug-in with a missing dependency.
    const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryW(Wide(utf8Path).c_str());
    const DWORD code = GetLastError();
    SetErrorMode(previous);
    if (module == nullptr && error != nullptr) *error = "cannot load " + utf8Path + " (error " + std::to_string(code) + ")";
    return reinterpret_cast<void*>(module);
}

void* OsFindSymbol(void* module, const char* name) {
    return module != nullptr ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name)) : nullptr;
}

void OsUnloadModule(void* module) {
    if (module != nullptr) FreeLibrary(static_cast<HMODULE>(module));
}

std::string OsExecutableFolder() {
    wchar_t buffer[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH * 4);
    if (n == 0 || n >= MAX_PATH * 4) return ".";
    std::string path = Narrow(buffer);
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string OsSettingsFolder() {
    const DWORD n = GetEnvironmentVariableW(L"APPDATA", nullptr, 0);
    if (n == 0) return {};
    std::wstring value(n, L'\0');
    GetEnvironmentVariableW(L"APPDATA", value.data(), n);
    value.resize(n - 1);
    return Narrow(value.c_str()) + "\\QmVSTi Host";
}

const char* OsLibraryFileName() { return "QmVSTi.dll"; }
const char* OsPathSeparator() { return "\\"; }

bool OsStderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

}  // namespace qm::host

// The platform parts of the test support: environment.h and the plug-in file suffix of test_plugin.h.
#include <windows.h>

#include <cstdlib>
#include <string>
#include "support/environment.h"
#include "support/test_plugin.h"

namespace qm::test {

void SetEnvironment(const char* name, const char* value) {
    // Plug-ins may read the process block (GetEnvironmentVariable) or their C runtime's copy (getenv):
    // update both. "_putenv("NAME=")" removes the CRT entry.
    SetEnvironmentVariableA(name, value);
    const std::string assignment = std::string(name) + "=" + (value ? value : "");
    _putenv(assignment.c_str());
}

std::string GetEnvironment(const char* name) {
    char buffer[4096];
    const DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return length > 0 && length < sizeof buffer ? std::string(buffer, length) : std::string();
}

bool IsEnvironmentSet(const char* name) {
    char buffer[1];
    SetLastError(0);
    return GetEnvironmentVariableA(name, buffer, sizeof buffer) > 0 || GetLastError() != ERROR_ENVVAR_NOT_FOUND;
}

std::string TemporaryDirectory() {
    char buffer[MAX_PATH + 1];
    const DWORD length = GetTempPathA(sizeof buffer, buffer);
    return length > 0 && length < sizeof buffer ? std::string(buffer, length) : std::string(".\\");
}

unsigned long CurrentProcessId() { return GetCurrentProcessId(); }

const char* PluginFileSuffix() { return ".dll"; }

}  // namespace qm::test

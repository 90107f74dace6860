// The platform parts of the test support: environment.h and the plug-in file suffix of test_plugin.h.
#include <unistd.h>

#include <cstdlib>
#include "support/environment.h"
#include "support/test_plugin.h"

namespace qm::test {

void SetEnvironment(const char* name, const char* value) {
    if (value) setenv(name, value, 1);
    else unsetenv(name);
}

std::string GetEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool IsEnvironmentSet(const char* name) { return std::getenv(name) != nullptr; }

std::string TemporaryDirectory() {
    const char* folder = std::getenv("TMPDIR");
    std::string path = folder && *folder ? folder : "/tmp";
    if (path.back() != '/') path += '/';
    return path;
}

unsigned long CurrentProcessId() { return static_cast<unsigned long>(getpid()); }

const char* PluginFileSuffix() { return ".so"; }

}  // namespace qm::test

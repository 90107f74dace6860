#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>

#include "host_os.h"

namespace qm::host {

void* OsLoadModule(const std::string& utf8Path, std::string* error) {
    // RTLD_LOCAL keeps a plug-in's symbols from answering another module's look-ups.
    void* module = dlopen(utf8Path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr && error != nullptr) {
        const char* why = dlerror();
        *error = why != nullptr ? why : "cannot load " + utf8Path;
    }
    return module;
}

void* OsFindSymbol(void* module, const char* name) { return module != nullptr ? dlsym(module, name) : nullptr; }

void OsUnloadModule(void* module) {
    if (module != nullptr) dlclose(module);
}

std::string OsExecutableFolder() {
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (n <= 0) return ".";
    std::string path(buffer, static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string OsSettingsFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') return std::string(config) + "/QmVSTi Host";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != 0) return std::string(home) + "/.config/QmVSTi Host";
    return {};
}

const char* OsLibraryFileName() { return "libqmvsti.so"; }
const char* OsPathSeparator() { return "/"; }

bool OsStderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

}  // namespace qm::host

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <sys/stat.h>

#include "../entry_module_support.h"

namespace qm::test {

namespace {
std::string g_savedXdg;
bool g_hadXdg = false;
std::string g_profileFolder;
}  // namespace

const char* ModuleFileName() { return "libqmvsti.so"; }
const char* DebugStringExportName() { return "QmDebugString"; }

std::string MakeTempFolder() {
    char pattern[] = "/tmp/qmvsti_entry_XXXXXX";
    const char* made = mkdtemp(pattern);
    return made == nullptr ? std::string("/tmp/") : std::string(made) + "/";
}

void RemoveTempFolder(const std::string& folder) { rmdir(folder.c_str()); }

void SetDebugProfile(const std::string& folder, const std::string& logPath) {
    const char* xdg = getenv("XDG_CONFIG_HOME");
    g_hadXdg = xdg != nullptr;
    g_savedXdg = xdg != nullptr ? xdg : "";
    g_profileFolder = folder + "Kelo Zezazidu Software";
    mkdir(g_profileFolder.c_str(), 0755);
    std::ofstream(g_profileFolder + "/profile.ini") << "[Other]\nLogToFilePath=/nowhere\n\n[debug]\n  logtofilepath = "
                                                    << logPath << "\nDeviceIoctl=0\n";
    setenv("XDG_CONFIG_HOME", folder.substr(0, folder.size() - 1).c_str(), 1);
}

void ClearDebugProfile() {
    std::remove((g_profileFolder + "/profile.ini").c_str());
    rmdir(g_profileFolder.c_str());
    if (g_hadXdg) {
        setenv("XDG_CONFIG_HOME", g_savedXdg.c_str(), 1);
    } else {
        unsetenv("XDG_CONFIG_HOME");
    }
}

}  // namespace qm::test

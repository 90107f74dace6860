#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "../entry_module_support.h"
#include "support/environment.h"

namespace qm::test {

namespace {
// The profile lives beside the settings, under the temporary XDG_CONFIG_HOME every Linux test uses.
std::string ProfilePath() { return GetEnvironment("XDG_CONFIG_HOME") + "/Kelo Zezazidu Software/profile.ini"; }
}  // namespace

const char* ModuleFileName() { return "libqmvsti.so"; }
const char* DebugStringExportName() { return "QmDebugString"; }

void SetDebugProfile(const char* logPath) {
    std::remove(ProfilePath().c_str());
    if (logPath == nullptr) return;
    mkdir((GetEnvironment("XDG_CONFIG_HOME") + "/Kelo Zezazidu Software").c_str(), 0755);
    // Section and key names in any case, spaces around them, and the same key in another section first.
    std::ofstream(ProfilePath()) << "[Other]\nLogToFilePath=/nowhere\n\n[debug]\n  logtofilepath = " << logPath
                                 << "\nDeviceIoctl=0\n";
}

}  // namespace qm::test

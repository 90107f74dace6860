// The few things the host asks of the operating system; implemented in posix/ and win32/.
#pragma once
#include <string>

namespace qm::host {

// Loads a module by its UTF-8 path; null with a reason in *error.
void* OsLoadModule(const std::string& utf8Path, std::string* error);
void* OsFindSymbol(void* module, const char* name);
void OsUnloadModule(void* module);
// Folder of the running program (UTF-8, no trailing separator).
std::string OsExecutableFolder();
// The host's settings folder: "$XDG_CONFIG_HOME/QmVSTi Host" (default ~/.config) or
// "%APPDATA%\QmVSTi Host". Empty when neither can be found.
std::string OsSettingsFolder();
// File name of the library beside the program.
const char* OsLibraryFileName();
const char* OsPathSeparator();
// True when standard error is a terminal (a progress bar is then worth drawing).
bool OsStderrIsTerminal();

}  // namespace qm::host

// Per-platform helpers of the module tests (tests/unit/posix, tests/unit/win32).
#pragma once
#include <string>

namespace qm::test {

// The module's file name beside the test program.
const char* ModuleFileName();
// The exported name of QmDebugString (stdcall-decorated on i686 Windows).
const char* DebugStringExportName();
// A new empty folder (path with a trailing separator) and its removal.
std::string MakeTempFolder();
void RemoveTempFolder(const std::string& folder);
// Points "LogToFilePath" of the user profile's "Debug" section at `logPath` (the profile of Linux
// lives under `folder`, which serves as XDG_CONFIG_HOME until ClearDebugProfile).
void SetDebugProfile(const std::string& folder, const std::string& logPath);
void ClearDebugProfile();

}  // namespace qm::test

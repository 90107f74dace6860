// Per-platform helpers of the module tests (tests/unit/posix, tests/unit/win32).
#pragma once

namespace qm::test {

// The module's file name beside the test program.
const char* ModuleFileName();
// The exported name of QmDebugString (stdcall-decorated on i686 Windows).
const char* DebugStringExportName();
// Points "LogToFilePath" of the user profile's "Debug" section at `logPath`; null removes it.
void SetDebugProfile(const char* logPath);

}  // namespace qm::test

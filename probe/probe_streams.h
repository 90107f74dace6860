// What the probe needs of its OS: its one argument, and a report stream that nothing the module
// prints can reach.
#pragma once
#include <string>

#include "qmvsti/com.h"

namespace qm::probe {

// The module path given as the only argument; false when there is not exactly one.
bool ModuleArgument(int argc, char** argv, std::basic_string<WCHAR>* path);
// Keeps the standard output for the report and points the process's standard output at nothing,
// so that whatever the module prints is lost instead of corrupting the report.
void SetAsideReportStream();
// Writes the report to the stream set aside.
void WriteReport(const std::string& report);
// Ends the process at once, without running what the module may have registered for exit.
[[noreturn]] void EndProcess(int code);

}  // namespace qm::probe

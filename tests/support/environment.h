// Process environment for tests that steer plug-ins (QMVSTI_RECORDER_LOG, QMVSTI_FAULT) and temporary
// files for their logs.
#pragma once
#include <string>
#include <vector>

namespace qm::test {

// Sets (value non-null) or removes (null) a variable so that plug-ins in this process see it at once,
// whichever C runtime they use (on Windows both the process block and the CRT copy are updated).
void SetEnvironment(const char* name, const char* value);
// The current value; empty when unset.
std::string GetEnvironment(const char* name);

// Sets a variable for a scope and restores the previous state afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name_;
    std::string previous_;
    bool wasSet_;
};

// A path in the temporary folder unique to this process and call: "<temp>/<stem>-<pid>-<n>.<ext>".
// The file is not created; any old file of that name is removed.
std::string TemporaryFilePath(const char* stem, const char* extension);
// A folder of its own in the temporary folder (path in UTF-8), removed with everything below it at the end.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const char* stem);
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::string path;
};
// The whole content of a file; empty when it does not exist.
std::string ReadTextFile(const std::string& path);
void RemoveFile(const std::string& path);

// Platform parts.
bool IsEnvironmentSet(const char* name);
std::string TemporaryDirectory();  // ends with a separator
unsigned long CurrentProcessId();

}  // namespace qm::test

// Short-lived child processes (the scan's isolated probe): the only place that touches
// posix_spawn/CreateProcess. The child's standard output is captured; its standard input and error
// lead nowhere, so that a chatty plug-in cannot block it or fill the host's console.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "qmvsti/com.h"

namespace qm::platform {

enum class ChildEnd {
    Exited,    // ended by itself; exit code valid
    Crashed,   // ended by a signal or an unhandled exception
    TimedOut,  // still running at the deadline; it was killed
};

class ChildProcess {
public:
    ChildProcess() noexcept = default;
    ~ChildProcess();  // kills a child still running
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `program` with `arguments` (argv[1] onwards). S_OK, or the OS error as an HRESULT.
    HRESULT Start(const WCHAR* program, const std::vector<std::basic_string<WCHAR>>& arguments) noexcept;
    // Waits until the child ends, killing it when it still runs `timeoutMs` after Start. Appends what
    // it wrote to its standard output (up to 64 KiB) to *output; *exitCode is the exit code for
    // Exited, the signal number or exception code for Crashed.
    ChildEnd Finish(uint32_t timeoutMs, std::string* output, uint32_t* exitCode) noexcept;
    bool Started() const noexcept { return started_; }

private:
    bool started_ = false;
    uint32_t startedAt_ = 0;
    intptr_t process_ = -1;  // pid, or the process handle
    intptr_t output_ = -1;   // read end of the output pipe
};

// The number of threads this process runs now (0 when the OS will not say).
unsigned CurrentProcessThreadCount() noexcept;
// The number of processors the OS lets this process use (at least 1).
unsigned ProcessorCount() noexcept;
// The file name of the scan's probe program, which sits beside the module.
const WCHAR* ProbeProgramName() noexcept;

}  // namespace qm::platform

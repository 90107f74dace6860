// Worker threads (scan worker, editor idle) with an OS thread under them.
#pragma once
#include <cstdint>

namespace qm::platform {

class Thread {
public:
    using Routine = uint32_t (*)(void* context);
    Thread() noexcept = default;
    ~Thread();  // joins a thread still running
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;
    // Starts the routine; false when the OS refused.
    bool Start(Routine routine, void* context) noexcept;
    // Waits for the routine's end; true with its result when it ended within timeoutMs.
    bool Join(uint32_t timeoutMs, uint32_t* exitCode = nullptr) noexcept;
    bool Running() const noexcept { return handle_ != nullptr; }

private:
    void* handle_ = nullptr;
};

uint32_t CurrentThreadId() noexcept;
void SleepMs(uint32_t ms) noexcept;

}  // namespace qm::platform

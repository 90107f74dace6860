#include "platform/thread.h"

#include <process.h>
#include <windows.h>

#include <new>

namespace qm::platform {
namespace {

struct StartBlock {
    Thread::Routine routine;
    void* context;
};

unsigned __stdcall Trampoline(void* arg) {
    StartBlock block = *static_cast<StartBlock*>(arg);
    delete static_cast<StartBlock*>(arg);
    return block.routine(block.context);
}

}  // namespace

Thread::~Thread() {
    if (handle_ != nullptr) Join(INFINITE);
}

bool Thread::Start(Routine routine, void* context) noexcept {
    if (handle_ != nullptr || routine == nullptr) return false;
    auto* block = new (std::nothrow) StartBlock{routine, context};
    if (block == nullptr) return false;
    // _beginthreadex so the C runtime's per-thread data is set up for code the routine calls.
    const uintptr_t handle = _beginthreadex(nullptr, 0, Trampoline, block, 0, nullptr);
    if (handle == 0) {
        delete block;
        return false;
    }
    handle_ = reinterpret_cast<void*>(handle);
    return true;
}

bool Thread::Join(uint32_t timeoutMs, uint32_t* exitCode) noexcept {
    if (handle_ == nullptr) return false;
    if (WaitForSingleObject(handle_, timeoutMs) != WAIT_OBJECT_0) return false;
    DWORD code = 0;
    GetExitCodeThread(handle_, &code);
    if (exitCode != nullptr) *exitCode = code;
    CloseHandle(handle_);
    handle_ = nullptr;
    return true;
}

uint32_t CurrentThreadId() noexcept { return GetCurrentThreadId(); }

void SleepMs(uint32_t ms) noexcept { Sleep(ms); }

}  // namespace qm::platform

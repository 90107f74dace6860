#include "platform/thread.h"

#include <pthread.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <new>
#include <sys/syscall.h>

#include "platform/sync.h"

namespace qm::platform {
namespace {

// pthread_join has no timeout; the routine signals its end so Join can wait with one.
struct ThreadState {
    pthread_t thread{};
    Thread::Routine routine = nullptr;
    void* context = nullptr;
    uint32_t exitCode = 0;
    ManualResetEvent finished;
    bool joined = false;
};

void* Trampoline(void* arg) {
    auto* state = static_cast<ThreadState*>(arg);
    state->exitCode = state->routine(state->context);
    state->finished.Set();
    return nullptr;
}

}  // namespace

Thread::~Thread() {
    if (handle_ != nullptr) Join(ManualResetEvent::kInfinite);
}

bool Thread::Start(Routine routine, void* context) noexcept {
    if (handle_ != nullptr || routine == nullptr) return false;
    auto* state = new (std::nothrow) ThreadState;
    if (state == nullptr) return false;
    state->routine = routine;
    state->context = context;
    if (pthread_create(&state->thread, nullptr, Trampoline, state) != 0) {
        delete state;
        return false;
    }
    handle_ = state;
    return true;
}

bool Thread::Join(uint32_t timeoutMs, uint32_t* exitCode) noexcept {
    auto* state = static_cast<ThreadState*>(handle_);
    if (state == nullptr) return false;
    if (!state->finished.Wait(timeoutMs)) return false;
    pthread_join(state->thread, nullptr);
    if (exitCode != nullptr) *exitCode = state->exitCode;
    delete state;
    handle_ = nullptr;
    return true;
}

uint32_t CurrentThreadId() noexcept { return static_cast<uint32_t>(syscall(SYS_gettid)); }

void SleepMs(uint32_t ms) noexcept {
    timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}

}  // namespace qm::platform

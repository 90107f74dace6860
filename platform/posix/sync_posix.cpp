#include "platform/sync.h"

#include <errno.h>
#include <pthread.h>
#include <time.h>

#include <new>

namespace qm::platform {
namespace {

struct EventState {
    pthread_mutex_t mutex;
    pthread_cond_t cond;
    bool signalled;
};

pthread_mutex_t* AsMutex(unsigned char* storage) { return reinterpret_cast<pthread_mutex_t*>(storage); }
EventState* AsEvent(unsigned char* storage) { return reinterpret_cast<EventState*>(storage); }
const EventState* AsEvent(const unsigned char* storage) { return reinterpret_cast<const EventState*>(storage); }

}  // namespace

static_assert(sizeof(pthread_mutex_t) <= 64, "RecursiveLock storage too small");
static_assert(sizeof(EventState) <= 128, "ManualResetEvent storage too small");

RecursiveLock::RecursiveLock() noexcept {
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(new (storage_) pthread_mutex_t, &attr);
    pthread_mutexattr_destroy(&attr);
}

RecursiveLock::~RecursiveLock() { pthread_mutex_destroy(AsMutex(storage_)); }

void RecursiveLock::Enter() noexcept { pthread_mutex_lock(AsMutex(storage_)); }

bool RecursiveLock::TryEnter() noexcept { return pthread_mutex_trylock(AsMutex(storage_)) == 0; }

void RecursiveLock::Leave() noexcept { pthread_mutex_unlock(AsMutex(storage_)); }

ManualResetEvent::ManualResetEvent(bool signalled) noexcept {
    EventState* state = new (storage_) EventState;
    pthread_mutex_init(&state->mutex, nullptr);
    pthread_condattr_t attr;
    pthread_condattr_init(&attr);
    pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
    pthread_cond_init(&state->cond, &attr);
    pthread_condattr_destroy(&attr);
    state->signalled = signalled;
}

ManualResetEvent::~ManualResetEvent() {
    EventState* state = AsEvent(storage_);
    pthread_cond_destroy(&state->cond);
    pthread_mutex_destroy(&state->mutex);
}

void ManualResetEvent::Set() noexcept {
    EventState* state = AsEvent(storage_);
    pthread_mutex_lock(&state->mutex);
    state->signalled = true;
    pthread_cond_broadcast(&state->cond);
    pthread_mutex_unlock(&state->mutex);
}

void ManualResetEvent::Reset() noexcept {
    EventState* state = AsEvent(storage_);
    pthread_mutex_lock(&state->mutex);
    state->signalled = false;
    pthread_mutex_unlock(&state->mutex);
}

bool ManualResetEvent::IsSet() const noexcept {
    EventState* state = const_cast<EventState*>(AsEvent(storage_));
    pthread_mutex_lock(&state->mutex);
    const bool signalled = state->signalled;
    pthread_mutex_unlock(&state->mutex);
    return signalled;
}

bool ManualResetEvent::Wait(uint32_t timeoutMs) noexcept {
    EventState* state = AsEvent(storage_);
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += timeoutMs / 1000;
    deadline.tv_nsec += static_cast<long>(timeoutMs % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    pthread_mutex_lock(&state->mutex);
    while (!state->signalled) {
        if (timeoutMs == kInfinite) {
            pthread_cond_wait(&state->cond, &state->mutex);
        } else if (pthread_cond_timedwait(&state->cond, &state->mutex, &deadline) == ETIMEDOUT) {
            break;
        }
    }
    const bool signalled = state->signalled;
    pthread_mutex_unlock(&state->mutex);
    return signalled;
}

}  // namespace qm::platform

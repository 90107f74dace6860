// Guarded calls on Linux: synchronous signals become outcomes.
//
// One process-wide handler for SEGV, BUS, FPE, ILL, TRAP and ABRT runs on a per-thread alternate
// stack (a stack overflow leaves no room on the thread's own stack) and siglongjmps to the innermost
// guard of the faulting thread. The jump buffer does not save the signal mask (that costs a system
// call on every guarded call, and a render block makes two); instead the handler puts back the mask
// the kernel saved for the interrupted code before it jumps: without that the faulting signal stays
// blocked after the jump and the next fault of that kind kills the process. A signal on a thread with
// no guard active goes to whoever handled it before us.
#include "platform/guard.h"

#include <pthread.h>
#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <mutex>

namespace qm::platform {
namespace {

constexpr int kGuardedSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGABRT};
constexpr size_t kSignalCount = sizeof(kGuardedSignals) / sizeof(kGuardedSignals[0]);
// Generous: the handler itself is small, but a chained handler (a sanitizer's report, a crash
// reporter of the host) may need far more than MINSIGSTKSZ.
constexpr size_t kAltStackSize = 64 * 1024;
// Faults this close to the end of the thread's stack (or with the stack pointer already there) are
// stack overflows; the main thread's stack ends at its rlimit, a little below what pthread reports.
constexpr uintptr_t kOverflowBelow = 1024 * 1024;
constexpr uintptr_t kOverflowAbove = 64 * 1024;
constexpr uintptr_t kFarBelowStack = 64 * 1024 * 1024;

struct GuardFrame {
    sigjmp_buf resume;
    GuardFrame* outer = nullptr;
    uintptr_t stackLow = 0;  // lowest usable address of this thread's stack
    volatile uint32_t code = 0;
};

// The innermost active guard of this thread. Initial-exec so the signal handler reads it without a
// call into the dynamic linker, which is not async-signal-safe.
__thread GuardFrame* tActiveGuard __attribute__((tls_model("initial-exec"))) = nullptr;

struct sigaction gPrevious[kSignalCount];
std::once_flag gInstallOnce;

// Per-thread preparation done by the first guarded call of a thread: the thread's stack bounds (for
// telling a stack overflow from another access violation) and an alternate signal stack.
class ThreadGuardState {
public:
    ~ThreadGuardState() {
        if (altStack_ == nullptr) return;
        stack_t current{};
        if (sigaltstack(nullptr, &current) == 0 && current.ss_sp == AltStackBase()) {
            stack_t restore = previousAltStack_;
            if (restore.ss_flags & SS_DISABLE) restore = stack_t{nullptr, SS_DISABLE, 0};
            sigaltstack(&restore, nullptr);
        }
        munmap(altStack_, guardSize_ + kAltStackSize);
    }

    uintptr_t StackLow() {
        if (!prepared_) Prepare();
        return stackLow_;
    }

private:
    void Prepare() {
        prepared_ = true;
        pthread_attr_t attr;
        if (pthread_getattr_np(pthread_self(), &attr) == 0) {
            void* base = nullptr;
            size_t size = 0;
            if (pthread_attr_getstack(&attr, &base, &size) == 0) stackLow_ = reinterpret_cast<uintptr_t>(base);
            pthread_attr_destroy(&attr);
        }
        // Keep an alternate stack someone else installed when it is big enough (a sanitizer's, the
        // host's); otherwise install ours, with a no-access page under it.
        if (sigaltstack(nullptr, &previousAltStack_) != 0) return;
        if (!(previousAltStack_.ss_flags & SS_DISABLE) && previousAltStack_.ss_size >= kAltStackSize) return;
        guardSize_ = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        void* memory = mmap(nullptr, guardSize_ + kAltStackSize, PROT_READ | PROT_WRITE,
                            MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
        if (memory == MAP_FAILED) return;
        mprotect(memory, guardSize_, PROT_NONE);
        stack_t stack{};
        stack.ss_sp = static_cast<char*>(memory) + guardSize_;
        stack.ss_size = kAltStackSize;
        if (sigaltstack(&stack, nullptr) != 0) {
            munmap(memory, guardSize_ + kAltStackSize);
            return;
        }
        altStack_ = memory;
    }

    void* AltStackBase() const { return static_cast<char*>(altStack_) + guardSize_; }

    bool prepared_ = false;
    uintptr_t stackLow_ = 0;
    void* altStack_ = nullptr;
    size_t guardSize_ = 0;
    stack_t previousAltStack_{};
};

thread_local ThreadGuardState tThreadState;

uintptr_t InterruptedStackPointer(const void* ucontext) {
    const auto* uc = static_cast<const ucontext_t*>(ucontext);
#if defined(__x86_64__)
    return static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_RSP]);
#elif defined(__i386__)
    return static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_ESP]);
#else
    (void)uc;
    return 0;
#endif
}

bool IsStackOverflow(const siginfo_t* info, const void* ucontext, uintptr_t stackLow) {
    if (stackLow == 0) return false;
    const auto address = reinterpret_cast<uintptr_t>(info->si_addr);
    const uintptr_t lowest = stackLow > kOverflowBelow ? stackLow - kOverflowBelow : 0;
    if (address >= lowest && address < stackLow + kOverflowAbove) return true;
    // A frame larger than the guard area jumps over it: the fault then lies far below, near the
    // stack pointer that was moved there.
    const uintptr_t sp = InterruptedStackPointer(ucontext);
    const uintptr_t farthest = stackLow > kFarBelowStack ? stackLow - kFarBelowStack : 0;
    return sp != 0 && sp >= farthest && sp < stackLow + kOverflowAbove;
}

uint32_t FloatingPointCode(int siCode) {
    switch (siCode) {
    case FPE_INTDIV: return kExceptionIntegerDivideByZero;
    case FPE_INTOVF: return kExceptionIntegerOverflow;
    case FPE_FLTDIV: return kExceptionFloatDivideByZero;
    case FPE_FLTOVF: return kExceptionFloatOverflow;
    case FPE_FLTUND: return kExceptionFloatUnderflow;
    case FPE_FLTRES: return kExceptionFloatInexactResult;
    case FPE_FLTINV: return kExceptionFloatInvalidOperation;
    case FPE_FLTSUB: return kExceptionArrayBoundsExceeded;
    default: return kExceptionFloatMultipleFaults;
    }
}

uint32_t ExceptionCodeOf(int signal, const siginfo_t* info, const void* ucontext, uintptr_t stackLow) {
    switch (signal) {
    case SIGSEGV:
        return IsStackOverflow(info, ucontext, stackLow) ? kExceptionStackOverflow : kExceptionAccessViolation;
    case SIGBUS: return kExceptionAccessViolation;
    case SIGFPE: return FloatingPointCode(info->si_code);
    case SIGILL: return info->si_code == ILL_PRVOPC ? kExceptionPrivilegedInstruction : kExceptionIllegalInstruction;
    case SIGTRAP: return info->si_code == TRAP_TRACE ? kExceptionSingleStep : kExceptionBreakpoint;
    default: return kExceptionAbort;
    }
}

size_t SignalIndex(int signal) {
    for (size_t i = 0; i < kSignalCount; ++i)
        if (kGuardedSignals[i] == signal) return i;
    return 0;
}

// No guard on this thread: behave as if we had never been installed.
void ChainToPrevious(int signal, siginfo_t* info, void* ucontext) {
    const struct sigaction& previous = gPrevious[SignalIndex(signal)];
    if (previous.sa_flags & SA_SIGINFO) {
        if (previous.sa_sigaction != nullptr) {
            previous.sa_sigaction(signal, info, ucontext);
            return;
        }
    } else if (previous.sa_handler == SIG_IGN) {
        // Only a sent signal can be ignored; the kernel does not let a CPU fault be ignored either
        // (returning would re-run the faulting instruction forever).
        if (info->si_code <= 0) return;
    } else if (previous.sa_handler != SIG_DFL) {
        previous.sa_handler(signal);
        return;
    }
    // Default action: the signal is blocked while this handler runs, so the re-sent one terminates
    // the process (with a core where the signal has one) as soon as the handler returns.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    raise(signal);
}

void OnGuardedSignal(int signal, siginfo_t* info, void* ucontext) {
    GuardFrame* frame = tActiveGuard;
    // A signal sent by another process (kill -SEGV) is not the routine's fault.
    const bool fromOutside = info->si_code <= 0 && info->si_pid != getpid();
    if (frame == nullptr || fromOutside) {
        ChainToPrevious(signal, info, ucontext);
        return;
    }
    frame->code = ExceptionCodeOf(signal, info, ucontext, frame->stackLow);
    pthread_sigmask(SIG_SETMASK, &static_cast<ucontext_t*>(ucontext)->uc_sigmask, nullptr);
    siglongjmp(frame->resume, 1);
}

void InstallHandlers() {
    struct sigaction action {};
    action.sa_sigaction = &OnGuardedSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signal : kGuardedSignals) sigaddset(&action.sa_mask, signal);
    for (size_t i = 0; i < kSignalCount; ++i) sigaction(kGuardedSignals[i], &action, &gPrevious[i]);
}

// Kept out of line so that the jump buffer's frame is exactly this one: the routine runs below it
// and siglongjmp lands here, never in a frame that has already returned.
__attribute__((noinline)) uint32_t RunGuarded(GuardFrame& frame, GuardedRoutine routine, void* context) {
    if (sigsetjmp(frame.resume, 0) == 0) {
        tActiveGuard = &frame;
        const uint32_t code = guard_detail::InvokeRoutine(routine, context);
        tActiveGuard = frame.outer;
        return code;
    }
    tActiveGuard = frame.outer;
    return frame.code;
}

}  // namespace

GuardOutcome GuardedCall(GuardedRoutine routine, void* context) noexcept {
    const FloatingPointState caller = SaveFloatingPointState();
    std::call_once(gInstallOnce, InstallHandlers);
    GuardFrame frame;
    frame.outer = tActiveGuard;
    frame.stackLow = tThreadState.StackLow();
    const uint32_t code = RunGuarded(frame, routine, context);
    return guard_detail::Conclude(code, caller);
}

}  // namespace qm::platform

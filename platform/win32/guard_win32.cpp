// Guarded calls on 32-bit Windows: a structured-exception frame without compiler support.
//
// GCC has no __try, so the frame is built by hand: a registration record (Next, Handler) is pushed
// onto the thread's chain at fs:[0]. It is the first member of a frame object on the stack of an
// out-of-line function that stays live for the whole call, so nothing the optimiser does can reuse
// its bytes (mingw's __try1 macros hide the record from GCC, which at -O2 then overwrites it and
// the dispatcher fails with "Exception frame is not in stack limits"). Only a frame handler is
// used: a vectored handler would see, and steal, the faults the plug-in handles itself (Wine's
// IsBadReadPtr, a plug-in's own __try).
//
// The handler is called for exceptions no inner frame handled. It unwinds every frame above its
// own with RtlUnwind (the plug-in's __finally blocks and destructors run), unlinks its record and
// jumps back into the frame with __builtin_longjmp.
#include "platform/guard.h"
#include "platform/win32/guard_abort.h"
#include "platform/win32/guard_stack.h"

#include <windows.h>

// Frame handlers are chained at fs:[0] on 32-bit x86 only; x86_64 has table-based unwinding and its
// own guard in guard_win64.cpp.
#if defined(__i386__)

namespace qm::platform {
namespace {

struct SehRegistration {
    SehRegistration* next;
    void* handler;
};

struct GuardFrame {
    SehRegistration registration;  // first: the dispatcher hands its address to the handler
    void* resume[5];               // __builtin_setjmp buffer: frame pointer, label, stack pointer
    volatile uint32_t code;
};

SehRegistration* ExceptionList() {
    SehRegistration* head;
    __asm__ __volatile__("movl %%fs:0, %0" : "=r"(head));
    return head;
}

void SetExceptionList(SehRegistration* head) {
    __asm__ __volatile__("movl %0, %%fs:0" : : "r"(head) : "memory");
}

EXCEPTION_DISPOSITION __cdecl GuardExceptionHandler(EXCEPTION_RECORD* record, void* establisherFrame,
                                                   CONTEXT* /*context*/, void* /*dispatcherContext*/) {
    // Called once more while RtlUnwind (ours or a nested frame's) walks past: nothing to clean up.
    if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) return ExceptionContinueSearch;
    auto* frame = static_cast<GuardFrame*>(establisherFrame);
    frame->code = record->ExceptionCode;
    // On a stack overflow this runs on the few kilobytes below the guard page: keep it lean.
    RtlUnwind(establisherFrame, nullptr, record, nullptr);
    SetExceptionList(frame->registration.next);
    __builtin_longjmp(frame->resume, 1);
}

// Out of line so that the frame object (in the caller's frame, its address taken) outlives every
// instruction of the routine, and so that the handler lands in a frame that is still active.
__attribute__((noinline)) uint32_t RunGuarded(GuardFrame* frame, GuardedRoutine routine, void* context) {
    frame->code = 0;
    frame->registration.handler = reinterpret_cast<void*>(&GuardExceptionHandler);
    frame->registration.next = ExceptionList();
    if (__builtin_setjmp(frame->resume) == 0) {
        SetExceptionList(&frame->registration);
        const uint32_t code = guard_detail::InvokeRoutine(routine, context);
        // Also drops records a routine registered and never removed.
        SetExceptionList(frame->registration.next);
        return code;
    }
    return frame->code;
}

}  // namespace

// The innermost guard of this thread is the first record of ours on its handler chain; records the
// plug-in's runtime pushed above it are dropped with the jump.
void guard_abort::LeaveToInnermostGuard() noexcept {
    for (SehRegistration* record = ExceptionList();
         record != nullptr && record != reinterpret_cast<SehRegistration*>(-1); record = record->next) {
        if (record->handler != reinterpret_cast<void*>(&GuardExceptionHandler)) continue;
        auto* frame = reinterpret_cast<GuardFrame*>(record);
        frame->code = kExceptionAbort;
        SetExceptionList(frame->registration.next);
        __builtin_longjmp(frame->resume, 1);
    }
}

GuardOutcome GuardedCall(GuardedRoutine routine, void* context) noexcept {
    const FloatingPointState caller = SaveFloatingPointState();
    GuardFrame frame;
    guard_abort::BeginGuardedCall();
    const uint32_t code = RunGuarded(&frame, routine, context);
    guard_abort::EndGuardedCall();
    // The overflow used up the guard page; re-arm it so the next overflow is caught too rather
    // than ending the process.
    if (code == kExceptionStackOverflow) RearmStackGuard();
    return guard_detail::Conclude(code, caller);
}

}  // namespace qm::platform

#endif  // __i386__

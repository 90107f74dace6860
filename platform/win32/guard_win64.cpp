// Guarded calls on 64-bit Windows: table-based structured exception handling without __try.
//
// x86_64 has no handler chain to push a record onto: the unwinder finds a function's handler in the
// unwind data of the image. GCC cannot attach one to C++ code (it has no __except), so the routine
// runs below a small assembly thunk whose unwind data names our own frame handler. The thunk saves
// every non-volatile register (general and xmm6-15) in its prologue and restores them on the way out,
// so whichever way control comes back to its landing label the caller finds its registers intact.
//
// Two ways lead back:
// - The frame handler. The dispatcher calls it for an exception no inner frame handled (a plug-in's
//   own __except, Wine's IsBadReadPtr and a C++ catch inside the routine come first, so what they
//   handle is never seen). It records the code and unwinds to the landing label with RtlUnwindEx:
//   real __except semantics, so the __finally blocks and destructors of an MSVC-built plug-in run on
//   the way (frames of GCC code take no part in the unwind of a foreign exception).
// - A vectored handler for STATUS_STACK_OVERFLOW only. After an overflow the dispatcher has just the
//   few pages below the old guard page; a full unwind across thousands of frames with its context
//   copies can overrun them and the process dies. The vectored handler runs first and costs nothing:
//   it moves the stack pointer back up to the thunk's frame and resumes at the landing label. It acts
//   only for the thread's innermost active guard, and only when the fault lies below that guard's
//   frame; everything else keeps going to the frame handlers.
#include "platform/guard.h"
#include "platform/win32/guard_abort.h"
#include "platform/win32/guard_stack.h"

#include <windows.h>
#include <malloc.h>

#include <cstddef>
#include <mutex>

// x86_64 only: the thunk below is x86_64 code, and 32-bit Windows has its own guard (guard_win32.cpp).
#if defined(__x86_64__)

namespace qm::platform {
namespace {

// Shared with the thunk by fixed offsets: keep in step with the assembly.
struct GuardFrame {
    uintptr_t resumeStack;  // 0: the thunk's stack pointer after its prologue (its establisher frame)
    uintptr_t landing;      // 8: where the thunk picks up after a fault
    GuardFrame* outer;      // 16: the enclosing guard of this thread
    volatile uint32_t code;  // 24: the exception code, set by whichever handler took the fault
};
static_assert(offsetof(GuardFrame, resumeStack) == 0 && offsetof(GuardFrame, landing) == 8 &&
                  offsetof(GuardFrame, code) == 24,
              "the thunk addresses GuardFrame by these offsets");

// The thunk keeps its GuardFrame pointer here, above the 32-byte home area of the calls it makes.
constexpr size_t kFrameSlot = 32;

using Invoker = uint32_t (*)(GuardedRoutine, void*) noexcept;

thread_local GuardFrame* tActiveGuard = nullptr;
std::once_flag gInstallOnce;

}  // namespace
}  // namespace qm::platform

extern "C" {
// Calls invoke(routine, context) with `frame` published to the handlers; returns what invoke returned,
// or the exception code after a fault.
uint32_t qm_guard_thunk(qm::platform::GuardFrame* frame, qm::platform::Invoker invoke,
                        qm::platform::GuardedRoutine routine, void* context);
// Moves the stack pointer back to the thunk's frame and goes on at its landing label.
[[noreturn]] void qm_guard_resume(qm::platform::GuardFrame* frame);

// Named in the thunk's unwind data. Called by the dispatcher, never by our own code.
static __attribute__((used)) EXCEPTION_DISPOSITION qm_guard_frame_handler(EXCEPTION_RECORD* record,
                                                                         void* establisherFrame, CONTEXT* /*context*/,
                                                                         DISPATCHER_CONTEXT* dispatch) {
    // Called again while an unwind (ours or an outer guard's) passes this frame: nothing to clean up.
    if (record->ExceptionFlags & EXCEPTION_UNWIND) return ExceptionContinueSearch;
    auto* frame = *reinterpret_cast<qm::platform::GuardFrame**>(static_cast<char*>(establisherFrame) +
                                                                qm::platform::kFrameSlot);
    frame->code = record->ExceptionCode;
    RtlUnwindEx(establisherFrame, reinterpret_cast<void*>(frame->landing), record,
                reinterpret_cast<void*>(static_cast<uintptr_t>(record->ExceptionCode)), dispatch->ContextRecord,
                dispatch->HistoryTable);
    return ExceptionContinueSearch;  // not reached: RtlUnwindEx resumes at the landing label
}
}

// Frame layout below the eight pushed registers (216 bytes, keeping rsp 16-aligned for the call):
//   0..31 home area of the call, 32 the GuardFrame pointer, 48..207 xmm6-xmm15.
// The nop after the call keeps the return address off the epilogue, which the unwinder would
// otherwise take for a frame already half torn down.
__asm__(R"(
	.text
	.p2align 4
	.def	qm_guard_thunk;	.scl	3;	.type	32;	.endef
	.seh_proc	qm_guard_thunk
qm_guard_thunk:
	pushq	%rbp
	.seh_pushreg	%rbp
	pushq	%rbx
	.seh_pushreg	%rbx
	pushq	%rdi
	.seh_pushreg	%rdi
	pushq	%rsi
	.seh_pushreg	%rsi
	pushq	%r12
	.seh_pushreg	%r12
	pushq	%r13
	.seh_pushreg	%r13
	pushq	%r14
	.seh_pushreg	%r14
	pushq	%r15
	.seh_pushreg	%r15
	subq	$216, %rsp
	.seh_stackalloc	216
	movaps	%xmm6, 48(%rsp)
	.seh_savexmm	%xmm6, 48
	movaps	%xmm7, 64(%rsp)
	.seh_savexmm	%xmm7, 64
	movaps	%xmm8, 80(%rsp)
	.seh_savexmm	%xmm8, 80
	movaps	%xmm9, 96(%rsp)
	.seh_savexmm	%xmm9, 96
	movaps	%xmm10, 112(%rsp)
	.seh_savexmm	%xmm10, 112
	movaps	%xmm11, 128(%rsp)
	.seh_savexmm	%xmm11, 128
	movaps	%xmm12, 144(%rsp)
	.seh_savexmm	%xmm12, 144
	movaps	%xmm13, 160(%rsp)
	.seh_savexmm	%xmm13, 160
	movaps	%xmm14, 176(%rsp)
	.seh_savexmm	%xmm14, 176
	movaps	%xmm15, 192(%rsp)
	.seh_savexmm	%xmm15, 192
	.seh_endprologue
	.seh_handler	qm_guard_frame_handler, @except
	movq	%rcx, 32(%rsp)
	movq	%rsp, 0(%rcx)
	leaq	.Lqm_guard_landing(%rip), %rax
	movq	%rax, 8(%rcx)
	movq	%rdx, %rax
	movq	%r8, %rcx
	movq	%r9, %rdx
	call	*%rax
	nop
.Lqm_guard_return:
	movaps	48(%rsp), %xmm6
	movaps	64(%rsp), %xmm7
	movaps	80(%rsp), %xmm8
	movaps	96(%rsp), %xmm9
	movaps	112(%rsp), %xmm10
	movaps	128(%rsp), %xmm11
	movaps	144(%rsp), %xmm12
	movaps	160(%rsp), %xmm13
	movaps	176(%rsp), %xmm14
	movaps	192(%rsp), %xmm15
	addq	$216, %rsp
	popq	%r15
	popq	%r14
	popq	%r13
	popq	%r12
	popq	%rsi
	popq	%rdi
	popq	%rbx
	popq	%rbp
	ret
.Lqm_guard_landing:
	movq	32(%rsp), %rcx
	movl	24(%rcx), %eax
	jmp	.Lqm_guard_return
	.seh_endproc

	.p2align 4
	.def	qm_guard_resume;	.scl	2;	.type	32;	.endef
qm_guard_resume:
	movq	0(%rcx), %rsp
	jmpq	*8(%rcx)
)");

namespace qm::platform {
namespace {

LONG CALLBACK OnStackOverflow(EXCEPTION_POINTERS* info) {
    if (info->ExceptionRecord->ExceptionCode != STATUS_STACK_OVERFLOW) return EXCEPTION_CONTINUE_SEARCH;
    GuardFrame* frame = tActiveGuard;
    CONTEXT* context = info->ContextRecord;
    // Not inside a routine of ours (another thread's guard does not count): not our overflow.
    if (frame == nullptr || frame->resumeStack == 0 || context->Rsp >= frame->resumeStack)
        return EXCEPTION_CONTINUE_SEARCH;
    frame->code = kExceptionStackOverflow;
    context->Rsp = frame->resumeStack;
    context->Rip = frame->landing;
    return EXCEPTION_CONTINUE_EXECUTION;
}

PVOID gOverflowHandler = nullptr;

void InstallOverflowHandler() { gOverflowHandler = AddVectoredExceptionHandler(1, &OnStackOverflow); }

// The handler is code of this module. A host that unloads the module must not keep it registered:
// the next exception anywhere in the process would call into freed memory and end the process.
struct OverflowHandlerRemoval {
    ~OverflowHandlerRemoval() {
        if (gOverflowHandler != nullptr) RemoveVectoredExceptionHandler(gOverflowHandler);
        gOverflowHandler = nullptr;
    }
} gOverflowHandlerRemoval;

}  // namespace

// abort() runs on the plug-in's stack below the thunk: the thunk's saved registers are intact, so the
// landing restores everything the caller needs, as after the stack-overflow handler.
void guard_abort::LeaveToInnermostGuard() noexcept {
    GuardFrame* frame = tActiveGuard;
    if (frame == nullptr || frame->resumeStack == 0) return;
    frame->code = kExceptionAbort;
    qm_guard_resume(frame);
}

GuardOutcome GuardedCall(GuardedRoutine routine, void* context) noexcept {
    const FloatingPointState caller = SaveFloatingPointState();
    std::call_once(gInstallOnce, InstallOverflowHandler);
    GuardFrame frame{};
    frame.outer = tActiveGuard;
    tActiveGuard = &frame;
    guard_abort::BeginGuardedCall();
    const uint32_t code = qm_guard_thunk(&frame, &guard_detail::InvokeRoutine, routine, context);
    guard_abort::EndGuardedCall();
    tActiveGuard = frame.outer;
    if (code == kExceptionStackOverflow) RearmStackGuard();
    return guard_detail::Conclude(code, caller);
}

}  // namespace qm::platform

#endif  // __x86_64__

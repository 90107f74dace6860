#include "platform/fpu.h"

#if !defined(__i386__) && !defined(__x86_64__)
#error "The FPU state handling is written for the x87/SSE unit of x86 and x86_64."
#endif

namespace qm::platform {

uint16_t DefaultX87ControlWord() noexcept {
#ifdef _WIN32
    return 0x027F;
#else
    return 0x037F;
#endif
}

FloatingPointState SaveFloatingPointState() noexcept {
    FloatingPointState state;
    __asm__ __volatile__("fnstcw %0" : "=m"(state.x87Control));
    __asm__ __volatile__("stmxcsr %0" : "=m"(state.mxcsr));
    return state;
}

void RestoreFloatingPointState(const FloatingPointState& state) noexcept {
    // Loading either control register stalls the pipeline, and this runs after every guarded call
    // (two per render block); most plug-ins leave both untouched, so load only what differs.
    uint16_t control = 0;
    uint16_t status = 0;
    uint32_t current = 0;
    __asm__ __volatile__("fnstcw %0\n\tfnstsw %1" : "=m"(control), "=m"(status));
    __asm__ __volatile__("stmxcsr %0" : "=m"(current));
    // Flags first: loading a control word that unmasks a flag already set raises it at the next x87
    // instruction, wherever that is.
    if (control != state.x87Control || (status & kX87ExceptionFlags) != 0)
        __asm__ __volatile__("fnclex\n\tfldcw %0" : : "m"(state.x87Control) : "memory");
    const uint32_t mxcsr = state.mxcsr & ~kMxcsrExceptionFlags;
    // The sticky flags the routine raised may stay: they only record, and trap nothing.
    if ((current & ~kMxcsrExceptionFlags) != mxcsr) __asm__ __volatile__("ldmxcsr %0" : : "m"(mxcsr) : "memory");
}

void ResetFloatingPointUnit() noexcept {
    uint16_t control = DefaultX87ControlWord();
    uint32_t mxcsr = kMxcsrDefault;
    __asm__ __volatile__("fninit\n\tfldcw %0" : : "m"(control) : "memory");
    __asm__ __volatile__("ldmxcsr %0" : : "m"(mxcsr) : "memory");
}

}  // namespace qm::platform

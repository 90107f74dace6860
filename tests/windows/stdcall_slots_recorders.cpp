// The callee side of the stack-balance tests, compiled apart from the callers so that no call can be
// resolved or inlined: the slot recorders, and two host callbacks written in assembly with the host's
// own convention (__stdcall: the callee pops 10 and 8 argument words).
#include <stdint.h>

#include "unit/abi_recorders.h"

// Only i686 has a callee-pops convention to get wrong; on x86_64 every slot shares one convention.
#if defined(__i386__)

// What the assembly callbacks saw: the stack pointer at entry and the argument words.
uint32_t g_callbackEntryEsp asm("qm_test_cb_esp") = 0;
uint32_t g_callbackArgs[10] asm("qm_test_cb_args") = {};

// Each callback keeps the stack pointer at entry and its `words` argument words, answers `result`
// and pops the words itself.
asm(R"(
    .macro qm_test_callback name, words, result
    .text
    .globl \name
\name:
    movl %esp, qm_test_cb_esp
    pushl %esi
    pushl %edi
    leal 12(%esp), %esi
    movl $qm_test_cb_args, %edi
    movl $\words, %ecx
    cld
    rep movsl
    popl %edi
    popl %esi
    movl $\result, %eax
    ret $(\words * 4)
    .endm
    qm_test_callback qm_test_site_callback, 10, 0x5173
    qm_test_callback qm_test_port_callback, 8, 0x963
)");

namespace qm::test {
RecorderSet g_slotRecorders;
}  // namespace qm::test

#endif  // __i386__

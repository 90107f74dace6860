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

asm(R"(
    .text
    .globl qm_test_site_callback
qm_test_site_callback:
    movl %esp, qm_test_cb_esp
    pushl %esi
    pushl %edi
    leal 12(%esp), %esi
    movl $qm_test_cb_args, %edi
    movl $10, %ecx
    cld
    rep movsl
    popl %edi
    popl %esi
    movl $0x5173, %eax
    ret $40

    .globl qm_test_port_callback
qm_test_port_callback:
    movl %esp, qm_test_cb_esp
    pushl %esi
    pushl %edi
    leal 12(%esp), %esi
    movl $qm_test_cb_args, %edi
    movl $8, %ecx
    cld
    rep movsl
    popl %edi
    popl %esi
    movl $0x963, %eax
    ret $32
)");

namespace qm::test {

RecorderSet& SlotRecorders() {
    static RecorderSet set;
    return set;
}

}  // namespace qm::test

#endif  // __i386__

#include "platform/win32/guard_stack.h"

#include <windows.h>
#include <malloc.h>

#include <cstdint>

namespace qm::platform {

// After an overflow the stack has no guard page left and the next overflow would end the process.
// The CRT's _resetstkoflw puts the guard page right under the caller's stack pointer; every page
// below it is then touched again one guard fault at a time (about 500 faults per overflow of a 2 MB
// stack, a tenth of a second under Wine). The pages are still committed, so the guard goes back where
// the system had it: just above the reserve the system keeps for handling an overflow.
void RearmStackGuard() noexcept {
    MEMORY_BASIC_INFORMATION region{};
    volatile char here = 0;
    if (VirtualQuery(const_cast<char*>(&here), &region, sizeof(region)) == 0) return;
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    const uintptr_t page = system.dwPageSize;
    ULONG guarantee = 0;  // zero asks for the current value without changing it
    SetThreadStackGuarantee(&guarantee);
    // 64-bit Windows and Wine keep at least two pages for the overflow handling.
    const uintptr_t reserve = guarantee > 2 * page ? (guarantee + page - 1) & ~(page - 1) : 2 * page;
    const uintptr_t guard = reinterpret_cast<uintptr_t>(region.AllocationBase) + page + reserve;
    // Called deep in a stack (a nested guard) there may be no room for a guard below us.
    const uintptr_t inUse = reinterpret_cast<uintptr_t>(&here) & ~(page - 1);
    if (guard + page > inUse) {
        _resetstkoflw();
        return;
    }
    DWORD previous = 0;
    if (VirtualAlloc(reinterpret_cast<void*>(guard), page, MEM_COMMIT, PAGE_READWRITE) == nullptr ||
        !VirtualProtect(reinterpret_cast<void*>(guard), page, PAGE_READWRITE | PAGE_GUARD, &previous))
        _resetstkoflw();
}

}  // namespace qm::platform

#include <windows.h>
#include "protocol.h"
#include "qmfault/fault_actions.h"

namespace qmtest {

void RaiseOsException() { RaiseException(kFaultRaiseCode, 0, 0, nullptr); }

// IsBadReadPtr touches the address under its own exception handler: old plug-ins use it to validate
// host pointers, and a host guard that hooks first-chance exceptions sees a fault that never escapes.
void HandledOsFault() {
    volatile BOOL bad = IsBadReadPtr(reinterpret_cast<const void*>(static_cast<uintptr_t>(16)), 4);
    (void)bad;
}

}  // namespace qmtest

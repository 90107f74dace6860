#include <csignal>
#include "qmfault/fault_actions.h"

namespace qmtest {

void RaiseOsException() { std::raise(SIGABRT); }

// Linux has no probing call that faults and recovers inside the library; the caught throw is the
// handled fault there.
void HandledOsFault() {}

}  // namespace qmtest

// Puts a thread's stack guard page back after a stack overflow that a guard caught, so that the next
// overflow is caught too instead of ending the process. Both Windows guards use it.
#pragma once

namespace qm::platform {

void RearmStackGuard() noexcept;

}  // namespace qm::platform

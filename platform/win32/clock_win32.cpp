#include "platform/clock.h"

#include <windows.h>

namespace qm::platform {

uint32_t MillisecondClock() noexcept { return GetTickCount(); }

}  // namespace qm::platform

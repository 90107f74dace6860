#include "platform/error_mode.h"

#include <windows.h>

namespace qm::platform {

uint32_t SetProcessErrorMode(uint32_t mode) noexcept { return SetErrorMode(mode); }

}  // namespace qm::platform

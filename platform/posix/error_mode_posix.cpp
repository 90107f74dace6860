#include "platform/error_mode.h"

#include <atomic>

namespace qm::platform {

// Linux shows no dialog for a missing library; the mode is only kept so callers can restore it.
uint32_t SetProcessErrorMode(uint32_t mode) noexcept {
    static std::atomic<uint32_t> current{0};
    return current.exchange(mode);
}

}  // namespace qm::platform

#include "platform/process.h"

namespace qm::platform {

ChildProcess::~ChildProcess() {
    if (!started_) return;
    // A deadline already passed: the child is killed and reaped.
    std::string ignored;
    uint32_t code = 0;
    Finish(0, &ignored, &code);
}

}  // namespace qm::platform

// The component's own activation context, made from the manifest in its module's resources. Module
// loads run inside it so that what they pull in (common controls above all) is the version the
// component was built for, whatever the host's manifest asks for.
#pragma once
#include <windows.h>

namespace qm::platform {

// Activates the context for its lifetime; does nothing when the module carries no manifest (a test
// program linking the core) or the context cannot be made. The thread's last-error value survives
// the deactivation, so a failed load inside the scope still reports its own error.
class ComponentContextScope {
public:
    ComponentContextScope() noexcept;
    ~ComponentContextScope();
    ComponentContextScope(const ComponentContextScope&) = delete;
    ComponentContextScope& operator=(const ComponentContextScope&) = delete;
    bool Active() const noexcept { return active_; }

private:
    ULONG_PTR cookie_ = 0;
    bool active_ = false;
};

}  // namespace qm::platform

#include "support/test_plugin.h"

namespace qm::test {
const char* PluginFileSuffix() { return ".so"; }
}  // namespace qm::test

#include "support/test_plugin.h"

namespace qm::test {
const char* PluginFileSuffix() { return ".dll"; }
}  // namespace qm::test

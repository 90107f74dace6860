// Load and unload hooks of the shared object: the Linux counterpart of DllMain.
#include <fenv.h>

namespace {

__attribute__((constructor)) void OnModuleLoad() { fesetenv(FE_DFL_ENV); }

}  // namespace

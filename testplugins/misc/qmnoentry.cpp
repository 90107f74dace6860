// A loadable module that exports neither "main" nor "VSTPluginMain": a library dropped into a plug-in
// folder that is no plug-in at all. Its one export, "NotAPlugin", shows that the module itself loads.
#include "qmvsti/vst2.h"

extern "C" int32_t VSTCALLBACK qmtp_NotAPlugin() { return 1; }

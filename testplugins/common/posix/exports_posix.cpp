// Linux exports of a test plug-in. "main" cannot be declared under its own name in C++, so the
// exported symbols are trampolines named by assembler labels; the build says which ones a module has.
#include "common/plugin_base.h"

#define QMTP_DEFAULT_VISIBILITY __attribute__((visibility("default")))

#if QMTP_EXPORT_main
extern "C" QMTP_DEFAULT_VISIBILITY AEffect* qmtpExportedMain(audioMasterCallback host) __asm__("main");
extern "C" AEffect* qmtpExportedMain(audioMasterCallback host) { return qmtp_main(host); }
#endif

#if QMTP_EXPORT_VSTPluginMain
extern "C" QMTP_DEFAULT_VISIBILITY AEffect* VSTPluginMain(audioMasterCallback host);
extern "C" AEffect* VSTPluginMain(audioMasterCallback host) { return qmtp_VSTPluginMain(host); }
#endif

// Linux exports of a test plug-in: default-visibility trampolines to the module's qmtp_<name>
// functions, one per QMTP_EXPORT_<name> the build sets. "main" cannot be declared under its own name
// in C++, so its trampoline is named by an assembler label.
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

#if QMTP_EXPORT_NotAPlugin
extern "C" int32_t VSTCALLBACK qmtp_NotAPlugin();
extern "C" QMTP_DEFAULT_VISIBILITY int32_t NotAPlugin();
extern "C" int32_t NotAPlugin() { return qmtp_NotAPlugin(); }
#endif

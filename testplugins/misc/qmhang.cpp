// Modules that never come back from their entry point the way hosts hope. qmhang waits there: for
// ever, or, when QMVSTI_HANG_RELEASE names a file, until that file exists, and then is a plain
// instrument ("QmHang"), so that a test can hold a scan on it. qmexit (QMHANG_EXIT) ends the whole
// process from its entry point, as a module that calls exit() does. qmthread (QMHANG_THREAD) is an
// instrument that starts a thread in its entry point and never ends it, not even when closed.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "common/environment.h"
#include "common/plugin_base.h"

namespace qmtest {
namespace {

constexpr int32_t kHangUniqueId = VstFourCC('Q', 'm', 'H', 'g');

class HangSynth : public PluginBase {
public:
    explicit HangSynth(audioMasterCallback host)
        : PluginBase(host, PluginInfo{"QmHang", "QmVSTi Hang Synth", kHangUniqueId, effFlagsIsSynth | effFlagsCanReplacing,
                                      1, 0, 0, 2, kPlugCategSynth}) {}
};

bool Exists(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr) return false;
    std::fclose(f);
    return true;
}

AEffect* Enter(audioMasterCallback host) {
#ifdef QMHANG_EXIT
    std::_Exit(3);
#endif
#ifdef QMHANG_THREAD
    // The thread is asleep before the entry returns, so that it is one that stays, not one that
    // has yet to start when the module goes away.
    static std::atomic<bool> running{false};
    std::thread([] {
        running = true;
        for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
    }).detach();
    while (!running) std::this_thread::yield();
    return host ? (new HangSynth(host))->effect() : nullptr;
#endif
    char release[512];
    const bool releasable = ReadEnvironment("QMVSTI_HANG_RELEASE", release, sizeof release);
    while (!releasable || !Exists(release)) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return host ? (new HangSynth(host))->effect() : nullptr;
}

}  // namespace
}  // namespace qmtest

extern "C" AEffect* VSTCALLBACK qmtp_main(audioMasterCallback host) { return qmtest::Enter(host); }
extern "C" AEffect* VSTCALLBACK qmtp_VSTPluginMain(audioMasterCallback host) { return qmtest::Enter(host); }

// The listener list under two threads: the host's user-interface thread adds and removes listeners
// while the render thread sends time events block after block (run under ThreadSanitizer too).
#include <thread>

#include "unit/patch_fakes.h"

namespace {

using namespace patch_test;

TEST(PatchListenerThreads, ListenersComeAndGoWhileBlocksRender) {
    ProgramsPlugin plugin;
    plugin.logging = false;
    Listener steady, coming, leaving;
    for (Listener* listener : {&steady, &coming, &leaving}) listener->keep = false;
    {
        DeviceRig rig(plugin);
        rig.Play();
        qm::CVSTIPatchDevice* device = rig.device;
        ASSERT_EQ(device->AddListener(&steady), S_OK);
        // One listener leaves on the render thread, from inside its own event.
        leaving.onEvent = [&](const qm::PatchListenerEvent&) { device->RemoveListener(&leaving); };

        constexpr int kBlocks = 4000;
        std::atomic<bool> rendering{true};
        std::atomic<int> rounds{0};
        std::thread render([&] {
            std::vector<float> out(2 * 265);
            // On a busy machine the blocks could all go by before the other thread starts.
            while (rounds.load() == 0) std::this_thread::yield();
            for (int block = 0; block < kBlocks; ++block) {
                rig.synth->Render(out.data(), static_cast<LONGLONG>(block) * 265, 265, 0, 0, nullptr);
            }
            rendering.store(false);
        });
        do {
            device->AddListener(&coming);
            device->AddListener(&leaving);
            std::this_thread::yield();
            EXPECT_EQ(device->RemoveListener(&coming), S_FALSE);  // the host's quirk: S_FALSE always
            ++rounds;
        } while (rendering.load());
        render.join();
        // The blocks were never held up: every one reached the steady listener.
        EXPECT_EQ(steady.heard.load(), kBlocks);
        rig.site.blocks.clear();
    }
    // Every reference the device took came back.
    for (Listener* listener : {&steady, &coming, &leaving}) EXPECT_EQ(listener->refs.load(), 1u);
}

}  // namespace

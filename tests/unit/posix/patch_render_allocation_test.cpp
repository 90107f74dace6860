// The render path with a listening host allocates nothing: this program's heap is counted where no
// sanitizer owns it, and blocks with time events, patch changes and parameter events go by.
#include <atomic>
#include <cerrno>
#include <cstdlib>

#include "unit/patch_fakes.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QMTEST_PATCH_OWNS_MALLOC 0
#else
#define QMTEST_PATCH_OWNS_MALLOC 1
#endif

namespace {

std::atomic<bool> gCounting{false};
std::atomic<long> gAllocations{0};

[[maybe_unused]] void Note() noexcept {
    if (gCounting.load(std::memory_order_relaxed)) gAllocations.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

#if QMTEST_PATCH_OWNS_MALLOC
// glibc lets a program replace its malloc family; operator new comes through here too.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* memory, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* memory);

void* malloc(size_t size) { return Note(), __libc_malloc(size); }
void* calloc(size_t count, size_t size) { return Note(), __libc_calloc(count, size); }
void* realloc(void* memory, size_t size) { return Note(), __libc_realloc(memory, size); }
void* aligned_alloc(size_t alignment, size_t size) { return Note(), __libc_memalign(alignment, size); }
int posix_memalign(void** memory, size_t alignment, size_t size) {
    Note();
    *memory = __libc_memalign(alignment, size);
    return *memory != nullptr ? 0 : ENOMEM;
}
void free(void* memory) { __libc_free(memory); }
}
#endif

namespace {

// A bank select in every block the host fills: each block ends with a patch change.
HRESULT QM_COMCALL BankSelectingSite(qm::IQmSoftSynth* synth, DWORD code, ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR,
                                     ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR) {
    if (code != qm::SiteCode::FillBlock) return S_OK;
    const DWORD bankSelect = 0xB0 | (32u << 8) | (1u << 16);
    return synth->SendShortMessages(&bankSelect, 1, 0);
}

TEST(PatchRenderAllocations, ListenedBlocksAllocateNothing) {
    if (!QMTEST_PATCH_OWNS_MALLOC) GTEST_SKIP() << "the sanitizer owns the heap";
    gAllocations.store(0);
    gCounting.store(true);
    int* volatile kept = new int(5);  // the counter sees an allocation
    delete kept;
    gCounting.store(false);
    ASSERT_GE(gAllocations.load(), 1);

    patch_test::ProgramsPlugin plugin;
    plugin.logging = false;
    plugin.SetParameters(2);
    patch_test::Listener listener;
    listener.keep = false;
    patch_test::DeviceRig rig(plugin);
    ASSERT_EQ(rig.synth->Open(0, 0, 0, &BankSelectingSite, 0, 0), S_OK);
    const WAVEFORMATEX format = hosting_test::HostFormat(44100, WAVE_FORMAT_PCM, 16);
    ASSERT_EQ(rig.synth->SetFormat(&format, 0, 0), S_OK);
    ASSERT_EQ(rig.synth->Cue(0), S_OK);
    ASSERT_EQ(rig.synth->Play(0, 0), S_OK);
    ASSERT_EQ(rig.device->AddListener(&listener), S_OK);
    std::vector<int16_t> out(2 * 1000);
    ASSERT_EQ(rig.synth->Render(out.data(), 0, 1000, 0, 0, nullptr), 1000);

    gAllocations.store(0);
    gCounting.store(true);
    LONGLONG position = 1000;
    for (int request = 0; request < 200; ++request) {
        const LONG frames = 100 + (request * 37) % 900;
        rig.synth->Render(out.data(), position, frames, 0, 0, nullptr);
        plugin.CallHost(audioMasterBeginEdit, 1, 0, 0.0f);
        plugin.CallHost(audioMasterAutomate, 1, 0, 0.5f);
        plugin.CallHost(audioMasterEndEdit, 1, 0, 0.0f);
        position += frames;
    }
    gCounting.store(false);
    EXPECT_EQ(gAllocations.load(), 0);
    // Time, patch change and three parameter events per request at least.
    EXPECT_GT(listener.heard.load(), 200 * 5);
}

}  // namespace

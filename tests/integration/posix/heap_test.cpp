// This program's heap, counted and made to fail on demand where no sanitizer owns it: rendering
// allocates nothing once the first block has run (output buses and patch listeners included), and a
// type whose plug-in list could not be allocated connects again without losing its companion.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "unit/discovery_test_support.h"
#include "unit/hosting_fakes.h"
#include "unit/patch_fakes.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QMTEST_OWNS_MALLOC 0
#else
#define QMTEST_OWNS_MALLOC 1
#endif

namespace {

std::atomic<bool> gCounting{false};
std::atomic<long> gAllocations{0};
std::atomic<bool> gFailCalloc{false};

[[maybe_unused]] bool Note() noexcept {
    if (gCounting.load(std::memory_order_relaxed)) gAllocations.fetch_add(1, std::memory_order_relaxed);
    return true;
}

}  // namespace

#if QMTEST_OWNS_MALLOC
// glibc lets a program replace its malloc family: operator new and the plug-ins' C allocations come
// through here too.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* memory, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* memory);

void* malloc(size_t size) { return Note() ? __libc_malloc(size) : nullptr; }
void* calloc(size_t count, size_t size) {
    return Note() && !gFailCalloc.load(std::memory_order_relaxed) ? __libc_calloc(count, size) : nullptr;
}
void* realloc(void* memory, size_t size) { return Note() ? __libc_realloc(memory, size) : nullptr; }
void* aligned_alloc(size_t alignment, size_t size) { return Note() ? __libc_memalign(alignment, size) : nullptr; }
int posix_memalign(void** memory, size_t alignment, size_t size) {
    *memory = Note() ? __libc_memalign(alignment, size) : nullptr;
    return *memory != nullptr ? 0 : ENOMEM;
}
void free(void* memory) { __libc_free(memory); }
}
#endif

namespace {

// A note-on, its note-off and a bank select in every block the host is asked to fill: the events and
// each block's patch change travel too.
HRESULT QM_COMCALL BusySite(qm::IQmSoftSynth* synth, DWORD code, ULONG_PTR, ULONG_PTR w1, ULONG_PTR w2, ULONG_PTR w3,
                            ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR) {
    if (code != qm::SiteCode::FillBlock) return S_OK;
    auto* buffer = reinterpret_cast<qm::IQMMIDIBuffer*>(w1);
    const LONGLONG start = hosting_test::Join(w2, w3);
    buffer->PutShortEvent(start + 10000, 0x00643C90u, 0);
    buffer->PutShortEvent(start + 40000, 0x00003C80u, 0);
    const DWORD bankSelect = 0xB0 | (32u << 8) | (1u << 16);
    return synth->SendShortMessages(&bankSelect, 1, 0);
}

// Allocations made by 200 requests of varied lengths after a first one, playing or live, with every
// output bus pulled after each request in the host's format; `more` runs after each request too.
template <typename More>
long AllocationsWhileRendering(qm::CVSTiSofthSynth* synth, bool live, More more) {
    EXPECT_EQ(synth->Open(0, 0, 0, &BusySite, 0, 0), S_OK);
    const WAVEFORMATEX format = hosting_test::HostFormat(44100, WAVE_FORMAT_PCM, 16);
    EXPECT_EQ(synth->SetFormat(&format, 0, 0), S_OK);
    std::vector<qm::IQmSoftSynth*> buses(static_cast<size_t>(synth->BusCount()), nullptr);
    for (size_t i = 0; i < buses.size(); ++i) {
        EXPECT_EQ(synth->GetBus(static_cast<LONG>(i), &buses[i]), S_OK);
        EXPECT_EQ(buses[i]->SetFormat(&format, 0, 0), S_OK);
    }
    if (live) {
        EXPECT_EQ(synth->StartLive(), S_OK);
    } else {
        EXPECT_EQ(synth->Cue(0), S_OK);
        EXPECT_EQ(synth->Play(0, 0), S_OK);
    }
    std::vector<int16_t> out(2 * 1000);
    EXPECT_EQ(synth->Render(out.data(), 0, 1000, 0, 0, nullptr), 1000);
    for (qm::IQmSoftSynth* bus : buses) bus->Render(out.data(), 0, 1000, 0, 0, nullptr);
    gAllocations = 0;
    gCounting = true;
    LONGLONG position = 1000;
    for (int request = 0; request < 200; ++request) {
        const LONG frames = 100 + (request * 37) % 900;
        if (live) synth->SendShortMessage(0x00503090u, 0);
        synth->Render(out.data(), position, frames, 0, 0, nullptr);
        for (qm::IQmSoftSynth* bus : buses) bus->Render(out.data(), position, frames, 0, 0, nullptr);
        more();
        position += frames;
    }
    gCounting = false;
    for (qm::IQmSoftSynth* bus : buses) {
        bus->ReleaseFormat();
        bus->Release();
    }
    EXPECT_EQ(synth->Status() & (qm::InstanceStatus::Faulted | qm::InstanceStatus::QueueOverflow), 0u);
    return gAllocations.load();
}

// The same with the test instrument `name`.
long AllocationsWhileRendering(const char* name, bool expose, bool live) {
    hosting_test::FakeType type;
    type.expose = expose;
    hosting_test::LoadedInstance instance(type, name);
    EXPECT_EQ(instance.result, S_OK);
    return AllocationsWhileRendering(instance.get(), live, [] {});
}

}  // namespace

TEST(HostingRenderAllocations, RenderingAfterTheFirstBlockAllocatesNothing) {
    if (!QMTEST_OWNS_MALLOC) GTEST_SKIP() << "the sanitizer owns the heap";
    // The counter itself works: an allocation while counting is seen.
    gAllocations = 0;
    gCounting = true;
    int* volatile kept = new int(5);  // volatile: the pair may not be elided
    delete kept;
    gCounting = false;
    ASSERT_GE(gAllocations.load(), 1);

    // The null instruments allocate nothing themselves (the reference synth does, in its process).
    EXPECT_EQ(AllocationsWhileRendering("qmnull", false, false), 0);
    EXPECT_EQ(AllocationsWhileRendering("qmnull", false, true), 0);
    // The queued main output recycles its items.
    EXPECT_EQ(AllocationsWhileRendering("qmnull_multi", true, false), 0);
    // ... and so do the output buses, pulled after each request.
    EXPECT_EQ(AllocationsWhileRendering("qmnull_buses", true, false), 0);

    // The patch device's listener events (time, patch changes, parameter moves) allocate nothing either.
    patch_test::ProgramsPlugin plugin;
    plugin.logging = false;
    plugin.SetParameters(2);
    patch_test::Listener listener;
    listener.keep = false;
    patch_test::DeviceRig rig(plugin);
    ASSERT_EQ(rig.device->AddListener(&listener), S_OK);
    EXPECT_EQ(AllocationsWhileRendering(rig.synth, false, [&] {
                  plugin.CallHost(audioMasterBeginEdit, 1, 0, 0.0f);
                  plugin.CallHost(audioMasterAutomate, 1, 0, 0.5f);
                  plugin.CallHost(audioMasterEndEdit, 1, 0, 0.0f);
              }),
              0);
    // Time, patch change and three parameter events per request at least.
    EXPECT_GT(listener.heard.load(), 200 * 5);
}

// The plug-in list's allocation fails at the first connection: the second connection imports the
// cache and keeps the one property-pages companion, which the type gives back at its last release.
using TypeConnection = qm::test::TypeTest;

TEST_F(TypeConnection, ASecondConnectionAfterAFailedListKeepsTheOneCompanion) {
    if (!QMTEST_OWNS_MALLOC) GTEST_SKIP() << "the sanitizer owns the C heap";
    cache_.entries = {qm::test::Entry("/vst/a.so", "Alpha", "Acme", 1, 11)};
    gFailCalloc = true;
    EXPECT_EQ(type_->ConnectHost(&site_), S_OK);
    gFailCalloc = false;
    ASSERT_EQ(type_->PluginList(), nullptr);
    ISpecifyPropertyPages* first = nullptr;
    ASSERT_EQ(type_->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(&first)), S_OK);

    Connect();
    ASSERT_NE(type_->PluginList(), nullptr);
    EXPECT_EQ(type_->PluginList()->nCount, 1);
    ISpecifyPropertyPages* second = nullptr;
    ASSERT_EQ(type_->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(&second)), S_OK);
    EXPECT_EQ(second, first);
    second->Release();
    EXPECT_EQ(std::exchange(type_, nullptr)->Release(), 0u);
    CAUUID ids{};
    EXPECT_EQ(first->GetPages(&ids), E_UNEXPECTED);
    EXPECT_EQ(first->Release(), 0u);
}

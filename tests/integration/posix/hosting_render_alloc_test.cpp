// Rendering allocates nothing once the first block has run: every heap allocation of this program
// (operator new, and malloc where no sanitizer owns it) is counted while a render is measured.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "framework/lang.h"
#include "hosting/synth_type_link.h"
#include "hosting/vsti_soft_synth.h"
#include "qmvsti/midi_buffer.h"
#include "support/test_plugin.h"

namespace {

std::atomic<bool> gCounting{false};
std::atomic<long> gAllocations{0};

void Note() noexcept {
    if (gCounting.load(std::memory_order_relaxed)) gAllocations.fetch_add(1, std::memory_order_relaxed);
}

void* Allocate(size_t size) {
    Note();
    void* memory = std::malloc(size != 0 ? size : 1);
    if (memory == nullptr) throw std::bad_alloc();
    return memory;
}

void* AllocateAligned(size_t size, std::align_val_t alignment) {
    Note();
    const size_t align = static_cast<size_t>(alignment);
    void* memory = std::aligned_alloc(align, (size + align - 1) / align * align);
    if (memory == nullptr) throw std::bad_alloc();
    return memory;
}

}  // namespace

// The replacements forward to the C heap, so they pair with every other definition in the program.
void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    Note();
    return std::malloc(size != 0 ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    Note();
    return std::malloc(size != 0 ? size : 1);
}
void* operator new(size_t size, std::align_val_t alignment) { return AllocateAligned(size, alignment); }
void* operator new[](size_t size, std::align_val_t alignment) { return AllocateAligned(size, alignment); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, size_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete(void* memory, size_t, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, size_t, std::align_val_t) noexcept { std::free(memory); }

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// glibc lets a program replace its malloc family; the plug-ins' C allocations are counted too.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* memory, size_t size);
void __libc_free(void* memory);

void* malloc(size_t size) {
    Note();
    return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
    Note();
    return __libc_calloc(count, size);
}
void* realloc(void* memory, size_t size) {
    Note();
    return __libc_realloc(memory, size);
}
void free(void* memory) { __libc_free(memory); }
}
#endif

namespace {

class Type final : public qm::ISynthTypeLink {
public:
    bool expose = false;
    int64_t FrameSizeDuration() const noexcept override { return 60000; }
    uint32_t FlushOnStopCount() const noexcept override { return 0; }
    bool ExposeMultiChannel() const noexcept override { return expose; }
    bool HasAlternativeDrawingMark(const WCHAR*, const WCHAR*, int32_t) noexcept override { return false; }
};

// A note-on and its note-off in every block the host is asked to fill: the events travel too.
HRESULT QM_COMCALL BusySite(qm::IQmSoftSynth*, DWORD code, ULONG_PTR, ULONG_PTR w1, ULONG_PTR w2, ULONG_PTR w3,
                            ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR) {
    if (code != qm::SiteCode::FillBlock) return S_OK;
    auto* buffer = reinterpret_cast<qm::IQMMIDIBuffer*>(w1);
    const LONGLONG start = static_cast<LONGLONG>((static_cast<uint64_t>(w3) << 32) | (w2 & 0xFFFFFFFFu));
    buffer->PutShortEvent(start + 10000, 0x00643C90u, 0);
    buffer->PutShortEvent(start + 40000, 0x00003C80u, 0);
    return S_OK;
}

// Allocations made by `frames`-frame renders after a first one, with the instrument `name`.
long AllocationsWhileRendering(const char* name, bool expose, bool live) {
    if (qm::KernelLangHandle() == nullptr) {
        qm::OpenKernelLangHandle(qm::ModuleInstanceOf(reinterpret_cast<const void*>(&BusySite)), 1033);
    }
    Type type;
    type.expose = expose;
    qm::CVSTiSofthSynth* synth = nullptr;
    EXPECT_EQ(qm::CVSTiSofthSynth::CreateInstance(&type, &synth), S_OK);
    synth->AddRef();
    synth->Initialize();
    qm::VstiPluginRecord record{};
    record.flags = qm::PluginRecordFlags::Enabled;
    const std::basic_string<WCHAR> path = qm::test::TestPluginPath(name);
    path.copy(record.path, path.size());
    EXPECT_EQ(synth->LoadPlugIn(&record), S_OK);
    EXPECT_EQ(synth->Open(0, 0, 0, &BusySite, 0, 0), S_OK);
    const WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    EXPECT_EQ(synth->SetFormat(&format, 0, 0), S_OK);
    if (live) {
        EXPECT_EQ(synth->StartLive(), S_OK);
    } else {
        EXPECT_EQ(synth->Cue(0), S_OK);
        EXPECT_EQ(synth->Play(0, 0), S_OK);
    }
    std::vector<int16_t> out(2 * 1000);
    EXPECT_EQ(synth->Render(out.data(), 0, 1000, 0, 0, nullptr), 1000);
    gAllocations.store(0);
    gCounting.store(true);
    LONGLONG position = 1000;
    for (int request = 0; request < 200; ++request) {
        const LONG frames = 100 + (request * 37) % 900;
        if (live) synth->SendShortMessage(0x00503090u, 0);
        synth->Render(out.data(), position, frames, 0, 0, nullptr);
        position += frames;
    }
    gCounting.store(false);
    EXPECT_EQ(synth->Status() & (qm::InstanceStatus::Faulted | qm::InstanceStatus::QueueOverflow), 0u);
    synth->Release();
    return gAllocations.load();
}

}  // namespace

TEST(HostingRenderAllocations, RenderingAfterTheFirstBlockAllocatesNothing) {
    // The counter itself works: an allocation while counting is seen.
    gAllocations.store(0);
    gCounting.store(true);
    delete new int(5);
    gCounting.store(false);
    ASSERT_GE(gAllocations.load(), 1);

    // The null instruments allocate nothing themselves (the reference synth does, in its process).
    EXPECT_EQ(AllocationsWhileRendering("qmnull", false, false), 0);
    EXPECT_EQ(AllocationsWhileRendering("qmnull", false, true), 0);
    // The queued main output recycles its items.
    EXPECT_EQ(AllocationsWhileRendering("qmnull_multi", true, false), 0);
}

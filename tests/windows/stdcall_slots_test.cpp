// Stack balance of every host-interface slot and of both host callbacks on i686.
//
// A 32-bit host written against the host's own headers pushes each argument as 32-bit words (a 64-bit
// value as two), pushes the object and calls the table entry; the __stdcall callee pops exactly those
// words. A slot declared with a different argument size leaves the host's stack pointer off after
// the call, which the host then trips over far from the cause. The callers here push the words that
// the host's slot tables give, straight from assembly, and check that the stack pointer comes back
// unchanged and that every word arrived where the declaration says.
#include <stdint.h>

#include <gtest/gtest.h>

#include <vector>

#include "unit/abi_recorders.h"

// Only i686 has a callee-pops convention to get wrong; on x86_64 every slot shares one convention.
#if defined(__i386__)

extern uint32_t g_callbackEntryEsp asm("qm_test_cb_esp");
extern uint32_t g_callbackArgs[10] asm("qm_test_cb_args");
extern "C" void QmTestSiteCallback() asm("qm_test_site_callback");
extern "C" void QmTestPortCallback() asm("qm_test_port_callback");

namespace qm::test {

extern RecorderSet g_slotRecorders;  // stdcall_slots_recorders.cpp

namespace {

static_assert(sizeof(void*) == 4, "the host's stack words are 32-bit");

// Pushes `count` words (the first one last, so it lands next to the object), the object, calls
// `fn` and reports how far the stack pointer moved over the call. The caller's stack pointer is
// restored whatever the callee popped, so a wrong slot fails the test instead of the program.
__attribute__((noinline)) uint32_t CallRaw(void* object, void* fn, const uint32_t* words, uint32_t count,
                                           int32_t* espDelta) {
    uint32_t eax = reinterpret_cast<uint32_t>(object);
    uint32_t ecx = count;
    asm volatile(
        "movl %%esp, %%esi\n\t"
        "jecxz 2f\n"
        "1:\n\t"
        "pushl -4(%%edx,%%ecx,4)\n\t"
        "loop 1b\n"
        "2:\n\t"
        "pushl %%eax\n\t"
        "call *%%edi\n\t"
        "movl %%esp, %%ecx\n\t"
        "subl %%esi, %%ecx\n\t"
        "movl %%esi, %%esp\n\t"
        : "+a"(eax), "+c"(ecx), "+d"(words), "+D"(fn)
        :
        : "esi", "memory", "cc");
    *espDelta = static_cast<int32_t>(ecx);
    return eax;
}

TEST(StdcallSlots, EverySlotPopsExactlyItsArgumentsAndReceivesThemIntact) {
    for (const HostTable& table : HostTables(g_slotRecorders)) {
        void** vtable = *static_cast<void***>(table.object);
        for (uint32_t slot = 0; slot < table.wordsPerSlot.size(); ++slot) {
            // Every word is a distinct, normal float bit pattern, so a float argument survives an x87
            // load unchanged.
            std::vector<uint32_t> words;
            for (uint32_t i = 0; i < table.wordsPerSlot[slot]; ++i) words.push_back(0x40000000u | (slot << 8) | (i << 4) | 1u);
            const int callsBefore = table.rec->calls;
            int32_t delta = 0x7FFFFFFF;
            const uint32_t result =
                CallRaw(table.object, vtable[slot], words.data(), static_cast<uint32_t>(words.size()), &delta);

            EXPECT_EQ(delta, 0) << table.name << " slot " << slot << " popped the wrong number of bytes";
            EXPECT_EQ(table.rec->calls, callsBefore + 1) << table.name << " slot " << slot;
            EXPECT_EQ(table.rec->slot, static_cast<int>(slot)) << table.name << " table entry " << slot;
            EXPECT_EQ(result, static_cast<uint32_t>(table.rec->result)) << table.name << " slot " << slot;
            EXPECT_EQ(table.rec->words, std::vector<Word>(words.begin(), words.end())) << table.name << " slot " << slot;
        }
    }
}

// The library calls the host's callbacks through these typedefs; the host's functions pop their
// words themselves. Two calls in a row from one frame must enter at the same stack pointer: a
// caller that also popped (cdecl) would drift by the argument size.
template <class Callback, class Object, class... Words>
__attribute__((noinline)) void ExpectBalancedCalls(Callback callback, Object* object, HRESULT result, Words... words) {
    uint32_t entry[2] = {};
    HRESULT results[2] = {};
    for (int i = 0; i < 2; ++i) {
        results[i] = callback(object, words...);
        entry[i] = g_callbackEntryEsp;
    }
    EXPECT_EQ(entry[0], entry[1]);
    EXPECT_EQ(results[0], result);
    EXPECT_EQ(results[1], result);
    const std::vector<uint32_t> expected = {reinterpret_cast<uint32_t>(object), static_cast<uint32_t>(words)...};
    EXPECT_EQ(std::vector<uint32_t>(g_callbackArgs, g_callbackArgs + expected.size()), expected);
}

TEST(StdcallCallbacks, SiteAndPortCallbacksLeaveTheStackBalanced) {
    ExpectBalancedCalls(reinterpret_cast<SynthSiteCallback>(&QmTestSiteCallback), static_cast<IQmSoftSynth*>(&g_slotRecorders.synth),
                        0x5173, SiteCode::FillBlock, 0xC00C1Eu, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77);
    ExpectBalancedCalls(reinterpret_cast<MidiPortCallback>(&QmTestPortCallback), static_cast<IMIDIIn*>(&g_slotRecorders.port),
                        0x963, PortCode::ShortMessage, 0xBEEFu, 0x7F3C90, 0, 0, 0, 250);
}

}  // namespace
}  // namespace qm::test

#endif  // __i386__

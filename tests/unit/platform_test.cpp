// The platform layer: files and modules (bytes round-trip, errors come back as results), locks, events
// and threads, and text conversion (the ANSI forms cut to the capacity and always terminate; UTF-8
// keeps every plane and replaces what cannot be converted).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>

#include "platform/file.h"
#include "platform/module.h"
#include "platform/sync.h"
#include "platform/text.h"
#include "platform/thread.h"
#include "support/environment.h"

using namespace qm::platform;
using WString = std::basic_string<WCHAR>;

TEST(PlatformFile, WriteSeekReadRoundTripsBytesAndErrorsComeBackAsResults) {
    const std::u16string utf16 = Utf8ToWide(qm::test::TemporaryFilePath("platform_file", "bin").c_str());
    const WString path(utf16.begin(), utf16.end());
    File file;
    ASSERT_EQ(file.Open(path.c_str(), FileMode::Write), S_OK);
    const unsigned char data[] = {0x00, 0xFF, 0x10, 0x80, 'V', 's', 't', 'P'};
    uint32_t done = 0;
    EXPECT_EQ(std::make_tuple(file.Write(data, sizeof data, &done), done), std::make_tuple(S_OK, uint32_t{sizeof data}));
    file.Close();
    ASSERT_EQ(file.Open(path.c_str(), FileMode::Read), S_OK);
    uint64_t size = 0, position = 0;
    EXPECT_EQ(std::make_tuple(file.Size(&size), size), std::make_tuple(S_OK, uint64_t{sizeof data}));
    EXPECT_EQ(std::make_tuple(file.Seek(4, SeekFrom::Begin, &position), position), std::make_tuple(S_OK, uint64_t{4}));
    unsigned char back[16] = {};
    // A short read at the end is not an error.
    EXPECT_EQ(std::make_tuple(file.Read(back, sizeof back, &done), done), std::make_tuple(S_OK, uint32_t{4}));
    EXPECT_EQ(std::memcmp(back, "VstP", 4), 0);
    EXPECT_EQ(std::make_tuple(file.Seek(-2, SeekFrom::End, &position), position), std::make_tuple(S_OK, uint64_t{6}));
    file.Close();
    EXPECT_EQ(DeleteFilePath(path.c_str()), S_OK);
    EXPECT_FALSE(FileExists(path.c_str()));

    EXPECT_EQ(file.Open(nullptr, FileMode::Read), E_INVALIDARG);
    EXPECT_EQ(file.Open(path.c_str(), FileMode::Read), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(file.IsOpen());
    done = 99;
    EXPECT_EQ(std::make_tuple(file.Read(back, 4, &done), done), std::make_tuple(HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE), uint32_t{0}));
    EXPECT_LT(DeleteFilePath(path.c_str()), 0);

    WCHAR self[1024];
    EXPECT_EQ(ModulePathOf(reinterpret_cast<const void*>(&qm::test::TemporaryFilePath), self, 2), 0u);  // too small: nothing
    EXPECT_EQ(self[0], 0);
    EXPECT_EQ(LoadModule(path.c_str()), nullptr);
    EXPECT_NE(LastModuleError(), 0u);
    EXPECT_EQ(FindSymbol(nullptr, "main"), nullptr);
}

// Two threads each take the lock twice over per update: a lock that were not re-entrant would hang,
// one that did not exclude would lose updates.
TEST(PlatformSync, RecursiveLockAndManualResetEventAcrossThreads) {
    struct Shared {
        RecursiveLock lock;
        long counter = 0;
    } shared;
    shared.lock.Enter();
    EXPECT_TRUE(shared.lock.TryEnter());  // same thread again
    shared.lock.Leave();
    shared.lock.Leave();
    auto routine = [](void* c) -> uint32_t {
        auto* s = static_cast<Shared*>(c);
        for (int i = 0; i < 20000; ++i) {
            LockScope scope(s->lock);
            LockScope nested(s->lock);
            ++s->counter;
        }
        return 7;
    };
    Thread a, b;
    ASSERT_TRUE(a.Start(routine, &shared));
    ASSERT_TRUE(b.Start(routine, &shared));
    uint32_t codeA = 0, codeB = 0;
    ASSERT_TRUE(a.Join(ManualResetEvent::kInfinite, &codeA));
    ASSERT_TRUE(b.Join(ManualResetEvent::kInfinite, &codeB));
    EXPECT_EQ(shared.counter, 40000);
    EXPECT_EQ(codeA + codeB, 14u);

    // A manual-reset event wakes a waiter and stays signalled until reset.
    ManualResetEvent event, initially(true);
    EXPECT_FALSE(event.Wait(0));
    EXPECT_TRUE(initially.IsSet());

    Thread waiter;
    ASSERT_TRUE(waiter.Start(
        [](void* c) -> uint32_t { return static_cast<ManualResetEvent*>(c)->Wait(ManualResetEvent::kInfinite) ? 3 : 0; },
        &event));
    EXPECT_FALSE(waiter.Join(20));  // still waiting
    EXPECT_TRUE(waiter.Running());
    EXPECT_FALSE(waiter.Start([](void*) -> uint32_t { return 0; }, nullptr));  // one routine per thread
    event.Set();
    uint32_t code = 0;
    EXPECT_TRUE(waiter.Join(10000, &code));
    EXPECT_EQ(code, 3u);
    EXPECT_FALSE(waiter.Running());
    EXPECT_TRUE(event.Wait(ManualResetEvent::kInfinite));  // still set: manual reset
    event.Reset();
    EXPECT_FALSE(event.IsSet());
}

TEST(PlatformText, AnsiFormsCutAndTerminateAndUtf8KeepsEveryPlane) {
    WCHAR wide[16];
    char narrow[16];
    EXPECT_EQ(AnsiToWide("abcdefgh", -1, wide, 4), 3u);
    EXPECT_EQ(WString(wide), WString(QMW("abc")));
    EXPECT_EQ(WideToAnsi(QMW("xyz"), -1, narrow, 3), 2u);
    EXPECT_STREQ(narrow, "xy");
    narrow[0] = 'q';
    EXPECT_EQ(WideToAnsi(QMW("xyz"), -1, narrow, 0), 0u);  // capacity zero writes nothing at all
    EXPECT_EQ(narrow[0], 'q');
    // A length limits the source, and an embedded terminator ends it even when the length says more.
    EXPECT_EQ(AnsiToWide("abcdef", 2, wide, 16), 2u);
    EXPECT_EQ(wide[2], 0);
    EXPECT_EQ(AnsiToWide("ab\0cd", 5, wide, 16), 2u);
    EXPECT_EQ(AnsiToWide(nullptr, -1, wide, 16), 0u);
    EXPECT_EQ(wide[0], 0);

    // UTF-8 keeps every plane and replaces what it cannot convert.
    const char* utf8 = "A\xC3\xA4\xE2\x82\xAC\xF0\x9F\x8E\xB9";  // A, a-umlaut, euro sign, musical keyboard
    const std::u16string units = Utf8ToWide(utf8);
    EXPECT_EQ(units, (std::u16string{u'A', 0x00E4, 0x20AC, 0xD83C, 0xDFB9}));
    const WString native(units.begin(), units.end());
    EXPECT_EQ(WideToUtf8(native.c_str()), std::string(utf8));
    EXPECT_EQ(WideLength(native.c_str()), 5u);
    EXPECT_EQ(Utf8ToWide("a\xFF" "b\xC3"), (std::u16string{u'a', 0xFFFD, u'b', 0xFFFD}));
    const WCHAR lone[] = {0xD800, 'x', 0};  // a lone surrogate cannot be written as UTF-8
    EXPECT_EQ(WideToUtf8(lone), std::string("\xEF\xBF\xBDx"));
}

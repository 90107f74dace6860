#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"

// Plug-in strings on Linux are UTF-8: a short buffer never receives half a character.
TEST(PlatformTextPosix, AnsiIsUtf8AndNeverSplitsASequence) {
    const WCHAR text[] = {'a', 0x00E4, 0x20AC, 0};
    char narrow[5];
    EXPECT_EQ(qm::platform::WideToAnsi(text, -1, narrow, sizeof narrow), 3u);
    EXPECT_EQ(std::string(narrow), std::string("a\xC3\xA4"));
    WCHAR back[8];
    EXPECT_EQ(qm::platform::AnsiToWide("\xE2\x82\xAC", -1, back, 8), 1u);
    EXPECT_EQ(back[0], 0x20AC);
}

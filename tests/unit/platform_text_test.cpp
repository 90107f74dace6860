#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/text.h"

using qm::platform::AnsiToWide;
using qm::platform::Utf8ToWide;
using qm::platform::WideLength;
using qm::platform::WideToAnsi;
using qm::platform::WideToUtf8;

TEST(PlatformText, AsciiRoundTripThroughAnsi) {
    WCHAR wide[32];
    EXPECT_EQ(AnsiToWide("Kars", -1, wide, 32), 4u);
    EXPECT_EQ(std::basic_string<WCHAR>(wide), std::basic_string<WCHAR>(QMW("Kars")));
    char narrow[32];
    EXPECT_EQ(WideToAnsi(wide, -1, narrow, sizeof narrow), 4u);
    EXPECT_STREQ(narrow, "Kars");
}

TEST(PlatformText, TruncatesToCapacityAndAlwaysTerminates) {
    WCHAR wide[4];
    EXPECT_EQ(AnsiToWide("abcdefgh", -1, wide, 4), 3u);
    EXPECT_EQ(wide[3], 0);
    EXPECT_EQ(std::basic_string<WCHAR>(wide), std::basic_string<WCHAR>(QMW("abc")));
    char narrow[3];
    EXPECT_EQ(WideToAnsi(QMW("xyz"), -1, narrow, sizeof narrow), 2u);
    EXPECT_STREQ(narrow, "xy");
    // Capacity zero writes nothing at all.
    narrow[0] = 'q';
    EXPECT_EQ(WideToAnsi(QMW("xyz"), -1, narrow, 0), 0u);
    EXPECT_EQ(narrow[0], 'q');
}

TEST(PlatformText, LengthLimitedSourceAndNullSource) {
    WCHAR wide[16];
    EXPECT_EQ(AnsiToWide("abcdef", 2, wide, 16), 2u);
    EXPECT_EQ(wide[2], 0);
    // An embedded terminator ends the text even when the length says more.
    EXPECT_EQ(AnsiToWide("ab\0cd", 5, wide, 16), 2u);
    wide[0] = 'z';
    EXPECT_EQ(AnsiToWide(nullptr, -1, wide, 16), 0u);
    EXPECT_EQ(wide[0], 0);
}

TEST(PlatformText, Utf8RoundTripKeepsEveryPlane) {
    const char* utf8 = "A\xC3\xA4\xE2\x82\xAC\xF0\x9F\x8E\xB9";  // A, a-umlaut, euro sign, musical keyboard
    const std::u16string wide = Utf8ToWide(utf8);
    ASSERT_EQ(wide.size(), 5u);
    EXPECT_EQ(wide[0], u'A');
    EXPECT_EQ(wide[1], 0x00E4);
    EXPECT_EQ(wide[2], 0x20AC);
    EXPECT_EQ(wide[3], 0xD83C);
    EXPECT_EQ(wide[4], 0xDFB9);
    std::basic_string<WCHAR> native(wide.begin(), wide.end());
    EXPECT_EQ(WideToUtf8(native.c_str()), std::string(utf8));
    EXPECT_EQ(WideLength(native.c_str()), 5u);
}

TEST(PlatformText, InvalidUtf8BecomesReplacementCharacter) {
    const std::u16string wide = Utf8ToWide("a\xFF" "b\xC3");
    ASSERT_EQ(wide.size(), 4u);
    EXPECT_EQ(wide[1], 0xFFFD);
    EXPECT_EQ(wide[2], u'b');
    EXPECT_EQ(wide[3], 0xFFFD);
    // A lone surrogate cannot be written as UTF-8.
    const WCHAR lone[] = {0xD800, 'x', 0};
    EXPECT_EQ(WideToUtf8(lone), std::string("\xEF\xBF\xBDx"));
}

// Text conversion of the platform layer: the ANSI forms cut to the capacity and always terminate;
// UTF-8 keeps every plane and replaces what cannot be converted.
#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"

using namespace qm::platform;
using WString = std::basic_string<WCHAR>;

TEST(PlatformText, AnsiFormsCutToTheCapacityAndAlwaysTerminate) {
    WCHAR wide[16];
    EXPECT_EQ(AnsiToWide("Kars", -1, wide, 16), 4u);
    EXPECT_EQ(WString(wide), WString(QMW("Kars")));
    char narrow[16];
    EXPECT_EQ(WideToAnsi(wide, -1, narrow, sizeof narrow), 4u);
    EXPECT_STREQ(narrow, "Kars");
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
}

TEST(PlatformText, Utf8KeepsEveryPlaneAndReplacesWhatItCannotConvert) {
    const char* utf8 = "A\xC3\xA4\xE2\x82\xAC\xF0\x9F\x8E\xB9";  // A, a-umlaut, euro sign, musical keyboard
    const std::u16string wide = Utf8ToWide(utf8);
    EXPECT_EQ(wide, (std::u16string{u'A', 0x00E4, 0x20AC, 0xD83C, 0xDFB9}));
    const WString native(wide.begin(), wide.end());
    EXPECT_EQ(WideToUtf8(native.c_str()), std::string(utf8));
    EXPECT_EQ(WideLength(native.c_str()), 5u);
    EXPECT_EQ(Utf8ToWide("a\xFF" "b\xC3"), (std::u16string{u'a', 0xFFFD, u'b', 0xFFFD}));
    const WCHAR lone[] = {0xD800, 'x', 0};  // a lone surrogate cannot be written as UTF-8
    EXPECT_EQ(WideToUtf8(lone), std::string("\xEF\xBF\xBDx"));
}

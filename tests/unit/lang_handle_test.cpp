// The language handle: opening, the scratch ring, language ids, layout, abbreviation, resource look-up.
#include <gtest/gtest.h>

#include "framework/lang_internal.h"
#include "lang_test_helpers.h"

using namespace langtest;

namespace {

TEST(LangHandle, OpenAndTheScratchRing) {
    EXPECT_EQ(QmLang_Open(nullptr, ProgramInstance(), 1033, 0), E_POINTER);
    OwnedLang h;
    ASSERT_EQ(QmLang_Open(&h.lang, ProgramInstance(), 1031, 5000), S_OK);
    HQMLANG before = h.lang;
    EXPECT_EQ(QmLang_Open(&h.lang, ProgramInstance(), 1033, 0), QMLANG_S_ALREADY_OPEN);
    EXPECT_EQ(h.lang, before);
    EXPECT_EQ(QmLang_GetLCID(*h), 1031u);
    for (const auto& [asked, capacity] : {std::pair{0, 8192}, {1, 2048}, {2049, 2049}}) {
        OwnedLang other;
        ASSERT_EQ(QmLang_Open(&other.lang, ProgramInstance(), 1033, asked), S_OK);
        EXPECT_EQ(other.lang->scratchCapacity, capacity) << asked;
    }
    // Each 1022-character loan advances by 1024: 0, 1024, 2048, 3072; 4096 lies beyond 5000 - 1024.
    WCHAR* start = QmGetTempStringBuffer(*h, 1022);
    ASSERT_NE(start, nullptr);
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(QmGetTempStringBuffer(*h, 1022), start + (i % 4) * 1024) << i;
    // Odd sizes round the next position down to even; 0 characters lend an empty string.
    EXPECT_EQ(QmGetTempStringBuffer(*h, 3), start + 1024);
    WCHAR* empty = QmGetTempStringBuffer(*h, 0);
    EXPECT_EQ(empty, start + 1028);
    EXPECT_EQ(empty[0], 0);
    EXPECT_EQ(QmGetTempStringBuffer(*h, 1024), start + 1030);
    EXPECT_EQ(QmGetTempStringBuffer(*h, 1025), nullptr);  // more than one borrower may take
    EXPECT_EQ(QmGetTempStringBuffer(*h, -1), nullptr);
}

TEST(LangHandle, ConditionedEnglishAndRightToLeftLanguages) {
    for (WORD langid : qm::kLanguageTable) EXPECT_EQ(QmLang_GetConditionedLCID(langid), langid) << std::hex << langid;
    // Regional variants become the table's language; sort ids and neutral languages are dropped.
    const struct {
        LCID in, out;
    } cases[] = {{0x809, 0x409},  {0xC09, 0x409},  {0x807, 0x407},   {0xC0C, 0x40c},  {0x2C0A, 0x40a},
                 {0xC04, 0x404},  {0x1404, 0x404}, {0x1004, 0x804},  {0x0004, 0x804}, {0x816, 0x816},
                 {0x814, 0x414},  {0x20404, 0x404}, {0x10407, 0x407}, {0x0009, 0x409}};
    for (const auto& c : cases) EXPECT_EQ(QmLang_GetConditionedLCID(c.in), c.out) << std::hex << c.in;
    for (const auto& [lcid, english] : {std::pair{0x409u, true}, {0x1009u, true}, {0x10409u, true}, {0x407u, false}, {0u, false}})
        EXPECT_EQ(QmLang_IsLCIDEnglish(lcid), english) << std::hex << lcid;
    for (const auto& [lcid, rtl] : {std::pair{0x401u, true}, {0x40du, true}, {0x420u, true}, {0x429u, true}, {0x801u, true},
                                    {0x409u, false}, {0x411u, false}}) {
        OwnedLang h;
        ASSERT_EQ(QmLang_Open(&h.lang, ProgramInstance(), lcid, 0), S_OK);
        EXPECT_EQ(QmLang_UseRTL(*h), rtl) << std::hex << lcid;
    }
    // Changing the language sets the process's window layout; it needs the process-wide handle.
    OwnedLang h;
    ASSERT_EQ(QmLang_Open(&h.lang, ProgramInstance(), 1033, 0), S_OK);
    EXPECT_FALSE(QmLang_UpdateKernelLCID(nullptr, 1031));
    KernelHandleScope kernel;
    ASSERT_TRUE(QmLang_UpdateKernelLCID(*h, 0x40d));
    EXPECT_TRUE(qm::ProcessLayoutIsRTL());
    ASSERT_TRUE(QmLang_UpdateKernelLCID(*h, 1033));
    EXPECT_FALSE(qm::ProcessLayoutIsRTL());
}

TEST(LangHandle, LanguageAbbreviation) {
    const struct {
        const char* in;
        int result;
        const char* stored;
    } cases[] = {{"DEU", 3, "DEU"}, {"de", 2, "de"}, {"ENGLISH", 3, "ENG"}, {"", 3, "ENU"}, {nullptr, 3, "ENU"}};
    for (const auto& c : cases) {
        WCHAR out[4];
        EXPECT_EQ(QmSetLangID(c.in ? W(c.in).c_str() : nullptr), c.result) << (c.in ? c.in : "null");
        qm::LangAbbreviation(out);
        EXPECT_EQ(WString(out), W(c.stored)) << (c.in ? c.in : "null");
    }
}

}  // namespace

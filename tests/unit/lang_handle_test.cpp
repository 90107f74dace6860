// The language handle: opening, the scratch ring, language ids, layout and abbreviation.
#include <gtest/gtest.h>

#include "framework/lang_internal.h"
#include "lang_test_helpers.h"

using namespace langtest;

namespace {

const LPCWSTR kStringType = reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(6));
LPCWSTR Block(UINT id) { return reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>((id >> 4) + 1)); }

TEST(LangHandle, OpenRefusesASetHandleAndCloseAcceptsNull) {
    EXPECT_EQ(QmLang_Open(nullptr, ProgramInstance(), 1033, 0), E_POINTER);
    OwnedLang h;
    ASSERT_EQ(QmLang_Open(&h.lang, ProgramInstance(), 1031, 0), S_OK);
    HQMLANG before = h.lang;
    EXPECT_EQ(QmLang_Open(&h.lang, ProgramInstance(), 1033, 0), QMLANG_S_ALREADY_OPEN);
    EXPECT_EQ(h.lang, before);
    EXPECT_EQ(QmLang_GetLCID(*h), 1031u);
    EXPECT_EQ(QmLang_Close(nullptr), S_OK);
    EXPECT_EQ(QmLang_GetLCID(nullptr), 0u);
}

TEST(LangHandle, OpenKeepsTheLanguageModuleOffUntilTheLanguageIsSet) {
    KernelHandleScope kernel;
    OwnedLang h;
    ASSERT_EQ(qm::LangOpenWithLanguageModule(&h.lang, ProgramInstance(), 1031, 0, LanguageModulePath().c_str()), S_OK);
    EXPECT_NE(h.lang->languageModule, ProgramInstance());
    EXPECT_EQ(QmLang_InstFromLang(*h), ProgramInstance());
    EXPECT_EQ(WString(QmGetString(*h, 1019)), W("Enable"));
    ASSERT_TRUE(QmLang_UpdateKernelLCID(*h, 1031));
    EXPECT_EQ(WString(QmGetString(*h, 1019)), W("Aktivieren"));

    OwnedLang zero;
    ASSERT_EQ(qm::LangOpenWithLanguageModule(&zero.lang, ProgramInstance(), 0, 0, nullptr), S_OK);
    EXPECT_EQ(QmLang_GetLCID(*zero), 0u);
}

TEST(LangHandle, UpdateNeedsBothHandles) {
    OwnedLang h;
    ASSERT_EQ(QmLang_Open(&h.lang, ProgramInstance(), 1033, 0), S_OK);
    EXPECT_FALSE(QmLang_UpdateKernelLCID(nullptr, 1031));
    if (qm::KernelLangHandle() == nullptr) {
        EXPECT_FALSE(QmLang_UpdateKernelLCID(*h, 1031));
        EXPECT_FALSE(QmLang_ChangeLangInst(*h, ProgramInstance()));
        EXPECT_EQ(QmLang_GetLCID(*h), 1033u);
    }
}

TEST(LangHandle, ScratchCapacityFollowsTheRequest) {
    const struct {
        int asked;
        int capacity;
    } cases[] = {{0, 8192}, {1, 2048}, {100, 2048}, {2048, 2048}, {2049, 2049}, {5000, 5000}};
    for (const auto& c : cases) {
        OwnedLang h;
        ASSERT_EQ(QmLang_Open(&h.lang, ProgramInstance(), 1033, c.asked), S_OK);
        EXPECT_EQ(h.lang->scratchCapacity, c.capacity) << c.asked;
        EXPECT_EQ(h.lang->scratchReserve, 1024);
    }
}

TEST(LangHandle, ScratchRingWrapsWhenLessThanTheReserveIsLeft) {
    OwnedLang h;
    ASSERT_EQ(QmLang_Open(&h.lang, ProgramInstance(), 1033, 5000), S_OK);
    WCHAR* start = QmGetTempStringBuffer(*h, 1022);
    ASSERT_NE(start, nullptr);
    // Each 1022-character loan advances by 1024: 0, 1024, 2048, 3072; 4096 lies beyond 5000 - 1024.
    EXPECT_EQ(QmGetTempStringBuffer(*h, 1022), start + 1024);
    EXPECT_EQ(QmGetTempStringBuffer(*h, 1022), start + 2048);
    EXPECT_EQ(QmGetTempStringBuffer(*h, 1022), start + 3072);
    EXPECT_EQ(QmGetTempStringBuffer(*h, 1022), start);

    // Odd sizes round the next position down to even; 0 characters lend an empty string.
    EXPECT_EQ(QmGetTempStringBuffer(*h, 3), start + 1024);
    WCHAR* empty = QmGetTempStringBuffer(*h, 0);
    EXPECT_EQ(empty, start + 1028);
    EXPECT_EQ(empty[0], 0);
    EXPECT_EQ(QmGetTempStringBuffer(*h, 1024), start + 1030);

    EXPECT_EQ(QmGetTempStringBuffer(*h, 1025), nullptr);
    EXPECT_EQ(QmGetTempStringBuffer(*h, -1), nullptr);
    EXPECT_EQ(QmGetTempStringBuffer(nullptr, 10), nullptr);
}

TEST(LangHandle, ConditionedLcids) {
    for (WORD langid : qm::kLanguageTable) EXPECT_EQ(QmLang_GetConditionedLCID(langid), langid) << std::hex << langid;
    const struct {
        LCID in;
        LCID out;
    } cases[] = {{0x809, 0x409},   {0xC09, 0x409},  {0x807, 0x407},   {0xC0C, 0x40c},  {0x2C0A, 0x40a},
                 {0xC04, 0x404},   {0x1404, 0x404}, {0x1004, 0x804},  {0x804, 0x804},  {0x0004, 0x804},
                 {0x816, 0x816},   {0x416, 0x416},  {0x814, 0x414},   {0x20404, 0x404}, {0x41f, 0x41f},
                 {0x10407, 0x407}, {0x0009, 0x409}};
    for (const auto& c : cases) EXPECT_EQ(QmLang_GetConditionedLCID(c.in), c.out) << std::hex << c.in;
}

TEST(LangHandle, EnglishAndRightToLeftLanguages) {
    for (LCID lcid : {0x409u, 0x809u, 0xC09u, 0x1009u, 0x10409u}) EXPECT_TRUE(QmLang_IsLCIDEnglish(lcid)) << lcid;
    for (LCID lcid : {0x407u, 0x40cu, 0u, 0x419u}) EXPECT_FALSE(QmLang_IsLCIDEnglish(lcid)) << lcid;

    EXPECT_FALSE(QmLang_UseRTL(nullptr));
    for (LCID lcid : {0x401u, 0x40du, 0x420u, 0x429u, 0x801u}) {
        OwnedLang h;
        ASSERT_EQ(QmLang_Open(&h.lang, ProgramInstance(), lcid, 0), S_OK);
        EXPECT_TRUE(QmLang_UseRTL(*h)) << std::hex << lcid;
    }
    for (LCID lcid : {0x409u, 0x407u, 0x411u}) {
        OwnedLang h;
        ASSERT_EQ(QmLang_Open(&h.lang, ProgramInstance(), lcid, 0), S_OK);
        EXPECT_FALSE(QmLang_UseRTL(*h)) << std::hex << lcid;
    }
}

TEST(LangHandle, UpdateSetsTheProcessLayout) {
    KernelHandleScope kernel;
    OwnedLang h;
    ASSERT_EQ(QmLang_Open(&h.lang, ProgramInstance(), 1033, 0), S_OK);
    ASSERT_TRUE(QmLang_UpdateKernelLCID(*h, 0x40d));
    EXPECT_TRUE(qm::ProcessLayoutIsRTL());
    ASSERT_TRUE(QmLang_UpdateKernelLCID(*h, 1033));
    EXPECT_FALSE(qm::ProcessLayoutIsRTL());
}

TEST(LangHandle, LanguageAbbreviation) {
    WCHAR out[4];
    EXPECT_EQ(QmSetLangID(W("DEU").c_str()), 3);
    qm::LangAbbreviation(out);
    EXPECT_EQ(WString(out), W("DEU"));
    EXPECT_EQ(QmSetLangID(W("de").c_str()), 2);
    qm::LangAbbreviation(out);
    EXPECT_EQ(WString(out), W("de"));
    EXPECT_EQ(QmSetLangID(W("ENGLISH").c_str()), 3);
    qm::LangAbbreviation(out);
    EXPECT_EQ(WString(out), W("ENG"));
    EXPECT_EQ(QmSetLangID(W("").c_str()), 3);
    qm::LangAbbreviation(out);
    EXPECT_EQ(WString(out), W("ENU"));
    EXPECT_EQ(QmSetLangID(nullptr), 3);
    qm::LangAbbreviation(out);
    EXPECT_EQ(WString(out), W("ENU"));
}

TEST(LangHandle, ResourceLookupPrefersTheLanguageModule) {
    KernelHandleScope kernel;
    OwnedLang h;
    ASSERT_EQ(qm::LangOpenWithLanguageModule(&h.lang, ProgramInstance(), 1033, 0, LanguageModulePath().c_str()), S_OK);
    HINSTANCE module = h.lang->languageModule;
    ASSERT_NE(module, ProgramInstance());
    const LPCWSTR names[] = {Block(16), Block(1005)};  // ids 240-255 have no text
    int index = 7;

    // English: the instance answers, the language module is not asked.
    EXPECT_EQ(QmFindResInstance(*h, Block(1005), kStringType), ProgramInstance());
    EXPECT_EQ(QmFindResourceMulti(*h, kStringType, names, 2, &index), ProgramInstance());
    EXPECT_EQ(index, 1);

    ASSERT_TRUE(QmLang_UpdateKernelLCID(*h, 1031));
    EXPECT_EQ(QmFindResInstance(*h, Block(1005), kStringType), module);
    EXPECT_EQ(QmFindResInstance(*h, Block(16), kStringType), ProgramInstance());
    EXPECT_EQ(QmFindResourceMulti(*h, kStringType, names, 2, &index), module);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(QmFindResourceMulti(*h, kStringType, names, 1, &index), nullptr);
    EXPECT_EQ(index, -1);
    index = 7;
    EXPECT_EQ(QmFindResourceMulti(*h, kStringType, names, 0, &index), nullptr);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(QmFindResInstance(nullptr, Block(1005), kStringType), nullptr);
}

}  // namespace

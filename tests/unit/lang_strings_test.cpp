// Strings by id and by record: language switches, the cache, missing ids and modules, records.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "framework/lang_internal.h"
#include "lang_test_helpers.h"

using namespace langtest;

namespace {

class LangStrings : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(qm::LangOpenWithLanguageModule(&h.lang, ProgramInstance(), 1033, 0, LanguageModulePath().c_str()),
                  S_OK);
    }
    WString Get(UINT id) { return QmGetString(*h, id); }

    KernelHandleScope kernel;
    OwnedLang h;
};

// Every text of both tables is compared in lang_table_test.cpp; here the switch itself.
TEST_F(LangStrings, SwitchingLanguagesSwitchesModuleAndTexts) {
    EXPECT_EQ(Get(1020), W("Added %s VST Instrument"));
    EXPECT_EQ(QmLang_InstFromLang(*h), ProgramInstance());
    ASSERT_TRUE(QmLang_UpdateKernelLCID(*h, 1031));
    EXPECT_EQ(QmLang_GetLCID(qm::KernelLangHandle()), 1031u);
    EXPECT_NE(QmLang_InstFromLang(*h), ProgramInstance());
    EXPECT_EQ(Get(1020), W("VST-Instrument %s hinzugefügt"));
    ASSERT_TRUE(QmLang_UpdateKernelLCID(*h, 2057));  // English (UK) turns the language module off again
    EXPECT_EQ(QmLang_InstFromLang(*h), ProgramInstance());
    EXPECT_EQ(Get(1020), W("Added %s VST Instrument"));
    ASSERT_TRUE(QmLang_UpdateKernelLCID(*h, 0));
    EXPECT_EQ(QmLang_GetLCID(*h), 1033u);

    // No language module, beside the program or where named: German falls back to English.
    OwnedLang beside, nowhere;
    ASSERT_EQ(QmLang_Open(&beside.lang, ProgramInstance(), 1031, 0), S_OK);
    const WString absent = W((ProgramFolder() + "no-such-module.LNG").c_str());
    ASSERT_EQ(qm::LangOpenWithLanguageModule(&nowhere.lang, ProgramInstance(), 1031, 0, absent.c_str()), S_OK);
    for (HQMLANG lang : {*beside, *nowhere}) {
        ASSERT_TRUE(QmLang_UpdateKernelLCID(lang, 1031));
        EXPECT_EQ(QmLang_InstFromLang(lang), ProgramInstance());
        EXPECT_EQ(WString(QmGetString(lang, 1062)), W("Scanning %s"));
    }
}

TEST_F(LangStrings, LoadStringCutsAndEmptiesAndTheCacheKeepsIdsSorted) {
    WCHAR buffer[64];
    EXPECT_EQ(QmLoadString(*h, 1046, buffer, 64), 28);
    EXPECT_EQ(WString(buffer), W("Effect Preset (*.fxp)\t*.fxp\t"));
    EXPECT_EQ(QmLoadString(*h, 1046, buffer, 6), 5);
    EXPECT_EQ(WString(buffer), W("Effec"));
    for (const auto& [lang, id, size] : {std::tuple{*h, 1046u, 1}, {*h, 1000u, 64}, {HQMLANG(nullptr), 1005u, 64}}) {
        buffer[0] = 'x';
        EXPECT_EQ(QmLoadString(lang, id, buffer, size), 0) << id;
        EXPECT_EQ(buffer[0], 0) << id;
    }
    EXPECT_EQ(QmLoadString(*h, 1005, nullptr, 64), 0);
    EXPECT_EQ(QmGetString(nullptr, 1005)[0], 0);

    const UINT order[] = {49276, 1005, 1063, 1020, 49138, 1044};
    std::vector<const WCHAR*> first;
    for (UINT id : order) first.push_back(QmGetString(*h, id));
    std::vector<uint32_t> cached;
    for (int i = 0; i < h.lang->cache->nCount; ++i) cached.push_back(*QmList_ValueAt<const uint32_t*>(h.lang->cache, i));
    EXPECT_EQ(cached, (std::vector<uint32_t>{1005, 1020, 1044, 1063, 49138, 49276}));
    for (size_t i = 0; i < first.size(); ++i) EXPECT_EQ(QmGetString(*h, order[i]), first[i]) << order[i];
    // Missing ids are not cached and share one empty string.
    const WCHAR* missing = QmGetString(*h, 1000);
    EXPECT_EQ(missing[0], 0);
    EXPECT_EQ(QmGetString(*h, 49267), missing);
    EXPECT_EQ(h.lang->cache->nCount, 6);
    // A language change empties the cache; a repeated LCID keeps it.
    ASSERT_TRUE(QmLang_UpdateKernelLCID(*h, 1033));
    EXPECT_EQ(h.lang->cache->nCount, 6);
    ASSERT_TRUE(QmLang_UpdateKernelLCID(*h, 1031));
    EXPECT_EQ(h.lang->cache->nCount, 0);
}

TEST_F(LangStrings, RecordsPickTheSlotOfTheHandlesLanguage) {
    static const char* const kTexts[QMLANG_LANGUAGE_COUNT] = {"en", "ja", "de", "es", "fr", "zh-CN", "zh-TW", "da", "fi",
                                                              "it", "ko", "nl", "no", "pt-BR", "pt-PT", "ru", "sv", "pl"};
    std::vector<WString> texts;
    for (const char* t : kTexts) texts.push_back(W(t));
    QMLANGSTRINGREC record[1 + QMLANG_LANGUAGE_COUNT] = {QMLANG_RECORD_HEADER(QMLANG_LANGUAGE_COUNT)};
    for (int k = 0; k < QMLANG_LANGUAGE_COUNT; ++k) record[k + 1] = reinterpret_cast<ULONG_PTR>(texts[k].c_str());
    // A record with fewer slots than the language's slot falls back to its last slot.
    QMLANGSTRINGREC shortRecord[3] = {QMLANG_RECORD_HEADER(2), record[1], record[2]};
    const struct {
        LCID lcid;
        const char* expected;
        QMLANGSTRINGREC* record;
    } cases[] = {{0x407, "de", record},     {0x807, "de", record},     {0xC04, "zh-TW", record},
                 {0x1404, "zh-TW", record}, {0x1004, "zh-CN", record}, {0x804, "zh-CN", record},
                 {0x816, "pt-PT", record},  {0x416, "pt-BR", record},  {0x809, "en", record},
                 {0x40c, "fr", record},     {0x415, "pl", record},     {0x41f, "en", record},
                 {0x814, "no", record},     {0x407, "ja", shortRecord}};
    for (const auto& c : cases) {
        OwnedLang lang;
        ASSERT_EQ(qm::LangOpenWithLanguageModule(&lang.lang, ProgramInstance(), c.lcid, 0, nullptr), S_OK);
        EXPECT_EQ(WString(QmGetString(*lang, c.record)), W(c.expected)) << std::hex << c.lcid;
    }
}

TEST_F(LangStrings, RecordIdsResolveInTheLanguageModuleAndAreWrittenBack) {
    const WString fallback = W("Fallback");
    QMLANGSTRINGREC record[1 + QMLANG_LANGUAGE_COUNT] = {QMLANG_RECORD_HEADER(QMLANG_LANGUAGE_COUNT),
                                                         reinterpret_cast<ULONG_PTR>(fallback.c_str())};
    record[3] = 1005;  // German
    record[5] = 1005;  // French: the language module has no French table
    OwnedLang german, french, italian;
    ASSERT_EQ(qm::LangOpenWithLanguageModule(&german.lang, ProgramInstance(), 1031, 0, LanguageModulePath().c_str()),
              S_OK);
    const WCHAR* text = QmGetString(*german, record);
    EXPECT_EQ(WString(text), W("VSTi-Softsynth"));
    EXPECT_EQ(record[3], reinterpret_cast<ULONG_PTR>(text));
    WCHAR buffer[8];
    EXPECT_EQ(QmLoadString(*german, record, buffer, 8), 7);
    EXPECT_EQ(WString(buffer), W("VSTi-So"));
    ASSERT_EQ(qm::LangOpenWithLanguageModule(&french.lang, ProgramInstance(), 0x40c, 0, LanguageModulePath().c_str()),
              S_OK);
    EXPECT_EQ(QmGetString(*french, record), fallback.c_str());
    EXPECT_EQ(record[5], record[1]);

    // An English word that is an id is read from the instance's English table; so is a missing id.
    QMLANGSTRINGREC byId[1 + QMLANG_LANGUAGE_COUNT] = {QMLANG_RECORD_HEADER(QMLANG_LANGUAGE_COUNT), 1050};
    byId[10] = 1000;  // Italian: no such id
    ASSERT_EQ(qm::LangOpenWithLanguageModule(&italian.lang, ProgramInstance(), 0x410, 0, LanguageModulePath().c_str()),
              S_OK);
    EXPECT_EQ(WString(QmGetString(*italian, byId)), W("VSTi Soft Synth"));
    EXPECT_GT(byId[1], 0xFFFFu);
    EXPECT_EQ(byId[10], byId[1]);

    // The smart look-up tells ids, records and plain texts apart.
    const WString literal = W("literal text");
    alignas(8) QMLANGSTRINGREC plain[2] = {QMLANG_RECORD_HEADER(1), reinterpret_cast<ULONG_PTR>(literal.c_str())};
    EXPECT_FALSE(IsQMLANGSTRINGID(*h, reinterpret_cast<const BYTE*>(plain) + 2));
    EXPECT_EQ(WString(QmGetStringSmart(*h, reinterpret_cast<const void*>(ULONG_PTR{1051}))), W("VSTi Synth Type"));
    EXPECT_EQ(QmGetStringSmart(*h, plain), literal.c_str());
    EXPECT_EQ(QmGetStringSmart(*h, literal.c_str()), literal.c_str());
}

}  // namespace

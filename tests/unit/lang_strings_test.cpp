// Strings by id and by record: language switches, the cache, missing ids and modules, records.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "framework/lang_internal.h"
#include "lang_test_helpers.h"
#include "platform/module.h"

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

std::vector<uint32_t> CachedIds(HQMLANG lang) {
    std::vector<uint32_t> ids;
    for (int i = 0; i < lang->cache->nCount; ++i) ids.push_back(*QmList_ValueAt<const uint32_t*>(lang->cache, i));
    return ids;
}

TEST_F(LangStrings, SwitchingToGermanAndBackChangesTheTexts) {
    EXPECT_EQ(Get(1005), W("VSTi Soft Synth"));
    EXPECT_EQ(Get(1020), W("Added %s VST Instrument"));
    EXPECT_EQ(Get(1037), W("Error opening preset for %s - %s"));
    EXPECT_EQ(Get(1043), W("Effect Bank (*.fxb)\t*.fxb\t"));
    EXPECT_EQ(Get(49138), W("Bank Select"));
    EXPECT_EQ(QmLang_InstFromLang(*h), ProgramInstance());

    ASSERT_TRUE(QmLang_UpdateKernelLCID(*h, 1031));
    EXPECT_EQ(QmLang_GetLCID(*h), 1031u);
    EXPECT_EQ(QmLang_GetLCID(qm::KernelLangHandle()), 1031u);
    EXPECT_NE(QmLang_InstFromLang(*h), ProgramInstance());
    EXPECT_EQ(Get(1005), W("VSTi-Softsynth"));
    EXPECT_EQ(Get(1020), W("VST-Instrument %s hinzugefügt"));
    EXPECT_EQ(Get(1037), W("Fehler beim Öffnen des Presets für %s - %s"));
    EXPECT_EQ(Get(1043), W("Effekt-Bank (*.fxb)\t*.fxb\t"));
    EXPECT_EQ(Get(49270), W("Tonhöhenbeugung"));

    // English (UK) turns the language module off again.
    ASSERT_TRUE(QmLang_UpdateKernelLCID(*h, 2057));
    EXPECT_EQ(QmLang_InstFromLang(*h), ProgramInstance());
    EXPECT_EQ(Get(1005), W("VSTi Soft Synth"));
    EXPECT_EQ(Get(1020), W("Added %s VST Instrument"));

    ASSERT_TRUE(QmLang_UpdateKernelLCID(*h, 0));
    EXPECT_EQ(QmLang_GetLCID(*h), 1033u);
}

TEST_F(LangStrings, LoadStringCopiesWithTruncationAndEmptiesOnMiss) {
    WCHAR buffer[64];
    EXPECT_EQ(QmLoadString(*h, 1046, buffer, 64), 28);
    EXPECT_EQ(WString(buffer), W("Effect Preset (*.fxp)\t*.fxp\t"));
    EXPECT_EQ(QmLoadString(*h, 1046, buffer, 6), 5);
    EXPECT_EQ(WString(buffer), W("Effec"));
    EXPECT_EQ(QmLoadString(*h, 1046, buffer, 1), 0);
    EXPECT_EQ(buffer[0], 0);

    buffer[0] = 'x';
    EXPECT_EQ(QmLoadString(*h, 1000, buffer, 64), 0);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(QmLoadString(*h, 1005, nullptr, 64), 0);
    EXPECT_EQ(QmLoadString(*h, 1005, buffer, 0), 0);
    buffer[0] = 'x';
    EXPECT_EQ(QmLoadString(nullptr, 1005, buffer, 64), 0);
    EXPECT_EQ(buffer[0], 0);
}

TEST_F(LangStrings, CacheKeepsIdsSortedAndReturnsTheSamePointer) {
    const UINT order[] = {49276, 1005, 1063, 1020, 49138, 1044};
    std::vector<const WCHAR*> first;
    for (UINT id : order) first.push_back(QmGetString(*h, id));
    EXPECT_EQ(CachedIds(*h), (std::vector<uint32_t>{1005, 1020, 1044, 1063, 49138, 49276}));
    for (size_t i = 0; i < first.size(); ++i) EXPECT_EQ(QmGetString(*h, order[i]), first[i]) << order[i];
    EXPECT_EQ(h.lang->cache->nCount, 6);

    // Missing ids are not cached and share one empty string.
    const WCHAR* missing = QmGetString(*h, 1000);
    EXPECT_EQ(missing[0], 0);
    EXPECT_EQ(QmGetString(*h, 49267), missing);
    EXPECT_EQ(QmGetString(*h, 65535), missing);
    EXPECT_EQ(h.lang->cache->nCount, 6);

    // A language change empties the cache; a repeated LCID keeps it.
    ASSERT_TRUE(QmLang_UpdateKernelLCID(*h, 1033));
    EXPECT_EQ(h.lang->cache->nCount, 6);
    ASSERT_TRUE(QmLang_UpdateKernelLCID(*h, 1031));
    EXPECT_EQ(h.lang->cache->nCount, 0);
}

TEST_F(LangStrings, NullHandleGivesTheEmptyString) {
    const WCHAR* text = QmGetString(nullptr, 1005);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text[0], 0);
    EXPECT_EQ(QmLang_InstFromLang(nullptr), nullptr);
}

TEST_F(LangStrings, MissingLanguageModuleFallsBackToEnglish) {
    // No "<test program>.LNG" exists beside the test program.
    OwnedLang beside;
    ASSERT_EQ(QmLang_Open(&beside.lang, ProgramInstance(), 1031, 0), S_OK);
    OwnedLang nowhere;
    const WString absent = W((ProgramFolder() + "no-such-module.LNG").c_str());
    ASSERT_EQ(qm::LangOpenWithLanguageModule(&nowhere.lang, ProgramInstance(), 1031, 0, absent.c_str()), S_OK);
    for (HQMLANG lang : {*beside, *nowhere}) {
        ASSERT_TRUE(QmLang_UpdateKernelLCID(lang, 1031));
        EXPECT_EQ(QmLang_InstFromLang(lang), ProgramInstance());
        EXPECT_EQ(WString(QmGetString(lang, 1005)), W("VSTi Soft Synth"));
        EXPECT_EQ(WString(QmGetString(lang, 1062)), W("Scanning %s"));
    }
}

TEST_F(LangStrings, ChangeLangInstSwitchesBothHandlesToAnotherModule) {
    OwnedLang plain;
    ASSERT_EQ(qm::LangOpenWithLanguageModule(&plain.lang, ProgramInstance(), 1031, 0, nullptr), S_OK);
    ASSERT_TRUE(QmLang_UpdateKernelLCID(*plain, 1031));
    EXPECT_EQ(WString(QmGetString(*plain, 1059)), W("Cancel Scan"));

    auto module = static_cast<HINSTANCE>(qm::platform::LoadModule(LanguageModulePath().c_str()));
    ASSERT_NE(module, nullptr);
    EXPECT_TRUE(QmLang_ChangeLangInst(*plain, nullptr));
    EXPECT_EQ(WString(QmGetString(*plain, 1059)), W("Cancel Scan"));
    EXPECT_TRUE(QmLang_ChangeLangInst(*plain, module));
    EXPECT_EQ(QmLang_InstFromLang(*plain), module);
    EXPECT_EQ(QmLang_InstFromLang(qm::KernelLangHandle()), module);
    EXPECT_EQ(WString(QmGetString(*plain, 1059)), W("Suche abbrechen"));

    EXPECT_FALSE(QmLang_ChangeLangInst(nullptr, module));
    // Give both handles their instance back before the module goes.
    EXPECT_TRUE(QmLang_ChangeLangInst(*plain, ProgramInstance()));
    qm::platform::UnloadModule(module);
}

TEST_F(LangStrings, RecordsPickTheSlotOfTheHandlesLanguage) {
    static const char* const kTexts[QMLANG_LANGUAGE_COUNT] = {"en", "ja", "de", "es", "fr", "zh-CN", "zh-TW", "da", "fi",
                                                              "it", "ko", "nl", "no", "pt-BR", "pt-PT", "ru", "sv", "pl"};
    std::vector<WString> texts;
    for (const char* t : kTexts) texts.push_back(W(t));
    QMLANGSTRINGREC record[1 + QMLANG_LANGUAGE_COUNT] = {QMLANG_RECORD_HEADER(QMLANG_LANGUAGE_COUNT)};
    for (int k = 0; k < QMLANG_LANGUAGE_COUNT; ++k) record[k + 1] = reinterpret_cast<ULONG_PTR>(texts[k].c_str());

    const struct {
        LCID lcid;
        const char* expected;
    } cases[] = {{0x407, "de"},    {0x807, "de"},    {0xC04, "zh-TW"}, {0x1404, "zh-TW"}, {0x1004, "zh-CN"},
                 {0x804, "zh-CN"}, {0x816, "pt-PT"}, {0x416, "pt-BR"}, {0x809, "en"},     {0x40c, "fr"},
                 {0x415, "pl"},    {0x41f, "en"},    {0x814, "no"}};
    for (const auto& c : cases) {
        OwnedLang lang;
        ASSERT_EQ(qm::LangOpenWithLanguageModule(&lang.lang, ProgramInstance(), c.lcid, 0, nullptr), S_OK);
        EXPECT_EQ(WString(QmGetString(*lang, record)), W(c.expected)) << std::hex << c.lcid;
    }

    // A record with fewer slots than the language's slot falls back to its last slot.
    QMLANGSTRINGREC shortRecord[3] = {QMLANG_RECORD_HEADER(2), record[1], record[2]};
    OwnedLang german;
    ASSERT_EQ(qm::LangOpenWithLanguageModule(&german.lang, ProgramInstance(), 0x407, 0, nullptr), S_OK);
    EXPECT_EQ(WString(QmGetString(*german, shortRecord)), W("ja"));
}

TEST_F(LangStrings, RecordIdsResolveInTheLanguageModuleAndAreWrittenBack) {
    const WString fallback = W("Fallback");
    QMLANGSTRINGREC record[1 + QMLANG_LANGUAGE_COUNT] = {QMLANG_RECORD_HEADER(QMLANG_LANGUAGE_COUNT),
                                                         reinterpret_cast<ULONG_PTR>(fallback.c_str())};
    record[3] = 1005;  // German
    record[5] = 1005;  // French: the language module has no French table
    record[10] = 1000;  // Italian: no such id

    OwnedLang german;
    ASSERT_EQ(qm::LangOpenWithLanguageModule(&german.lang, ProgramInstance(), 1031, 0, LanguageModulePath().c_str()),
              S_OK);
    const WCHAR* text = QmGetString(*german, record);
    EXPECT_EQ(WString(text), W("VSTi-Softsynth"));
    EXPECT_EQ(record[3], reinterpret_cast<ULONG_PTR>(text));

    OwnedLang french;
    ASSERT_EQ(qm::LangOpenWithLanguageModule(&french.lang, ProgramInstance(), 0x40c, 0, LanguageModulePath().c_str()),
              S_OK);
    EXPECT_EQ(QmGetString(*french, record), fallback.c_str());
    EXPECT_EQ(record[5], record[1]);

    // An English word that is an id is read from the instance's English table.
    QMLANGSTRINGREC byId[1 + QMLANG_LANGUAGE_COUNT] = {QMLANG_RECORD_HEADER(QMLANG_LANGUAGE_COUNT), 1050};
    byId[10] = 1000;
    OwnedLang italian;
    ASSERT_EQ(qm::LangOpenWithLanguageModule(&italian.lang, ProgramInstance(), 0x410, 0, LanguageModulePath().c_str()),
              S_OK);
    EXPECT_EQ(WString(QmGetString(*italian, byId)), W("VSTi Soft Synth"));
    EXPECT_GT(byId[1], 0xFFFFu);
    EXPECT_EQ(byId[10], byId[1]);

    WCHAR buffer[8];
    EXPECT_EQ(QmLoadString(*german, record, buffer, 8), 7);
    EXPECT_EQ(WString(buffer), W("VSTi-So"));
}

TEST_F(LangStrings, SmartLookupAndRecordRecognition) {
    const WString literal = W("literal text");
    alignas(8) QMLANGSTRINGREC record[2] = {QMLANG_RECORD_HEADER(1), reinterpret_cast<ULONG_PTR>(literal.c_str())};

    EXPECT_TRUE(IsQMLANGSTRINGID(*h, record));
    EXPECT_FALSE(IsQMLANGSTRINGID(*h, reinterpret_cast<const BYTE*>(record) + 2));
    EXPECT_FALSE(IsQMLANGSTRINGID(*h, reinterpret_cast<const void*>(static_cast<ULONG_PTR>(0xFFFE))));
    EXPECT_FALSE(IsQMLANGSTRINGID(*h, literal.c_str()));

    EXPECT_EQ(QmGetStringSmart(*h, nullptr), nullptr);
    EXPECT_EQ(WString(QmGetStringSmart(*h, reinterpret_cast<const void*>(static_cast<ULONG_PTR>(1051)))),
              W("VSTi Synth Type"));
    EXPECT_EQ(QmGetStringSmart(*h, record), literal.c_str());
    EXPECT_EQ(QmGetStringSmart(*h, literal.c_str()), literal.c_str());
}

TEST_F(LangStrings, ConcurrentLookupsAndScratchBuffersAgree) {
    const UINT ids[] = {1005, 1020, 1043, 1063, 49138, 49200, 49276};
    std::vector<WString> expected;
    for (UINT id : ids) {
        WCHAR buffer[256];
        ASSERT_GT(QmLoadString(*h, id, buffer, 256), 0);
        expected.push_back(buffer);
    }
    ASSERT_EQ(h.lang->cache->nCount, 0);  // the threads race to fill the cache

    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 300; ++i) {
                const size_t k = static_cast<size_t>(i + t) % (sizeof(ids) / sizeof(ids[0]));
                if (expected[k] != QmGetString(*h, ids[k])) ++mismatches;
                WCHAR* scratch = QmGetTempStringBuffer(*h, 16);
                if (scratch == nullptr) ++mismatches;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(mismatches.load(), 0);
}

}  // namespace

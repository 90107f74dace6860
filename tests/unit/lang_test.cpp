// The language handle (opening, language ids, layout, abbreviation), strings by id
// and by record (language switches, the cache, missing ids and modules), and the generated string
// tables against their sources, the translation against the English table.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "framework/lang_internal.h"
#include "framework/lang_table.h"
#include "lang_test_helpers.h"

using namespace langtest;

namespace {

TEST(LangHandle, ConditionedEnglishAndRightToLeftLanguages) {
    for (WORD langid : qm::kLanguageTable) EXPECT_EQ(QmLang_GetConditionedLCID(langid), langid) << std::hex << langid;
    // Regional variants become the table's language; sort ids and neutral languages are dropped.
    for (const auto& [in, out] : {std::pair{0x809u, 0x409u}, {0xC09u, 0x409u}, {0x807u, 0x407u}, {0xC0Cu, 0x40cu},
                                  {0x2C0Au, 0x40au}, {0xC04u, 0x404u}, {0x1404u, 0x404u}, {0x1004u, 0x804u},
                                  {0x0004u, 0x804u}, {0x816u, 0x816u}, {0x814u, 0x414u}, {0x20404u, 0x404u},
                                  {0x10407u, 0x407u}, {0x0009u, 0x409u}})
        EXPECT_EQ(QmLang_GetConditionedLCID(in), out) << std::hex << in;
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
    for (const auto& [in, result, stored] : {std::tuple{"DEU", 3, "DEU"}, {"de", 2, "de"}, {"ENGLISH", 3, "ENG"},
                                             {"", 3, "ENU"}, {nullptr, 3, "ENU"}}) {
        WCHAR out[4];
        EXPECT_EQ(QmSetLangID(in ? W(in).c_str() : nullptr), result) << (in ? in : "null");
        qm::LangAbbreviation(out);
        EXPECT_EQ(WString(out), W(stored)) << (in ? in : "null");
    }
}

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

// Every text of both tables is compared by the table tests below; here the switch itself.
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

// The built-in table holds exactly the English source (with every controller's name), the language
// module exactly the German one, and every translation keeps the English text's placeholders, tabs
// and line feeds.
TEST(LangTable, TablesEqualTheirSourcesAndTranslationsKeepTheFormat) {
    const auto english = ReadTableSource("en.txt"), german = ReadTableSource("de.txt");
    ASSERT_FALSE(english.empty() || german.empty()) << "resources/strings/*.txt not found in the build tree";
    const QmStringTable& table = qm::kBuiltinStringTable;
    EXPECT_EQ(std::make_tuple(table.magic, table.langid), std::make_tuple(kQmStringTableMagic, 0x409u));
    ASSERT_EQ(table.count, english.size());
    uint32_t previous = 0;
    for (uint32_t i = 0; i < table.count; ++i) {
        const QmStringEntry& entry = table.entries[i];
        EXPECT_GT(entry.id, previous);
        previous = entry.id;
        ASSERT_EQ(english.count(entry.id), 1u) << entry.id;
        ASSERT_GE(entry.length, 1u);
        EXPECT_EQ(entry.text[entry.length - 1], 0) << entry.id;  // stored with its NUL, as in the .rc
        EXPECT_EQ(WString(entry.text, entry.length - 1), english.at(entry.id)) << entry.id;
        EXPECT_EQ(qm::FindStringTableEntry(&table, entry.id), &entry);
    }
    for (UINT id : {0u, 1000u, 65535u}) EXPECT_EQ(qm::FindStringTableEntry(&table, id), nullptr) << id;
    for (uint32_t id = 49138; id <= 49265; ++id) EXPECT_EQ(english.count(id), 1u) << "controller " << id - 49138;

    EXPECT_EQ(german.size(), english.size());
    KernelHandleScope kernel;
    OwnedLang de, en;
    ASSERT_EQ(qm::LangOpenWithLanguageModule(&de.lang, ProgramInstance(), 1031, 0, LanguageModulePath().c_str()), S_OK);
    ASSERT_TRUE(QmLang_UpdateKernelLCID(*de, 1031));
    ASSERT_EQ(qm::LangOpenWithLanguageModule(&en.lang, ProgramInstance(), 1033, 0, nullptr), S_OK);
    size_t translated = 0;
    for (const auto& [id, text] : german) {
        WCHAR buffer[2048];
        EXPECT_EQ(QmLoadString(*de, id, buffer, 2048), static_cast<int>(text.size())) << id;
        EXPECT_EQ(WString(buffer), text) << id;
        const WString e = QmGetString(*en, id);
        EXPECT_EQ(FormatOf(text), FormatOf(e)) << id;
        translated += text != e;
    }
    // Technical names, "Name", "Modulation", "Sostenuto" and the (N)RPN numbers stay as they are.
    EXPECT_GT(translated, english.size() * 3 / 4);
}

}  // namespace

// The generated string tables against their sources, and the translation against the English table.
#include <gtest/gtest.h>

#include "framework/lang_table.h"
#include "lang_test_helpers.h"

using namespace langtest;

namespace {

TEST(LangTable, BuiltinTableEqualsTheEnglishSourceWithTheComponentsTexts) {
    auto english = ReadTableSource("en.txt");
    ASSERT_FALSE(english.empty()) << "resources/strings/en.txt not found in the build tree";
    const QmStringTable& table = qm::kBuiltinStringTable;
    EXPECT_EQ(table.magic, kQmStringTableMagic);
    EXPECT_EQ(table.langid, 0x409u);
    ASSERT_EQ(table.count, english.size());
    uint32_t previous = 0;
    for (uint32_t i = 0; i < table.count; ++i) {
        const QmStringEntry& entry = table.entries[i];
        EXPECT_GT(entry.id, previous);
        previous = entry.id;
        ASSERT_EQ(english.count(entry.id), 1u) << entry.id;
        ASSERT_GE(entry.length, 1u);
        EXPECT_EQ(entry.text[entry.length - 1], 0) << entry.id;  // stored with its NUL, as in the .rc
        EXPECT_EQ(WString(entry.text, entry.length - 1), english[entry.id]) << entry.id;
        EXPECT_EQ(qm::FindStringTableEntry(&table, entry.id), &entry);
    }
    for (UINT id : {0u, 1000u, 65535u}) EXPECT_EQ(qm::FindStringTableEntry(&table, id), nullptr) << id;

    // The source holds the texts as the host shows them, escapes resolved.
    for (const auto& [id, text] : {std::pair{1005u, "VSTi Soft Synth"}, {1008u, " "}, {1046u, "Effect Preset (*.fxp)\t*.fxp\t"},
                                   {1028u, "This command will rescan all folders selected for VST Instruments.\n\n"
                                           "Are you sure you want to proceed?"},
                                   {49138u, "Bank Select"}, {49276u, "Data Entry Off"}})
        EXPECT_EQ(english[id], W(text)) << id;
    for (uint32_t id = 49138; id <= 49265; ++id) EXPECT_EQ(english.count(id), 1u) << "controller " << id - 49138;
}

// The language module holds exactly the German source, and every translation keeps the English
// text's placeholders, tabs and line feeds.
TEST(LangTable, LanguageModuleEqualsTheGermanSourceAndKeepsTheFormat) {
    const auto english = ReadTableSource("en.txt"), german = ReadTableSource("de.txt");
    ASSERT_FALSE(german.empty()) << "resources/strings/de.txt not found in the build tree";
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
    WCHAR buffer[16];
    EXPECT_EQ(QmLoadString(*de, 49267, buffer, 16), 0);
    // Technical names, "Name", "Modulation", "Sostenuto" and the (N)RPN numbers stay as they are.
    EXPECT_GT(translated, english.size() * 3 / 4);
    for (uint32_t id : {1005u, 1014u, 1020u, 1028u, 1041u, 1060u, 1062u, 49138u, 49270u})
        EXPECT_NE(WString(QmGetString(*en, id)), WString(QmGetString(*de, id))) << id;
}

}  // namespace

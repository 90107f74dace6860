// The Linux language module: a shared object exporting its table beside libqmvsti.so.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "framework/lang_internal.h"
#include "framework/lang_table.h"
#include "unit/lang_test_helpers.h"
#include "platform/file.h"

namespace langtest {
const char* LanguageModuleFileName() { return "libqmvsti.LNG"; }
}  // namespace langtest

using namespace langtest;

namespace {

TEST(LangPosix, LanguageModuleExportsTheGermanTable) {
    void* module = qm::platform::LoadModule(LanguageModulePath().c_str());
    ASSERT_NE(module, nullptr);
    const auto* table = static_cast<const QmStringTable*>(qm::platform::FindSymbol(module, kQmLangStringTableSymbol));
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->magic, kQmStringTableMagic);
    EXPECT_EQ(table->langid, 0x407u);
    EXPECT_EQ(table->count, qm::kBuiltinStringTable.count);
    qm::platform::UnloadModule(module);
}

TEST(LangPosix, OpenFindsTheLanguageModuleBesideTheLibrary) {
    const WString library = W((ProgramFolder() + "libqmvsti.so").c_str());
    if (!qm::platform::FileExists(library.c_str())) GTEST_SKIP() << "libqmvsti.so is not built";
    void* loaded = qm::platform::LoadModule(library.c_str());
    ASSERT_NE(loaded, nullptr);
    HINSTANCE instance = qm::ModuleInstanceOf(qm::platform::FindSymbol(loaded, "QmLang_Open"));
    ASSERT_NE(instance, nullptr);
    {
        KernelHandleScope kernel;
        OwnedLang h;
        ASSERT_EQ(QmLang_Open(&h.lang, instance, 1031, 0), S_OK);
        EXPECT_NE(h.lang->languageModule, instance);
        ASSERT_TRUE(QmLang_UpdateKernelLCID(*h, 1031));
        EXPECT_EQ(WString(QmGetString(*h, 1035)), W("&Aktualisieren"));
    }
    qm::platform::UnloadModule(loaded);
}

// Records follow the user's locale when the handle has no LCID.
TEST(LangPosix, UserLanguageComesFromTheLocale) {
    const char* names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    std::string saved[3];
    bool had[3];
    for (int i = 0; i < 3; ++i) {
        const char* value = std::getenv(names[i]);
        had[i] = value != nullptr;
        if (had[i]) saved[i] = value;
        unsetenv(names[i]);
    }
    EXPECT_EQ(qm::lang::UserDefaultLanguage(), 0x409);
    // Each later variable takes precedence over the ones set before it.
    const struct {
        const char* name;
        const char* value;
        WORD language;
    } cases[] = {{"LANG", "de_CH.UTF-8", 0x407}, {"LC_MESSAGES", "zh_TW", 0x404}, {"LC_ALL", "pt_PT.UTF-8@euro", 0x816}};
    for (const auto& c : cases) {
        setenv(c.name, c.value, 1);
        EXPECT_EQ(qm::lang::UserDefaultLanguage(), c.language) << c.value;
    }
    const WString pt = W("pt-PT"), en = W("en");
    QMLANGSTRINGREC record[1 + QMLANG_LANGUAGE_COUNT] = {QMLANG_RECORD_HEADER(QMLANG_LANGUAGE_COUNT),
                                                         reinterpret_cast<ULONG_PTR>(en.c_str())};
    record[15] = reinterpret_cast<ULONG_PTR>(pt.c_str());
    OwnedLang h;
    ASSERT_EQ(QmLang_Open(&h.lang, ProgramInstance(), 0, 0), S_OK);
    EXPECT_EQ(QmGetString(*h, record), pt.c_str());
    for (int i = 0; i < 3; ++i) {
        if (had[i]) {
            setenv(names[i], saved[i].c_str(), 1);
        } else {
            unsetenv(names[i]);
        }
    }
}

}  // namespace

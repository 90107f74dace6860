// The Linux language module's name (it lies beside libqmvsti.so, where the module tests find its
// German texts) and the user's language from the locale.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "framework/lang_internal.h"
#include "unit/lang_test_helpers.h"
#include "support/environment.h"

namespace langtest {
const char* LanguageModuleFileName() { return "libqmvsti.LNG"; }
}  // namespace langtest

using namespace langtest;

namespace {

// Records follow the user's locale when the handle has no LCID; each later variable takes precedence
// over the ones set before it.
TEST(LangPosix, UserLanguageComesFromTheLocale) {
    qm::test::ScopedEnvironment all("LC_ALL", nullptr), messages("LC_MESSAGES", nullptr), lang("LANG", nullptr);
    EXPECT_EQ(qm::lang::UserDefaultLanguage(), 0x409);
    for (const auto& [name, value, language] : {std::tuple{"LANG", "de_CH.UTF-8", 0x407}, {"LC_MESSAGES", "zh_TW", 0x404},
                                                {"LC_ALL", "pt_PT.UTF-8@euro", 0x816}}) {
        qm::test::SetEnvironment(name, value);
        EXPECT_EQ(qm::lang::UserDefaultLanguage(), language) << value;
    }
    const WString pt = W("pt-PT"), en = W("en");
    QMLANGSTRINGREC record[1 + QMLANG_LANGUAGE_COUNT] = {QMLANG_RECORD_HEADER(QMLANG_LANGUAGE_COUNT),
                                                         reinterpret_cast<ULONG_PTR>(en.c_str())};
    record[15] = reinterpret_cast<ULONG_PTR>(pt.c_str());
    OwnedLang h;
    ASSERT_EQ(QmLang_Open(&h.lang, ProgramInstance(), 0, 0), S_OK);
    EXPECT_EQ(QmGetString(*h, record), pt.c_str());
}

}  // namespace

// The Windows language module QmVSTi.LNG and the module's own STRINGTABLE.
#include <gtest/gtest.h>

#include "framework/lang_internal.h"
#include "unit/lang_test_helpers.h"
#include "platform/file.h"

namespace langtest {
const char* LanguageModuleFileName() { return "QmVSTi.LNG"; }
}  // namespace langtest

using namespace langtest;

namespace {

// QmVSTi.dll's own STRINGTABLE, read through a handle on the DLL (mapped without running DllMain),
// and QmVSTi.LNG: a module of German resources only, without code (the module tests find it beside
// the DLL).
TEST(LangWin32, ModuleStringTableEqualsTheEnglishSourceAndTheLanguageModuleIsGerman) {
    HMODULE language = LoadLibraryExW(LanguageModulePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(language, nullptr);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(reinterpret_cast<ULONG_PTR>(language) & ~ULONG_PTR(3));
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(reinterpret_cast<const BYTE*>(dos) + dos->e_lfanew);
    EXPECT_EQ(nt->OptionalHeader.AddressOfEntryPoint, 0u);
    EXPECT_NE(FindResourceExW(language, RT_STRING, MAKEINTRESOURCEW((1005 >> 4) + 1), 0x407), nullptr);
    FreeLibrary(language);

    const WString dll = W((ProgramFolder() + "QmVSTi.dll").c_str());
    if (!qm::platform::FileExists(dll.c_str())) GTEST_SKIP() << "QmVSTi.dll is not built";
    HMODULE module = LoadLibraryExW(dll.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(module, nullptr);
    ASSERT_NE(FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW((1005 >> 4) + 1), 0x409), nullptr);
    const auto english = ReadTableSource("en.txt");
    ASSERT_FALSE(english.empty());
    {
        OwnedLang h;
        ASSERT_EQ(QmLang_Open(&h.lang, module, 1033, 0), S_OK);
        for (const auto& [id, text] : english) {
            WCHAR buffer[2048];
            EXPECT_EQ(QmLoadString(*h, id, buffer, 2048), static_cast<int>(text.size())) << id;
            EXPECT_EQ(WString(buffer), text) << id;
        }
    }
    FreeLibrary(module);
}

}  // namespace

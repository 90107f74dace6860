// The framework's message-box caption and help-file paths (what the module sets at load is the
// module tests' part), and the RunDLL32 check of the module entry.
#include <gtest/gtest.h>

#include <string>

#include "framework/app_services.h"

namespace qm::test {
namespace {

using WString = std::basic_string<WCHAR>;

WString W(const char* text) { return WString(text, text + std::char_traits<char>::length(text)); }

TEST(AppServicesRunDll32, OnlyTheFileNameRunDll32ExeInAnyCaseCounts) {
    for (const auto& [path, counts] :
         {std::pair{"C:\\Windows\\System32\\rundll32.exe", true}, {"RUNDLL32.EXE", true}, {"/usr/lib/wine/RunDll32.EXE", true},
          {"D:rundll32.exe", true}, {"", false}, {"C:\\Host\\host.exe", false}, {"myrundll32.exe", false},
          {"rundll32.exe.bak", false}, {"rundll32", false}, {"C:\\rundll32.exe\\host.exe", false}})
        EXPECT_EQ(IsRunDll32Process(W(path).c_str()), counts) << path;
    EXPECT_FALSE(IsRunDll32Process(nullptr));
}

// A stored help path is cut to the caller's buffer (the caption shares the copy; the module tests read
// it whole); a built path that does not fit is refused with an empty buffer rather than cut.
TEST(AppServicesHelp, StoredPathsAreCutToTheCallersBufferAndBuiltOnesRefused) {
    WCHAR text[64];
    ASSERT_EQ(QmHelp_SetHelpFilePath(QMHELP_KIND_CONTEXT, W("C:\\Help\\context.hlp").c_str()), S_OK);
    EXPECT_EQ(QmHelp_SetHelpFilePath(QMHELP_KIND_COUNT, W("x").c_str()), E_INVALIDARG);
    EXPECT_EQ(QmHelp_GetHelpFilePath(QMHELP_KIND_CONTEXT, text, 9), 8);
    EXPECT_EQ(WString(text), W("C:\\Help\\"));
    ASSERT_EQ(QmHelp_SetHelpFilePath(QMHELP_KIND_CONTEXT, nullptr), S_OK);
    EXPECT_EQ(QmHelp_GetHelpFilePath(QMHELP_KIND_CONTEXT, text, 64), 0);

    // A null module is the module that carries the framework: here the test program itself.
    WCHAR path[1024];
    ASSERT_EQ(QmHelp_CreateHelpFilePath(QMHELP_KIND_MAIN, nullptr, path, 1024, 0, 0), S_OK);
    const WString built(path);
    ASSERT_GT(built.size(), 4u);
    EXPECT_EQ(built.substr(built.size() - 4), W(".chm"));
    const int needed = static_cast<int>(built.size() + 1);
    EXPECT_EQ(QmHelp_CreateHelpFilePath(QMHELP_KIND_MAIN, nullptr, path, needed, 0, 0), S_OK);
    EXPECT_EQ(QmHelp_CreateHelpFilePath(QMHELP_KIND_MAIN, nullptr, path, needed - 1, 0, 0),
              HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(path[0], 0);
    EXPECT_EQ(QmHelp_CreateHelpFilePath(2, nullptr, path, 1024, 0, 0), E_INVALIDARG);
}

}  // namespace
}  // namespace qm::test

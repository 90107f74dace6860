// The framework's message-box caption and help-file paths, and the RunDLL32 check of the module entry.
#include <gtest/gtest.h>

#include <string>

#include "framework/app_services.h"
#include "platform/module.h"
#include "platform/text.h"

namespace qm::test {
namespace {

using WString = std::basic_string<WCHAR>;

WString W(const char* text) {
    WString wide;
    for (const char* p = text; *p != 0; ++p) wide.push_back(static_cast<WCHAR>(*p));
    return wide;
}

void Anchor() {}

TEST(AppServicesRunDll32, OnlyTheFileNameRunDll32ExeInAnyCaseCounts) {
    for (const char* path : {"C:\\Windows\\System32\\rundll32.exe", "RUNDLL32.EXE", "RunDLL32.exe",
                             "/usr/lib/wine/RunDll32.EXE", "D:rundll32.exe"}) {
        EXPECT_TRUE(IsRunDll32Process(W(path).c_str())) << path;
    }
    for (const char* path : {"", "C:\\Host\\host.exe", "myrundll32.exe", "rundll32.exe.bak", "rundll32",
                             "C:\\rundll32.exe\\host.exe", "rundll64.exe"}) {
        EXPECT_FALSE(IsRunDll32Process(W(path).c_str())) << path;
    }
    EXPECT_FALSE(IsRunDll32Process(nullptr));
}

TEST(AppServicesMessageBox, CaptionIsStoredTruncatedAndCleared) {
    WCHAR caption[64];
    ASSERT_EQ(QmMsgBoxSetAppData(nullptr, 0, W("Kelo VSTi Soft Synth").c_str()), S_OK);
    EXPECT_EQ(QmMsgBoxGetCaption(caption, 8), 7);
    EXPECT_EQ(WString(caption), W("Kelo VS"));
    EXPECT_EQ(QmMsgBoxGetCaption(caption, 64), 20);
    EXPECT_EQ(WString(caption), W("Kelo VSTi Soft Synth"));
    EXPECT_EQ(QmMsgBoxGetCaption(nullptr, 64), 0);
    ASSERT_EQ(QmMsgBoxSetAppData(nullptr, 0, nullptr), S_OK);
    EXPECT_EQ(QmMsgBoxGetCaption(caption, 64), 0);
    EXPECT_EQ(caption[0], 0);
}

TEST(AppServicesHelp, PathsSitBesideTheModuleNamedAfterIt) {
    WCHAR own[1024];
    const size_t length = platform::ModulePathOf(reinterpret_cast<const void*>(&Anchor), own, 1024);
    ASSERT_GT(length, 0u);
    WString stem(own, length);
    const size_t dot = stem.find_last_of('.');
    const size_t slash = stem.find_last_of(W("/\\"));
    if (dot != WString::npos && (slash == WString::npos || dot > slash)) stem.erase(dot);

    // A null module is the module that carries the framework: here the test program itself.
    WCHAR path[1024];
    ASSERT_EQ(QmHelp_CreateHelpFilePath(QMHELP_KIND_MAIN, nullptr, path, 1024, 0, 0), S_OK);
    EXPECT_EQ(WString(path), stem + W(".chm"));
    ASSERT_EQ(QmHelp_CreateHelpFilePath(QMHELP_KIND_CONTEXT, nullptr, path, 1024, 0, 0), S_OK);
    EXPECT_EQ(WString(path), stem + W(".hlp"));

    // Exactly fitting, one short, and bad arguments.
    const int needed = static_cast<int>(stem.size() + 5);
    EXPECT_EQ(QmHelp_CreateHelpFilePath(QMHELP_KIND_MAIN, nullptr, path, needed, 0, 0), S_OK);
    EXPECT_EQ(QmHelp_CreateHelpFilePath(QMHELP_KIND_MAIN, nullptr, path, needed - 1, 0, 0),
              HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(path[0], 0);
    EXPECT_EQ(QmHelp_CreateHelpFilePath(2, nullptr, path, 1024, 0, 0), E_INVALIDARG);
    EXPECT_EQ(QmHelp_CreateHelpFilePath(-1, nullptr, path, 1024, 0, 0), E_INVALIDARG);
    EXPECT_EQ(QmHelp_CreateHelpFilePath(QMHELP_KIND_MAIN, nullptr, nullptr, 1024, 0, 0), E_INVALIDARG);
}

TEST(AppServicesHelp, StoredPathsAreKeptPerKind) {
    ASSERT_EQ(QmHelp_SetHelpFilePath(QMHELP_KIND_MAIN, W("C:\\Help\\main.chm").c_str()), S_OK);
    ASSERT_EQ(QmHelp_SetHelpFilePath(QMHELP_KIND_CONTEXT, W("C:\\Help\\context.hlp").c_str()), S_OK);
    EXPECT_EQ(QmHelp_SetHelpFilePath(QMHELP_KIND_COUNT, W("x").c_str()), E_INVALIDARG);
    WCHAR path[64];
    EXPECT_EQ(QmHelp_GetHelpFilePath(QMHELP_KIND_MAIN, path, 64), 16);
    EXPECT_EQ(WString(path), W("C:\\Help\\main.chm"));
    EXPECT_EQ(QmHelp_GetHelpFilePath(QMHELP_KIND_CONTEXT, path, 9), 8);
    EXPECT_EQ(WString(path), W("C:\\Help\\"));
    EXPECT_EQ(QmHelp_GetHelpFilePath(7, path, 64), 0);
    EXPECT_EQ(path[0], 0);
    for (int kind : {QMHELP_KIND_MAIN, QMHELP_KIND_CONTEXT}) ASSERT_EQ(QmHelp_SetHelpFilePath(kind, nullptr), S_OK);
    EXPECT_EQ(QmHelp_GetHelpFilePath(QMHELP_KIND_MAIN, path, 64), 0);
}

}  // namespace
}  // namespace qm::test

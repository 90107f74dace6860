// The built module through its exports: the driver-class factory, the language change and the debug
// output to a file, exactly as a host reaches them.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "entry_module_support.h"
#include "platform/file.h"
#include "platform/module.h"
#include "platform/text.h"
#include "qmvsti/guids.h"
#include "qmvsti/midi_class.h"

namespace qm::test {
namespace {

using CreateDriverClassFn = HRESULT(QMAPI*)(void**);
using UpdateLcidFn = HRESULT(QMAPI*)(LCID);
using DebugStringFn = DWORD(QM_STDCALL*)(LPCWSTR, BOOL, DWORD);
using GetTextFn = int(QMAPI*)(WCHAR*, int);
using GetHelpPathFn = int(QMAPI*)(int, WCHAR*, int);

void Anchor() {}

std::string ProgramFolder() {
    WCHAR path[1024];
    const size_t n = platform::ModulePathOf(reinterpret_cast<const void*>(&Anchor), path, 1024);
    const std::string folder = platform::WideToUtf8(path, static_cast<ptrdiff_t>(n));
    return folder.substr(0, folder.find_last_of("/\\") + 1);
}

std::basic_string<WCHAR> Wide(const std::string& utf8) {
    const std::u16string w = platform::Utf8ToWide(utf8.c_str());
    return std::basic_string<WCHAR>(w.begin(), w.end());
}

class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = platform::LoadModule(Wide(ProgramFolder() + ModuleFileName()).c_str());
        ASSERT_NE(module_, nullptr) << "module not found beside the test program";
        create_ = reinterpret_cast<CreateDriverClassFn>(platform::FindSymbol(module_, "QmMIDIDriver_CreateDriverClass"));
        update_ = reinterpret_cast<UpdateLcidFn>(platform::FindSymbol(module_, "QmDLL_UpdateLCID"));
        debug_ = reinterpret_cast<DebugStringFn>(platform::FindSymbol(module_, DebugStringExportName()));
        ASSERT_NE(create_, nullptr);
        ASSERT_NE(update_, nullptr);
        ASSERT_NE(debug_, nullptr);
    }
    void TearDown() override {
        if (module_ != nullptr) platform::UnloadModule(module_);
    }
    std::string TypeName() {
        void* out = nullptr;
        EXPECT_EQ(create_(&out), S_OK);
        auto* cls = static_cast<IMIDIClass*>(out);
        if (cls == nullptr) return std::string();
        WCHAR name[128] = {};
        EXPECT_EQ(cls->GetTypeName(name, 128), S_OK);
        EXPECT_EQ(cls->Release(), 0u);
        return platform::WideToUtf8(name);
    }

    platform::ModuleHandle module_ = nullptr;
    CreateDriverClassFn create_ = nullptr;
    UpdateLcidFn update_ = nullptr;
    DebugStringFn debug_ = nullptr;
};

TEST_F(ModuleTest, FactoryHandsOutTheDriverClassWithOneReference) {
    void* out = nullptr;
    ASSERT_EQ(create_(&out), S_OK);
    auto* cls = static_cast<IMIDIClass*>(out);
    EXPECT_EQ(cls->AddRef(), 2u);
    EXPECT_EQ(cls->GetKind(), 3);
    void* type = nullptr;
    EXPECT_EQ(cls->QueryInterface(IID_IQmSoftSynthType, &type), S_OK);
    EXPECT_EQ(type, out);
    EXPECT_EQ(static_cast<IUnknown*>(type)->Release(), 2u);
    EXPECT_EQ(cls->Release(), 1u);
    EXPECT_EQ(cls->Release(), 0u);
    EXPECT_EQ(create_(nullptr), E_POINTER);
}

TEST_F(ModuleTest, LanguageChangeSwitchesTheStringTable) {
    EXPECT_EQ(update_(0x407), S_OK);
    EXPECT_EQ(TypeName(), "VSTi-Synthesizertyp");
    EXPECT_EQ(update_(0x409), S_OK);
    EXPECT_EQ(TypeName(), "VSTi Synth Type");
    EXPECT_EQ(update_(0x407), S_OK);
    EXPECT_EQ(TypeName(), "VSTi-Synthesizertyp");
    EXPECT_EQ(update_(0x809), S_OK);  // any English LCID gives the English table
    EXPECT_EQ(TypeName(), "VSTi Synth Type");
}

// The test program is no RunDLL32: the module set its message-box caption and its context help at
// load; a translated language moves both help files into the language's folder, English leaves them.
TEST_F(ModuleTest, LoadSetsTheCaptionAndHelpPathsFollowTheLanguage) {
    auto caption = reinterpret_cast<GetTextFn>(platform::FindSymbol(module_, "QmMsgBoxGetCaption"));
    auto help = reinterpret_cast<GetHelpPathFn>(platform::FindSymbol(module_, "QmHelp_GetHelpFilePath"));
    ASSERT_NE(caption, nullptr);
    ASSERT_NE(help, nullptr);
    const auto text = [](auto get) {
        WCHAR buffer[512] = {};
        get(buffer, 512);
        return platform::WideToUtf8(buffer);
    };
    EXPECT_EQ(text([&](WCHAR* b, int n) { return caption(b, n); }), "Kelo VSTi Soft Synth");
    const auto path = [&](int kind) { return text([&](WCHAR* b, int n) { return help(kind, b, n); }); };

    const std::string folder = ProgramFolder();
    const char separator = folder.back();
    std::string stem = ModuleFileName();
    stem.erase(stem.find_last_of('.'));
    EXPECT_EQ(path(0), "");
    EXPECT_EQ(path(1), folder + stem + ".hlp");
    EXPECT_EQ(update_(0x409), S_OK);
    EXPECT_EQ(path(0), "");
    EXPECT_EQ(path(1), folder + stem + ".hlp");
    EXPECT_EQ(update_(0x407), S_OK);
    EXPECT_EQ(path(0), folder + "1031" + separator + stem + ".chm");
    EXPECT_EQ(path(1), folder + "1031" + separator + stem + ".hlp");
    EXPECT_EQ(update_(0x809), S_OK);
    EXPECT_EQ(path(0), folder + "1031" + separator + stem + ".chm");
    EXPECT_EQ(update_(0x409), S_OK);
}

TEST_F(ModuleTest, DebugStringModeTwoWritesToTheProfilesFile) {
    const std::string folder = MakeTempFolder();
    const std::string log = folder + "debug.log";
    SetDebugProfile(folder, log);
    debug_(Wide("first line").c_str(), TRUE, 2);
    debug_(Wide("second ").c_str(), FALSE, 2);
    debug_(Wide("part").c_str(), TRUE, 2);
    // The one-time set-up read the profile at the first call: later changes are not seen.
    ClearDebugProfile();
    debug_(Wide("third").c_str(), FALSE, 2);
    platform::UnloadModule(module_);  // closes the log
    module_ = nullptr;

    std::ifstream in(log, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    EXPECT_EQ(bytes.str(), "first line\r\nsecond part\r\nthird");
    in.close();
    platform::DeleteFilePath(Wide(log).c_str());
    RemoveTempFolder(folder);
}

}  // namespace
}  // namespace qm::test

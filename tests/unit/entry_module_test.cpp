// The built module through its exports: the driver-class factory, the language change, the caption
// and help paths set at load, and the debug output to a file, exactly as a host reaches them.
#include <gtest/gtest.h>

#include <string>

#include "entry_module_support.h"
#include "support/environment.h"
#include "platform/module.h"
#include "platform/text.h"
#include "qmvsti/midi_class.h"

namespace qm::test {
namespace {

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
    }
    void TearDown() override {
        if (module_ != nullptr) platform::UnloadModule(module_);
    }
    template <class Fn>
    Fn Export(const char* name) {
        auto fn = reinterpret_cast<Fn>(platform::FindSymbol(module_, name));
        EXPECT_NE(fn, nullptr) << name;
        return fn;
    }
    platform::ModuleHandle module_ = nullptr;
};

// The factory's references and interfaces are the factory tests' part. The test program is no RunDLL32:
// the module set its message-box caption and its context help at load. After a language change a new
// driver class has its name in the new language, and any English LCID is English; a translated
// language moves both help files into the language's folder, English leaves them there.
TEST_F(ModuleTest, TheLanguageChangeSwitchesTheDriverClassNameAndTheHelpPaths) {
    const auto create = Export<HRESULT(QMAPI*)(void**)>("QmMIDIDriver_CreateDriverClass");
    const auto update = Export<HRESULT(QMAPI*)(LCID)>("QmDLL_UpdateLCID");
    const auto caption = Export<int(QMAPI*)(WCHAR*, int)>("QmMsgBoxGetCaption");
    const auto help = Export<int(QMAPI*)(int, WCHAR*, int)>("QmHelp_GetHelpFilePath");
    ASSERT_TRUE(create && update && caption && help);
    EXPECT_EQ(create(nullptr), E_POINTER);
    WCHAR text[512] = {};
    caption(text, 512);
    EXPECT_EQ(platform::WideToUtf8(text), "Kelo VSTi Soft Synth");
    const auto path = [&](int kind) {
        text[0] = 0;
        help(kind, text, 512);
        return platform::WideToUtf8(text);
    };
    const std::string folder = ProgramFolder(), german = folder + "1031" + folder.back();
    std::string stem = ModuleFileName();
    stem.erase(stem.find_last_of('.'));
    const struct {
        LCID lcid;
        const char* name;
        std::string main, context;
    } steps[] = {{0, "VSTi Synth Type", "", folder + stem + ".hlp"},
                 {0x409, "VSTi Synth Type", "", folder + stem + ".hlp"},
                 {0x407, "VSTi-Synthesizertyp", german + stem + ".chm", german + stem + ".hlp"},
                 {0x809, "VSTi Synth Type", german + stem + ".chm", german + stem + ".hlp"}};
    for (const auto& s : steps) {
        SCOPED_TRACE(testing::Message() << std::hex << s.lcid);
        EXPECT_EQ(s.lcid ? update(s.lcid) : S_OK, S_OK);
        void* out = nullptr;
        ASSERT_EQ(create(&out), S_OK);
        auto* cls = static_cast<IMIDIClass*>(out);
        EXPECT_EQ(cls->GetKind(), 3);
        text[0] = 0;
        EXPECT_EQ(cls->GetTypeName(text, 128), S_OK);
        EXPECT_EQ(platform::WideToUtf8(text), s.name);
        EXPECT_EQ(cls->Release(), 0u);
        EXPECT_EQ(path(0), s.main);
        EXPECT_EQ(path(1), s.context);
    }
    EXPECT_EQ(update(0x409), S_OK);
}

TEST_F(ModuleTest, DebugStringModeTwoWritesToTheProfilesFile) {
    const auto debug = Export<DWORD(QM_STDCALL*)(LPCWSTR, BOOL, DWORD)>(DebugStringExportName());
    ASSERT_NE(debug, nullptr);
    const std::string log = TemporaryFilePath("debug", "log");
    SetDebugProfile(log.c_str());
    debug(Wide("first line").c_str(), TRUE, 2);
    debug(Wide("second ").c_str(), FALSE, 2);
    debug(Wide("part").c_str(), TRUE, 2);
    // The one-time set-up read the profile at the first call: later changes are not seen.
    SetDebugProfile(nullptr);
    debug(Wide("third").c_str(), FALSE, 2);
    platform::UnloadModule(module_);  // closes the log
    module_ = nullptr;
    EXPECT_EQ(ReadTextFile(log), "first line\r\nsecond part\r\nthird");
    RemoveFile(log);
}

}  // namespace
}  // namespace qm::test

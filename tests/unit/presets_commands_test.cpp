// The four preset and bank commands without a window: what the dialogs are asked, the file written
// or read, the message shown, the folder remembered and the program the plug-in is left on.
#include <gtest/gtest.h>

#include "presets/preset_commands.h"
#include "presets/preset_files.h"
#include "unit/presets_fakes.h"

namespace presets_test {
namespace {

using namespace qm::presets;

class ScriptedDialogs final : public IPresetDialogs {
public:
    WString answer;  // empty: the user cancels
    std::string kind;
    WString title, prefill, filter;  // filter with its zeros shown as '|'
    int filterIndex = 0;
    std::vector<WString> messages;
    std::vector<UINT> styles;

    int GetFileNameForWrite(const PresetDialogRequest& request) noexcept override { return Answer("write", request); }
    int SelectFile(const PresetDialogRequest& request) noexcept override { return Answer("select", request); }
    void ShowMessage(HWND, const WCHAR* text, UINT style) noexcept override {
        messages.emplace_back(text);
        styles.push_back(style);
    }

private:
    int Answer(const char* which, const PresetDialogRequest& request) {
        kind = which;
        title = request.title;
        prefill = request.path;
        filter.clear();
        for (const WCHAR* f = request.filter; f[0] != 0 || f[1] != 0; ++f) filter += f[0] == 0 ? WCHAR('|') : f[0];
        filterIndex = request.filterIndex;
        if (answer.empty()) return 1;
        std::copy(answer.c_str(), answer.c_str() + answer.size() + 1, request.path);
        return 0;
    }
};

using CommandFn = HRESULT (*)(qm::CVSTiSofthSynth&, HWND, IPresetDialogs&) noexcept;

WString W(const std::string& text) { return WidePath(text); }

TEST(PresetCommands, DialogsAreAskedWithTitleFilterAndFolder) {
    const struct { CommandFn command; const char* kind; const char* title; const char* filter; } cases[] = {
        {&SavePresetCommand, "write", "Save VSTi Effect Preset - Preset Synth", "Effect Preset (*.fxp)|*.fxp"},
        {&OpenPresetCommand, "select", "Open VSTi Effect Preset - Preset Synth", "Effect Preset (*.fxp)|*.fxp"},
        {&SaveBankCommand, "write", "Save VSTi Effect Bank - Preset Synth", "Effect Bank (*.fxb)|*.fxb"},
        {&OpenBankCommand, "select", "Open VSTi Effect Bank - Preset Synth", "Effect Bank (*.fxb)|*.fxb"},
    };
    for (const auto& c : cases) {
        PresetPlugin plugin(3, 2, false);
        PresetInstance synth(plugin);
        ScriptedDialogs dialogs;
        const size_t mark = plugin.changes.size();
        EXPECT_EQ(c.command(*synth, nullptr, dialogs), S_OK);
        EXPECT_EQ(dialogs.kind, c.kind);
        EXPECT_EQ(dialogs.title, W(c.title));
        EXPECT_EQ(dialogs.filter, W(c.filter));
        EXPECT_EQ(dialogs.prefill, W("/plugins/"));
        EXPECT_EQ(dialogs.filterIndex, 1);
        // Cancelled: nothing shown, nothing changed, the program not touched.
        EXPECT_TRUE(dialogs.messages.empty()) << c.title;
        EXPECT_TRUE(plugin.changes.size() == mark) << c.title;
    }
}

TEST(PresetCommands, SavesTakeTheCommandsExtensionAndRememberTheFolder) {
    const std::string folder = qm::test::TemporaryDirectory();
    const struct { CommandFn command; const char* typed; const char* written; } cases[] = {
        {&SavePresetCommand, "cmd-sound.txt", "cmd-sound.fxp"},
        {&SaveBankCommand, "cmd-sounds.fxp", "cmd-sounds.fxb"},
        {&SaveBankCommand, "cmd-plain", "cmd-plain.fxb"},
    };
    for (const auto& c : cases) {
        PresetPlugin plugin(3, 2, false);
        plugin.current = 1;
        PresetInstance synth(plugin);
        ScriptedDialogs dialogs;
        dialogs.answer = W(folder + c.typed);
        EXPECT_EQ(c.command(*synth, nullptr, dialogs), S_OK);
        EXPECT_TRUE(dialogs.messages.empty()) << c.typed;
        EXPECT_TRUE(qm::platform::FileExists(W(folder + c.written).c_str())) << c.written;
        EXPECT_EQ(WString(synth->PresetFolder()), W(folder));
        EXPECT_EQ(plugin.current, 1) << c.typed;  // a bank save is back on the program it started from
        qm::test::RemoveFile(folder + c.written);
    }
}

TEST(PresetCommands, FailuresAreShownByResult) {
    TempFile foreign("fxp"), missing("fxb"), emptyBank("fxb");
    {
        PresetPlugin other(1, 2, false);
        other.effect.uniqueID = 0x4F746872;
        PresetInstance writer(other);
        ASSERT_EQ(SavePresetFile(*writer, foreign.wide.c_str()), S_OK);
    }
    const auto nameOf = [](const std::string& path) { return path.substr(path.find_last_of("/\\") + 1); };
    const struct { CommandFn command; bool chunk; const TempFile* file; std::string message; bool remembers; } cases[] = {
        {&OpenPresetCommand, false, &foreign,
         "Error opening preset for Preset Synth - This file " + nameOf(foreign.path) + " is not for this VSTi.", false},
        {&OpenBankCommand, false, &missing, "Error opening bank for Preset Synth - Unknown error loading " + nameOf(missing.path) + ".", false},
        {&SaveBankCommand, true, &emptyBank, "Error saving bank for Preset Synth - Unknown", true},
        {&SavePresetCommand, true, &emptyBank, "Error saving preset for Preset Synth - Unknown", true},
    };
    for (const auto& c : cases) {
        PresetPlugin plugin(3, 2, c.chunk);
        plugin.current = 2;
        PresetInstance synth(plugin);
        ScriptedDialogs dialogs;
        dialogs.answer = c.file->wide;
        const size_t mark = plugin.changes.size();
        EXPECT_EQ(c.command(*synth, nullptr, dialogs), S_OK);
        ASSERT_EQ(dialogs.messages.size(), 1u) << c.message;
        EXPECT_EQ(dialogs.messages[0], W(c.message));
        EXPECT_EQ(dialogs.styles[0], kErrorBoxStyle);
        EXPECT_EQ(plugin.current, 2) << c.message;
        EXPECT_EQ(WString(synth->PresetFolder()) != W("/plugins/"), c.remembers) << c.message;
        if (c.command == &OpenPresetCommand) {
            EXPECT_TRUE(plugin.changes.size() == mark);
        }
    }
}

}  // namespace
}  // namespace presets_test

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

// One row per command run: what the dialog is asked, what the user answers (nothing: cancel), the
// message shown, the file written and the folder remembered. The plug-in is left on its program,
// and a cancelled command or a refused preset changes nothing.
TEST(PresetCommands, DialogsFilesMessagesAndFolder) {
    const std::string folder = qm::test::TemporaryDirectory();
    TempFile foreign("fxp"), missing("fxb"), emptyBank("fxb");
    {
        PresetPlugin other(1, 2, false);
        other.effect.uniqueID = 0x4F746872;
        PresetInstance writer(other);
        ASSERT_EQ(SavePresetFile(*writer, foreign.wide.c_str()), S_OK);
    }
    const auto nameOf = [](const std::string& path) { return path.substr(path.find_last_of("/\\") + 1); };
    const std::string preset = "Effect Preset (*.fxp)|*.fxp", bank = "Effect Bank (*.fxb)|*.fxb";
    const struct {
        CommandFn command;
        const char* kind;
        std::string title, filter, answer;
        bool chunk;
        std::string message, written;
    } cases[] = {
        {&SavePresetCommand, "write", "Save VSTi Effect Preset", preset, "", false, "", ""},
        {&OpenPresetCommand, "select", "Open VSTi Effect Preset", preset, "", false, "", ""},
        {&SavePresetCommand, "write", "Save VSTi Effect Preset", preset, folder + "cmd-sound.txt", false, "", folder + "cmd-sound.fxp"},
        {&SaveBankCommand, "write", "Save VSTi Effect Bank", bank, folder + "cmd-sounds.fxp", false, "", folder + "cmd-sounds.fxb"},
        {&SaveBankCommand, "write", "Save VSTi Effect Bank", bank, folder + "cmd-plain", false, "", folder + "cmd-plain.fxb"},
        {&OpenPresetCommand, "select", "Open VSTi Effect Preset", preset, foreign.path, false,
         "Error opening preset for Preset Synth - This file " + nameOf(foreign.path) + " is not for this VSTi.", ""},
        {&OpenBankCommand, "select", "Open VSTi Effect Bank", bank, missing.path, false,
         "Error opening bank for Preset Synth - Unknown error loading " + nameOf(missing.path) + ".", ""},
        {&SaveBankCommand, "write", "Save VSTi Effect Bank", bank, emptyBank.path, true, "Error saving bank for Preset Synth - Unknown", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title + " " + c.answer);
        PresetPlugin plugin(3, 2, c.chunk);
        plugin.current = 2;
        PresetInstance synth(plugin);
        ScriptedDialogs dialogs;
        dialogs.answer = Wide(c.answer);
        const size_t mark = plugin.changes.size();
        EXPECT_EQ(c.command(*synth, nullptr, dialogs), S_OK);
        EXPECT_EQ(dialogs.kind, c.kind);
        EXPECT_EQ(dialogs.title, Wide(c.title + " - Preset Synth"));
        EXPECT_EQ(dialogs.filter, Wide(c.filter));
        EXPECT_EQ(dialogs.prefill, Wide("/plugins/"));
        EXPECT_EQ(dialogs.filterIndex, 1);
        EXPECT_EQ(dialogs.messages, c.message.empty() ? std::vector<WString>{} : std::vector<WString>{Wide(c.message)});
        EXPECT_EQ(dialogs.styles, c.message.empty() ? std::vector<UINT>{} : std::vector<UINT>{kErrorBoxStyle});
        EXPECT_EQ(plugin.current, 2);  // a bank save is back on the program it started from
        const bool untouched = c.answer.empty() || c.command == &OpenPresetCommand;  // cancelled, or refused
        EXPECT_TRUE(!untouched || plugin.changes.size() == mark);
        if (!c.written.empty()) {
            EXPECT_TRUE(qm::platform::FileExists(Wide(c.written).c_str()));
            qm::test::RemoveFile(c.written);
        }
        // Only a save remembers its folder, even a failed one.
        const bool remembers = !c.answer.empty() && c.kind == std::string("write");
        EXPECT_EQ(WString(synth->PresetFolder()) != Wide("/plugins/"), remembers);
        EXPECT_TRUE(!remembers || WString(synth->PresetFolder()) == Wide(folder));
    }
}

}  // namespace
}  // namespace presets_test

// The instance page without a window: slot result codes, the program list and the plug-in kept in
// step, the toolbar, the editor's size rules, and other threads' requests arriving only as posts.
#include <gtest/gtest.h>

#include <thread>

#include "qmvsti/callbacks.h"
#include "qmvsti/guids.h"
#include "ui/synth_page.h"
#include "unit/page_synth_fakes.h"

namespace {

using hosting_test::Wide;
using hosting_test::WString;
using qm::PageExtent;

// The dialog as the logic sees it: fixed control sizes, a client area that follows the dialog's size.
class FakeView final : public qm::ISynthPageView, public qm::presets::IPresetDialogs {
public:
    std::vector<WString> names;
    int selected = -1;  // entry index; the item data of entry i is i
    bool listEnabled = true, enablePressed = false, presetButtons = false, siteShown = false;
    WString editText;
    PageExtent dialog{600, 300};
    std::vector<PageExtent> resizes;
    std::vector<qm::PageLayout> layouts;
    std::vector<std::pair<UINT, uint32_t>> posted;  // message, thread

    void LimitProgramText(int) noexcept override {}
    void ClearPrograms() noexcept override { names.clear(), selected = -1; }
    void AddProgram(const WCHAR* name, int) noexcept override { names.emplace_back(name); }
    void SelectProgramEntry(int entry) noexcept override { selected = entry; }
    void EnablePrograms(bool enabled) noexcept override { listEnabled = enabled; }
    void ReadProgramText(WCHAR* text, int capacity) noexcept override {
        const WString cut = editText.substr(0, static_cast<size_t>(capacity - 1));
        std::copy(cut.c_str(), cut.c_str() + cut.size() + 1, text);
    }
    int SelectedProgram() noexcept override { return selected; }
    void SetToolbarState(bool pressed, bool presets) noexcept override { enablePressed = pressed, presetButtons = presets; }
    PageExtent LabelSize() noexcept override { return {40, 13}; }
    PageExtent ProgramListSize() noexcept override { return {200, 21}; }
    PageExtent ToolbarSize() noexcept override { return {150, 22}; }
    PageExtent SeparatorSize() noexcept override { return {580, 2}; }
    PageExtent InsetClientSize() noexcept override { return {dialog.width - 10, dialog.height - 10}; }
    void ResizeDialog(int width, int height) noexcept override { resizes.push_back(dialog = {width, height}); }
    void PlaceWindows(const qm::PageLayout& layout) noexcept override { layouts.push_back(layout); }
    HWND EditorSite() noexcept override { return reinterpret_cast<HWND>(this); }
    void ShowEditorSite() noexcept override { siteShown = true; }
    HWND DialogWindow() noexcept override { return nullptr; }
    qm::presets::IPresetDialogs& PresetDialogs() noexcept override { return *this; }
    void PostToDialog(UINT message, WPARAM, LPARAM) noexcept override { posted.emplace_back(message, qm::platform::CurrentThreadId()); }
    int GetFileNameForWrite(const qm::presets::PresetDialogRequest&) noexcept override { return 1; }
    int SelectFile(const qm::presets::PresetDialogRequest&) noexcept override { return 1; }
    void ShowMessage(HWND, const WCHAR*, UINT) noexcept override {}
    qm::PagePlacement site() const { return layouts.back().site; }
};

// An instance with its page made by the instance, attached, and its logic opened on the fake view
// (what the Windows dialog does at initialisation).
struct PageRig {
    hosting_test::FakeType type;
    page_test::ProgramPlugin plugin;
    hosting_test::LoadedInstance synth;
    FakeView view;
    page_test::FakePageSite site;
    qm::CVSTiSynthPage* page = nullptr;
    qm::SynthPageLogic* logic = nullptr;

    PageRig(std::vector<std::string> names, bool editor, bool hasRect = true)
        : plugin(std::move(names), editor), synth(type, (plugin.hasRect = hasRect, plugin), QMW("/plugins/Programs.dll")) {
        IPropertyPage* created = nullptr;
        EXPECT_EQ(synth->CreatePropertyPage(IID_IPropertyPage, reinterpret_cast<void**>(&created)), S_OK);
        page = static_cast<qm::CVSTiSynthPage*>(created);
        page->SetPageSite(&site);
        IUnknown* object = static_cast<qm::IQmSoftSynth*>(synth.get());
        EXPECT_EQ(page->SetObjects(1, &object), S_OK);
        logic = page->OpenLogic(view);
    }
    ~PageRig() {
        page->CloseLogic();
        page->SetObjects(0, nullptr);
        page->Release();
    }
    PageExtent pageSize() {
        PROPPAGEINFO info{};
        EXPECT_EQ(page->GetPageInfo(&info), S_OK);
        CoTaskMemFree(info.pszTitle);
        return {info.size.cx, info.size.cy};
    }
};

TEST(SynthPage, SlotsAnswerWithTheirResultCodes) {
    PageRig rig({"Alpha"}, false);
    RECT rect{0, 0, 100, 100};
    EXPECT_EQ(rig.page->Activate(nullptr, nullptr, FALSE), E_POINTER);
#ifndef _WIN32
    EXPECT_EQ(rig.page->Activate(nullptr, &rect, FALSE), E_UNEXPECTED);  // no dialogs on this platform
#endif
    (void)rect;
    EXPECT_EQ(rig.page->GetPageInfo(nullptr), E_POINTER);
    EXPECT_EQ(rig.page->IsPageDirty(), S_FALSE);
    EXPECT_EQ(rig.page->Apply(), S_OK);
    EXPECT_EQ(rig.page->Help(nullptr), E_NOTIMPL);
    EXPECT_EQ(rig.page->TranslateAccelerator(nullptr), S_FALSE);
    PROPPAGEINFO info{};
    info.cb = 40;
    ASSERT_EQ(rig.page->GetPageInfo(&info), S_OK);
    EXPECT_EQ(info.cb, 28u);
    EXPECT_EQ(WString(info.pszTitle), Wide("VSTi Soft Synth"));
    CoTaskMemFree(info.pszTitle);
    void* other = &info;
    EXPECT_EQ(rig.synth->CreatePropertyPage(qm::IID_IQmSoftSynth, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(rig.synth->CreatePropertyPage(IID_IUnknown, nullptr), E_POINTER);

    IUnknown* two[2] = {static_cast<qm::IQmSoftSynth*>(rig.synth.get()), static_cast<qm::IQmSoftSynth*>(rig.synth.get())};
    EXPECT_EQ(rig.page->SetObjects(2, two), E_UNEXPECTED);
    EXPECT_EQ(rig.synth->EditorWindow(), static_cast<qm::IEditorWindow*>(rig.page));  // unchanged
    EXPECT_EQ(rig.page->SetObjects(0, nullptr), S_OK);
    EXPECT_EQ(rig.synth->EditorWindow(), nullptr);
}

TEST(SynthPage, UnnamedProgramIsNamedInListAndPlugIn) {
    PageRig rig({"Alpha", "", "Gamma"}, false);
    rig.plugin.current = 2;
    rig.logic->FillPrograms();
    EXPECT_EQ(rig.view.names, (std::vector<WString>{Wide("Alpha"), Wide("Preset 2"), Wide("Gamma")}));
    EXPECT_EQ(rig.view.selected, 2);
    EXPECT_EQ(rig.plugin.names[1], "Preset 2");
    EXPECT_EQ(rig.plugin.current, 2);
    EXPECT_TRUE(rig.view.presetButtons);
}

TEST(SynthPage, RenameReachesPlugInAndList) {
    for (const auto& [typed, stored] : {std::pair<const char*, std::string>{"A name much longer than the plug-in", "A name much longer than"},
                                        {"", "Preset 2"}}) {
        PageRig rig({"Alpha", "Beta"}, false);
        rig.plugin.current = 1;
        rig.view.editText = Wide(typed);
        rig.logic->FinishRename();  // nothing typed yet: nothing happens
        EXPECT_EQ(rig.plugin.names[1], "Beta");
        rig.logic->NoteNameEdited();
        rig.logic->FinishRename();
        EXPECT_EQ(rig.plugin.names[1], stored) << typed;
        EXPECT_EQ(rig.view.names[1], Wide(stored.c_str()));
        EXPECT_EQ(rig.view.selected, 1);
        EXPECT_FALSE(rig.logic->NameEdited());
        EXPECT_EQ(rig.site.statuses, (std::vector<DWORD>{qm::PageStatus::Dirty, qm::PageStatus::Dirty}));
    }
}

TEST(SynthPage, ToolbarFollowsProgramsAndPower) {
    PageRig none({}, false);
    EXPECT_FALSE(none.view.listEnabled);
    EXPECT_TRUE(none.view.names.empty());
    EXPECT_FALSE(none.view.presetButtons);

    PageRig rig({"Alpha"}, false);
    rig.plugin.opcodes.clear();
    rig.logic->Command(qm::PageCommand::Power);
    EXPECT_FALSE(rig.view.enablePressed);
    rig.logic->Command(qm::PageCommand::Power);
    EXPECT_TRUE(rig.view.enablePressed);
    EXPECT_EQ(rig.plugin.opcodes, (std::vector<int32_t>{effMainsChanged, effMainsChanged}));
}

TEST(SynthPage, EditorSizeRules) {
    PageRig rig({"Alpha"}, true);
    EXPECT_EQ(rig.plugin.count(effEditOpen), 1);
    EXPECT_TRUE(rig.view.siteShown);
    // 500 x 300 under a top row of 22, a line of 2 and the margins.
    ASSERT_EQ(rig.view.resizes.size(), 1u);
    EXPECT_EQ(rig.view.resizes[0].width, 510);
    EXPECT_EQ(rig.view.resizes[0].height, 338);
    EXPECT_EQ(rig.view.layouts.back().toolbar.x, 253);
    EXPECT_EQ(rig.view.site().y, 33);
    EXPECT_EQ(rig.view.site().width, 500);

    // Asked for 600 x 400 while the rectangle still says 500 x 300: later layouts keep 600 x 400.
    EXPECT_EQ(rig.plugin.callHost(audioMasterSizeWindow, 600, 400), 1);
    EXPECT_EQ(rig.site.statuses.back(), qm::PageStatus::Resized);
    EXPECT_EQ(rig.pageSize().width, 610);
    EXPECT_EQ(rig.pageSize().height, 438);
    rig.logic->OnSize();
    EXPECT_EQ(rig.view.site().width, 600);
    EXPECT_EQ(rig.view.site().height, 400);

    // With the alternative-drawing mark: laid out, but the plug-in is told no.
    rig.type.alternativeDrawing = true;
    EXPECT_EQ(rig.plugin.callHost(audioMasterSizeWindow, 400, 200), 0);
    EXPECT_EQ(rig.view.site().width, 400);
    rig.page->CloseLogic();
    EXPECT_EQ(rig.plugin.count(effEditClose), 1);

    PageRig noRect({"Alpha"}, true, false);
    EXPECT_EQ(noRect.pageSize().width, 0);
    EXPECT_TRUE(noRect.view.resizes.empty());
}

TEST(SynthPage, PlugInWithoutEditorGetsNoEditorCalls) {
    PageRig rig({"Alpha"}, false);
    rig.logic->EditorIdle();
    rig.logic->DisplayUpdate(300, 200);
    rig.logic->SizeRequest(300, 200);
    rig.page->CloseLogic();
    EXPECT_EQ(rig.plugin.count(effEditOpen) + rig.plugin.count(effEditClose), 0);
    EXPECT_TRUE(rig.plugin.editIdleThreads.empty());
    EXPECT_FALSE(rig.view.siteShown);
    EXPECT_TRUE(rig.view.layouts.empty());
}

TEST(SynthPage, OtherThreadsOnlyPostIdleAndDisplayUpdates) {
    PageRig rig({"Alpha", "Beta"}, true);
    uint32_t audioThread = 0;
    std::thread audio([&] {
        audioThread = qm::platform::CurrentThreadId();
        rig.synth->Idle(0);
        rig.plugin.current = 1;  // the plug-in changes its program itself and tells the host
        rig.plugin.callHost(audioMasterUpdateDisplay);
    });
    audio.join();
    using Posted = std::pair<UINT, uint32_t>;
    EXPECT_EQ(rig.view.posted, (std::vector<Posted>{{qm::kPageMessageIdle, audioThread}, {qm::kPageMessageUpdateDisplay, audioThread}}));
    EXPECT_TRUE(rig.plugin.editIdleThreads.empty());
    EXPECT_EQ(rig.view.selected, 0);

    // The dialog's thread runs them.
    rig.logic->EditorIdle();
    rig.logic->DisplayUpdate(0, 0);
    const std::vector<uint32_t>& idled = rig.plugin.editIdleThreads;
    ASSERT_FALSE(idled.empty());
    EXPECT_EQ(std::count(idled.begin(), idled.end(), qm::platform::CurrentThreadId()), static_cast<long>(idled.size()));
    EXPECT_EQ(rig.view.selected, 1);
    EXPECT_EQ(rig.site.statuses.back(), qm::PageStatus::Dirty);
}

}  // namespace

// The instance page without a window: slot result codes, the program list and the plug-in kept in
// step, the toolbar, the editor's size rules, and other threads' requests arriving only as posts.
#include <gtest/gtest.h>

#include <thread>
#include <utility>

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
    std::pair<LONG, LONG> pageSize() {
        PROPPAGEINFO info{};
        EXPECT_EQ(page->GetPageInfo(&info), S_OK);
        CoTaskMemFree(info.pszTitle);
        return {info.size.cx, info.size.cy};
    }
};

TEST(SynthPage, SlotsAnswerWithTheirResultCodes) {
    PageRig rig({"Alpha"}, false);
    EXPECT_EQ(rig.page->Activate(nullptr, nullptr, FALSE), E_POINTER);
#ifndef _WIN32
    RECT rect{0, 0, 100, 100};
    EXPECT_EQ(rig.page->Activate(nullptr, &rect, FALSE), E_UNEXPECTED);  // no dialogs on this platform
#endif
    EXPECT_EQ(rig.page->GetPageInfo(nullptr), E_POINTER);
    EXPECT_EQ(rig.page->IsPageDirty(), S_FALSE);
    EXPECT_EQ(rig.page->Apply(), S_OK);
    EXPECT_EQ(rig.page->Help(nullptr), E_NOTIMPL);
    EXPECT_EQ(rig.page->TranslateAccelerator(nullptr), S_FALSE);
    PROPPAGEINFO info{};
    ASSERT_EQ(rig.page->GetPageInfo(&info), S_OK);
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

// An unnamed program gets a name in list and plug-in; a rename is cut to the plug-in's 24 bytes, and
// an emptied name falls back to the default one.
TEST(SynthPage, ProgramNamesReachPlugInAndList) {
    PageRig rig({"Alpha", "", "Gamma"}, false);
    rig.plugin.current = 2;
    rig.logic->FillPrograms();
    EXPECT_EQ(rig.view.names, (std::vector<WString>{Wide("Alpha"), Wide("Preset 2"), Wide("Gamma")}));
    EXPECT_EQ(rig.view.selected, 2);
    EXPECT_EQ(rig.plugin.names[1], "Preset 2");
    EXPECT_TRUE(rig.view.presetButtons);
    for (const auto& [typed, stored] : {std::pair<const char*, std::string>{"A name much longer than the plug-in", "A name much longer than"},
                                        {"", "Preset 3"}}) {
        rig.view.editText = Wide(typed);
        rig.logic->FinishRename();  // nothing typed yet: nothing happens
        EXPECT_EQ(rig.plugin.names[2], "Gamma");
        rig.logic->NoteNameEdited();
        rig.logic->FinishRename();
        EXPECT_EQ(rig.plugin.names[2], stored) << typed;
        EXPECT_EQ(rig.view.names[2], Wide(stored.c_str()));
        EXPECT_EQ(rig.view.selected, 2);
        rig.plugin.names[2] = "Gamma";
    }
    EXPECT_EQ(rig.site.statuses, std::vector<DWORD>(4, qm::PageStatus::Dirty));

    PageRig none({}, false);
    EXPECT_FALSE(none.view.listEnabled);
    EXPECT_FALSE(none.view.presetButtons);
}

TEST(SynthPage, EditorSizeRules) {
    PageRig rig({"Alpha"}, true);
    EXPECT_EQ(rig.plugin.count(effEditOpen), 1u);
    EXPECT_TRUE(rig.view.siteShown);
    // 500 x 300 under a top row of 22, a line of 2 and the margins.
    ASSERT_EQ(rig.view.resizes.size(), 1u);
    EXPECT_EQ(std::make_pair(rig.view.resizes[0].width, rig.view.resizes[0].height), std::make_pair(510, 338));
    EXPECT_EQ(rig.view.layouts.back().toolbar.x, 253);
    EXPECT_EQ(std::make_pair(rig.view.site().y, rig.view.site().width), std::make_pair(33, 500));

    // Asked for 600 x 400 while the rectangle still says 500 x 300: later layouts keep 600 x 400.
    EXPECT_EQ(rig.plugin.callHost(audioMasterSizeWindow, 600, 400), 1);
    EXPECT_EQ(rig.site.Last(), qm::PageStatus::Resized);
    EXPECT_EQ(rig.pageSize(), (std::pair<LONG, LONG>{610, 438}));
    rig.logic->OnSize();
    EXPECT_EQ(std::make_pair(rig.view.site().width, rig.view.site().height), std::make_pair(600, 400));

    // With the alternative-drawing mark: laid out, but the plug-in is told no.
    rig.type.alternativeDrawing = true;
    EXPECT_EQ(rig.plugin.callHost(audioMasterSizeWindow, 400, 200), 0);
    EXPECT_EQ(rig.view.site().width, 400);
    rig.page->CloseLogic();
    EXPECT_EQ(rig.plugin.count(effEditClose), 1u);

    PageRig noRect({"Alpha"}, true, false);
    EXPECT_EQ(noRect.pageSize().first, 0);
    EXPECT_TRUE(noRect.view.resizes.empty());

    PageRig noEditor({"Alpha"}, false);
    noEditor.logic->EditorIdle();
    noEditor.logic->SizeRequest(300, 200);
    noEditor.page->CloseLogic();
    EXPECT_EQ(noEditor.plugin.count(effEditOpen) + noEditor.plugin.count(effEditClose), 0u);
    EXPECT_TRUE(noEditor.plugin.editIdleThreads.empty());
    EXPECT_TRUE(noEditor.view.layouts.empty());
}

TEST(SynthPage, OtherThreadsOnlyPostIdleAndDisplayUpdates) {
    PageRig rig({"Alpha", "Beta"}, true);
    rig.plugin.calls.clear();
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

    // The dialog's thread runs them; power goes through effMainsChanged.
    rig.logic->EditorIdle();
    rig.logic->DisplayUpdate(0, 0);
    EXPECT_EQ(rig.plugin.editIdleThreads, std::vector<uint32_t>{qm::platform::CurrentThreadId()});
    EXPECT_EQ(rig.view.selected, 1);
    EXPECT_EQ(rig.site.Last(), qm::PageStatus::Dirty);
    rig.logic->Command(qm::PageCommand::Power);
    EXPECT_FALSE(rig.view.enablePressed);
    rig.logic->Command(qm::PageCommand::Power);
    EXPECT_TRUE(rig.view.enablePressed);
    EXPECT_EQ(rig.plugin.count(effMainsChanged), 2u);
}

}  // namespace

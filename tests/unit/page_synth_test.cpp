// The instance property page without a window: its slots' result codes, the program list kept in
// step with the plug-in, the toolbar, the editor's opening and size rules, and the idle and display
// requests of other threads arriving only as posted messages.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "qmvsti/callbacks.h"
#include "qmvsti/guids.h"
#include "ui/synth_page.h"
#include "unit/page_synth_fakes.h"

namespace {

using hosting_test::WString;
using hosting_test::Wide;
using qm::PageExtent;
using page_test::ProgramPlugin;

struct NoDialogs final : qm::presets::IPresetDialogs {
    int GetFileNameForWrite(const qm::presets::PresetDialogRequest&) noexcept override { return 1; }
    int SelectFile(const qm::presets::PresetDialogRequest&) noexcept override { return 1; }
    void ShowMessage(HWND, const WCHAR*, UINT) noexcept override {}
};

// The dialog as the logic sees it, with fixed control sizes; the client area follows the size the
// dialog was given.
class FakeView final : public qm::ISynthPageView {
public:
    struct Posted {
        UINT message;
        uint32_t thread;
    };
    std::vector<std::pair<WString, int>> entries;
    int selectedEntry = -1;
    bool listEnabled = true;
    int limit = 0;
    WString editText;
    bool enablePressed = false, presetButtons = false;
    PageExtent dialog{600, 300};
    std::vector<PageExtent> resizes;
    std::vector<qm::PageLayout> layouts;
    bool siteShown = false;
    std::vector<Posted> posted;
    NoDialogs dialogs;

    void LimitProgramText(int chars) noexcept override { limit = chars; }
    void ClearPrograms() noexcept override { entries.clear(), selectedEntry = -1; }
    void AddProgram(const WCHAR* name, int program) noexcept override { entries.emplace_back(name, program); }
    void SelectProgramEntry(int entry) noexcept override { selectedEntry = entry; }
    void EnablePrograms(bool enabled) noexcept override { listEnabled = enabled; }
    void ReadProgramText(WCHAR* text, int capacity) noexcept override {
        const WString cut = editText.substr(0, static_cast<size_t>(capacity - 1));
        std::copy(cut.c_str(), cut.c_str() + cut.size() + 1, text);
    }
    int SelectedProgram() noexcept override { return selectedEntry < 0 ? -1 : entries[static_cast<size_t>(selectedEntry)].second; }
    void SetToolbarState(bool pressed, bool presets) noexcept override { enablePressed = pressed, presetButtons = presets; }
    PageExtent LabelSize() noexcept override { return {40, 13}; }
    PageExtent ProgramListSize() noexcept override { return {200, 21}; }
    PageExtent ToolbarSize() noexcept override { return {150, 22}; }
    PageExtent SeparatorSize() noexcept override { return {580, 2}; }
    PageExtent InsetClientSize() noexcept override { return {dialog.width - 10, dialog.height - 10}; }
    void ResizeDialog(int width, int height) noexcept override {
        dialog = {width, height};
        resizes.push_back(dialog);
    }
    void PlaceWindows(const qm::PageLayout& layout) noexcept override { layouts.push_back(layout); }
    HWND EditorSite() noexcept override { return reinterpret_cast<HWND>(this); }
    void ShowEditorSite() noexcept override { siteShown = true; }
    HWND DialogWindow() noexcept override { return nullptr; }
    qm::presets::IPresetDialogs& PresetDialogs() noexcept override { return dialogs; }
    void PostToDialog(UINT message, WPARAM, LPARAM) noexcept override {
        posted.push_back({message, qm::platform::CurrentThreadId()});
    }

    qm::PagePlacement site() const { return layouts.back().site; }
    std::vector<WString> names() const {
        std::vector<WString> found;
        for (const auto& entry : entries) found.push_back(entry.first);
        return found;
    }
};

// An instance of `plugin` with its page created through the instance, attached and its dialog's
// logic opened on the fake view (what the Windows dialog does at initialisation).
struct PageRig {
    hosting_test::FakeType type;
    ProgramPlugin plugin;
    hosting_test::LoadedInstance synth;
    FakeView view;
    page_test::FakePageSite site;
    qm::CVSTiSynthPage* page = nullptr;
    qm::SynthPageLogic* logic = nullptr;

    PageRig(std::vector<std::string> names, bool editor, bool hasRect = true)
        : plugin(std::move(names), editor), synth(type, (plugin.hasRect = hasRect, plugin), QMW("/plugins/Programs.dll")) {
        EXPECT_EQ(synth.result, S_OK);
        IPropertyPage* created = nullptr;
        EXPECT_EQ(synth->CreatePropertyPage(IID_IPropertyPage, reinterpret_cast<void**>(&created)), S_OK);
        page = static_cast<qm::CVSTiSynthPage*>(created);
        EXPECT_EQ(page->SetPageSite(&site), S_OK);
        IUnknown* object = static_cast<qm::IQmSoftSynth*>(synth.get());
        EXPECT_EQ(page->SetObjects(1, &object), S_OK);
        logic = page->OpenLogic(view);
    }
    ~PageRig() {
        page->CloseLogic();
        page->SetObjects(0, nullptr);
        page->Release();
    }
    // Runs what the other threads posted, as the dialog's message loop does.
    void Dispatch() {
        for (const FakeView::Posted& message : view.posted) {
            if (message.message == qm::kPageMessageIdle) logic->EditorIdle();
            if (message.message == qm::kPageMessageUpdateDisplay) logic->DisplayUpdate(0, 0);
        }
        view.posted.clear();
    }
};

TEST(SynthPage, SlotsAnswerWithTheirResultCodes) {
    PageRig rig({"Alpha"}, false);
    qm::CVSTiSynthPage* page = rig.page;
    RECT rect{0, 0, 100, 100};
    EXPECT_EQ(page->Activate(nullptr, nullptr, FALSE), E_POINTER);
    EXPECT_EQ(page->GetPageInfo(nullptr), E_POINTER);
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
    EXPECT_EQ(page->Apply(), S_OK);
    EXPECT_EQ(page->Help(nullptr), E_NOTIMPL);
    EXPECT_EQ(page->TranslateAccelerator(nullptr), S_FALSE);
#ifndef _WIN32
    // No dialogs on this platform: Activate answers as when the dialog cannot be created.
    EXPECT_EQ(page->Activate(nullptr, &rect, FALSE), E_UNEXPECTED);
#endif
    (void)rect;
    PROPPAGEINFO info{};
    info.cb = 40;
    ASSERT_EQ(page->GetPageInfo(&info), S_OK);
    EXPECT_EQ(info.cb, 28u);
    EXPECT_EQ(WString(info.pszTitle), Wide("VSTi Soft Synth"));
    CoTaskMemFree(info.pszTitle);
    void* other = nullptr;
    EXPECT_EQ(page->QueryInterface(qm::IID_IQmSoftSynth, &other), E_NOINTERFACE);
    EXPECT_EQ(rig.synth->CreatePropertyPage(qm::IID_IQmSoftSynth, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(rig.synth->CreatePropertyPage(IID_IUnknown, nullptr), E_POINTER);

    // Two objects: refused, and the page stays the instance's editor window.
    IUnknown* objects[2] = {static_cast<qm::IQmSoftSynth*>(rig.synth.get()), static_cast<qm::IQmSoftSynth*>(rig.synth.get())};
    EXPECT_EQ(page->SetObjects(2, objects), E_UNEXPECTED);
    EXPECT_EQ(rig.synth->EditorWindow(), static_cast<qm::IEditorWindow*>(page));
    EXPECT_EQ(page->SetObjects(0, nullptr), S_OK);
    EXPECT_EQ(rig.synth->EditorWindow(), nullptr);
}

TEST(SynthPage, UnnamedProgramIsNamedInListAndPlugIn) {
    PageRig rig({"Alpha", "", "Gamma"}, false);
    rig.plugin.current = 2;
    rig.logic->FillPrograms();
    EXPECT_EQ(rig.view.names(), (std::vector<WString>{Wide("Alpha"), Wide("Preset 2"), Wide("Gamma")}));
    EXPECT_EQ(rig.view.entries[1].second, 1);
    EXPECT_EQ(rig.view.limit, 25);
    EXPECT_EQ(rig.view.selectedEntry, 2);
    EXPECT_EQ(rig.plugin.names[1], "Preset 2");
    EXPECT_EQ(rig.plugin.current, 2);
    EXPECT_TRUE(rig.view.listEnabled);
    EXPECT_TRUE(rig.view.presetButtons);
}

TEST(SynthPage, RenameReachesPlugInAndList) {
    struct Case {
        const char* typed;
        std::string stored;
    };
    for (const Case& c : {Case{"A name much longer than the plug-in", "A name much longer than"},
                          Case{"", "Preset 2"}}) {
        PageRig rig({"Alpha", "Beta"}, false);
        rig.plugin.current = 1;
        rig.view.editText = Wide(c.typed);
        rig.logic->FinishRename();  // no typing yet: nothing happens
        EXPECT_EQ(rig.plugin.names[1], "Beta");
        rig.logic->NoteNameEdited();
        rig.logic->FinishRename();
        EXPECT_EQ(rig.plugin.names[1], c.stored) << c.typed;
        EXPECT_EQ(rig.view.names()[1], Wide(c.stored.c_str()));
        EXPECT_EQ(rig.view.selectedEntry, 1);
        EXPECT_FALSE(rig.logic->NameEdited());
        EXPECT_EQ(rig.site.statuses, (std::vector<DWORD>{qm::PageStatus::Dirty, qm::PageStatus::Dirty}));
    }
}

TEST(SynthPage, SelectingAProgramSetsItInPlugIn) {
    PageRig rig({"Alpha", "Beta"}, false);
    rig.view.selectedEntry = 1;
    rig.logic->SelectProgram();
    EXPECT_EQ(rig.plugin.current, 1);
    EXPECT_EQ(rig.site.statuses, std::vector<DWORD>{qm::PageStatus::Dirty});
}

TEST(SynthPage, NoProgramsDisableListAndPresetButtons) {
    PageRig rig({}, false);
    EXPECT_FALSE(rig.view.listEnabled);
    EXPECT_TRUE(rig.view.entries.empty());
    EXPECT_FALSE(rig.view.presetButtons);
    EXPECT_TRUE(rig.view.enablePressed);
}

TEST(SynthPage, EnableButtonSuspendsAndResumes) {
    PageRig rig({"Alpha"}, false);
    rig.plugin.opcodes.clear();
    rig.logic->Command(qm::PageCommand::Power);
    EXPECT_FALSE(rig.view.enablePressed);
    rig.logic->Command(qm::PageCommand::Power);
    EXPECT_TRUE(rig.view.enablePressed);
    EXPECT_EQ(rig.plugin.opcodes, (std::vector<int32_t>{effMainsChanged, effMainsChanged}));
    EXPECT_EQ(rig.synth->Status() & qm::InstanceStatus::ProcessEvents, qm::InstanceStatus::ProcessEvents);
}

TEST(SynthPage, EditorOpensSizedAndFollowsSizeRequests) {
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
    EXPECT_EQ(rig.view.site().height, 300);

    // The plug-in asks for 600 x 400 while its rectangle still says 500 x 300.
    EXPECT_EQ(rig.plugin.callHost(audioMasterSizeWindow, 600, 400), 1);
    EXPECT_EQ(rig.site.statuses.back(), qm::PageStatus::Resized);
    PROPPAGEINFO info{};
    info.cb = sizeof info;
    ASSERT_EQ(rig.page->GetPageInfo(&info), S_OK);
    CoTaskMemFree(info.pszTitle);
    EXPECT_EQ(info.size.cx, 610);
    EXPECT_EQ(info.size.cy, 438);
    rig.logic->OnSize();
    EXPECT_EQ(rig.view.site().width, 600);
    EXPECT_EQ(rig.view.site().height, 400);

    rig.page->CloseLogic();
    EXPECT_EQ(rig.plugin.count(effEditClose), 1);
}

TEST(SynthPage, AlternativeDrawingIsLaidOutButRefused) {
    PageRig rig({"Alpha"}, true);
    rig.type.alternativeDrawing = true;
    EXPECT_EQ(rig.plugin.callHost(audioMasterSizeWindow, 400, 200), 0);
    EXPECT_EQ(rig.view.site().width, 400);
    EXPECT_EQ(rig.view.site().height, 200);
}

TEST(SynthPage, NoEditorRectangleLeavesTheSize) {
    PageRig rig({"Alpha"}, true, false);
    EXPECT_TRUE(rig.view.resizes.empty());
    PROPPAGEINFO info{};
    ASSERT_EQ(rig.page->GetPageInfo(&info), S_OK);
    CoTaskMemFree(info.pszTitle);
    EXPECT_EQ(info.size.cx, 0);
    EXPECT_TRUE(rig.view.resizes.empty());
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
    const uint32_t pageThread = qm::platform::CurrentThreadId();
    uint32_t otherThread = 0;
    std::thread audio([&] {
        otherThread = qm::platform::CurrentThreadId();
        rig.synth->Idle(0);
        // The plug-in changes its program itself and tells the host.
        rig.plugin.current = 1;
        rig.plugin.callHost(audioMasterUpdateDisplay);
    });
    audio.join();
    ASSERT_EQ(rig.view.posted.size(), 2u);
    EXPECT_EQ(rig.view.posted[0].message, qm::kPageMessageIdle);
    EXPECT_EQ(rig.view.posted[1].message, qm::kPageMessageUpdateDisplay);
    EXPECT_EQ(rig.view.posted[1].thread, otherThread);
    EXPECT_TRUE(rig.plugin.editIdleThreads.empty());
    EXPECT_EQ(rig.view.selectedEntry, 0);

    rig.Dispatch();
    ASSERT_FALSE(rig.plugin.editIdleThreads.empty());
    for (uint32_t thread : rig.plugin.editIdleThreads) EXPECT_EQ(thread, pageThread);
    EXPECT_EQ(rig.view.selectedEntry, 1);  // the list followed the plug-in
    EXPECT_EQ(rig.site.statuses.back(), qm::PageStatus::Dirty);
}

}  // namespace

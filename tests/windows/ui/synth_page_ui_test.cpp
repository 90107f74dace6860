// The instance page in a real window, driven with the messages a user's clicks send: the reference
// synth's program list through renames, presets, banks and power, with its editor inside the page
// (synth_page.png); and an instrument whose editor grows the page and changes its program itself.
// How the page lays itself out and answers is the logic's (tests/unit/page_synth_test.cpp); these prove the wiring.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <thread>

#include "qmvsti/callbacks.h"
#include "resources/synth_page_ids.h"
#include "support/win32/window_capture.h"
#include "ui/synth_page.h"
#include "unit/page_synth_fakes.h"
#include "windows/ui/ui_test_support.h"

namespace {

using page_test::ProgramPlugin;
using namespace ui_test;

// The file dialogs answer with the file the test names.
struct AnsweringDialogs final : qm::presets::IPresetDialogs {
    const wchar_t* file = L"";
    int messages = 0;
    int GetFileNameForWrite(const qm::presets::PresetDialogRequest& request) noexcept override { return SelectFile(request); }
    int SelectFile(const qm::presets::PresetDialogRequest& request) noexcept override {
        lstrcpynW(request.path, file, qm::presets::kDialogPathChars);
        return 0;
    }
    void ShowMessage(HWND, const WCHAR*, UINT) noexcept override { ++messages; }
};

// The page of `synth` activated in a top-level window of its own and shown.
struct PageOnScreen {
    explicit PageOnScreen(qm::CVSTiSofthSynth* synth) : host(TopLevel(720, 520)) {
        IPropertyPage* created = nullptr;
        EXPECT_EQ(synth->CreatePropertyPage(IID_IPropertyPage, reinterpret_cast<void**>(&created)), S_OK);
        page = static_cast<qm::CVSTiSynthPage*>(created);
        page->SetPresetDialogs(&dialogs);
        page->SetPageSite(&site);
        IUnknown* object = static_cast<qm::IQmSoftSynth*>(synth);
        EXPECT_EQ(page->SetObjects(1, &object), S_OK);
        RECT rect{0, 0, 700, 500};
        EXPECT_EQ(page->Activate(host, &rect, FALSE), S_OK);
        EXPECT_EQ(page->Show(SW_SHOWNORMAL), S_OK);
        dialog = GetWindow(host, GW_CHILD);
        list = GetDlgItem(dialog, QM_IDC_PROGRAM_LIST);
        toolbar = GetDlgItem(dialog, QM_IDC_PAGE_TOOLBAR);
        Settle();
    }
    ~PageOnScreen() {
        page->Deactivate();
        page->SetObjects(0, nullptr);
        page->Release();
        DestroyWindow(host);
    }
    void Command(int id, int code, HWND from) { SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(from)); }
    void Click(int command) { Command(command, BN_CLICKED, toolbar); }
    void Rename(const wchar_t* text) {
        SetWindowTextW(list, text);
        Command(QM_IDC_PROGRAM_LIST, CBN_EDITCHANGE, list);
        Command(QM_IDC_PROGRAM_LIST, CBN_KILLFOCUS, list);
    }
    std::wstring Entry(int entry) {
        wchar_t text[64] = {};
        SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(entry), reinterpret_cast<LPARAM>(text));
        return text;
    }
    LRESULT Selected() { return SendMessageW(list, CB_GETCURSEL, 0, 0); }
    bool Checked(int command) { return SendMessageW(toolbar, TB_ISBUTTONCHECKED, static_cast<WPARAM>(command), 0) != 0; }
    // The page moved to the size it reports, in a host window of that size, painted.
    SIZE Fit() {
        const SIZE size = PageSize(page);
        RECT whole{0, 0, size.cx, size.cy};
        page->Move(&whole);
        SetWindowPos(host, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
        RedrawWindow(host, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Settle();
        return size;
    }

    page_test::FakePageSite site;
    AnsweringDialogs dialogs;
    HWND host = nullptr, dialog = nullptr, list = nullptr, toolbar = nullptr;
    qm::CVSTiSynthPage* page = nullptr;
};

std::string ProgramName(qm::CVSTiSofthSynth* synth) {
    char name[64] = {};
    synth->CallDispatcher(effGetProgramName, 0, 0, name, 0.0f);
    return name;
}

TEST(SynthPageWindow, ReferenceSynthListFollowsRenamesPresetsAndBanks) {
    hosting_test::FakeType type;
    hosting_test::LoadedInstance synth(type, std::string("qmref"));
    ASSERT_EQ(synth.result, S_OK);
    PageOnScreen screen(synth.get());
    ASSERT_NE(screen.toolbar, nullptr);
    EXPECT_EQ(SendMessageW(screen.list, CB_GETCOUNT, 0, 0), 8);
    EXPECT_EQ(screen.Selected(), 0);

    SendMessageW(screen.list, CB_SETCURSEL, 3, 0);
    screen.Command(QM_IDC_PROGRAM_LIST, CBN_SELCHANGE, screen.list);
    EXPECT_EQ(synth->CallDispatcher(effGetProgram, 0, 0, nullptr, 0.0f), 3);
    screen.Rename(L"Bright Lead");
    EXPECT_EQ(screen.Entry(3), L"Bright Lead");
    EXPECT_EQ(screen.Selected(), 3);
    EXPECT_EQ(ProgramName(synth.get()), "Bright Lead");

    // A saved preset or bank, opened again, brings the saved name back into plug-in and list.
    for (int save : {qm::PageCommand::SavePreset, qm::PageCommand::SaveBank}) {
        const bool bank = save == qm::PageCommand::SaveBank;
        screen.dialogs.file = bank ? L"synth_page_test.fxb" : L"synth_page_test.fxp";
        screen.Click(save);
        screen.Rename(L"Changed");
        EXPECT_EQ(screen.Entry(3), L"Changed");
        screen.Click(bank ? qm::PageCommand::OpenBank : qm::PageCommand::OpenPreset);
        EXPECT_EQ(screen.Entry(3), L"Bright Lead") << bank;
        EXPECT_EQ(ProgramName(synth.get()), "Bright Lead");
        std::remove(bank ? "synth_page_test.fxb" : "synth_page_test.fxp");
    }
    EXPECT_EQ(screen.dialogs.messages, 0);

    for (const bool pressed : {false, true}) {
        screen.Click(qm::PageCommand::Power);
        EXPECT_EQ(screen.Checked(qm::PageCommand::Power), pressed);
    }
    NMTTDISPINFOW tip{};
    tip.hdr = {screen.toolbar, static_cast<UINT_PTR>(qm::PageCommand::OpenBank), TTN_GETDISPINFOW};
    SendMessageW(screen.dialog, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&tip));
    EXPECT_STREQ(tip.lpszText, L"Open Effect Bank...");

    // The reference synth's own editor (400 x 240) sits inside the page, under the program list and toolbar.
    EXPECT_EQ(SizeOf(GetDlgItem(screen.dialog, QM_IDC_EDITOR_SITE)).cx, 400);
    screen.Fit();
    EXPECT_TRUE(qm::test::CaptureWindowPng(screen.host, "synth_page.png"));
}

TEST(SynthPageWindow, EditorInsideGrowsThePageAndFollowsItsProgramChanges) {
    hosting_test::FakeType type;
    ProgramPlugin plugin({"Warm Pad", "Glass Bell"}, true);
    plugin.openEditor = [](ProgramPlugin& self, void* parent) {
        self.editor = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, self.rect.right,
                                      self.rect.bottom, static_cast<HWND>(parent), nullptr, GetModuleHandleW(nullptr), nullptr);
    };
    plugin.closeEditor = [](ProgramPlugin& self) { DestroyWindow(static_cast<HWND>(self.editor)), self.editor = nullptr; };
    hosting_test::LoadedInstance synth(type, plugin, L"C:\\plugins\\Editor.dll");
    ASSERT_EQ(synth.result, S_OK);
    PageOnScreen screen(synth.get());
    const HWND site = GetDlgItem(screen.dialog, QM_IDC_EDITOR_SITE);
    wchar_t className[64] = {};
    GetClassNameW(site, className, 64);
    EXPECT_STREQ(className, L"QM.VSTiUIPageSite");
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(site, GWL_STYLE)) & 0xFFFF0000u, 0x56000000u);  // and visible
    ASSERT_NE(plugin.editor, nullptr);
    EXPECT_EQ(GetParent(static_cast<HWND>(plugin.editor)), site);
    EXPECT_EQ(SizeOf(site).cx, 500);
    EXPECT_EQ(SizeOf(site).cy, 300);

    // The plug-in grows its editor and asks: the page reports the bigger size and, moved to it, holds it.
    const SIZE before = PageSize(screen.page);
    plugin.rect = {0, 0, 400, 600};
    SetWindowPos(static_cast<HWND>(plugin.editor), nullptr, 0, 0, 600, 400, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(plugin.callHost(audioMasterSizeWindow, 600, 400), 1);
    EXPECT_EQ(screen.site.Last(), qm::PageStatus::Resized);
    const SIZE after = screen.Fit();
    EXPECT_EQ(after.cx - before.cx, 100);
    EXPECT_EQ(after.cy - before.cy, 100);
    EXPECT_EQ(SizeOf(site).cx, 600);
    EXPECT_EQ(SizeOf(site).cy, 400);

    // Idle and the plug-in's own program change, from another thread, arrive as messages.
    std::thread audio([&] {
        synth->Idle(0);
        plugin.current = 1;
        plugin.callHost(audioMasterUpdateDisplay);
    });
    audio.join();
    EXPECT_EQ(screen.Selected(), 0);
    Settle();
    EXPECT_EQ(screen.Selected(), 1);
    ASSERT_FALSE(plugin.editIdleThreads.empty());
    for (uint32_t thread : plugin.editIdleThreads) EXPECT_EQ(thread, GetCurrentThreadId());

    screen.page->Deactivate();
    EXPECT_EQ(plugin.editor, nullptr);  // closed with the dialog
}

}  // namespace

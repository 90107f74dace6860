// The instance page in a real window: the reference synth's program list driven with the messages
// a user's clicks send (select, rename, save and open presets and banks, power), and an instrument
// with a GDI editor inside the page, growing the page on its size request and following its own
// program changes. The second test saves synth_page.png, the page with the editor inside.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <memory>
#include <thread>

#include "platform/thread.h"
#include "qmvsti/callbacks.h"
#include "resources/synth_page_ids.h"
#include "support/win32/window_capture.h"
#include "ui/synth_page.h"
#include "unit/page_synth_fakes.h"

namespace {

using hosting_test::WString;
using page_test::ProgramPlugin;

// The file dialogs answer with the file the test names; messages are kept.
struct AnsweringDialogs final : qm::presets::IPresetDialogs {
    std::wstring file;
    std::vector<std::wstring> messages;
    int GetFileNameForWrite(const qm::presets::PresetDialogRequest& request) noexcept override { return Answer(request); }
    int SelectFile(const qm::presets::PresetDialogRequest& request) noexcept override { return Answer(request); }
    void ShowMessage(HWND, const WCHAR* text, UINT) noexcept override { messages.emplace_back(text); }
    int Answer(const qm::presets::PresetDialogRequest& request) {
        lstrcpynW(request.path, file.c_str(), qm::presets::kDialogPathChars);
        return 0;
    }
};

void Pump() {
    MSG message;
    for (int round = 0; round < 3; ++round) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(20);
    }
}

// The test instrument's editor: a GDI window painted in bands, in the site it is given.
LRESULT CALLBACK PaintEditor(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT) return DefWindowProcW(window, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    for (int band = 0; band < 8; ++band) {
        RECT part = client;
        part.top = client.bottom * band / 8;
        part.bottom = client.bottom * (band + 1) / 8;
        HBRUSH brush = CreateSolidBrush(RGB(20 + band * 20, 60 + band * 15, 160));
        FillRect(dc, &part, brush);
        DeleteObject(brush);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    DrawTextW(dc, L"Test instrument editor", -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    EndPaint(window, &paint);
    return 0;
}

void OpenEditor(ProgramPlugin& plugin, void* parent) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &PaintEditor;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"QmTestEditor";
    RegisterClassW(&windowClass);
    plugin.editor = CreateWindowExW(0, L"QmTestEditor", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, plugin.rect.right,
                                    plugin.rect.bottom, static_cast<HWND>(parent), nullptr, windowClass.hInstance, nullptr);
}

void CloseEditor(ProgramPlugin& plugin) {
    DestroyWindow(static_cast<HWND>(plugin.editor));
    plugin.editor = nullptr;
}

// What a plug-in does when its user drags its editor bigger: resize, then ask the host.
intptr_t Grow(ProgramPlugin& plugin, int width, int height) {
    plugin.rect.right = static_cast<int16_t>(width);
    plugin.rect.bottom = static_cast<int16_t>(height);
    SetWindowPos(static_cast<HWND>(plugin.editor), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    return plugin.callHost(audioMasterSizeWindow, width, height);
}

// The page of `synth`, activated in a top-level window of its own and shown.
class PageOnScreen {
public:
    explicit PageOnScreen(qm::CVSTiSofthSynth* synth) {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
        windowClass.lpszClassName = L"QmPageHost";
        RegisterClassW(&windowClass);
        host = CreateWindowExW(WS_EX_TOPMOST, L"QmPageHost", L"VSTi page", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 20, 20,
                               720, 520, nullptr, nullptr, windowClass.hInstance, nullptr);
        IPropertyPage* created = nullptr;
        EXPECT_EQ(synth->CreatePropertyPage(IID_IPropertyPage, reinterpret_cast<void**>(&created)), S_OK);
        page = static_cast<qm::CVSTiSynthPage*>(created);
        page->SetPresetDialogs(&dialogs);
        EXPECT_EQ(page->SetPageSite(&site), S_OK);
        IUnknown* object = static_cast<qm::IQmSoftSynth*>(synth);
        EXPECT_EQ(page->SetObjects(1, &object), S_OK);
        RECT rect{0, 0, 700, 500};
        EXPECT_EQ(page->Activate(host, &rect, FALSE), S_OK);
        EXPECT_EQ(page->Show(SW_SHOWNORMAL), S_OK);
        dialog = GetWindow(host, GW_CHILD);
        list = GetDlgItem(dialog, QM_IDC_PROGRAM_LIST);
        toolbar = GetDlgItem(dialog, QM_IDC_PAGE_TOOLBAR);
        Pump();
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
    int Selected() { return static_cast<int>(SendMessageW(list, CB_GETCURSEL, 0, 0)); }
    bool Checked(int command) { return SendMessageW(toolbar, TB_ISBUTTONCHECKED, static_cast<WPARAM>(command), 0) != 0; }
    SIZE SizeOf(HWND window) {
        RECT rect{};
        GetWindowRect(window, &rect);
        return {rect.right - rect.left, rect.bottom - rect.top};
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
    ASSERT_NE(screen.dialog, nullptr);
    ASSERT_NE(screen.toolbar, nullptr);
    EXPECT_EQ(SendMessageW(screen.list, CB_GETCOUNT, 0, 0), 8);
    EXPECT_EQ(screen.Selected(), 0);
    EXPECT_TRUE(IsWindowEnabled(screen.list));

    SendMessageW(screen.list, CB_SETCURSEL, 3, 0);
    screen.Command(QM_IDC_PROGRAM_LIST, CBN_SELCHANGE, screen.list);
    EXPECT_EQ(synth->CallDispatcher(effGetProgram, 0, 0, nullptr, 0.0f), 3);
    EXPECT_TRUE(screen.site.saw(qm::PageStatus::Dirty));

    screen.Rename(L"Bright Lead");
    EXPECT_EQ(screen.Entry(3), L"Bright Lead");
    EXPECT_EQ(screen.Selected(), 3);
    EXPECT_EQ(ProgramName(synth.get()), "Bright Lead");

    // A saved preset and bank bring the name back after further renames.
    for (int save : {qm::PageCommand::SavePreset, qm::PageCommand::SaveBank}) {
        const bool bank = save == qm::PageCommand::SaveBank;
        screen.dialogs.file = bank ? L"synth_page_test.fxb" : L"synth_page_test.fxp";
        screen.Click(save);
        screen.Rename(L"Changed");
        EXPECT_EQ(screen.Entry(3), L"Changed");
        screen.Click(bank ? qm::PageCommand::OpenBank : qm::PageCommand::OpenPreset);
        EXPECT_EQ(screen.Entry(3), L"Bright Lead") << (bank ? "bank" : "preset");
        EXPECT_EQ(ProgramName(synth.get()), "Bright Lead");
        std::remove(bank ? "synth_page_test.fxb" : "synth_page_test.fxp");
    }
    EXPECT_TRUE(screen.dialogs.messages.empty());

    // The enable button follows the plug-in's suspension.
    EXPECT_TRUE(screen.Checked(qm::PageCommand::Power));
    EXPECT_TRUE(SendMessageW(screen.toolbar, TB_ISBUTTONENABLED, qm::PageCommand::OpenBank, 0));
    screen.Click(qm::PageCommand::Power);
    EXPECT_FALSE(screen.Checked(qm::PageCommand::Power));
    screen.Click(qm::PageCommand::Power);
    EXPECT_TRUE(screen.Checked(qm::PageCommand::Power));

    // Without an editor rectangle the page takes its size from a dialog made only to be measured.
    IPropertyPage* measured = nullptr;
    ASSERT_EQ(synth->CreatePropertyPage(IID_IPropertyPage, reinterpret_cast<void**>(&measured)), S_OK);
    IUnknown* object = static_cast<qm::IQmSoftSynth*>(synth.get());
    ASSERT_EQ(measured->SetObjects(1, &object), S_OK);
    ASSERT_EQ(measured->SetPageSite(&screen.site), S_OK);
    PROPPAGEINFO info{};
    ASSERT_EQ(measured->GetPageInfo(&info), S_OK);
    CoTaskMemFree(info.pszTitle);
    RECT template_{0, 0, 399, 184};
    MapDialogRect(screen.dialog, &template_);
    EXPECT_EQ(info.size.cx, template_.right);
    EXPECT_EQ(info.size.cy, template_.bottom);
    // The second page took the instance over; the first one gets it back.
    measured->SetObjects(0, nullptr);
    measured->Release();
    screen.page->SetObjects(1, &object);

    // The toolbar's tooltips come from the string table.
    NMTTDISPINFOW tip{};
    tip.hdr.hwndFrom = screen.toolbar;
    tip.hdr.idFrom = qm::PageCommand::OpenBank;
    tip.hdr.code = TTN_GETDISPINFOW;
    SendMessageW(screen.dialog, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&tip));
    EXPECT_STREQ(tip.lpszText, L"Open Effect Bank...");
}

TEST(SynthPageWindow, EditorInsideGrowsThePageAndFollowsItsProgramChanges) {
    hosting_test::FakeType type;
    ProgramPlugin plugin({"Warm Pad", "Glass Bell"}, true);
    plugin.openEditor = &OpenEditor;
    plugin.closeEditor = &CloseEditor;
    hosting_test::LoadedInstance synth(type, plugin, L"C:\\plugins\\Editor.dll");
    ASSERT_EQ(synth.result, S_OK);
    PageOnScreen screen(synth.get());
    const HWND site = GetDlgItem(screen.dialog, QM_IDC_EDITOR_SITE);
    ASSERT_NE(site, nullptr);
    wchar_t className[64] = {};
    GetClassNameW(site, className, 64);
    EXPECT_STREQ(className, L"QM.VSTiUIPageSite");
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(site, GWL_STYLE)) & 0xFFFF0000u, 0x56000000u);  // and visible
    // WS_EX_WINDOWEDGE is dropped by the system for a window without a frame; the control parent stays.
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(site, GWL_EXSTYLE)) & WS_EX_CONTROLPARENT, DWORD{WS_EX_CONTROLPARENT});
    ASSERT_NE(plugin.editor, nullptr);
    EXPECT_EQ(GetParent(static_cast<HWND>(plugin.editor)), site);
    EXPECT_EQ(screen.SizeOf(site).cx, 500);
    EXPECT_EQ(screen.SizeOf(site).cy, 300);

    // The plug-in grows its editor: the page reports a bigger size and, moved to it, holds it.
    PROPPAGEINFO before{};
    ASSERT_EQ(screen.page->GetPageInfo(&before), S_OK);
    CoTaskMemFree(before.pszTitle);
    EXPECT_EQ(Grow(plugin, 600, 400), 1);
    EXPECT_TRUE(screen.site.saw(qm::PageStatus::Resized));
    PROPPAGEINFO after{};
    ASSERT_EQ(screen.page->GetPageInfo(&after), S_OK);
    CoTaskMemFree(after.pszTitle);
    EXPECT_EQ(after.size.cx - before.size.cx, 100);
    EXPECT_EQ(after.size.cy - before.size.cy, 100);
    RECT grown{0, 0, after.size.cx, after.size.cy};
    screen.page->Move(&grown);
    Pump();
    EXPECT_EQ(screen.SizeOf(site).cx, 600);
    EXPECT_EQ(screen.SizeOf(site).cy, 400);

    // With the alternative-drawing mark the request is laid out but refused.
    type.alternativeDrawing = true;
    EXPECT_EQ(Grow(plugin, 620, 400), 0);
    type.alternativeDrawing = false;
    Grow(plugin, 600, 400);

    // Idle and a program change the plug-in makes on another thread reach the page as messages.
    std::thread audio([&] {
        synth->Idle(0);
        plugin.current = 1;
        plugin.callHost(audioMasterUpdateDisplay);
    });
    audio.join();
    EXPECT_EQ(screen.Selected(), 0);
    Pump();
    EXPECT_EQ(screen.Selected(), 1);
    ASSERT_FALSE(plugin.editIdleThreads.empty());
    for (uint32_t thread : plugin.editIdleThreads) EXPECT_EQ(thread, qm::platform::CurrentThreadId());

    SetWindowPos(screen.host, nullptr, 0, 0, after.size.cx, after.size.cy, SWP_NOMOVE | SWP_NOZORDER);
    RedrawWindow(screen.host, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump();
    int width = 0, height = 0;
    unsigned* pixels = nullptr;
    ASSERT_TRUE(qm::test::CaptureWindowPixels(screen.host, width, height, pixels));
    std::unique_ptr<unsigned[]> owned(pixels);
    // The editor's painted bands show inside the page.
    EXPECT_NE(pixels[(height / 2) * width + width / 2], pixels[5 * width + width - 5]);
    EXPECT_TRUE(qm::test::CaptureWindowPng(screen.host, "synth_page.png"));
    screen.page->Deactivate();
    EXPECT_EQ(plugin.editor, nullptr);  // closed with the dialog
}

}  // namespace

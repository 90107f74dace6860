// The two windows the instance page's dialog makes at run time in place of its placeholders: the
// toolbar (open and save preset, open and save bank, enable) and the editor site the plug-in's
// editor opens in.
#include "framework/lang.h"
#include "resources/synth_page_ids.h"
#include "ui/win32/synth_page_dialog.h"

namespace qm {

namespace {

constexpr PageButton kButtons[] = {
    {0, PageCommand::OpenPreset, 1015, 31000},  // "Open Effect Preset..."
    {1, PageCommand::SavePreset, 1016, 31010},  // "Save Effect Preset As..."
    {6, PageCommand::OpenBank, 1017, 31020},    // "Open Effect Bank..."
    {2, PageCommand::SaveBank, 1018, 31030},    // "Save Effect Bank As..."
    {0, 0, 0, 0},                               // separator
    {7, PageCommand::Power, 1019, 31040},       // "Enable"
};

constexpr DWORD kSiteExStyle = WS_EX_CONTROLPARENT | WS_EX_WINDOWEDGE;     // 0x10100
constexpr DWORD kSiteStyle = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;  // 0x46000000

HINSTANCE CodeModule() noexcept { return ModuleInstanceOf(reinterpret_cast<const void*>(&CodeModule)); }

// The plug-in paints the whole site: erasing it first would only make the editor flicker.
LRESULT CALLBACK EditorSiteProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams));
        return 0;
    case WM_ERASEBKGND: return 1;
    case WM_DESTROY: return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

const WCHAR kEditorSiteClass[] = L"QM.VSTiUIPageSite";

const PageButton* PageButtons(int& count) noexcept {
    count = static_cast<int>(sizeof kButtons / sizeof kButtons[0]);
    return kButtons;
}

bool RegisterEditorSiteClass() noexcept {
    WNDCLASSW existing{};
    if (GetClassInfoW(CodeModule(), kEditorSiteClass, &existing)) return true;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &EditorSiteProcedure;
    windowClass.hInstance = CodeModule();
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = kEditorSiteClass;
    return RegisterClassW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

RECT SynthPageDialog::ReplacePlaceholder(int id) noexcept {
    RECT rect{};
    const HWND placeholder = Item(id);
    if (placeholder == nullptr) return rect;
    GetWindowRect(placeholder, &rect);
    MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&rect), 2);
    DestroyWindow(placeholder);
    return rect;
}

void SynthPageDialog::CreateToolbar() noexcept {
    const HWND placeholder = Item(QM_IDC_PAGE_TOOLBAR);
    const HWND before = placeholder != nullptr ? GetWindow(placeholder, GW_HWNDPREV) : nullptr;
    const RECT rect = ReplacePlaceholder(QM_IDC_PAGE_TOOLBAR);
    toolbar_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                               WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NODIVIDER | CCS_NORESIZE |
                                   CCS_NOPARENTALIGN,
                               rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, dialog_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(QM_IDC_PAGE_TOOLBAR)), CodeModule(), nullptr);
    if (toolbar_ == nullptr) return;
    SetWindowPos(toolbar_, before != nullptr ? before : HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_.normal));
    SendMessageW(toolbar_, TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(images_.hot));
    SendMessageW(toolbar_, TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(images_.disabled));
    TBBUTTON buttons[sizeof kButtons / sizeof kButtons[0]] = {};
    int count = 0;
    for (const PageButton& button : kButtons) {
        TBBUTTON& item = buttons[count++];
        item.iBitmap = button.command != 0 ? button.image : 0;
        item.idCommand = button.command;
        item.fsState = TBSTATE_ENABLED;
        item.fsStyle = static_cast<BYTE>(button.command == 0 ? BTNS_SEP
                                         : button.command == PageCommand::Power ? BTNS_CHECK | BTNS_AUTOSIZE
                                                                                : BTNS_BUTTON | BTNS_AUTOSIZE);
    }
    SendMessageW(toolbar_, TB_ADDBUTTONSW, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(buttons));
    SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
    // The toolbar takes the size of its buttons: the layout places it by that size.
    RECT last{};
    SendMessageW(toolbar_, TB_GETITEMRECT, static_cast<WPARAM>(count - 1), reinterpret_cast<LPARAM>(&last));
    SetWindowPos(toolbar_, nullptr, 0, 0, last.right, last.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SynthPageDialog::CreateEditorSite() noexcept {
    const HWND placeholder = Item(QM_IDC_EDITOR_SITE);
    const HWND before = placeholder != nullptr ? GetWindow(placeholder, GW_HWNDPREV) : nullptr;
    const RECT rect = ReplacePlaceholder(QM_IDC_EDITOR_SITE);
    site_ = CreateWindowExW(kSiteExStyle, kEditorSiteClass, nullptr, kSiteStyle, rect.left, rect.top,
                            rect.right - rect.left, rect.bottom - rect.top, dialog_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(QM_IDC_EDITOR_SITE)), CodeModule(), &page_);
    if (site_ != nullptr) {
        SetWindowPos(site_, before != nullptr ? before : HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    }
}

}  // namespace qm

// The instance page's dialog: creation from resource 1, its message handling and the window
// service the page's logic works through.
#include "ui/win32/synth_page_dialog.h"

#include <new>

#include "framework/app_services.h"
#include "framework/lang.h"
#include "resources/synth_page_ids.h"
#include "ui/page_dialogs.h"

namespace qm {

namespace {

constexpr UINT kResizeFlags = 0x21A;  // SWP_NOMOVE | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_NOOWNERZORDER
constexpr int kPresetButtons[] = {PageCommand::OpenPreset, PageCommand::SavePreset, PageCommand::OpenBank,
                                  PageCommand::SaveBank};

// The module the dialog template comes from: the language module when it has one in the current
// language, else the module that carries this code.
HINSTANCE ResourceModule() noexcept {
    HINSTANCE own = ModuleInstanceOf(reinterpret_cast<const void*>(&ResourceModule));
    HQMLANG lang = KernelLangHandle();
    if (lang == nullptr) return own;
    HINSTANCE found = QmFindResInstance(lang, MAKEINTRESOURCEW(QM_IDD_SYNTH_PAGE), reinterpret_cast<LPCWSTR>(RT_DIALOG));
    return found != nullptr ? found : own;
}

PageExtent ExtentOf(const RECT& rect) noexcept { return {rect.right - rect.left, rect.bottom - rect.top}; }

}  // namespace

HWND CreateSynthPageDialog(CVSTiSynthPage& page, HWND parent) noexcept {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    if (!RegisterEditorSiteClass()) return nullptr;
    // A child dialog needs a parent: measuring without a host window uses the desktop.
    if (parent == nullptr) parent = GetDesktopWindow();
    return CreateDialogParamW(ResourceModule(), MAKEINTRESOURCEW(QM_IDD_SYNTH_PAGE), parent, &SynthPageDialog::Procedure,
                              reinterpret_cast<LPARAM>(&page));
}

INT_PTR CALLBACK SynthPageDialog::Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<SynthPageDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (message == WM_INITDIALOG) {
        self = new (std::nothrow) SynthPageDialog(dialog, *reinterpret_cast<CVSTiSynthPage*>(lParam));
        if (self == nullptr) return FALSE;
        SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->Initialize();
        return FALSE;  // a page leaves the focus where the host put it
    }
    if (self == nullptr) return FALSE;
    switch (message) {
    case WM_COMMAND: self->OnCommand(LOWORD(wParam), HIWORD(wParam)); return TRUE;
    case WM_NOTIFY: return self->OnNotify(*reinterpret_cast<const NMHDR*>(lParam)) ? TRUE : FALSE;
    case WM_HELP: self->OnHelp(*reinterpret_cast<const HELPINFO*>(lParam)); return TRUE;
    case WM_SIZE:
        if (self->logic_ != nullptr) self->logic_->OnSize();
        return TRUE;
    case kPageMessageIdle:
        if (self->logic_ != nullptr) self->logic_->EditorIdle();
        return TRUE;
    case kPageMessageUpdateDisplay:
        if (self->logic_ != nullptr) self->logic_->DisplayUpdate(static_cast<int>(wParam), static_cast<int>(lParam));
        return TRUE;
    case WM_DESTROY: self->Destroy(); return TRUE;
    case WM_NCDESTROY:
        SetWindowLongPtrW(dialog, DWLP_USER, 0);
        delete self;
        return TRUE;
    default: return FALSE;
    }
}

void SynthPageDialog::Initialize() noexcept {
    if (page_.Measuring()) {
        RECT rect{};
        GetWindowRect(dialog_, &rect);
        page_.SetMeasuredSize(rect.right - rect.left, rect.bottom - rect.top);
        return;
    }
    LoadSkinImageLists(images_);
    CreateToolbar();
    CreateEditorSite();
    logic_ = page_.OpenLogic(*this);
}

void SynthPageDialog::Destroy() noexcept {
    // The editor closes while its site still exists: children go after their parent's WM_DESTROY.
    if (logic_ != nullptr) page_.CloseLogic();
    logic_ = nullptr;
    if (toolbar_ != nullptr) {
        SendMessageW(toolbar_, TB_SETIMAGELIST, 0, 0);
        SendMessageW(toolbar_, TB_SETHOTIMAGELIST, 0, 0);
        SendMessageW(toolbar_, TB_SETDISABLEDIMAGELIST, 0, 0);
    }
    FreeSkinImageLists(images_);
}

void SynthPageDialog::OnCommand(int id, int code) noexcept {
    if (logic_ == nullptr) return;
    if (id == QM_IDC_PROGRAM_LIST) {
        if (code == CBN_SELCHANGE) logic_->SelectProgram();
        else if (code == CBN_EDITCHANGE) logic_->NoteNameEdited();
        else if (code == CBN_KILLFOCUS) logic_->FinishRename();
        return;
    }
    if (code == BN_CLICKED) logic_->Command(id);
}

bool SynthPageDialog::OnNotify(const NMHDR& header) noexcept {
    if (header.code != TTN_GETDISPINFOW) return false;
    auto& info = *reinterpret_cast<NMTTDISPINFOW*>(const_cast<NMHDR*>(&header));
    int count = 0;
    const PageButton* buttons = PageButtons(count);
    for (int i = 0; i < count; ++i) {
        if (buttons[i].command == 0 || static_cast<UINT_PTR>(buttons[i].command) != header.idFrom) continue;
        const WCHAR* text = QmGetString(KernelLangHandle(), buttons[i].tooltip);
        lstrcpynW(info.szText, text != nullptr ? text : L"", ARRAYSIZE(info.szText));
        info.lpszText = info.szText;
        info.hinst = nullptr;
        return true;
    }
    return false;
}

void SynthPageDialog::OnHelp(const HELPINFO& help) noexcept {
    DWORD helpId = 0;
    const HWND item = static_cast<HWND>(help.hItemHandle);
    if (item == toolbar_ && toolbar_ != nullptr) {
        // The toolbar is one window: the button under the mouse names the help.
        POINT point = help.MousePos;
        ScreenToClient(toolbar_, &point);
        const LRESULT index = SendMessageW(toolbar_, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&point));
        TBBUTTON button{};
        if (index >= 0 && SendMessageW(toolbar_, TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&button))) {
            int count = 0;
            const PageButton* buttons = PageButtons(count);
            for (int i = 0; i < count; ++i) {
                if (buttons[i].command != 0 && buttons[i].command == button.idCommand) helpId = buttons[i].helpId;
            }
        }
    } else if (help.iCtrlId == QM_IDC_PROGRAM_LIST || help.iCtrlId == QM_IDC_PROGRAM_LABEL) {
        helpId = kProgramListHelpId;
    }
    WCHAR path[MAX_PATH];
    if (helpId != 0 && QmHelp_GetHelpFilePath(QMHELP_KIND_CONTEXT, path, MAX_PATH) > 0) {
        WinHelpW(dialog_, path, HELP_CONTEXTPOPUP, helpId);
    }
}

void SynthPageDialog::LimitProgramText(int chars) noexcept {
    SendDlgItemMessageW(dialog_, QM_IDC_PROGRAM_LIST, CB_LIMITTEXT, static_cast<WPARAM>(chars), 0);
}

void SynthPageDialog::ClearPrograms() noexcept { SendDlgItemMessageW(dialog_, QM_IDC_PROGRAM_LIST, CB_RESETCONTENT, 0, 0); }

void SynthPageDialog::AddProgram(const WCHAR* name, int program) noexcept {
    const LRESULT entry = SendDlgItemMessageW(dialog_, QM_IDC_PROGRAM_LIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    if (entry >= 0) {
        SendDlgItemMessageW(dialog_, QM_IDC_PROGRAM_LIST, CB_SETITEMDATA, static_cast<WPARAM>(entry), program);
    }
}

void SynthPageDialog::SelectProgramEntry(int entry) noexcept {
    SendDlgItemMessageW(dialog_, QM_IDC_PROGRAM_LIST, CB_SETCURSEL, static_cast<WPARAM>(entry), 0);
}

void SynthPageDialog::EnablePrograms(bool enabled) noexcept { EnableWindow(Item(QM_IDC_PROGRAM_LIST), enabled); }

void SynthPageDialog::ReadProgramText(WCHAR* text, int capacity) noexcept {
    text[0] = 0;
    GetDlgItemTextW(dialog_, QM_IDC_PROGRAM_LIST, text, capacity);
}

int SynthPageDialog::SelectedProgram() noexcept {
    const LRESULT entry = SendDlgItemMessageW(dialog_, QM_IDC_PROGRAM_LIST, CB_GETCURSEL, 0, 0);
    if (entry < 0) return -1;
    return static_cast<int>(SendDlgItemMessageW(dialog_, QM_IDC_PROGRAM_LIST, CB_GETITEMDATA, static_cast<WPARAM>(entry), 0));
}

void SynthPageDialog::SetToolbarState(bool enablePressed, bool presetButtonsEnabled) noexcept {
    if (toolbar_ == nullptr) return;
    SendMessageW(toolbar_, TB_CHECKBUTTON, PageCommand::Power, MAKELPARAM(enablePressed ? TRUE : FALSE, 0));
    for (int command : kPresetButtons) {
        SendMessageW(toolbar_, TB_ENABLEBUTTON, static_cast<WPARAM>(command), MAKELPARAM(presetButtonsEnabled ? TRUE : FALSE, 0));
    }
}

PageExtent SynthPageDialog::SizeOf(int id) noexcept {
    RECT rect{};
    GetWindowRect(Item(id), &rect);
    return ExtentOf(rect);
}

PageExtent SynthPageDialog::LabelSize() noexcept { return SizeOf(QM_IDC_PROGRAM_LABEL); }
PageExtent SynthPageDialog::ProgramListSize() noexcept { return SizeOf(QM_IDC_PROGRAM_LIST); }
PageExtent SynthPageDialog::ToolbarSize() noexcept { return SizeOf(QM_IDC_PAGE_TOOLBAR); }
PageExtent SynthPageDialog::SeparatorSize() noexcept { return SizeOf(QM_IDC_TOP_LINE); }

PageExtent SynthPageDialog::InsetClientSize() noexcept {
    RECT client{};
    GetClientRect(dialog_, &client);
    return {client.right - 10, client.bottom - 10};
}

void SynthPageDialog::ResizeDialog(int width, int height) noexcept {
    SetWindowPos(dialog_, nullptr, 0, 0, width, height, kResizeFlags);
}

void SynthPageDialog::PlaceWindows(const PageLayout& layout) noexcept {
    const struct {
        int id;
        const PagePlacement& at;
    } windows[] = {{QM_IDC_PROGRAM_LABEL, layout.label}, {QM_IDC_PROGRAM_LIST, layout.programs},
                   {QM_IDC_PAGE_TOOLBAR, layout.toolbar}, {QM_IDC_TOP_LINE, layout.separator},
                   {QM_IDC_EDITOR_SITE, layout.site}};
    HDWP batch = BeginDeferWindowPos(5);
    for (const auto& window : windows) {
        const HWND item = Item(window.id);
        if (batch == nullptr || item == nullptr) continue;
        batch = DeferWindowPos(batch, item, nullptr, window.at.x, window.at.y, window.at.width, window.at.height,
                               SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (batch != nullptr) EndDeferWindowPos(batch);
}

void SynthPageDialog::ShowEditorSite() noexcept { ShowWindow(site_, SW_SHOWNORMAL); }

presets::IPresetDialogs& SynthPageDialog::PresetDialogs() noexcept {
    presets::IPresetDialogs* given = page_.PresetDialogs();
    return given != nullptr ? *given : files_;
}

void SynthPageDialog::PostToDialog(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    PostMessageW(dialog_, message, wParam, lParam);
}

}  // namespace qm

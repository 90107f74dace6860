// The reference synth's editor window on Windows: a GDI child of the host's window that paints
// every parameter (name, value, bar) and takes clicks on the bars and key presses.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "qmref/ref_editor.h"
#include "qmref/ref_params.h"

namespace qmtest {

namespace {

const wchar_t kClassName[] = L"QmRefEditor";
const COLORREF kBackground = RGB(0x26, 0x2A, 0x33);
const COLORREF kText = RGB(0xE8, 0xEA, 0xEE);
const COLORREF kTrack = RGB(0x40, 0x46, 0x54);
const COLORREF kFill = RGB(0x3D, 0x8E, 0xF0);

HINSTANCE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

void FillBox(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
    RECT box{left, top, right, bottom};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &box, brush);
    DeleteObject(brush);
}

// Painted off screen and copied in one go, so a repaint after each click does not flicker.
void Paint(HWND window, const RefEditor& editor) {
    PAINTSTRUCT paint;
    HDC screen = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    FillBox(dc, 0, 0, client.right, client.bottom, kBackground);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kText);
    AEffect* effect = editor.effect();
    for (int32_t index = 0; index < effect->numParams; ++index) {
        const float value = effect->getParameter(effect, index);
        int bar[4];
        editor.barOf(index, bar);
        char display[kVstMaxParamStrLen + 1] = {};
        ParamDisplay(index, value, display, static_cast<int>(sizeof display));
        char text[64];
        std::snprintf(text, sizeof text, "%s %s", display, ParamLabel(index));
        RECT line{bar[0], bar[1] - RefEditor::kTextHeight, bar[2], bar[1] - 2};
        DrawTextA(dc, ParamName(index), -1, &line, DT_LEFT | DT_BOTTOM | DT_SINGLELINE);
        DrawTextA(dc, text, -1, &line, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE);
        FillBox(dc, bar[0], bar[1], bar[2], bar[3], kTrack);
        FillBox(dc, bar[0], bar[1], bar[0] + static_cast<int>(value * static_cast<float>(bar[2] - bar[0]) + 0.5f),
                bar[3], kFill);
    }
    BitBlt(screen, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    EndPaint(window, &paint);
}

LRESULT CALLBACK EditorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* editor = reinterpret_cast<RefEditor*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (editor == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_PAINT:
        Paint(window, *editor);
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the paint covers everything
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS;  // inside a host's dialog, keys come here rather than to the dialog
    case WM_LBUTTONDOWN:
        SetFocus(window);
        if (editor->click(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)))) {
            InvalidateRect(window, nullptr, FALSE);
        }
        return 0;
    case WM_KEYDOWN:
        if (editor->grow()) {
            SetWindowPos(window, nullptr, 0, 0, editor->width(), editor->height(),
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            InvalidateRect(window, nullptr, FALSE);
        }
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

bool RefEditor::Available() { return true; }

bool RefEditor::open(void* parent) {
    if (parent == nullptr) return false;
    WNDCLASSW windowClass{};
    if (!GetClassInfoW(ThisModule(), kClassName, &windowClass)) {
        windowClass.lpfnWndProc = EditorProc;
        windowClass.hInstance = ThisModule();
        windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        windowClass.lpszClassName = kClassName;
        if (RegisterClassW(&windowClass) == 0) return false;
    }
    window_ = CreateWindowExW(0, kClassName, L"QmRef", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, width(),
                              height(), static_cast<HWND>(parent), nullptr, ThisModule(), this);
    return window_ != nullptr;
}

void RefEditor::close() {
    DestroyWindow(static_cast<HWND>(window_));
    window_ = nullptr;
    // Windows keeps a DLL's classes after the DLL unloads: the last editor takes its class along
    // (this fails while another instance's editor is still open, which then does it).
    UnregisterClassW(kClassName, ThisModule());
}

}  // namespace qmtest

// What the real-window tests share: test windows of their own classes, a message pump, and the
// page size a property page reports.
#pragma once
#include <windows.h>
#include <ocidl.h>

#include <chrono>
#include <string>

namespace ui_test {

// One window class per window procedure; registering it again fails harmlessly.
inline std::wstring ClassFor(WNDPROC procedure) {
    const std::wstring name = L"QmUiTest" + std::to_wstring(reinterpret_cast<UINT_PTR>(procedure));
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = name.c_str();
    RegisterClassW(&windowClass);
    return name;
}

// A shown top-level window, above the others unless `exStyle` says otherwise: screenshots read the screen.
inline HWND TopLevel(int width, int height, WNDPROC procedure = DefWindowProcW, DWORD exStyle = WS_EX_TOPMOST,
                     DWORD style = WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN) {
    return CreateWindowExW(exStyle, ClassFor(procedure).c_str(), L"VSTi Soft Synth", style, 20, 20, width, height, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

inline void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Pumps until `done` or the time is up; false when it is.
template <class Done>
bool PumpUntil(Done done, int milliseconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (; !done(); MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT)) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        Pump();
    }
    Pump();
    return true;
}

// Wine paints some controls on its own time: a moment of messages before a picture or a read-back.
inline void Settle(int milliseconds = 60) { PumpUntil([] { return false; }, milliseconds); }

inline SIZE PageSize(IPropertyPage* page) {
    PROPPAGEINFO info{};
    page->GetPageInfo(&info);
    CoTaskMemFree(info.pszTitle);
    return info.size;
}

inline SIZE SizeOf(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace ui_test

// QmDebugString on Windows: mode 2 writes to the file or serial port named in the "Debug" section of
// win.ini; every other mode draws onto the desktop in an overlay at the bottom of the screen. State
// is process-wide and unlocked: a diagnostic aid for one thread at a time.
#include <windows.h>

#include "entry/entry.h"
#include "platform/text.h"

namespace {

constexpr int kAnsiBytes = 640;  // one line, terminator included

struct FileTarget {
    bool setUp = false;
    HANDLE handle = INVALID_HANDLE_VALUE;
    DWORD ioctlCode = 0;
};
FileTarget g_file;

struct Overlay {
    bool setUp = false;
    RECT area = {};
    POINT cursor = {};
    LONG lineHeight = 0;
};
Overlay g_overlay;

HANDLE OpenTarget(const WCHAR* path) {
    return CreateFileW(path, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void SetUpFileTarget() {
    g_file.setUp = true;
    WCHAR path[MAX_PATH] = {};
    GetProfileStringW(L"Debug", L"LogToFilePath", L"COM1", path, MAX_PATH);
    const bool com1 = lstrcmpW(path, L"COM1") == 0;
    g_file.handle = OpenTarget(path);
    // "AUX" reaches the first serial port on machines whose COM1 is taken or renamed.
    if (g_file.handle == INVALID_HANDLE_VALUE && com1) g_file.handle = OpenTarget(L"AUX");
    if (g_file.handle != INVALID_HANDLE_VALUE && com1) {
        DCB dcb = {};
        dcb.DCBlength = sizeof(dcb);
        if (GetCommState(g_file.handle, &dcb)) {
            dcb.BaudRate = 115200;
            dcb.ByteSize = 8;
            dcb.Parity = NOPARITY;
            SetCommState(g_file.handle, &dcb);
        }
    }
    WCHAR code[32] = {};
    GetProfileStringW(L"Debug", L"DeviceIoctl", L"0", code, 32);
    DWORD value = 0;
    for (const WCHAR* p = code; *p >= L'0' && *p <= L'9'; ++p) value = value * 10 + static_cast<DWORD>(*p - L'0');
    g_file.ioctlCode = value;
}

void WriteToFileTarget(LPCWSTR text, BOOL newLine) {
    if (!g_file.setUp) SetUpFileTarget();
    if (g_file.handle == INVALID_HANDLE_VALUE) return;
    char line[kAnsiBytes + 2];
    DWORD length = static_cast<DWORD>(qm::platform::WideToAnsi(text, -1, line, kAnsiBytes));
    DWORD done = 0;
    if (g_file.ioctlCode != 0) {
        if (newLine) line[length++] = '\n';
        DeviceIoControl(g_file.handle, g_file.ioctlCode, line, length, nullptr, 0, &done, nullptr);
    } else {
        if (newLine) {
            line[length++] = '\r';
            line[length++] = '\n';
        }
        WriteFile(g_file.handle, line, length, &done, nullptr);
    }
}

void FillArea(HDC dc, const RECT& r, int stockBrush) {
    HGDIOBJ old = SelectObject(dc, GetStockObject(stockBrush));
    PatBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, PATCOPY);
    SelectObject(dc, old);
}

void SetUpOverlay(HDC dc) {
    g_overlay.setUp = true;
    RECT area = {};
    GetClipBox(dc, &area);
    area.right -= 80;
    SIZE digit = {};
    GetTextExtentPoint32W(dc, L"0", 1, &digit);
    g_overlay.lineHeight = digit.cy > 0 ? digit.cy : 1;
    const int lines = static_cast<int>(GetProfileIntW(L"Debug", L"LogToScreenLines", 5));
    if (lines > 0) area.top = area.bottom - lines * g_overlay.lineHeight;
    FillArea(dc, area, LTGRAY_BRUSH);
    FrameRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    InflateRect(&area, -1, -1);
    g_overlay.area = area;
    g_overlay.cursor = {area.left, area.top};
}

void DrawOnOverlay(LPCWSTR text, BOOL newLine) {
    HDC dc = GetDC(nullptr);
    if (dc == nullptr) return;
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
    if (!g_overlay.setUp) SetUpOverlay(dc);
    Overlay& o = g_overlay;
    const int length = lstrlenW(text);
    SIZE extent = {};
    GetTextExtentPoint32W(dc, text, length, &extent);
    if (o.cursor.x + extent.cx > o.area.right || o.cursor.y + o.lineHeight > o.area.bottom)
        o.cursor = {o.area.left, o.area.top};
    FillArea(dc, RECT{o.cursor.x, o.cursor.y, o.cursor.x + extent.cx + 2, o.cursor.y + o.lineHeight}, WHITE_BRUSH);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    TextOutW(dc, o.cursor.x + 1, o.cursor.y, text, length);
    if (newLine) {
        o.cursor = {o.area.left, o.cursor.y + o.lineHeight};
    } else {
        o.cursor.x += extent.cx;
    }
    // The newest line is always followed by an empty one, so the reader sees where the log wrapped.
    if (o.area.bottom - o.cursor.y > 2 * o.lineHeight)
        FillArea(dc, RECT{o.area.left, o.cursor.y, o.area.right, o.cursor.y + o.lineHeight}, LTGRAY_BRUSH);
    SelectObject(dc, oldFont);
    ReleaseDC(nullptr, dc);
}

}  // namespace

extern "C" DWORD WINAPI QmDebugString(LPCWSTR text, BOOL newLine, DWORD mode) noexcept {
    if (text == nullptr) text = L"";
    if (mode == 2) {
        WriteToFileTarget(text, newLine);
    } else {
        DrawOnOverlay(text, newLine);
    }
    return 0;
}

void qm::CloseDebugOutput() noexcept {
    if (g_file.handle != INVALID_HANDLE_VALUE) CloseHandle(g_file.handle);
    g_file = FileTarget();
    g_overlay = Overlay();
}

#include <windows.h>
#include <shellapi.h>

#include <cstdio>

#include "probe_streams.h"

namespace qm::probe {

namespace {
HANDLE g_report = INVALID_HANDLE_VALUE;
}  // namespace

bool ModuleArgument(int, char**, std::basic_string<WCHAR>* path) {
    // The C runtime's argv is in the ANSI code page; the path may not be.
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (words == nullptr) return false;
    const bool ok = count == 2 && words[1][0] != 0;
    if (ok) path->assign(words[1]);
    LocalFree(words);
    return ok;
}

void SetAsideReportStream() {
    // A handle of our own: reopening stdout below closes the one the C runtime holds.
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!DuplicateHandle(GetCurrentProcess(), out, GetCurrentProcess(), &g_report, 0, FALSE, DUPLICATE_SAME_ACCESS))
        g_report = out;
    const HANDLE nothing = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, 0, nullptr);
    if (nothing == INVALID_HANDLE_VALUE) return;
    // Modules bring their own C runtime, which takes the handle it finds when it starts.
    SetStdHandle(STD_OUTPUT_HANDLE, nothing);
    std::freopen("NUL", "w", stdout);
}

void WriteReport(const std::string& report) {
    DWORD done = 0;
    WriteFile(g_report, report.data(), static_cast<DWORD>(report.size()), &done, nullptr);
}

void EndProcess(int code) { TerminateProcess(GetCurrentProcess(), static_cast<UINT>(code)); for (;;) {} }

}  // namespace qm::probe

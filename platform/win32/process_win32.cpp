#include "platform/process.h"

#include <windows.h>
#include <tlhelp32.h>

#include "platform/clock.h"

namespace qm::platform {
namespace {

constexpr size_t kOutputLimit = 64 * 1024;

HRESULT LastError() noexcept {
    const DWORD error = GetLastError();
    return error == 0 ? E_FAIL : HRESULT_FROM_WIN32(error);
}

HANDLE AsHandle(intptr_t h) noexcept { return reinterpret_cast<HANDLE>(h); }

// One command-line word quoted as CommandLineToArgvW and the C runtimes read it back.
void AppendQuoted(std::wstring* line, const std::wstring& word) {
    line->push_back(L'"');
    size_t slashes = 0;
    for (wchar_t c : word) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        if (c == L'"') slashes = slashes * 2 + 1;
        line->append(slashes, L'\\');
        slashes = 0;
        line->push_back(c);
    }
    line->append(slashes * 2, L'\\');
    line->push_back(L'"');
}

}  // namespace

HRESULT ChildProcess::Start(const WCHAR* program, const std::vector<std::basic_string<WCHAR>>& arguments) noexcept {
    if (started_ || program == nullptr) return E_UNEXPECTED;
    try {
        std::wstring line;
        AppendQuoted(&line, program);
        for (const auto& a : arguments) {
            line.push_back(L' ');
            AppendQuoted(&line, a);
        }
        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        HANDLE readEnd = nullptr, writeEnd = nullptr;
        // Only the child's ends are inheritable, and only until the child has them.
        if (!CreatePipe(&readEnd, &writeEnd, &inherit, 64 * 1024)) return LastError();
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
        const HANDLE nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       &inherit, OPEN_EXISTING, 0, nullptr);
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = nul;
        startup.hStdOutput = writeEnd;
        startup.hStdError = nul;
        PROCESS_INFORMATION info{};
        const BOOL ok = CreateProcessW(program, line.data(), nullptr, nullptr, TRUE,
                                       CREATE_NO_WINDOW | CREATE_DEFAULT_ERROR_MODE, nullptr, nullptr, &startup, &info);
        const HRESULT hr = ok ? S_OK : LastError();
        CloseHandle(writeEnd);
        if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
        if (!ok) {
            CloseHandle(readEnd);
            return hr;
        }
        CloseHandle(info.hThread);
        process_ = reinterpret_cast<intptr_t>(info.hProcess);
        output_ = reinterpret_cast<intptr_t>(readEnd);
        started_ = true;
        startedAt_ = MillisecondClock();
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

ChildEnd ChildProcess::Finish(uint32_t timeoutMs, std::string* output, uint32_t* exitCode) noexcept {
    *exitCode = 0;
    if (!started_) return ChildEnd::Crashed;
    const HANDLE process = AsHandle(process_);
    const HANDLE pipe = AsHandle(output_);
    const uint32_t elapsed = MillisecondClock() - startedAt_;
    const bool timedOut =
        WaitForSingleObject(process, elapsed >= timeoutMs ? 0 : timeoutMs - elapsed) != WAIT_OBJECT_0;
    if (timedOut) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, INFINITE);
    }
    // Only what is there: a process the child started may still hold the pipe open.
    DWORD available = 0;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        char buffer[4096];
        DWORD n = 0;
        if (!ReadFile(pipe, buffer, available < sizeof(buffer) ? available : sizeof(buffer), &n, nullptr) || n == 0) break;
        try {
            if (output->size() < kOutputLimit) output->append(buffer, n);
        } catch (...) {
        }
    }
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    CloseHandle(pipe);
    CloseHandle(process);
    started_ = false;
    process_ = -1;
    output_ = -1;
    *exitCode = code;
    if (timedOut) return ChildEnd::TimedOut;
    // An unhandled exception ends a process with its exception code (0xC0000005 and the like).
    return (code & 0xF0000000u) == 0xC0000000u ? ChildEnd::Crashed : ChildEnd::Exited;
}

unsigned CurrentProcessThreadCount() noexcept {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    const DWORD self = GetCurrentProcessId();
    unsigned n = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == self) ++n;
    }
    CloseHandle(snapshot);
    return n;
}

unsigned ProcessorCount() noexcept {
    DWORD_PTR processMask = 0, systemMask = 0;
    unsigned n = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask)) {
        for (; processMask != 0; processMask &= processMask - 1) ++n;
    }
    if (n == 0) {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        n = info.dwNumberOfProcessors;
    }
    return n > 0 ? n : 1u;
}

const WCHAR* ProbeProgramName() noexcept { return L"QmVSTiProbe.exe"; }

}  // namespace qm::platform

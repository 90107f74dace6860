// SIGABRT in every loaded C runtime, owned by the guards while guarded calls run (see guard_abort.h).
//
// Each Microsoft C runtime keeps its own signal table, so a handler set through our runtime does not
// see the abort() of a plug-in linked against another one. The runtimes a plug-in can bring are
// looked up by name among the loaded modules (never loaded by us, but pinned once hooked): msvcrt.dll, which mingw-built
// plug-ins and this module share; ucrtbase.dll, behind the api-ms-win-crt-* forwarders of newer mingw
// and MSVC builds; and the versioned MSVC runtimes. A plug-in with a statically linked MSVC runtime
// keeps its table inside itself and cannot be reached; MSVC plug-ins throw C++ exceptions as
// structured exceptions, so only an explicit abort() there still ends the process.
//
// A runtime resets its entry to SIG_DFL before it calls the handler, and a second thread aborting in
// that moment ends the process. So the abort() imports of each loaded module are also pointed at a
// function of ours that leaves through the guard without going near the signal tables: a mingw-built
// plug-in's own runtime (libstdc++'s terminate included) calls abort() through its import table.
#include "platform/win32/guard_abort.h"

#include "platform/module.h"

#include <windows.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>

namespace qm::platform::guard_abort {
namespace {

using SignalHandler = void(__cdecl*)(int);
using SignalFunction = SignalHandler(__cdecl*)(int, SignalHandler);
using ErrorModeFunction = int(__cdecl*)(int);

const wchar_t* const kRuntimeNames[] = {L"msvcrt.dll",   L"ucrtbase.dll", L"msvcr120.dll",
                                        L"msvcr110.dll", L"msvcr100.dll", L"msvcr90.dll",
                                        L"msvcr80.dll",  L"msvcr71.dll",  L"msvcr70.dll"};
constexpr int kRuntimeCount = sizeof(kRuntimeNames) / sizeof(kRuntimeNames[0]);
constexpr int kOutToStderr = 1;  // _OUT_TO_STDERR: no modal "Runtime error" box in the host's window

struct Runtime {
    SignalFunction signal = nullptr;
    ErrorModeFunction setErrorMode = nullptr;
    SignalHandler previous = SIG_DFL;
    int previousErrorMode = 0;
};

SRWLOCK gLock = SRWLOCK_INIT;
Runtime gRuntimes[kRuntimeCount];
int gActiveCalls = 0;
std::atomic<bool> gLookUpRuntimes{true};

void __cdecl OnAbort(int signal);

void Install(Runtime& runtime) {
    runtime.previous = runtime.signal(SIGABRT, &OnAbort);
    if (runtime.setErrorMode != nullptr) runtime.previousErrorMode = runtime.setErrorMode(kOutToStderr);
}

void Restore(Runtime& runtime) {
    runtime.signal(SIGABRT, runtime.previous);
    if (runtime.setErrorMode != nullptr) runtime.setErrorMode(runtime.previousErrorMode);
}

// Under gLock. A runtime found while calls are active is hooked at once, like the others.
void LookUpRuntimes() {
    for (int i = 0; i < kRuntimeCount; ++i) {
        Runtime& runtime = gRuntimes[i];
        if (runtime.signal != nullptr) continue;
        // Pinned: a runtime that came with a plug-in must not unload under our hooks with it.
        HMODULE module = nullptr;
        if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN, kRuntimeNames[i], &module)) continue;
        auto signalFunction = reinterpret_cast<SignalFunction>(FindSymbol(module, "signal"));
        if (signalFunction == nullptr) continue;
        runtime.setErrorMode = reinterpret_cast<ErrorModeFunction>(FindSymbol(module, "_set_error_mode"));
        runtime.signal = signalFunction;
        if (gActiveCalls > 0) Install(runtime);
    }
}

// A runtime that calls its handler resets the entry to SIG_DFL first (the ANSI rule); it is set again
// before anything else, so that another thread aborting right after is caught too.
void __cdecl OnAbort(int /*signal*/) {
    AcquireSRWLockExclusive(&gLock);
    SignalHandler chained = SIG_DFL;
    for (Runtime& runtime : gRuntimes) {
        if (runtime.signal == nullptr) continue;
        if (gActiveCalls > 0) runtime.signal(SIGABRT, &OnAbort);
        if (runtime.previous != SIG_DFL && runtime.previous != SIG_IGN && runtime.previous != SIG_ERR)
            chained = runtime.previous;
    }
    ReleaseSRWLockExclusive(&gLock);
    LeaveToInnermostGuard();
    // Not inside a guarded call on this thread: the abort is the host's own and goes on as before.
    if (chained != SIG_DFL) chained(SIGABRT);
    _exit(3);
}

using AbortFunction = void(__cdecl*)();
std::atomic<AbortFunction> gRuntimeAbort{nullptr};

[[noreturn]] void __cdecl GuardedAbort() {
    LeaveToInnermostGuard();
    // The host's own thread, or a plug-in thread outside our calls: abort as the runtime would.
    AbortFunction original = gRuntimeAbort.load(std::memory_order_acquire);
    if (original != nullptr) original();
    abort();
}

bool IsRuntimeModuleName(const char* name) {
    return _stricmp(name, "msvcrt.dll") == 0 || _stricmp(name, "ucrtbase.dll") == 0 ||
           _strnicmp(name, "api-ms-win-crt-runtime-", 23) == 0 || _strnicmp(name, "msvcr", 5) == 0;
}

void RedirectAbortImports(HMODULE module) {
    auto* base = reinterpret_cast<BYTE*>(module);
    if (base == nullptr) return;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE) return;
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return;
    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); entry->Name != 0;
         ++entry) {
        // Without the name table the slots hold only addresses: nothing tells which one is abort().
        if (entry->OriginalFirstThunk == 0 || !IsRuntimeModuleName(reinterpret_cast<const char*>(base + entry->Name)))
            continue;
        auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; name->u1.AddressOfData != 0; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            if (strcmp(reinterpret_cast<const char*>(byName->Name), "abort") != 0) continue;
            const auto ours = reinterpret_cast<ULONG_PTR>(&GuardedAbort);
            if (slot->u1.Function == ours) continue;
            AbortFunction expected = nullptr;
            gRuntimeAbort.compare_exchange_strong(expected, reinterpret_cast<AbortFunction>(slot->u1.Function));
            DWORD protection = 0;
            if (!VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), PAGE_READWRITE, &protection)) continue;
            slot->u1.Function = ours;
            VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), protection, &protection);
        }
    }
}

}  // namespace

void BeginGuardedCall() noexcept {
    AcquireSRWLockExclusive(&gLock);
    if (gLookUpRuntimes.exchange(false, std::memory_order_acq_rel)) LookUpRuntimes();
    if (gActiveCalls++ == 0) {
        for (Runtime& runtime : gRuntimes)
            if (runtime.signal != nullptr) Install(runtime);
    }
    ReleaseSRWLockExclusive(&gLock);
}

void EndGuardedCall() noexcept {
    AcquireSRWLockExclusive(&gLock);
    if (--gActiveCalls == 0) {
        for (Runtime& runtime : gRuntimes)
            if (runtime.signal != nullptr) Restore(runtime);
    }
    ReleaseSRWLockExclusive(&gLock);
}

void NoteModuleLoaded(void* module) noexcept {
    gLookUpRuntimes.store(true, std::memory_order_release);
    RedirectAbortImports(static_cast<HMODULE>(module));
}

}  // namespace qm::platform::guard_abort

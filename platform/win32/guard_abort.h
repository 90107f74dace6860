// The Windows guards' answer to abort(): a plug-in whose runtime gives up (std::terminate after an
// exception nothing caught, a failed assert, a plain abort()) ends up in its C runtime's abort(), which
// raises SIGABRT through that runtime's own signal table and then exits the process. No structured
// exception is ever raised, so no frame handler sees it. On i686 this is what every mingw-built plug-in
// does with an escaping C++ exception: its DWARF unwinder finds no handler and terminates.
//
// Two ways in. The abort() imports of every module loaded for a plug-in lead to the guards directly.
// And while at least one guarded call is running anywhere in the process, the guards own SIGABRT in every C
// runtime the process has loaded; the handler leaves through the innermost guard of the thread that
// aborted. When the last guarded call ends, the handlers that were there before come back.
#pragma once

namespace qm::platform::guard_abort {

// Brackets one guarded call: the first one to begin installs the handlers, the last one to end puts the
// previous handlers back. Cheap when nothing changed: one lock and a signal() call per runtime.
void BeginGuardedCall() noexcept;
void EndGuardedCall() noexcept;

// A module was loaded: it may have brought a C runtime that is not hooked yet, and its own abort()
// imports are pointed at the guards.
void NoteModuleLoaded(void* module) noexcept;

// Defined by the guard of each architecture: takes this thread out of abort() into its innermost
// guarded call, reported as kExceptionAbort. Returns only when the thread is not inside one.
void LeaveToInnermostGuard() noexcept;

}  // namespace qm::platform::guard_abort

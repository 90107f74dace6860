// Process-wide application data of the framework's message boxes and help files: the caption every
// message box of the module carries, and the help-file paths of the current language.
#pragma once
#include "qmvsti/com.h"

// Help-file kinds: the product's help and its context help.
#define QMHELP_KIND_MAIN 0
#define QMHELP_KIND_CONTEXT 1
#define QMHELP_KIND_COUNT 2

// Stores the module whose message boxes follow and their caption (null: empty). S_OK.
QM_EXTERN_C QM_EXPORT HRESULT QMAPI QmMsgBoxSetAppData(HINSTANCE module, DWORD flags, LPCWSTR caption) noexcept;
// Copies the caption stored by QmMsgBoxSetAppData (truncated, terminated); returns its length.
QM_EXTERN_C QM_EXPORT int QMAPI QmMsgBoxGetCaption(WCHAR* dest, int cchDest) noexcept;

// Builds the path of help file `kind` of `module` for the kernel language: beside the module, named
// after it with ".chm" (main) or ".hlp" (context); a language other than English looks in a folder
// named by its LCID ("1031"). E_INVALIDARG for an unknown kind or a null buffer, E_FAIL when the
// module's path is unknown, HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER) when it does not fit.
QM_EXTERN_C QM_EXPORT HRESULT QMAPI QmHelp_CreateHelpFilePath(int kind, HINSTANCE module, WCHAR* buffer, int cchBuffer,
                                                              DWORD reserved1, DWORD reserved2) noexcept;
// Stores (null: forgets) the path of help file `kind`. E_INVALIDARG for an unknown kind.
QM_EXTERN_C QM_EXPORT HRESULT QMAPI QmHelp_SetHelpFilePath(int kind, LPCWSTR path) noexcept;
// Copies the stored path of help file `kind` (truncated, terminated); returns its length, 0 when none.
QM_EXTERN_C QM_EXPORT int QMAPI QmHelp_GetHelpFilePath(int kind, WCHAR* dest, int cchDest) noexcept;

namespace qm {
// True when the file name of `executablePath` is RunDLL32.exe, in any letter case: the process only
// loaded the module to call one of its exports.
bool IsRunDll32Process(const WCHAR* executablePath) noexcept;
}  // namespace qm

/* Language handle and string resources.
 *
 * Every user-visible text of the component is a string-table entry addressed by a numeric id (or a
 * multi-language string record, below). A language handle binds the component's module to an
 * optional language module (the resource-only "<module>.LNG" beside it) and a chosen language, loads
 * texts from the right module in the right language, caches them sorted by id, and lends short-lived
 * scratch buffers for formatting. The functions are exported undecorated with the __cdecl convention.
 *
 * Where the texts live:
 * - Windows: the module's STRINGTABLE resources (QmVSTi.dll carries the English table, QmVSTi.LNG the
 *   German one). A module without any string-table resource of its own (a program that links the
 *   core statically, such as the unit tests) is served by the English table compiled into the core.
 * - Linux: the module instance is always served by the English table compiled into the core; a
 *   language module (libqmvsti.LNG) is a shared object exporting its table as the C symbol
 *   "QmLangStringTable" (see framework/lang_table.h).
 * Every entry is stored with a terminating NUL inside its counted string, so that records can use an
 * entry in place; loads by id do not count that NUL.
 *
 * A module instance is the module's base address: the HMODULE on Windows, the load address
 * (dladdr's dli_fbase) on Linux; qm::ModuleInstanceOf gives it for any address inside the module.
 *
 * Threads: every function may be called from any thread; a handle's cache and scratch ring are
 * guarded by its lock. Texts returned by QmGetString live until the handle's language changes
 * (QmLang_UpdateKernelLCID, QmLang_ChangeLangInst) or the handle is closed; scratch buffers live until
 * the ring wraps, so a borrower uses its text at once. */
#ifndef QMVSTI_FRAMEWORK_LANG_H
#define QMVSTI_FRAMEWORK_LANG_H

#include "qmvsti/com.h"

typedef struct tQMLANG* HQMLANG;

/* A multi-language string record: word 0 holds QMLANG_RECORD_MARKER in its low 16 bits and the number
 * of language slots in bits 16-23; words 1 to count hold, per slot of the language table, either a
 * pointer to that language's text (a value above 0xFFFF) or a string-table id (0xFFFF or less). Word 1
 * is English and the fallback. Records must be writable: a resolved slot's text pointer is written
 * back into the slot. The words are pointer-sized (32-bit on the Windows target). */
typedef ULONG_PTR QMLANGSTRINGREC;
#define QMLANG_RECORD_MARKER 0xFFFEu
#define QMLANG_RECORD_HEADER(count) ((ULONG_PTR)QMLANG_RECORD_MARKER | ((ULONG_PTR)((count)&0xFF) << 16))
/* Languages of the framework's table, and so the slots of a record. */
#define QMLANG_LANGUAGE_COUNT 18

/* QmLang_Open: the out handle was already set; nothing was done. */
#define QMLANG_S_ALREADY_OPEN ((HRESULT)0x0004E001L)

#ifdef __cplusplus
extern "C" {
#  define QMLANG_NOEXCEPT noexcept
#else
#  define QMLANG_NOEXCEPT
#endif

/* Opens a handle on `instance` for `lcid` (0 keeps the user's default for records) with a scratch ring
 * of `scratchChars` characters (0 gives 8192, anything up to 2048 gives 2048). Loads the language
 * module "<instance file without extension>.LNG" when there is one. S_OK;
 * QMLANG_S_ALREADY_OPEN when *phLang is not null; E_POINTER for a null phLang; E_OUTOFMEMORY. */
QM_EXPORT HRESULT QMAPI QmLang_Open(HQMLANG* phLang, HINSTANCE instance, LCID lcid, int scratchChars) QMLANG_NOEXCEPT;
/* Frees the handle, its cache and ring and the language module it loaded. Null is accepted. S_OK. */
QM_EXPORT HRESULT QMAPI QmLang_Close(HQMLANG hLang) QMLANG_NOEXCEPT;

/* Copies the text of `id` into dest (cchDest characters including the terminator, truncating) and
 * returns the characters copied, 0 when there is no text. dest is emptied first. */
QM_EXPORT int QMAPI QmLoadString(HQMLANG hLang, UINT id, WCHAR* dest, int cchDest) QMLANG_NOEXCEPT;
/* The same for a record: copies the record's text in the handle's language. */
QM_EXPORT int QMAPI QmLoadStringFromRecord(HQMLANG hLang, QMLANGSTRINGREC* record, WCHAR* dest,
                                           int cchDest) QMLANG_NOEXCEPT;
/* The cached text of `id` (at most 1023 characters), or a shared empty string when the id has no text
 * or the handle no cache. Never null. */
QM_EXPORT const WCHAR* QMAPI QmGetString(HQMLANG hLang, UINT id) QMLANG_NOEXCEPT;
/* The text of a record in the handle's language (resolved once and written back into the record). */
QM_EXPORT const WCHAR* QMAPI QmGetStringFromRecord(HQMLANG hLang, QMLANGSTRINGREC* record) QMLANG_NOEXCEPT;
/* Null for null; an id for values below 0x10000; a record's text for a record; any other pointer is
 * a literal text and comes back unchanged. */
QM_EXPORT const WCHAR* QMAPI QmGetStringSmart(HQMLANG hLang, const void* value) QMLANG_NOEXCEPT;
/* True when p is above 0xFFFF, 4-byte aligned and starts with the record marker. */
QM_EXPORT BOOL QMAPI IsQMLANGSTRINGID(HQMLANG hLang, const void* p) QMLANG_NOEXCEPT;
/* A scratch buffer of cchNeeded characters (0 to 1024) from the handle's ring; null without a ring or
 * for any other size. A request of 0 characters gives an empty string. */
QM_EXPORT WCHAR* QMAPI QmGetTempStringBuffer(HQMLANG hLang, int cchNeeded) QMLANG_NOEXCEPT;

/* The module to load resources from: the language module while the current language is not English,
 * else the module instance. */
QM_EXPORT HINSTANCE QMAPI QmLang_InstFromLang(HQMLANG hLang) QMLANG_NOEXCEPT;
/* The language module when it holds resource (type, name) in the handle's language, else the module
 * instance. */
QM_EXPORT HINSTANCE QMAPI QmFindResInstance(HQMLANG hLang, LPCWSTR name, LPCWSTR type) QMLANG_NOEXCEPT;
/* Looks for the first of `count` names of `type`: each in the language module (while the language is
 * not English) in the handle's language, then each in the module instance. Returns the module that
 * holds it and its index through *pIndex, or null and -1. */
QM_EXPORT HINSTANCE QMAPI QmFindResourceMulti(HQMLANG hLang, LPCWSTR type, const LPCWSTR* names, int count,
                                              int* pIndex) QMLANG_NOEXCEPT;
/* Makes `module` the language module of this handle and of the kernel handle (a module the caller
 * loaded with qm::platform::LoadModule and keeps loaded; both caches are emptied). 0 when either handle
 * is missing, else 1 (also for a null module, which changes nothing). */
QM_EXPORT BOOL QMAPI QmLang_ChangeLangInst(HQMLANG hLang, HINSTANCE module) QMLANG_NOEXCEPT;
/* Gives this handle and the kernel handle the language `lcid` (0 means 1033): caches emptied on a
 * change, the language module used while the language is not English, the process's window layout
 * right-to-left for right-to-left languages. 1, or 0 when either handle is missing. The third
 * argument is not used (the module entry passes 1). */
QM_EXPORT BOOL QMAPI QmLang_UpdateKernelLCID(HQMLANG hLang, LCID lcid, int reserved) QMLANG_NOEXCEPT;
/* The handle's LCID; 0 for a null handle. */
QM_EXPORT LCID QMAPI QmLang_GetLCID(HQMLANG hLang) QMLANG_NOEXCEPT;
/* The language id normalised for comparison with the language table: Chinese becomes 0x404
 * (Taiwan, Hong Kong, Macao) or 0x804; Portuguese keeps its sublanguage; every other language becomes
 * its primary language with sublanguage 1. */
QM_EXPORT LCID QMAPI QmLang_GetConditionedLCID(LCID lcid) QMLANG_NOEXCEPT;
/* True when the primary language of lcid is English. */
QM_EXPORT BOOL QMAPI QmLang_IsLCIDEnglish(LCID lcid) QMLANG_NOEXCEPT;
/* True when the handle's language is written right to left (Arabic, Hebrew, Urdu, Farsi). */
QM_EXPORT BOOL QMAPI QmLang_UseRTL(HQMLANG hLang) QMLANG_NOEXCEPT;
/* Stores up to three characters of a language abbreviation process-wide ("ENU" for null or empty)
 * and returns the number stored. */
QM_EXPORT int QMAPI QmSetLangID(LPCWSTR abbreviation) QMLANG_NOEXCEPT;

#ifdef __cplusplus
}

/* The by-record forms under the names callers know; the exports carry distinct C names. */
inline int QmLoadString(HQMLANG hLang, QMLANGSTRINGREC* record, WCHAR* dest, int cchDest) noexcept {
    return QmLoadStringFromRecord(hLang, record, dest, cchDest);
}
inline const WCHAR* QmGetString(HQMLANG hLang, QMLANGSTRINGREC* record) noexcept {
    return QmGetStringFromRecord(hLang, record);
}
inline BOOL QmLang_UpdateKernelLCID(HQMLANG hLang, LCID lcid) noexcept { return QmLang_UpdateKernelLCID(hLang, lcid, 0); }

namespace qm {

/* The framework's language table: the LANGID of each record slot (slot k is entry k - 1). */
inline constexpr WORD kLanguageTable[QMLANG_LANGUAGE_COUNT] = {
    0x409, 0x411, 0x407, 0x40a, 0x40c, 0x804, 0x404, 0x406, 0x40b,
    0x410, 0x412, 0x413, 0x414, 0x416, 0x816, 0x419, 0x41d, 0x415};
inline constexpr LCID kEnglishLCID = 1033;

/* Opens a handle like QmLang_Open but takes the language module from `languageModulePath` (null or
 * empty: none) instead of the path beside the instance. */
HRESULT LangOpenWithLanguageModule(HQMLANG* phLang, HINSTANCE instance, LCID lcid, int scratchChars,
                                   const WCHAR* languageModulePath) noexcept;
/* The process-wide kernel handle the framework's own texts use: opened at framework start-up on the
 * module that carries the framework, closed at tear-down. Null while closed. */
HQMLANG KernelLangHandle() noexcept;
HRESULT OpenKernelLangHandle(HINSTANCE instance, LCID lcid) noexcept;
void CloseKernelLangHandle() noexcept;
/* The module instance (see above) of the module that contains `address`; null when none does. */
HINSTANCE ModuleInstanceOf(const void* address) noexcept;
/* The abbreviation stored by QmSetLangID, terminated ("ENU" until set). */
void LangAbbreviation(WCHAR (&out)[4]) noexcept;
/* Whether the process's default window layout is right to left (set by QmLang_UpdateKernelLCID). */
bool ProcessLayoutIsRTL() noexcept;

}  // namespace qm
#endif

#endif

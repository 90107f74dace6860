// The language handle's record and the per-platform resource access behind it.
#pragma once
#include <cstdint>

#include "framework/lang.h"
#include "framework/list.h"
#include "platform/sync.h"

// The handle, in the framework's field order.
struct tQMLANG {
    HINSTANCE instance;  // the component's module: resources when no language module applies
    alignas(8) unsigned char lockStorage[sizeof(qm::platform::RecursiveLock)];
    BOOL lockReady;        // lockStorage holds a constructed lock
    int scratchCapacity;   // characters
    int scratchReserve;    // the most one borrower may take
    int scratchPosition;   // characters
    WCHAR* scratch;        // the ring, scratchCapacity characters
    BOOL useLanguageModule;  // the current language is not English
    HINSTANCE languageModule;  // or the instance itself when no language module was found
    LCID lcid;
    int languageSlot;  // 1-based slot of the language table for records; 0 = not resolved yet
    tQMLIST* cache;    // heap items (QmCacheItem), ascending by id
    // Not part of the framework's record: the module QmLang_Open loaded, freed by QmLang_Close.
    HINSTANCE ownedLanguageModule;

    qm::platform::RecursiveLock& Lock() noexcept {
        return *reinterpret_cast<qm::platform::RecursiveLock*>(lockStorage);
    }
};

namespace qm::lang {

inline constexpr int kLoadBufferChars = 1024;  // a cached text is at most 1023 characters
inline constexpr int kScratchReserve = 1024;
inline constexpr WORD kEnglishLangId = 0x409;
inline constexpr WORD kEnglishPrimary = 0x09;

inline WORD PrimaryLanguage(LCID lcid) noexcept { return static_cast<WORD>(lcid & 0x3FF); }
inline WORD LangIdOf(LCID lcid) noexcept { return static_cast<WORD>(lcid & 0xFFFF); }

// A string-table entry as stored: `length` characters, the last one the text's NUL when the entry
// was built by our generator (a foreign module's entries may lack it).
struct CountedText {
    const WCHAR* chars;
    uint32_t length;
};

// Finds entry `id` of `module` in `language` (0: the system's choice of language). `isInstance` says
// whether `module` is a handle's module instance or a language module we loaded. Empty entries count
// as missing. Per platform: STRINGTABLE resources on Windows, exported tables on Linux; the English
// table compiled into the core serves modules without string tables of their own.
bool FindStringEntry(HINSTANCE module, bool isInstance, UINT id, WORD language, CountedText* entry) noexcept;
// Whether `module` holds resource (type, name) in `language` (anyLanguage: in any language).
bool HasResource(HINSTANCE module, bool isInstance, LPCWSTR type, LPCWSTR name, WORD language,
                 bool anyLanguage) noexcept;
// The English table compiled into the core answers requests for English or for no language in
// particular.
bool FindBuiltinEntry(UINT id, WORD language, CountedText* entry) noexcept;

// The user's default user-interface language (for records when the handle's LCID is 0).
WORD UserDefaultLanguage() noexcept;
void SetProcessLayoutRTL(bool rtl) noexcept;

// Empties the handle's cache; the caller holds the handle's lock.
void ClearCache(tQMLANG* lang) noexcept;
// Whether `lang` reads its language module (and not the instance) for the current language.
inline bool UsesLanguageModule(const tQMLANG* lang) noexcept {
    return lang->languageModule != nullptr && lang->useLanguageModule;
}

}  // namespace qm::lang

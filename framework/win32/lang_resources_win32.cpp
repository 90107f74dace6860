// String tables on Windows: STRINGTABLE resources of the module (blocks of sixteen counted strings).
// A module without any string table of its own (a program that links the core statically) is
// served by the English table compiled into the core.
#include "framework/lang_internal.h"

namespace qm::lang {
namespace {

BOOL CALLBACK StopAtFirstName(HMODULE, LPCWSTR, LPWSTR, LONG_PTR found) {
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
}

bool HasOwnStringTables(HINSTANCE module) noexcept {
    bool found = false;
    EnumResourceNamesW(module, MAKEINTRESOURCEW(6) /* RT_STRING */, StopAtFirstName, reinterpret_cast<LONG_PTR>(&found));
    return found;
}

struct LanguageChoice {
    WORD wanted;
    WORD sameLanguage;  // another sublanguage of the wanted language, when there is one
    bool exact;
    bool other;
};

BOOL CALLBACK NoteLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR context) {
    auto* choice = reinterpret_cast<LanguageChoice*>(context);
    if (language == choice->wanted) {
        choice->exact = true;
        return FALSE;
    }
    if (!choice->other && PrimaryLanguage(language) == PrimaryLanguage(choice->wanted)) {
        choice->sameLanguage = language;
        choice->other = true;
    }
    return TRUE;
}

// The language a resource is taken in: the one asked for, else another sublanguage of it (Swiss
// German reads the German table). Never a different language: the loader's own fallback would hand
// a French user the German texts of a German-only language module. 0 (the system's choice) passes.
bool ChooseLanguage(HINSTANCE module, LPCWSTR type, LPCWSTR name, WORD* language) noexcept {
    if (*language == 0) return true;
    LanguageChoice choice{*language, 0, false, false};
    EnumResourceLanguagesW(module, type, name, NoteLanguage, reinterpret_cast<LONG_PTR>(&choice));
    if (choice.exact) return true;
    if (!choice.other) return false;
    *language = choice.sameLanguage;
    return true;
}

}  // namespace

bool FindStringEntry(HINSTANCE module, bool /*isInstance*/, UINT id, WORD language, CountedText* entry) noexcept {
    if (!HasOwnStringTables(module)) return FindBuiltinEntry(id, language, entry);
    const LPCWSTR block = MAKEINTRESOURCEW((id >> 4) + 1);
    if (!ChooseLanguage(module, MAKEINTRESOURCEW(6), block, &language)) return false;
    HRSRC resource = FindResourceExW(module, MAKEINTRESOURCEW(6), block, language);
    if (resource == nullptr) return false;
    HGLOBAL loaded = LoadResource(module, resource);
    const auto* strings = static_cast<const WCHAR*>(LockResource(loaded));
    if (strings == nullptr) return false;
    const DWORD size = SizeofResource(module, resource) / sizeof(WCHAR);
    DWORD at = 0;
    // Walk past the counted strings before ours, never beyond the block.
    for (UINT position = 0; position < (id & 15); ++position) {
        if (at >= size) return false;
        at += 1 + strings[at];
    }
    if (at >= size || strings[at] == 0 || at + 1 + strings[at] > size) return false;
    entry->chars = strings + at + 1;
    entry->length = strings[at];
    return true;
}

bool HasResource(HINSTANCE module, bool /*isInstance*/, LPCWSTR type, LPCWSTR name, WORD language,
                 bool anyLanguage) noexcept {
    if (type == MAKEINTRESOURCEW(6) && !HasOwnStringTables(module)) {
        const auto block = reinterpret_cast<ULONG_PTR>(name);
        if (block == 0 || block > 0x1000) return false;
        CountedText entry{};
        for (UINT id = static_cast<UINT>((block - 1) * 16); id < (block - 1) * 16 + 16; ++id) {
            if (FindBuiltinEntry(id, anyLanguage ? 0 : language, &entry)) return true;
        }
        return false;
    }
    if (anyLanguage) return FindResourceW(module, name, type) != nullptr;
    return ChooseLanguage(module, type, name, &language) && FindResourceExW(module, type, name, language) != nullptr;
}

WORD UserDefaultLanguage() noexcept { return GetUserDefaultUILanguage(); }

void SetProcessLayoutRTL(bool rtl) noexcept { SetProcessDefaultLayout(rtl ? LAYOUT_RTL : 0); }

}  // namespace qm::lang

namespace qm {

HINSTANCE ModuleInstanceOf(const void* address) noexcept {
    HMODULE module = nullptr;
    if (address == nullptr ||
        !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(address), &module)) {
        return nullptr;
    }
    return module;
}

bool ProcessLayoutIsRTL() noexcept {
    DWORD layout = 0;
    return GetProcessDefaultLayout(&layout) && (layout & LAYOUT_RTL) != 0;
}

}  // namespace qm

// Strings by id and by multi-language record: loading, the sorted cache, language slots.
#include <cstring>

#include "framework/lang_internal.h"

namespace {

using qm::lang::CountedText;
using qm::platform::LockScope;

const WCHAR kEmptyString[1] = {0};

// A cache item: the id, then the text with its NUL. Allocated as (length + 1) * 2 + 8 bytes.
constexpr size_t kItemTextOffset = sizeof(uint32_t);

uint32_t ItemId(const void* item) noexcept {
    uint32_t id;
    std::memcpy(&id, item, sizeof(id));
    return id;
}
WCHAR* ItemText(void* item) noexcept { return reinterpret_cast<WCHAR*>(static_cast<BYTE*>(item) + kItemTextOffset); }

int QMAPI CompareCacheIds(LONG_PTR, const void* key, const void* item) {
    const uint32_t a = *static_cast<const uint32_t*>(key);
    const uint32_t b = ItemId(item);
    return a < b ? -1 : (a > b ? 1 : 0);
}

// Copies an entry into dest with truncation; the NUL stored with the entry is not part of the text.
int CopyEntry(const CountedText& entry, WCHAR* dest, int cchDest) noexcept {
    uint32_t length = entry.length;
    if (length > 0 && entry.chars[length - 1] == 0) --length;
    if (length == 0) return 0;
    const uint32_t copied = length < static_cast<uint32_t>(cchDest - 1) ? length : static_cast<uint32_t>(cchDest - 1);
    std::memcpy(dest, entry.chars, copied * sizeof(WCHAR));
    dest[copied] = 0;
    return static_cast<int>(copied);
}

int LoadEntry(HINSTANCE module, bool isInstance, UINT id, WORD language, WCHAR* dest, int cchDest) noexcept {
    CountedText entry{};
    if (!qm::lang::FindStringEntry(module, isInstance, id, language, &entry)) return 0;
    return CopyEntry(entry, dest, cchDest);
}

bool IsRecord(const void* p) noexcept {
    const auto address = reinterpret_cast<ULONG_PTR>(p);
    if (address <= 0xFFFF || (address & 3) != 0) return false;
    uint16_t marker;
    std::memcpy(&marker, p, sizeof(marker));
    return marker == QMLANG_RECORD_MARKER;
}

// The 1-based slot of the language table for the handle's language (the user's default when the
// handle has none); English when the language is not in the table. The caller holds the lock.
int LanguageSlot(HQMLANG lang) noexcept {
    if (lang->languageSlot != 0) return lang->languageSlot;
    const LCID lcid = lang->lcid != 0 ? lang->lcid : qm::lang::UserDefaultLanguage();
    const LCID wanted = QmLang_GetConditionedLCID(lcid);
    int slot = 1;
    for (int k = 0; k < QMLANG_LANGUAGE_COUNT; ++k) {
        if (QmLang_GetConditionedLCID(qm::kLanguageTable[k]) == wanted) {
            slot = k + 1;
            break;
        }
    }
    lang->languageSlot = slot;
    return slot;
}

// An entry usable in place by a record: present and ending with its NUL.
const WCHAR* InPlaceEntry(HINSTANCE module, bool isInstance, UINT id, WORD language) noexcept {
    CountedText entry{};
    if (!qm::lang::FindStringEntry(module, isInstance, id, language, &entry)) return nullptr;
    if (entry.length == 0 || entry.chars[entry.length - 1] != 0) return nullptr;
    return entry.chars;
}

// The text of a record's English word; an id there is read from the module instance in English.
const WCHAR* EnglishWord(HQMLANG lang, QMLANGSTRINGREC* record) noexcept {
    if (record[1] > 0xFFFF) return reinterpret_cast<const WCHAR*>(record[1]);
    if (lang == nullptr) return nullptr;
    const WCHAR* text = InPlaceEntry(lang->instance, true, static_cast<UINT>(record[1]), qm::lang::kEnglishLangId);
    if (text != nullptr) record[1] = reinterpret_cast<ULONG_PTR>(text);
    return text;
}

// Resolves a record for the handle's language; the caller holds the lock (when there is a handle).
const WCHAR* ResolveRecord(HQMLANG lang, QMLANGSTRINGREC* record) noexcept {
    const int count = static_cast<int>((record[0] >> 16) & 0xFF);
    if (count < 1) return kEmptyString;
    int slot = lang != nullptr ? LanguageSlot(lang) : 1;
    if (slot > count) slot = count;
    if (slot < 1) slot = 1;
    if (record[slot] > 0xFFFF) return reinterpret_cast<const WCHAR*>(record[slot]);
    if (slot > 1 && lang != nullptr) {
        HINSTANCE module = lang->languageModule != nullptr ? lang->languageModule : lang->instance;
        const WCHAR* text = InPlaceEntry(module, module == lang->instance, static_cast<UINT>(record[slot]),
                                         qm::kLanguageTable[slot - 1]);
        if (text != nullptr) {
            record[slot] = reinterpret_cast<ULONG_PTR>(text);
            return text;
        }
    }
    const WCHAR* english = EnglishWord(lang, record);
    if (english == nullptr) return kEmptyString;
    record[slot] = reinterpret_cast<ULONG_PTR>(english);
    return english;
}

}  // namespace

namespace qm::lang {

void ClearCache(tQMLANG* lang) noexcept {
    if (lang->cache != nullptr) QmList_DeleteList(lang->cache, 0, -1, TRUE);
}

}  // namespace qm::lang

extern "C" {

QM_EXPORT int QMAPI QmLoadString(HQMLANG hLang, UINT id, WCHAR* dest, int cchDest) noexcept {
    if (dest == nullptr || cchDest <= 0) return 0;
    dest[0] = 0;
    if (hLang == nullptr) return 0;
    LockScope scope(hLang->Lock());
    int result = 0;
    if (qm::lang::UsesLanguageModule(hLang)) {
        result = LoadEntry(hLang->languageModule, hLang->languageModule == hLang->instance, id,
                           qm::lang::LangIdOf(hLang->lcid), dest, cchDest);
    }
    if (result == 0) {
        // The instance in English, or in the system's choice of language when a separate language
        // module exists (the instance's own table is then the neutral fallback).
        const WORD language = hLang->languageModule == hLang->instance ? qm::lang::kEnglishLangId : 0;
        result = LoadEntry(hLang->instance, true, id, language, dest, cchDest);
    }
    // "^*" marks texts that translators must leave alone; it is not part of the text.
    if (result >= 2 && dest[0] == '^' && dest[1] == '*') {
        std::memmove(dest, dest + 2, static_cast<size_t>(result - 1) * sizeof(WCHAR));
        result -= 2;
    }
    return result;
}

QM_EXPORT const WCHAR* QMAPI QmGetString(HQMLANG hLang, UINT id) noexcept {
    if (hLang == nullptr) return kEmptyString;
    LockScope scope(hLang->Lock());
    tQMLIST* cache = hLang->cache;
    if (cache == nullptr) return kEmptyString;
    const uint32_t key = id;
    const int found = QmList_FindSortedItemRange(cache, &key, 0, -1, CompareCacheIds);
    if (found >= 0) return ItemText(QmList_ValueAt<void*>(cache, found));

    WCHAR text[qm::lang::kLoadBufferChars];
    const int length = QmLoadString(hLang, id, text, qm::lang::kLoadBufferChars);
    if (length == 0) return kEmptyString;
    void* item = nullptr;
    const int cbItem = (length + 1) * 2 + 8;
    if (FAILED(QmList_AllocItem(cache, cbItem, &item))) return kEmptyString;
    std::memcpy(item, &key, sizeof(key));
    std::memcpy(ItemText(item), text, static_cast<size_t>(length + 1) * sizeof(WCHAR));
    const int index = QmList_FindSortedInsertIndexRange(cache, &key, 0, -1, CompareCacheIds);
    if (FAILED(QmList_InsertList(cache, index, nullptr, -1))) {
        QmList_DeleteList(cache, -1, -1, FALSE);
        return kEmptyString;
    }
    return ItemText(item);
}

QM_EXPORT const WCHAR* QMAPI QmGetStringFromRecord(HQMLANG hLang, QMLANGSTRINGREC* record) noexcept {
    if (!IsRecord(record)) return kEmptyString;
    if (hLang == nullptr) return ResolveRecord(nullptr, record);
    LockScope scope(hLang->Lock());
    return ResolveRecord(hLang, record);
}

QM_EXPORT int QMAPI QmLoadStringFromRecord(HQMLANG hLang, QMLANGSTRINGREC* record, WCHAR* dest,
                                           int cchDest) noexcept {
    if (dest == nullptr || cchDest <= 0) return 0;
    dest[0] = 0;
    const WCHAR* text = QmGetStringFromRecord(hLang, record);
    size_t length = 0;
    while (text[length] != 0) ++length;
    const CountedText entry{text, static_cast<uint32_t>(length)};
    return CopyEntry(entry, dest, cchDest);
}

QM_EXPORT const WCHAR* QMAPI QmGetStringSmart(HQMLANG hLang, const void* value) noexcept {
    if (value == nullptr) return nullptr;
    const auto word = reinterpret_cast<ULONG_PTR>(value);
    if (word < 0x10000) return QmGetString(hLang, static_cast<UINT>(word));
    if (IsRecord(value)) return QmGetStringFromRecord(hLang, static_cast<QMLANGSTRINGREC*>(const_cast<void*>(value)));
    return static_cast<const WCHAR*>(value);
}

QM_EXPORT BOOL QMAPI IsQMLANGSTRINGID(HQMLANG /*hLang*/, const void* p) noexcept { return IsRecord(p) ? TRUE : FALSE; }

QM_EXPORT HINSTANCE QMAPI QmFindResInstance(HQMLANG hLang, LPCWSTR name, LPCWSTR type) noexcept {
    if (hLang == nullptr) return nullptr;
    LockScope scope(hLang->Lock());
    if (qm::lang::UsesLanguageModule(hLang) &&
        qm::lang::HasResource(hLang->languageModule, hLang->languageModule == hLang->instance, type, name,
                              qm::lang::LangIdOf(hLang->lcid), false)) {
        return hLang->languageModule;
    }
    return hLang->instance;
}

QM_EXPORT HINSTANCE QMAPI QmFindResourceMulti(HQMLANG hLang, LPCWSTR type, const LPCWSTR* names, int count,
                                              int* pIndex) noexcept {
    if (pIndex != nullptr) *pIndex = -1;
    if (hLang == nullptr || names == nullptr || count < 1) return nullptr;
    LockScope scope(hLang->Lock());
    if (qm::lang::UsesLanguageModule(hLang)) {
        const bool isInstance = hLang->languageModule == hLang->instance;
        for (int i = 0; i < count; ++i) {
            if (qm::lang::HasResource(hLang->languageModule, isInstance, type, names[i],
                                      qm::lang::LangIdOf(hLang->lcid), false)) {
                if (pIndex != nullptr) *pIndex = i;
                return hLang->languageModule;
            }
        }
    }
    for (int i = 0; i < count; ++i) {
        if (qm::lang::HasResource(hLang->instance, true, type, names[i], 0, true)) {
            if (pIndex != nullptr) *pIndex = i;
            return hLang->instance;
        }
    }
    return nullptr;
}

}  // extern "C"

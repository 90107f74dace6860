// String tables on Linux: the module instance is served by the English table compiled into the core;
// a language module is a shared object that exports its table as "QmLangStringTable".
#include <dlfcn.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "framework/lang_internal.h"
#include "framework/lang_table.h"
#include "platform/module.h"

namespace qm::lang {
namespace {

constexpr ULONG_PTR kStringType = 6;  // RT_STRING

std::atomic<bool> g_layoutRTL{false};

const QmStringTable* ExportedTable(HINSTANCE module, bool isInstance) noexcept {
    if (isInstance) return &kBuiltinStringTable;
    const auto* table = static_cast<const QmStringTable*>(platform::FindSymbol(module, kQmLangStringTableSymbol));
    return (table != nullptr && table->magic == kQmStringTableMagic) ? table : nullptr;
}

// A table answers for its own language, for another sublanguage of it, and for no language in
// particular (the system's choice).
bool TableServes(const QmStringTable* table, WORD language) noexcept {
    return language == 0 || PrimaryLanguage(language) == PrimaryLanguage(table->langid);
}

struct LocaleLanguage {
    const char* prefix;  // language, or language_territory
    WORD langid;
};

// Longest prefixes first, so that "zh_TW" wins over "zh".
constexpr LocaleLanguage kLocales[] = {
    {"zh_TW", 0x404}, {"zh_HK", 0xC04}, {"zh_MO", 0x1404}, {"zh_SG", 0x1004}, {"zh", 0x804},
    {"pt_BR", 0x416}, {"pt", 0x816},    {"en_GB", 0x809},  {"en", 0x409},    {"ja", 0x411},
    {"de", 0x407},    {"es", 0x40a},    {"fr", 0x40c},     {"da", 0x406},    {"fi", 0x40b},
    {"it", 0x410},    {"ko", 0x412},    {"nl", 0x413},     {"nb", 0x414},    {"nn", 0x814},
    {"no", 0x414},    {"ru", 0x419},    {"sv", 0x41d},     {"pl", 0x415},    {"ar", 0x401},
    {"he", 0x40d},    {"ur", 0x420},    {"fa", 0x429}};

}  // namespace

bool FindStringEntry(HINSTANCE module, bool isInstance, UINT id, WORD language, CountedText* entry) noexcept {
    if (isInstance) return FindBuiltinEntry(id, language, entry);
    const QmStringTable* table = ExportedTable(module, false);
    if (table == nullptr || !TableServes(table, language)) return false;
    const QmStringEntry* found = FindStringTableEntry(table, id);
    if (found == nullptr || found->length == 0) return false;
    entry->chars = found->text;
    entry->length = found->length;
    return true;
}

bool HasResource(HINSTANCE module, bool isInstance, LPCWSTR type, LPCWSTR name, WORD language,
                 bool anyLanguage) noexcept {
    // Only string tables exist here: a block number names sixteen ids.
    const auto typeWord = reinterpret_cast<ULONG_PTR>(type);
    const auto block = reinterpret_cast<ULONG_PTR>(name);
    if (typeWord != kStringType || block == 0 || block > 0x1000) return false;
    const QmStringTable* table = ExportedTable(module, isInstance);
    if (table == nullptr || (!anyLanguage && !TableServes(table, language))) return false;
    const uint32_t first = static_cast<uint32_t>((block - 1) * 16);
    for (uint32_t id = first; id < first + 16; ++id) {
        if (FindStringTableEntry(table, id) != nullptr) return true;
    }
    return false;
}

WORD UserDefaultLanguage() noexcept {
    const char* locale = nullptr;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = std::getenv(name);
        if (locale != nullptr && locale[0] != 0) break;
    }
    if (locale == nullptr || locale[0] == 0 || std::strcmp(locale, "C") == 0 || std::strncmp(locale, "C.", 2) == 0 ||
        std::strcmp(locale, "POSIX") == 0) {
        return kEnglishLangId;
    }
    for (const LocaleLanguage& known : kLocales) {
        const size_t length = std::strlen(known.prefix);
        if (std::strncmp(locale, known.prefix, length) != 0) continue;
        const char next = locale[length];
        if (next == 0 || next == '_' || next == '.' || next == '@') return known.langid;
    }
    return kEnglishLangId;
}

void SetProcessLayoutRTL(bool rtl) noexcept { g_layoutRTL.store(rtl, std::memory_order_release); }

}  // namespace qm::lang

namespace qm {

HINSTANCE ModuleInstanceOf(const void* address) noexcept {
    Dl_info info{};
    if (address == nullptr || dladdr(address, &info) == 0) return nullptr;
    return info.dli_fbase;
}

bool ProcessLayoutIsRTL() noexcept { return lang::g_layoutRTL.load(std::memory_order_acquire); }

}  // namespace qm

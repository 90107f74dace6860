// The English string table compiled into the core, and the look-up shared by every table.
#include "framework/lang_table.h"

#include "framework/lang_internal.h"

// Generated at build time from resources/strings/en.txt; defines qm::kBuiltinStringTable.
#include "qmvsti_strings_en.inc"

namespace qm {

const QmStringEntry* FindStringTableEntry(const QmStringTable* table, uint32_t id) noexcept {
    if (table == nullptr || table->magic != kQmStringTableMagic || table->entries == nullptr) return nullptr;
    size_t low = 0;
    size_t high = table->count;
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        const uint32_t found = table->entries[middle].id;
        if (found == id) return &table->entries[middle];
        if (found < id) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return nullptr;
}

}  // namespace qm

namespace qm::lang {

bool FindBuiltinEntry(UINT id, WORD language, CountedText* entry) noexcept {
    if (language != 0 && PrimaryLanguage(language) != PrimaryLanguage(kBuiltinStringTable.langid)) return false;
    const QmStringEntry* found = FindStringTableEntry(&kBuiltinStringTable, id);
    if (found == nullptr || found->length == 0) return false;
    entry->chars = found->text;
    entry->length = found->length;
    return true;
}

}  // namespace qm::lang

// String tables as data: the English table compiled into the core, and the table a Linux language
// module exports. Both are generated from resources/strings/*.txt by cmake/StringTable.cmake.
#pragma once
#include <cstddef>
#include <cstdint>

#include "qmvsti/com.h"

// One entry: its id and its counted string. As in the module's STRINGTABLE, the counted characters
// end with the text's NUL, so `length` is the text's length + 1.
struct QmStringEntry {
    uint32_t id;
    uint32_t length;
    const WCHAR* text;
};

// A table of one language, entries ascending by id.
struct QmStringTable {
    uint32_t magic;
    uint32_t langid;
    uint32_t count;
    const QmStringEntry* entries;
};

inline constexpr uint32_t kQmStringTableMagic = 0x4C544D51u;  // "QMTL"
// The symbol a Linux language module exports its table under.
inline constexpr const char kQmLangStringTableSymbol[] = "QmLangStringTable";

#define QM_STRING_ENTRY(id, literal) \
    { (id), static_cast<uint32_t>(sizeof(literal) / sizeof(WCHAR) - 1), (literal) }

namespace qm {

// The component's English table (LANGID 0x409), compiled into the core.
extern const QmStringTable kBuiltinStringTable;

// The entry of `id` in a valid table, or null. A table with a wrong magic has no entries.
const QmStringEntry* FindStringTableEntry(const QmStringTable* table, uint32_t id) noexcept;

}  // namespace qm

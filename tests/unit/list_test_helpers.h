// Helpers shared by the generic list tests.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

#include "framework/list.h"

namespace listtest {

// Owns one list for the duration of a test.
struct OwnedList {
    tQMLIST* list = nullptr;
    OwnedList() = default;
    OwnedList(int itemSize, int initial, int growBy, DWORD options) {
        if (QmList_CreateExZ(&list, itemSize, initial, growBy, options, 0, 0, 0) != S_OK) list = nullptr;
    }
    ~OwnedList() { QmList_Destroy(list); }
    OwnedList(const OwnedList&) = delete;
    OwnedList& operator=(const OwnedList&) = delete;
    tQMLIST* operator->() const { return list; }
    operator tQMLIST*() const { return list; }
};

inline OwnedList* NewValueList(int initial = 0, int growBy = 0, DWORD extra = 0) {
    return new OwnedList(0, initial, growBy, QMLIST_OPT_ALWAYS | extra);
}

inline intptr_t ValueAt(const tQMLIST* list, int i) { return QmList_ValueAt<intptr_t>(list, i); }

inline std::vector<intptr_t> Values(const tQMLIST* list) {
    std::vector<intptr_t> out;
    for (int i = 0; i < list->nCount; ++i) out.push_back(ValueAt(list, i));
    return out;
}

inline void AppendValues(tQMLIST* list, const std::vector<intptr_t>& values) {
    // The negative-count form inserts raw slots on every kind of list.
    if (!values.empty()) QmList_InsertList(list, -1, values.data(), -static_cast<int>(values.size()));
}

// True when every byte from slot nCount to the end of the capacity is zero.
inline bool SpareSlotsZero(const tQMLIST* list) {
    const BYTE* p = list->pSlots + static_cast<size_t>(list->nCount) * list->cbSlot;
    const BYTE* end = list->pSlots + static_cast<size_t>(list->nCapacity) * list->cbSlot;
    for (; p < end; ++p)
        if (*p) return false;
    return true;
}

inline int QMAPI CompareValues(LONG_PTR, const void* a, const void* b) {
    const auto x = reinterpret_cast<intptr_t>(a), y = reinterpret_cast<intptr_t>(b);
    return x < y ? -1 : (x > y ? 1 : 0);
}

}  // namespace listtest

// Helpers shared by the generic list tests.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "framework/list.h"

namespace listtest {

// Owns one list for the duration of a test.
struct OwnedList {
    tQMLIST* list = nullptr;
    explicit OwnedList(DWORD options, int itemSize = 0, int initial = 0, int growBy = 0) {
        if (QmList_CreateExZ(&list, itemSize, initial, growBy, options, 0, 0, 0) != S_OK) list = nullptr;
    }
    ~OwnedList() { QmList_Destroy(list); }
    OwnedList(const OwnedList&) = delete;
    OwnedList& operator=(const OwnedList&) = delete;
    tQMLIST* operator->() const { return list; }
    operator tQMLIST*() const { return list; }
};

using V = std::vector<intptr_t>;
using T = std::vector<std::string>;

inline V Values(const tQMLIST* list) {
    V out;
    for (int i = 0; i < list->nCount; ++i) out.push_back(QmList_ValueAt<intptr_t>(list, i));
    return out;
}

inline void AppendValues(tQMLIST* list, const V& values) {
    // The negative-count form inserts raw slots on every kind of list.
    if (!values.empty()) QmList_InsertList(list, -1, values.data(), -static_cast<int>(values.size()));
}

// The texts of a list whose slots point at strings.
inline T Texts(const tQMLIST* list) {
    T out;
    for (int i = 0; i < list->nCount; ++i) out.emplace_back(QmList_ValueAt<const char*>(list, i));
    return out;
}

inline HRESULT AddText(tQMLIST* list, const char* text, int index = -1) {
    return QmList_AllocAndInsertItem(list, text, static_cast<int>(std::strlen(text)) + 1, index, nullptr);
}

inline bool AllZero(const void* block, size_t bytes) {
    for (size_t i = 0; i < bytes; ++i)
        if (static_cast<const BYTE*>(block)[i]) return false;
    return true;
}

// True when every byte from slot nCount to the end of the capacity is zero.
inline bool SpareSlotsZero(const tQMLIST* list) {
    return AllZero(list->pSlots + static_cast<size_t>(list->nCount) * list->cbSlot,
                   static_cast<size_t>(list->nCapacity - list->nCount) * list->cbSlot);
}

inline const void* Key(intptr_t v) { return reinterpret_cast<const void*>(v); }

inline int QMAPI CompareValues(LONG_PTR, const void* a, const void* b) {
    const auto x = reinterpret_cast<intptr_t>(a), y = reinterpret_cast<intptr_t>(b);
    return x < y ? -1 : (x > y ? 1 : 0);
}

}  // namespace listtest

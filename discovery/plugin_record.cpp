#include "discovery/plugin_record.h"

namespace qm {

namespace {

constexpr DWORD kListOptions = 0x40000004;  // inline items (the records are copied by value)

}  // namespace

void PathFileTitle(const WCHAR* path, const WCHAR** begin, const WCHAR** end) noexcept {
    const WCHAR* start = path;
    for (const WCHAR* p = path; *p != 0; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':') start = p + 1;
    }
    const WCHAR* stop = start + WideLen(start);
    for (const WCHAR* p = stop; p > start; --p) {
        if (p[-1] == '.') {
            stop = p - 1;
            break;
        }
    }
    *begin = start;
    *end = stop;
}

WCHAR WideUpper(WCHAR c) noexcept {
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return static_cast<WCHAR>(c - 0x20);
    return c;
}

namespace {

int QMAPI MatchSameModule(const void* key, void* item) {
    return IsSameModule(*static_cast<const VstiPluginRecord*>(key), *static_cast<VstiPluginRecord*>(item)) ? 0 : 1;
}
int QMAPI MatchSameIdentity(const void* key, void* item) {
    return IsSameIdentity(*static_cast<const VstiPluginRecord*>(key), *static_cast<VstiPluginRecord*>(item)) ? 0 : 1;
}
int QMAPI MatchSamePath(const void* key, void* item) {
    return IsSamePath(*static_cast<const VstiPluginRecord*>(key), *static_cast<VstiPluginRecord*>(item)) ? 0 : 1;
}

}  // namespace

HRESULT CreatePluginList(tQMLIST** list) noexcept {
    if (list == nullptr) return E_POINTER;
    *list = nullptr;
    return QmList_CreateExZ(list, static_cast<int>(sizeof(VstiPluginRecord)), 16, 16, kListOptions, 0, 0, 0);
}

HRESULT AppendPluginRecord(tQMLIST* list, const VstiPluginRecord& record) noexcept {
    if (list == nullptr) return E_POINTER;
    return QmList_InsertList(list, list->nCount, &record, 1);
}

bool IsSameModule(const VstiPluginRecord& a, const VstiPluginRecord& b) noexcept {
    if (a.uniqueId != b.uniqueId || !WideEqual(a.name, b.name)) return false;
    const WCHAR *a0, *a1, *b0, *b1;
    PathFileTitle(a.path, &a0, &a1);
    PathFileTitle(b.path, &b0, &b1);
    if (a1 - a0 != b1 - b0) return false;
    for (; a0 != a1; ++a0, ++b0) {
        if (*a0 != *b0) return false;
    }
    return true;
}

bool IsSameIdentity(const VstiPluginRecord& a, const VstiPluginRecord& b) noexcept {
    return WideEqual(a.name, b.name) && WideEqual(a.product, b.product) && WideEqual(a.vendor, b.vendor);
}

bool IsSamePath(const VstiPluginRecord& a, const VstiPluginRecord& b) noexcept {
    return WideEqualNoCase(a.path, b.path);
}

int FindPluginRecord(tQMLIST* list, const VstiPluginRecord& key, RecordMatch rule) noexcept {
    if (list == nullptr) return -1;
    tQMLISTMATCHPROC match = rule == RecordMatch::SameModule     ? MatchSameModule
                             : rule == RecordMatch::SameIdentity ? MatchSameIdentity
                                                                 : MatchSamePath;
    return QmList_FindItemRange(list, 0, list->nCount, &key, match);
}

size_t WideLen(const WCHAR* s) noexcept {
    size_t n = 0;
    if (s != nullptr) {
        while (s[n] != 0) ++n;
    }
    return n;
}

void WideCopy(WCHAR* dst, size_t capacity, const WCHAR* src) noexcept {
    if (dst == nullptr || capacity == 0) return;
    size_t i = 0;
    for (; src != nullptr && src[i] != 0 && i + 1 < capacity; ++i) dst[i] = src[i];
    dst[i] = 0;
}

bool WideEqual(const WCHAR* a, const WCHAR* b) noexcept {
    for (;; ++a, ++b) {
        if (*a != *b) return false;
        if (*a == 0) return true;
    }
}

bool WideEqualNoCase(const WCHAR* a, const WCHAR* b) noexcept {
    for (;; ++a, ++b) {
        if (WideUpper(*a) != WideUpper(*b)) return false;
        if (*a == 0) return true;
    }
}

bool WideContains(const WCHAR* text, const WCHAR* needle) noexcept {
    const size_t n = WideLen(needle);
    if (n == 0) return true;
    for (; *text != 0; ++text) {
        size_t i = 0;
        while (i < n && text[i] == needle[i]) ++i;
        if (i == n) return true;
    }
    return false;
}

WCHAR* WideDupTask(const WCHAR* s) noexcept {
    const size_t n = WideLen(s);
    auto* copy = static_cast<WCHAR*>(CoTaskMemAlloc((n + 1) * sizeof(WCHAR)));
    if (copy == nullptr) return nullptr;
    for (size_t i = 0; i < n; ++i) copy[i] = s[i];
    copy[n] = 0;
    return copy;
}

}  // namespace qm

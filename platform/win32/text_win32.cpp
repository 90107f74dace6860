#include "platform/text.h"

#include <windows.h>

#include <string>

namespace qm::platform {

size_t AnsiToWide(const char* src, ptrdiff_t srcLen, WCHAR* dst, size_t capacity) noexcept {
    if (dst == nullptr || capacity == 0) return 0;
    dst[0] = 0;
    if (src == nullptr) return 0;
    int len = srcLen < 0 ? lstrlenA(src) : static_cast<int>(srcLen);
    for (int i = 0; i < len; ++i) {
        if (src[i] == 0) {
            len = i;
            break;
        }
    }
    if (len == 0) return 0;
    const int needed = MultiByteToWideChar(CP_ACP, 0, src, len, nullptr, 0);
    if (needed <= 0) return 0;
    std::wstring all(static_cast<size_t>(needed), L'\0');
    MultiByteToWideChar(CP_ACP, 0, src, len, all.data(), needed);
    size_t n = all.size() < capacity - 1 ? all.size() : capacity - 1;
    // Never end on half a surrogate pair.
    if (n > 0 && n < all.size() && all[n - 1] >= 0xD800 && all[n - 1] <= 0xDBFF) --n;
    all.copy(dst, n);
    dst[n] = 0;
    return n;
}

size_t WideToAnsi(const WCHAR* src, ptrdiff_t srcLen, char* dst, size_t capacity) noexcept {
    if (dst == nullptr || capacity == 0) return 0;
    dst[0] = 0;
    if (src == nullptr) return 0;
    int len = srcLen < 0 ? lstrlenW(src) : static_cast<int>(srcLen);
    for (int i = 0; i < len; ++i) {
        if (src[i] == 0) {
            len = i;
            break;
        }
    }
    // Shorten the source until its conversion fits, so a double-byte character is never split.
    while (len > 0) {
        const int needed = WideCharToMultiByte(CP_ACP, 0, src, len, nullptr, 0, nullptr, nullptr);
        if (needed > 0 && static_cast<size_t>(needed) <= capacity - 1) {
            WideCharToMultiByte(CP_ACP, 0, src, len, dst, needed, nullptr, nullptr);
            dst[needed] = 0;
            return static_cast<size_t>(needed);
        }
        --len;
        if (len > 0 && src[len - 1] >= 0xD800 && src[len - 1] <= 0xDBFF) --len;
    }
    return 0;
}

}  // namespace qm::platform

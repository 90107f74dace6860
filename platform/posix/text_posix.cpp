#include "platform/text.h"
#include "platform/text_utf.h"

namespace qm::platform {

// Plug-ins on Linux speak UTF-8.
size_t AnsiToWide(const char* src, ptrdiff_t srcLen, WCHAR* dst, size_t capacity) noexcept {
    return Utf8ToUtf16(src, srcLen, dst, capacity);
}

size_t WideToAnsi(const WCHAR* src, ptrdiff_t srcLen, char* dst, size_t capacity) noexcept {
    return Utf16ToUtf8(src, srcLen, dst, capacity);
}

}  // namespace qm::platform

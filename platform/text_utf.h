// UTF-8 <-> UTF-16 conversion with the buffer rules of text.h, shared by both targets.
#pragma once
#include <cstddef>

#include "qmvsti/com.h"

namespace qm::platform {

size_t Utf8ToUtf16(const char* src, ptrdiff_t srcLen, WCHAR* dst, size_t capacity) noexcept;
size_t Utf16ToUtf8(const WCHAR* src, ptrdiff_t srcLen, char* dst, size_t capacity) noexcept;

}  // namespace qm::platform

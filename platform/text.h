// Text conversion between the host's UTF-16 strings and plug-ins' 8-bit "ANSI" strings: the ANSI code
// page on Windows, UTF-8 on Linux.
#pragma once
#include <cstddef>
#include <string>
#include "qmvsti/com.h"

namespace qm::platform {

// Converts at most srcLen bytes (or up to the terminator when srcLen is -1) into dst, writing at most
// capacity UTF-16 units including the terminator, always terminated when capacity > 0.
// Returns the units written without the terminator.
size_t AnsiToWide(const char* src, ptrdiff_t srcLen, WCHAR* dst, size_t capacity) noexcept;
// The reverse; never splits a multi-byte sequence, always terminates when capacity > 0.
size_t WideToAnsi(const WCHAR* src, ptrdiff_t srcLen, char* dst, size_t capacity) noexcept;
// UTF-16 <-> UTF-8, independent of the code page (file names on Linux, diagnostics, the CLI).
std::string WideToUtf8(const WCHAR* src, ptrdiff_t srcLen = -1);
std::u16string Utf8ToWide(const char* src, ptrdiff_t srcLen = -1);
size_t WideLength(const WCHAR* s) noexcept;
// Copies `source` (null: empty) into `dest` of `capacity` units, cut to fit and always terminated
// when capacity > 0; returns the units copied without the terminator.
int CopyWide(const WCHAR* source, WCHAR* dest, int capacity) noexcept;

}  // namespace qm::platform

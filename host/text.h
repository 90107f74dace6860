// UTF-8 <-> UTF-16 for the host's own use: command-line text is UTF-8, the library speaks UTF-16.
#pragma once
#include <string>

#include "qmvsti/com.h"

namespace qm::host {

std::u16string ToUtf16(const std::string& text);
std::string ToUtf8(const WCHAR* text);
std::string ToUtf8(const std::u16string& text);
// Copies `text` into a fixed WCHAR field, cut to capacity - 1 characters, rest zero.
void CopyToField(WCHAR* field, size_t capacity, const std::string& text) noexcept;
// The whole text as a decimal integer, or as a finite number; false for anything else.
bool ParseWholeNumber(const std::string& text, long* value);
bool ParseNumber(const std::string& text, double* value);

}  // namespace qm::host

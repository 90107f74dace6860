// Filling the placeholders of a string-table text: the adapter's texts use only %s (and %% for a
// percent sign), so this is all of printf-style formatting that they need.
#pragma once
#include <cstddef>
#include <initializer_list>

#include "qmvsti/com.h"

namespace qm {

// `format` with each "%s" replaced by the next of `args` (missing ones by nothing) and "%%" by "%",
// cut to capacity - 1 characters and terminated.
void FormatTexts(WCHAR* out, size_t capacity, const WCHAR* format, std::initializer_list<const WCHAR*> args) noexcept;

}  // namespace qm

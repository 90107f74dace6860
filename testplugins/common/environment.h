// Reading the process environment from inside a plug-in. On Windows the plug-in may run on a C runtime
// other than the host's, whose getenv copy never sees a later change: read the process block there.
#pragma once
#include <cstddef>

namespace qmtest {

// Copies the variable's value into buffer (always terminated). False when it is unset, empty or does
// not fit.
bool ReadEnvironment(const char* name, char* buffer, size_t capacity);

}  // namespace qmtest

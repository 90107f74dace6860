#include "common/environment.h"

#include <windows.h>

namespace qmtest {

bool ReadEnvironment(const char* name, char* buffer, size_t capacity) {
    if (!buffer || capacity == 0) return false;
    buffer[0] = '\0';
    const DWORD length = GetEnvironmentVariableA(name, buffer, static_cast<DWORD>(capacity));
    if (length == 0 || length >= capacity) {
        buffer[0] = '\0';
        return false;
    }
    return true;
}

}  // namespace qmtest

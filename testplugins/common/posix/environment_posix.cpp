#include "common/environment.h"

#include <cstdlib>
#include <cstring>

namespace qmtest {

bool ReadEnvironment(const char* name, char* buffer, size_t capacity) {
    if (!buffer || capacity == 0) return false;
    buffer[0] = '\0';
    const char* value = std::getenv(name);
    if (!value || !*value) return false;
    const size_t length = std::strlen(value);
    if (length >= capacity) return false;
    std::memcpy(buffer, value, length + 1);
    return true;
}

}  // namespace qmtest

#include "framework/text_format.h"

namespace qm {

void FormatTexts(WCHAR* out, size_t capacity, const WCHAR* format, std::initializer_list<const WCHAR*> args) noexcept {
    if (out == nullptr || capacity == 0) return;
    size_t n = 0;
    const WCHAR* const* next = args.begin();
    auto put = [&](WCHAR c) {
        if (n + 1 < capacity) out[n++] = c;
    };
    for (const WCHAR* p = format; p != nullptr && *p != 0; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            if (next != args.end()) {
                for (const WCHAR* a = *next++; a != nullptr && *a != 0; ++a) put(*a);
            }
            ++p;
        } else if (p[0] == '%' && p[1] == '%') {
            put('%');
            ++p;
        } else {
            put(*p);
        }
    }
    out[n] = 0;
}

}  // namespace qm

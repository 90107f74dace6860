// UTF-8 <-> UTF-16 without the OS: the same result on both targets.
#include "platform/text.h"

#include <cstring>

#include "platform/text_utf.h"

namespace qm::platform {

size_t WideLength(const WCHAR* s) noexcept {
    if (s == nullptr) return 0;
    size_t n = 0;
    while (s[n] != 0) ++n;
    return n;
}

int CopyWide(const WCHAR* source, WCHAR* dest, int capacity) noexcept {
    if (dest == nullptr || capacity < 1) return 0;
    size_t length = WideLength(source);
    if (length > static_cast<size_t>(capacity - 1)) length = static_cast<size_t>(capacity - 1);
    if (length > 0) std::memmove(dest, source, length * sizeof(WCHAR));
    dest[length] = 0;
    return static_cast<int>(length);
}

namespace {

// Decodes one code point; invalid input yields U+FFFD and consumes one byte.
char32_t DecodeUtf8(const unsigned char* s, size_t len, size_t* used) {
    const unsigned char b0 = s[0];
    auto cont = [&](size_t i) { return i < len && (s[i] & 0xC0) == 0x80; };
    if (b0 < 0x80) {
        *used = 1;
        return b0;
    }
    if ((b0 & 0xE0) == 0xC0 && cont(1)) {
        const char32_t cp = ((b0 & 0x1Fu) << 6) | (s[1] & 0x3Fu);
        if (cp >= 0x80) {
            *used = 2;
            return cp;
        }
    } else if ((b0 & 0xF0) == 0xE0 && cont(1) && cont(2)) {
        const char32_t cp = ((b0 & 0x0Fu) << 12) | ((s[1] & 0x3Fu) << 6) | (s[2] & 0x3Fu);
        if (cp >= 0x800 && (cp < 0xD800 || cp > 0xDFFF)) {
            *used = 3;
            return cp;
        }
    } else if ((b0 & 0xF8) == 0xF0 && cont(1) && cont(2) && cont(3)) {
        const char32_t cp = ((b0 & 0x07u) << 18) | ((s[1] & 0x3Fu) << 12) | ((s[2] & 0x3Fu) << 6) | (s[3] & 0x3Fu);
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            *used = 4;
            return cp;
        }
    }
    *used = 1;
    return 0xFFFD;
}

}  // namespace

size_t Utf8ToUtf16(const char* src, ptrdiff_t srcLen, WCHAR* dst, size_t capacity) noexcept {
    if (dst == nullptr || capacity == 0) return 0;
    size_t out = 0;
    if (src != nullptr) {
        const size_t len = srcLen < 0 ? std::char_traits<char>::length(src) : static_cast<size_t>(srcLen);
        const auto* bytes = reinterpret_cast<const unsigned char*>(src);
        size_t i = 0;
        while (i < len && bytes[i] != 0) {
            size_t used = 0;
            const char32_t cp = DecodeUtf8(bytes + i, len - i, &used);
            const size_t units = cp >= 0x10000 ? 2 : 1;
            if (out + units > capacity - 1) break;
            if (units == 2) {
                dst[out++] = static_cast<WCHAR>(0xD800 + ((cp - 0x10000) >> 10));
                dst[out++] = static_cast<WCHAR>(0xDC00 + ((cp - 0x10000) & 0x3FF));
            } else {
                dst[out++] = static_cast<WCHAR>(cp);
            }
            i += used;
        }
    }
    dst[out] = 0;
    return out;
}

size_t Utf16ToUtf8(const WCHAR* src, ptrdiff_t srcLen, char* dst, size_t capacity) noexcept {
    if (dst == nullptr || capacity == 0) return 0;
    size_t out = 0;
    if (src != nullptr) {
        const size_t len = srcLen < 0 ? WideLength(src) : static_cast<size_t>(srcLen);
        size_t i = 0;
        while (i < len && src[i] != 0) {
            char32_t cp = static_cast<char16_t>(src[i]);
            size_t used = 1;
            if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < len && src[i + 1] >= 0xDC00 && src[i + 1] <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<char16_t>(src[i + 1]) - 0xDC00);
                used = 2;
            } else if (cp >= 0xD800 && cp <= 0xDFFF) {
                cp = 0xFFFD;
            }
            unsigned char buf[4];
            size_t n;
            if (cp < 0x80) {
                buf[0] = static_cast<unsigned char>(cp);
                n = 1;
            } else if (cp < 0x800) {
                buf[0] = static_cast<unsigned char>(0xC0 | (cp >> 6));
                buf[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
                n = 2;
            } else if (cp < 0x10000) {
                buf[0] = static_cast<unsigned char>(0xE0 | (cp >> 12));
                buf[1] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
                buf[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
                n = 3;
            } else {
                buf[0] = static_cast<unsigned char>(0xF0 | (cp >> 18));
                buf[1] = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
                buf[2] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
                buf[3] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
                n = 4;
            }
            // Never leave half a sequence at the end of a short buffer.
            if (out + n > capacity - 1) break;
            for (size_t k = 0; k < n; ++k) dst[out++] = static_cast<char>(buf[k]);
            i += used;
        }
    }
    dst[out] = 0;
    return out;
}

std::string WideToUtf8(const WCHAR* src, ptrdiff_t srcLen) {
    const size_t len = srcLen < 0 ? WideLength(src) : static_cast<size_t>(srcLen);
    std::string out(len * 3 + 1, '\0');
    out.resize(Utf16ToUtf8(src, static_cast<ptrdiff_t>(len), out.data(), out.size()));
    return out;
}

std::u16string Utf8ToWide(const char* src, ptrdiff_t srcLen) {
    const size_t len = src == nullptr ? 0 : (srcLen < 0 ? std::char_traits<char>::length(src) : static_cast<size_t>(srcLen));
    std::basic_string<WCHAR> buffer(len + 1, WCHAR{0});
    buffer.resize(Utf8ToUtf16(src, static_cast<ptrdiff_t>(len), buffer.data(), buffer.size()));
    return std::u16string(buffer.begin(), buffer.end());
}

}  // namespace qm::platform

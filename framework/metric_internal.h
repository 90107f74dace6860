// Helpers shared by the settings functions: handle checks and bounded wide-text building.
#pragma once
#include <cstddef>
#include <cstdint>

#include "framework/metric.h"
#include "platform/settings_storage.h"

namespace qm::metric {

// A handle that points at a record (not null, not the never-set default handle).
inline bool IsRecord(HQMMETRIC handle) noexcept { return handle != nullptr && handle != HQMMETRIC_DEFAULT; }

// The open key behind a handle, or null when there is no record or its key could not be opened.
inline platform::SettingsKey KeyOf(HQMMETRIC handle) noexcept { return IsRecord(handle) ? handle->hKey : nullptr; }

// Appends wide text into a fixed buffer, always terminated, cutting what does not fit and noting it.
class TextBuilder {
public:
    TextBuilder(WCHAR* buffer, size_t capacity) noexcept : buffer_(buffer), capacity_(capacity) { buffer_[0] = 0; }
    TextBuilder& Append(const WCHAR* text) noexcept { return Append(text, SIZE_MAX); }
    // At most count characters of text (stops at its terminator).
    TextBuilder& Append(const WCHAR* text, size_t count) noexcept {
        for (size_t i = 0; text != nullptr && i < count && text[i] != 0; ++i) {
            if (length_ + 1 >= capacity_) {
                cut_ = true;
                break;
            }
            buffer_[length_++] = text[i];
        }
        buffer_[length_] = 0;
        return *this;
    }
    TextBuilder& AppendDecimal(uint64_t value) noexcept {
        WCHAR digits[24];
        size_t n = 0;
        do {
            digits[n++] = static_cast<WCHAR>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        WCHAR text[24];
        for (size_t i = 0; i < n; ++i) text[i] = digits[n - 1 - i];
        text[n] = 0;
        return Append(text);
    }
    size_t Length() const noexcept { return length_; }
    // Some text did not fit.
    bool Cut() const noexcept { return cut_; }

private:
    WCHAR* buffer_;
    size_t capacity_;
    size_t length_ = 0;
    bool cut_ = false;
};

}  // namespace qm::metric

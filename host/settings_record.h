// The settings handle record the host hands to IMIDIClass::SetSettingsKey. The library reads the key
// path out of it, so the field order and types are those of the library's own handle record.
#pragma once
#include <cstddef>

#include "qmvsti/com.h"

namespace qm::host {

inline constexpr int kSettingsPathChars = 260;

struct HostSettingsRecord {
    WCHAR reserved[kSettingsPathChars];  // the host's own text; the library never touches it
    HKEY secondKey;                      // left null: the host opens no second key
    WCHAR keyPath[kSettingsPathChars];   // relative to HKEY_CURRENT_USER, ends in "\Metrics"
    HKEY key;                            // left null: the library opens its own sub-key by path
};
static_assert(offsetof(HostSettingsRecord, keyPath) == kSettingsPathChars * sizeof(WCHAR) + sizeof(HKEY));

// The key path of the substitute host's settings.
inline constexpr const char* kHostSettingsKeyPath = "Software\\Kelo Zezazidu Software\\QmVSTi Host\\Metrics";

// Fills `record` with the host's key path (everything else zero).
void InitSettingsRecord(HostSettingsRecord* record) noexcept;

}  // namespace qm::host

#include "settings_record.h"

#include <cstring>

#include "text.h"

namespace qm::host {

void InitSettingsRecord(HostSettingsRecord* record) noexcept {
    std::memset(record, 0, sizeof(*record));
    CopyToField(record->keyPath, kSettingsPathChars, kHostSettingsKeyPath);
}

}  // namespace qm::host

// The .fxp reader fed arbitrary bytes. A record it accepts lies inside the bytes, with its data where
// its sizes say; one it refuses names a field.

#include "fuzz_check.h"
#include "presets/fx_codec.h"

using qm::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qm::presets;
    const FxKind preset = FxKind::Preset;
    FxRecord record;
    FxFault fault;
    if (!ParseFxRecord(&preset, data, size, &record, &fault)) {
        Check(fault.field != FxField::None && fault.offset <= size + 4, "a refusal without its field");
        return 0;
    }
    Check(record.kind == FxKind::Preset && record.totalBytes <= size, "a record longer than the file");
    Check(record.data >= data && record.data + record.dataBytes <= data + size, "data outside the file");
    Check(record.name != nullptr && record.name + kNameBytes <= data + size, "a name outside the file");
    Check(record.form == FxForm::Chunk || record.dataBytes == 4ull * record.count, "values not 4 bytes each");
    Check(FxMatchesPlugIn(record, static_cast<int32_t>(record.uniqueId), static_cast<int32_t>(ByteSwap32(record.version)), nullptr),
          "a record refused for its own ID and its version in the other byte order");
    char name[kNameBytes + 1];
    FxNameText(record, name);
    Check(name[kNameBytes] == 0, "a name without its terminator");
    return 0;
}

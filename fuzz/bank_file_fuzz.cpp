// The .fxb reader fed arbitrary bytes. A bank it accepts lies inside the bytes, and its programs,
// walked one by one, are as many as its count and fill exactly its program area.

#include "fuzz_check.h"
#include "presets/fx_codec.h"

using qm::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qm::presets;
    const FxKind bankKind = FxKind::Bank;
    FxRecord bank;
    FxFault fault;
    if (!ParseFxRecord(&bankKind, data, size, &bank, &fault)) {
        Check(fault.field != FxField::None && fault.offset <= size + 4, "a refusal without its field");
        return 0;
    }
    Check(bank.kind == FxKind::Bank && bank.totalBytes <= size, "a bank longer than the file");
    Check(bank.data + bank.dataBytes <= data + size, "programs outside the file");
    FxMatchesPlugIn(bank, static_cast<int32_t>(bank.uniqueId), static_cast<int32_t>(bank.version), nullptr);
    if (bank.form == FxForm::Chunk) return 0;
    size_t cursor = 0, used = 0;
    uint32_t programs = 0;
    FxRecord program;
    while (NextBankProgram(bank, &cursor, &program)) {
        Check(program.kind == FxKind::Preset && program.data + program.dataBytes <= data + size, "a program outside the file");
        used += program.totalBytes;
        ++programs;
    }
    Check(programs == bank.count && used == bank.dataBytes, "programs that do not add up to the bank");
    return 0;
}

// A .fxp or .fxb file as the command line reads it: the bytes, the parsed record and, for a refused
// file, the field and offset where it stops making sense.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "fx_codec.h"

namespace qm::host::cli {

class PresetFile {
public:
    // False when the file cannot be read.
    bool Read(const std::string& utf8Path);
    // False with the field, offset and what is wrong there.
    bool Parse(std::string* problem);
    const presets::FxRecord& Record() const noexcept { return record_; }
    // A preset's program name; empty for a bank.
    std::string Name() const;
    // A parameter-form record's parameter count (a bank: that of its first program).
    uint32_t ParameterCount() const noexcept;

private:
    std::vector<uint8_t> bytes_;
    presets::FxRecord record_;
};

}  // namespace qm::host::cli

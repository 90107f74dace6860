#include "cli_preset_file.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace qm::host::cli {

bool PresetFile::Read(const std::string& utf8Path) {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::u8path(utf8Path);
    if (!std::filesystem::is_regular_file(path, error)) return false;
    // Nothing larger than a record the library would read is taken into memory.
    if (std::filesystem::file_size(path, error) > presets::kMaxRecordBytes + presets::kBankChunkHeaderBytes) {
        bytes_.assign(presets::kMaxRecordBytes + presets::kBankChunkHeaderBytes + 1, 0);
        return true;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool PresetFile::Parse(std::string* problem) {
    presets::FxFault fault;
    if (bytes_.size() > presets::kMaxRecordBytes + presets::kBankChunkHeaderBytes) {
        *problem = "larger than any preset or bank the library reads";
        return false;
    }
    if (presets::ParseFxRecord(nullptr, bytes_.data(), bytes_.size(), &record_, &fault)) return true;
    *problem = std::string("malformed at offset ") + std::to_string(fault.offset) + ", " +
               presets::FxFieldName(fault.field) + ": " +
               (fault.truncated ? "runs past the end of the file (" + std::to_string(bytes_.size()) + " bytes)"
                                : std::string("not a value a preset or bank has"));
    return false;
}

std::string PresetFile::Name() const {
    char text[presets::kNameBytes + 1];
    presets::FxNameText(record_, text);
    return text;
}

uint32_t PresetFile::ParameterCount() const noexcept {
    if (record_.form != presets::FxForm::Parameters) return 0;
    if (record_.kind == presets::FxKind::Preset) return record_.count;
    size_t cursor = 0;
    presets::FxRecord program;
    return presets::NextBankProgram(record_, &cursor, &program) ? program.count : 0;
}

}  // namespace qm::host::cli

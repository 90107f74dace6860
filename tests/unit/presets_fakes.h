// The preset, bank and state-block tests' plug-in and instance (the patch device's, named programs
// with parameters per program and, when asked, chunk state) and their file helpers.
#pragma once
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/environment.h"
#include "unit/patch_fakes.h"

namespace presets_test {

using PresetPlugin = patch_test::ProgramsPlugin;
using PresetInstance = patch_test::DeviceRig;
using hosting_test::Wide;
using hosting_test::WString;

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A temporary file name, removed again when the test ends.
class TempFile {
public:
    explicit TempFile(const char* extension) : path(qm::test::TemporaryFilePath("presets", extension)), wide(Wide(path)) {}
    ~TempFile() { qm::test::RemoveFile(path); }
    const std::string path;
    const WString wide;
};

}  // namespace presets_test

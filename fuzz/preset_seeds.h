// Seeds of the preset, bank and state-block fuzz targets: one file of every form, laid out with the
// codec's own constants, and state blocks of both forms as the instance writes them.
#pragma once
#include <cstring>
#include <string>
#include <vector>

#include "presets/fx_codec.h"

namespace qm::fuzz {

using Bytes = std::vector<uint8_t>;

inline Bytes FxRecordBytes(uint32_t form, uint32_t count, uint32_t dataBytes, bool chunkSizeField) {
    using namespace qm::presets;
    const bool bank = form == kBankParams || form == kBankChunk;
    const size_t header = bank ? kBankHeaderBytes : kPresetHeaderBytes;
    Bytes bytes(header + (chunkSizeField ? 4 : 0) + dataBytes, 0);
    WriteBig32(bytes.data(), kChunkMagic);
    WriteBig32(bytes.data() + 8, form);
    WriteBig32(bytes.data() + 12, bank ? 0x00010100 : 0);
    WriteBig32(bytes.data() + 16, 0x444E656B);  // "DNek"
    WriteBig32(bytes.data() + 20, 0x00010100);
    WriteBig32(bytes.data() + 24, count);
    if (!bank) std::memcpy(bytes.data() + kNameOffset, "Default", 7);
    if (chunkSizeField) WriteBig32(bytes.data() + header, dataBytes);
    for (size_t i = header + (chunkSizeField ? 4 : 0); i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
    return bytes;
}

inline Bytes LittleWords(std::initializer_list<uint32_t> words) {
    Bytes bytes;
    for (uint32_t w : words) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(w >> (8 * i)));
    }
    return bytes;
}

struct Seed {
    std::string name;
    Bytes bytes;
};

inline std::vector<Seed> PresetSeeds() {
    using namespace qm::presets;
    Bytes bank = FxRecordBytes(kBankParams, 2, 0, false);
    for (int i = 0; i < 2; ++i) {
        const Bytes program = FxRecordBytes(kPresetParams, 3, 12, false);
        bank.insert(bank.end(), program.begin(), program.end());
    }
    // A parameter-form state block of two programs of one parameter, and a chunk-form one.
    Bytes state = LittleWords({0x444E656B, 24, 24, 0, 0, 2, 0, 0x111});
    for (uint32_t p = 0; p < 2; ++p) {
        const Bytes entry = LittleWords({0x444E656B, 28, 28, 0, 2, p, 1, 8, 0x111, 'A' | p << 16, 0, 0x3F000000});
        state.insert(state.end(), entry.begin(), entry.end());
    }
    return {
        {"parameters.fxp", FxRecordBytes(kPresetParams, 3, 12, false)},
        {"chunk.fxp", FxRecordBytes(kPresetChunk, 1, 9, true)},
        {"parameters.fxb", bank},
        {"chunk.fxb", FxRecordBytes(kBankChunk, 128, 17, true)},
        {"parameters.state", state},
        {"chunk.state", LittleWords({0x61616161, 24, 24, 0, 0, 4, 8, 0x121, 0x04030201, 0x08070605})},
    };
}

}  // namespace qm::fuzz

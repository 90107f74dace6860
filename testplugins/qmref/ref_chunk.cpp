#include "qmref/ref_chunk.h"

#include <cstring>

namespace qmtest {

namespace {

const uint8_t kMagic[4] = {'Q', 'm', 'C', 'k'};

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

uint32_t GetU32(const uint8_t* in) {
    return static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 |
           static_cast<uint32_t>(in[2]) << 16 | static_cast<uint32_t>(in[3]) << 24;
}

void PutProgram(std::vector<uint8_t>& out, const RefProgram& program) {
    out.insert(out.end(), program.name, program.name + sizeof program.name);
    for (float value : program.values) {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        PutU32(out, bits);
    }
}

RefProgram GetProgram(const uint8_t* in) {
    RefProgram program;
    std::memcpy(program.name, in, sizeof program.name);
    program.name[sizeof program.name - 1] = '\0';
    for (int i = 0; i < kRefParamCount; ++i) {
        const uint32_t bits = GetU32(in + sizeof program.name + 4 * i);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        // A damaged value must not reach the voices: clamp like setParameter does.
        program.values[i] = !(value >= 0.0f) ? 0.0f : (value > 1.0f ? 1.0f : value);
    }
    return program;
}

}  // namespace

std::vector<uint8_t> WriteRefChunk(bool bank, int current, const RefProgram (&programs)[kRefPrograms]) {
    std::vector<uint8_t> out;
    out.reserve(bank ? kRefChunkBankSize : kRefChunkSingleSize);
    out.insert(out.end(), kMagic, kMagic + 4);
    PutU32(out, kRefChunkVersion);
    PutU32(out, bank ? 0u : 1u);
    PutU32(out, static_cast<uint32_t>(current));
    PutU32(out, bank ? static_cast<uint32_t>(kRefPrograms) : 1u);
    PutU32(out, static_cast<uint32_t>(kRefParamCount));
    if (bank) {
        for (const RefProgram& program : programs) PutProgram(out, program);
    } else {
        PutProgram(out, programs[current]);
    }
    return out;
}

bool ReadRefChunk(const void* data, size_t size, bool bank, int* current,
                  RefProgram (&programs)[kRefPrograms]) {
    const size_t expected = bank ? kRefChunkBankSize : kRefChunkSingleSize;
    if (!data || size != expected) return false;
    const uint8_t* in = static_cast<const uint8_t*>(data);
    if (std::memcmp(in, kMagic, 4) != 0) return false;
    if (GetU32(in + 4) != kRefChunkVersion) return false;
    if (GetU32(in + 8) != (bank ? 0u : 1u)) return false;
    const uint32_t stored = GetU32(in + 12);
    if (stored >= static_cast<uint32_t>(kRefPrograms)) return false;
    if (GetU32(in + 16) != (bank ? static_cast<uint32_t>(kRefPrograms) : 1u)) return false;
    if (GetU32(in + 20) != static_cast<uint32_t>(kRefParamCount)) return false;
    const uint8_t* body = in + kRefChunkHeaderSize;
    if (bank) {
        for (int i = 0; i < kRefPrograms; ++i) programs[i] = GetProgram(body + i * kRefChunkProgramSize);
        *current = static_cast<int>(stored);
    } else {
        programs[*current] = GetProgram(body);
    }
    return true;
}

}  // namespace qmtest

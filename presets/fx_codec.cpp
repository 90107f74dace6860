#include "fx_codec.h"

#include <cstring>

namespace qm::presets {

namespace {

bool Fail(FxFault* fault, FxField field, size_t offset, bool truncated) noexcept {
    if (fault != nullptr) *fault = FxFault{field, offset, truncated};
    return false;
}

bool EitherOrder(uint32_t stored, uint32_t wanted) noexcept {
    return stored == wanted || ByteSwap32(stored) == wanted;
}

// The kind and form a form magic names, in either byte order.
bool FormOf(uint32_t magic, FxKind* kind, FxForm* form) noexcept {
    const struct { uint32_t magic; FxKind kind; FxForm form; } forms[] = {
        {kPresetParams, FxKind::Preset, FxForm::Parameters},
        {kPresetChunk, FxKind::Preset, FxForm::Chunk},
        {kBankParams, FxKind::Bank, FxForm::Parameters},
        {kBankChunk, FxKind::Bank, FxForm::Chunk},
    };
    for (const auto& entry : forms) {
        if (EitherOrder(magic, entry.magic)) {
            *kind = entry.kind;
            *form = entry.form;
            return true;
        }
    }
    return false;
}

// A field of `bytes` wide at `offset` must lie inside `available`.
bool Has(size_t available, size_t offset, size_t bytes) noexcept { return available >= offset && available - offset >= bytes; }

bool ParsePrograms(const uint8_t* bytes, size_t available, FxRecord* bank, FxFault* fault, size_t base) noexcept {
    // Every program record takes at least its 56-byte header: a count beyond that is a lie.
    const size_t room = available - kBankHeaderBytes;
    if (bank->count > room / kPresetHeaderBytes) return Fail(fault, FxField::Count, base + 24, true);
    const FxKind preset = FxKind::Preset;
    size_t used = 0;
    for (uint32_t i = 0; i < bank->count; ++i) {
        FxRecord program;
        const size_t at = kBankHeaderBytes + used;
        if (!ParseFxRecord(&preset, bytes + at, available - at, &program, fault, base + at)) {
            if (fault != nullptr && fault->field == FxField::ChunkMagic && fault->truncated) fault->field = FxField::Program;
            return false;
        }
        used += program.totalBytes;
    }
    if (used > kMaxRecordBytes) return Fail(fault, FxField::Count, base + 24, true);
    bank->data = bytes + kBankHeaderBytes;
    bank->dataBytes = static_cast<uint32_t>(used);
    bank->totalBytes = kBankHeaderBytes + used;
    return true;
}

}  // namespace

uint32_t ReadBig32(const uint8_t* bytes) noexcept {
    return static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
           static_cast<uint32_t>(bytes[2]) << 8 | static_cast<uint32_t>(bytes[3]);
}

void WriteBig32(uint8_t* bytes, uint32_t value) noexcept {
    bytes[0] = static_cast<uint8_t>(value >> 24);
    bytes[1] = static_cast<uint8_t>(value >> 16);
    bytes[2] = static_cast<uint8_t>(value >> 8);
    bytes[3] = static_cast<uint8_t>(value);
}

float ReadBigFloat(const uint8_t* bytes) noexcept {
    const uint32_t bits = ReadBig32(bytes);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void WriteBigFloat(uint8_t* bytes, float value) noexcept {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    WriteBig32(bytes, bits);
}

uint32_t ByteSwap32(uint32_t value) noexcept {
    return value >> 24 | (value >> 8 & 0xFF00u) | (value << 8 & 0xFF0000u) | value << 24;
}

const char* FxFieldName(FxField field) noexcept {
    switch (field) {
    case FxField::None: return "none";
    case FxField::ChunkMagic: return "chunk magic";
    case FxField::FormMagic: return "form magic";
    case FxField::UniqueId: return "unique ID";
    case FxField::Version: return "version";
    case FxField::Count: return "count";
    case FxField::Name: return "program name";
    case FxField::ChunkSize: return "chunk size";
    case FxField::Data: return "data";
    case FxField::Program: return "program record";
    }
    return "?";
}

bool ParseFxRecord(const FxKind* kind, const uint8_t* bytes, size_t available, FxRecord* record, FxFault* fault,
                   size_t base) noexcept {
    *record = FxRecord{};
    record->offset = base;
    if (!Has(available, 0, 4)) return Fail(fault, FxField::ChunkMagic, base, true);
    if (!EitherOrder(ReadBig32(bytes), kChunkMagic)) return Fail(fault, FxField::ChunkMagic, base, false);
    // The byte-size field (offset 4) is never looked at: running out there is running out before
    // the form magic.
    if (!Has(available, 8, 4)) return Fail(fault, FxField::FormMagic, base + 8, true);
    if (!FormOf(ReadBig32(bytes + 8), &record->kind, &record->form) || (kind != nullptr && *kind != record->kind)) {
        return Fail(fault, FxField::FormMagic, base + 8, false);
    }
    const struct { size_t offset; FxField field; uint32_t* value; } fields[] = {
        {12, FxField::Version, &record->versionField},
        {16, FxField::UniqueId, &record->uniqueId},
        {20, FxField::Version, &record->version},
        {24, FxField::Count, &record->count},
    };
    for (const auto& field : fields) {
        if (!Has(available, field.offset, 4)) return Fail(fault, field.field, base + field.offset, true);
        *field.value = ReadBig32(bytes + field.offset);
    }
    const bool preset = record->kind == FxKind::Preset;
    const size_t header = preset ? kPresetHeaderBytes : kBankHeaderBytes;
    if (!Has(available, 0, header)) {
        return Fail(fault, preset ? FxField::Name : FxField::Data, base + kNameOffset, true);
    }
    if (preset) record->name = bytes + kNameOffset;
    if (record->form == FxForm::Chunk) {
        if (!Has(available, header, 4)) return Fail(fault, FxField::ChunkSize, base + header, true);
        const uint32_t size = ReadBig32(bytes + header);
        if (!Has(available, header + 4, size) || size > kMaxRecordBytes) {
            return Fail(fault, FxField::ChunkSize, base + header, true);
        }
        record->data = bytes + header + 4;
        record->dataBytes = size;
        record->totalBytes = header + 4 + size;
        return true;
    }
    if (!preset) return ParsePrograms(bytes, available, record, fault, base);
    if (record->count > (available - header) / 4 || record->count > kMaxRecordBytes / 4) {
        return Fail(fault, FxField::Count, base + 24, true);
    }
    record->data = bytes + header;
    record->dataBytes = 4 * record->count;
    record->totalBytes = header + record->dataBytes;
    return true;
}

bool FxMatchesPlugIn(const FxRecord& record, int32_t uniqueId, int32_t version, FxFault* fault) noexcept {
    if (record.uniqueId != static_cast<uint32_t>(uniqueId)) return Fail(fault, FxField::UniqueId, record.offset + 16, false);
    const uint32_t wanted = static_cast<uint32_t>(version);
    const bool versionOk = EitherOrder(record.version, wanted) ||
                           (record.kind == FxKind::Bank && EitherOrder(record.versionField, wanted));
    if (!versionOk) return Fail(fault, FxField::Version, record.offset + 20, false);
    if (record.kind != FxKind::Bank || record.form != FxForm::Parameters) return true;
    size_t cursor = 0;
    FxRecord program;
    while (NextBankProgram(record, &cursor, &program)) {
        if (!FxMatchesPlugIn(program, uniqueId, version, fault)) return false;
    }
    return true;
}

bool NextBankProgram(const FxRecord& bank, size_t* cursor, FxRecord* program) noexcept {
    if (bank.kind != FxKind::Bank || bank.form != FxForm::Parameters || *cursor >= bank.dataBytes) return false;
    const FxKind preset = FxKind::Preset;
    if (!ParseFxRecord(&preset, bank.data + *cursor, bank.dataBytes - *cursor, program, nullptr,
                       bank.offset + kBankHeaderBytes + *cursor)) {
        return false;
    }
    *cursor += program->totalBytes;
    return true;
}

void FxNameText(const FxRecord& record, char (&text)[kNameBytes + 1]) noexcept {
    std::memset(text, 0, sizeof text);
    if (record.name == nullptr) return;
    for (uint32_t i = 0; i < kNameBytes && record.name[i] != 0; ++i) text[i] = static_cast<char>(record.name[i]);
}

}  // namespace qm::presets

// The .fxp and .fxb byte layouts: big-endian numbers, the four form magics and a parser that checks
// every size and count against the bytes actually there. Pure code with no instance and no I/O, so
// that the file operations, `qmvsti preset show` and the fuzz targets read files the same way.
#pragma once
#include <cstddef>
#include <cstdint>

namespace qm::presets {

inline constexpr uint32_t kNameOffset = 28;
inline constexpr uint32_t kNameBytes = 28;
inline constexpr uint32_t kPresetHeaderBytes = 56;       // parameter form, before the values
inline constexpr uint32_t kPresetChunkHeaderBytes = 60;  // chunk form, before the chunk
inline constexpr uint32_t kBankHeaderBytes = 156;        // parameter form, before the programs
inline constexpr uint32_t kBankChunkHeaderBytes = 160;   // chunk form, before the chunk
inline constexpr uint32_t kReservedBytes = 128;          // bank offset 28
// Records larger than this are not read into memory; real banks stay far below it.
inline constexpr uint32_t kMaxRecordBytes = 256u << 20;

inline constexpr uint32_t kChunkMagic = 0x43636E4B;   // "CcnK"
inline constexpr uint32_t kPresetParams = 0x4678436B;  // "FxCk"
inline constexpr uint32_t kPresetChunk = 0x46504368;   // "FPCh"
inline constexpr uint32_t kBankParams = 0x4678426B;    // "FxBk"
inline constexpr uint32_t kBankChunk = 0x46424368;     // "FBCh"

enum class FxKind { Preset, Bank };
enum class FxForm { Parameters, Chunk };

uint32_t ReadBig32(const uint8_t* bytes) noexcept;
void WriteBig32(uint8_t* bytes, uint32_t value) noexcept;
float ReadBigFloat(const uint8_t* bytes) noexcept;
void WriteBigFloat(uint8_t* bytes, float value) noexcept;
uint32_t ByteSwap32(uint32_t value) noexcept;

// The field a record was refused for; `truncated` when the bytes ended inside or before it.
enum class FxField { None, ChunkMagic, FormMagic, UniqueId, Version, Count, Name, ChunkSize, Data, Program };
struct FxFault {
    FxField field = FxField::None;
    size_t offset = 0;  // from the start of the outermost record
    bool truncated = false;
};
const char* FxFieldName(FxField field) noexcept;

// One parsed preset record or bank header. Pointers point into the parsed bytes.
struct FxRecord {
    FxKind kind = FxKind::Preset;
    FxForm form = FxForm::Parameters;
    uint32_t uniqueId = 0;      // offset 16, big-endian
    uint32_t versionField = 0;  // offset 12, as stored (big-endian reading)
    uint32_t version = 0;       // offset 20, as stored (big-endian reading)
    uint32_t count = 0;         // offset 24: parameters, programs, or 1 in a chunk-form preset
    const uint8_t* name = nullptr;  // presets: the 28-byte name field
    const uint8_t* data = nullptr;  // parameter values, the chunk, or a bank's first program record
    uint32_t dataBytes = 0;         // chunk size, 4 x count, or the program records together
    size_t totalBytes = 0;          // the whole record, programs of a bank included
    size_t offset = 0;              // where it starts, from the start of the outermost record
};

// Parses a record at `bytes` (`available` bytes there). `kind` is what the caller expects, or null
// to take the kind the form magic names. A parameter-form bank is parsed with all its programs.
// Either byte order of the two magics is accepted. `base` is added to fault offsets.
bool ParseFxRecord(const FxKind* kind, const uint8_t* bytes, size_t available, FxRecord* record, FxFault* fault,
                   size_t base = 0) noexcept;

// Checks 3 and 4 of every record read: the unique ID big-endian only, the version either way
// (a bank: offset 12 or 20). For a parameter-form bank every program record is checked too.
bool FxMatchesPlugIn(const FxRecord& record, int32_t uniqueId, int32_t version, FxFault* fault) noexcept;

// The program records of a parameter-form bank, one at a time; false after the last.
bool NextBankProgram(const FxRecord& bank, size_t* cursor, FxRecord* program) noexcept;

// The name field up to its first zero byte (at most 28 bytes), terminated.
void FxNameText(const FxRecord& record, char (&text)[kNameBytes + 1]) noexcept;

}  // namespace qm::presets

#include "presets/preset_files.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/text.h"

namespace qm::presets {

namespace {

constexpr int kProgramNameChars = 128;  // what plug-ins are given room for, beyond kVstMaxProgNameLen

struct FreeBlock {
    void operator()(unsigned char* block) const noexcept { std::free(block); }
};
using Block = std::unique_ptr<unsigned char[], FreeBlock>;

bool ChunkForm(const AEffect* effect) noexcept { return (effect->flags & effFlagsProgramChunks) != 0; }

// A plug-in that reports a negative count has none.
uint32_t ParameterCount(const AEffect* effect) noexcept {
    return effect->numParams > 0 ? static_cast<uint32_t>(effect->numParams) : 0;
}

void FillCommonHeader(unsigned char* record, uint32_t formMagic, uint32_t versionField, const AEffect* effect,
                      uint32_t count) noexcept {
    WriteBig32(record, kChunkMagic);
    WriteBig32(record + 8, formMagic);
    WriteBig32(record + 12, versionField);
    WriteBig32(record + 16, static_cast<uint32_t>(effect->uniqueID));
    WriteBig32(record + 20, static_cast<uint32_t>(effect->version));
    WriteBig32(record + 24, count);
}

HRESULT WriteAll(platform::File& file, const void* bytes, size_t size) noexcept {
    uint32_t done = 0;
    const HRESULT result = file.Write(bytes, static_cast<uint32_t>(size), &done);
    if (FAILED(result)) return result;
    return done == size ? S_OK : STG_E_MEDIUMFULL;
}

// The current program's record in one zero-filled block, as the tables lay it out.
HRESULT BuildPresetRecord(CVSTiSofthSynth& synth, bool clearFaulted, Block* out, size_t* size) noexcept {
    const AEffect* effect = synth.Effect();
    if (effect == nullptr) return S_FALSE;
    unsigned char* bytes = nullptr;
    uint32_t chunkSize = 0;
    const bool chunk = ChunkForm(effect);
    if (chunk) {
        const HRESULT copied = synth.CopyPlugInChunk(1, kPresetChunkHeaderBytes, &bytes, &chunkSize);
        if (copied != S_OK) return copied;
        *size = kPresetChunkHeaderBytes + static_cast<size_t>(chunkSize);
    } else {
        *size = kPresetHeaderBytes + 4 * static_cast<size_t>(ParameterCount(effect));
        bytes = static_cast<unsigned char*>(std::calloc(*size, 1));
        if (bytes == nullptr) return E_OUTOFMEMORY;
    }
    out->reset(bytes);

    WCHAR name[kProgramNameChars] = {};
    synth.GetPlugInString(effGetProgramName, name, kProgramNameChars);
    platform::WideToAnsi(name, -1, reinterpret_cast<char*>(bytes + kNameOffset), kNameBytes);
    bytes[kNameOffset + kNameBytes - 1] = 0;

    if (chunk) {
        FillCommonHeader(bytes, kPresetChunk, 0, effect, 1);
        WriteBig32(bytes + kPresetHeaderBytes, chunkSize);
        return S_OK;
    }
    FillCommonHeader(bytes, kPresetParams, 0, effect, ParameterCount(effect));
    if (clearFaulted) synth.ClearFaulted();
    for (int32_t i = 0; i < static_cast<int32_t>(ParameterCount(effect)); ++i) {
        const float value = synth.CallGetParameter(i);
        if (synth.Status() & InstanceStatus::Faulted) return QM_E_PLUGIN_EXCEPTION;
        WriteBigFloat(bytes + kPresetHeaderBytes + 4 * static_cast<size_t>(i), value);
    }
    return S_OK;
}

// The whole file in memory, refused when it is larger than any record this reader takes.
HRESULT ReadWholeFile(const WCHAR* path, Block* out, size_t* size) noexcept {
    platform::File file;
    HRESULT result = file.Open(path, platform::FileMode::Read);
    if (FAILED(result)) return result;
    uint64_t length = 0;
    result = file.Size(&length);
    if (FAILED(result)) return result;
    if (length > kMaxRecordBytes + kBankChunkHeaderBytes) return QM_S_FILE_NOT_FOR_PLUGIN;
    // One zero byte more than the file: amsynth reads the chunk it is given as text, with strlen.
    out->reset(static_cast<unsigned char*>(std::calloc(length + 1, 1)));
    if (*out == nullptr) return E_OUTOFMEMORY;
    uint32_t done = 0;
    result = file.Read(out->get(), static_cast<uint32_t>(length), &done);
    if (FAILED(result)) return result;
    *size = done;
    return S_OK;
}

// Reads and checks a whole preset or bank file for this plug-in.
HRESULT ReadChecked(CVSTiSofthSynth& synth, const WCHAR* path, FxKind kind, Block* bytes, FxRecord* record) noexcept {
    const AEffect* effect = synth.Effect();
    if (effect == nullptr) return S_FALSE;
    size_t size = 0;
    const HRESULT result = ReadWholeFile(path, bytes, &size);
    if (result != S_OK) return result;
    if (!ParseFxRecord(&kind, bytes->get(), size, record, nullptr) ||
        !FxMatchesPlugIn(*record, effect->uniqueID, effect->version, nullptr)) {
        return QM_S_FILE_NOT_FOR_PLUGIN;
    }
    return S_OK;
}

// effSetChunk inside the guard; the plug-in's answer is not looked at, only whether it faulted.
HRESULT GiveChunk(CVSTiSofthSynth& synth, int32_t index, const FxRecord& record) noexcept {
    const DWORD faultedBefore = synth.Status() & InstanceStatus::Faulted;
    synth.CallDispatcher(effSetChunk, index, static_cast<intptr_t>(record.dataBytes),
                         const_cast<uint8_t*>(record.data), 0.0f);
    if (!faultedBefore && (synth.Status() & InstanceStatus::Faulted)) return QM_E_PLUGIN_EXCEPTION;
    // An open editor shows the new settings after the next idle pass.
    synth.IdlePass();
    return S_OK;
}

}  // namespace

HRESULT ApplyPresetRecord(CVSTiSofthSynth& synth, const FxRecord& record) noexcept {
    char narrow[kNameBytes + 1];
    FxNameText(record, narrow);
    WCHAR name[kProgramNameChars] = {};
    platform::AnsiToWide(narrow, -1, name, kProgramNameChars);
    // Given even when empty, and before the settings, as hosts have always done.
    synth.SetPlugInString(effSetProgramName, name, kProgramNameChars);
    if (record.form == FxForm::Chunk) return GiveChunk(synth, 1, record);
    for (uint32_t i = 0; i < record.count; ++i) {
        const HRESULT result = synth.CallSetParameter(static_cast<int32_t>(i), ReadBigFloat(record.data + 4 * i));
        if (FAILED(result)) return result;
    }
    return S_OK;
}

HRESULT WritePresetRecord(CVSTiSofthSynth& synth, platform::File& file) noexcept {
    Block record;
    size_t size = 0;
    const HRESULT result = BuildPresetRecord(synth, true, &record, &size);
    if (result != S_OK) return result;
    return WriteAll(file, record.get(), size);
}

HRESULT SavePresetFile(CVSTiSofthSynth& synth, const WCHAR* path) noexcept {
    Block record;
    size_t size = 0;
    const HRESULT result = BuildPresetRecord(synth, false, &record, &size);
    if (result != S_OK) return result;
    platform::File file;
    const HRESULT opened = file.Open(path, platform::FileMode::Write);
    if (FAILED(opened)) return opened;
    return WriteAll(file, record.get(), size);
}

HRESULT LoadPresetFile(CVSTiSofthSynth& synth, const WCHAR* path) noexcept {
    Block bytes;
    FxRecord record;
    const HRESULT result = ReadChecked(synth, path, FxKind::Preset, &bytes, &record);
    if (result != S_OK) return result;
    return ApplyPresetRecord(synth, record);
}

HRESULT SaveBankFile(CVSTiSofthSynth& synth, const WCHAR* path) noexcept {
    const AEffect* effect = synth.Effect();
    if (effect == nullptr) return S_FALSE;
    platform::File file;
    HRESULT result = file.Open(path, platform::FileMode::Write);
    if (FAILED(result)) return result;
    const uint32_t programs = effect->numPrograms > 0 ? static_cast<uint32_t>(effect->numPrograms) : 0;
    if (ChunkForm(effect)) {
        unsigned char* bytes = nullptr;
        uint32_t chunkSize = 0;
        // An empty chunk leaves the created file behind, empty.
        result = synth.CopyPlugInChunk(0, kBankChunkHeaderBytes, &bytes, &chunkSize);
        if (result != S_OK) return result;
        const Block bank(bytes);
        FillCommonHeader(bytes, kBankChunk, 0, effect, programs);
        WriteBig32(bytes + kBankHeaderBytes, chunkSize);
        return WriteAll(file, bytes, kBankChunkHeaderBytes + static_cast<size_t>(chunkSize));
    }
    unsigned char header[kBankHeaderBytes] = {};
    FillCommonHeader(header, kBankParams, static_cast<uint32_t>(effect->version), effect, programs);
    result = WriteAll(file, header, sizeof header);
    for (uint32_t i = 0; i < programs && result == S_OK; ++i) {
        synth.CallDispatcher(effSetProgram, 0, static_cast<intptr_t>(i), nullptr, 0.0f);
        result = WritePresetRecord(synth, file);
    }
    return FAILED(result) ? result : S_OK;
}

HRESULT LoadBankFile(CVSTiSofthSynth& synth, const WCHAR* path) noexcept {
    Block bytes;
    FxRecord bank;
    const HRESULT result = ReadChecked(synth, path, FxKind::Bank, &bytes, &bank);
    if (result != S_OK) return result;
    if (bank.form == FxForm::Chunk) return GiveChunk(synth, 0, bank);
    size_t cursor = 0;
    FxRecord program;
    for (intptr_t i = 0; NextBankProgram(bank, &cursor, &program); ++i) {
        synth.CallDispatcher(effSetProgram, 0, i, nullptr, 0.0f);
        const HRESULT applied = ApplyPresetRecord(synth, program);
        if (FAILED(applied)) return applied;
    }
    return S_OK;
}

void GetPresetFolder(CVSTiSofthSynth& synth, WCHAR* dest, int capacity) noexcept {
    WCHAR* folder = synth.PresetFolder();
    if (folder[0] == 0) {
        const WCHAR* path = synth.PlugInPath();
        int end = 0;
        for (int i = 0; path[i] != 0 && i < CVSTiSofthSynth::kNameChars - 1; ++i) {
            if (path[i] == '\\' || path[i] == '/') end = i + 1;
        }
        std::memcpy(folder, path, static_cast<size_t>(end) * sizeof(WCHAR));
        folder[end] = 0;
    }
    if (dest == nullptr || capacity < 1) return;
    int i = 0;
    for (; i < capacity - 1 && folder[i] != 0; ++i) dest[i] = folder[i];
    dest[i] = 0;
}

}  // namespace qm::presets

#include "presets/stream_io.h"

namespace qm::presets {

void PutLe32(uint8_t* bytes, uint32_t value) noexcept {
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t GetLe32(const uint8_t* bytes) noexcept {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

HRESULT StreamWrite(IStream* stream, const void* bytes, ULONG size) noexcept {
    ULONG done = 0;
    const HRESULT result = stream->Write(bytes, size, &done);
    if (FAILED(result)) return result;
    return done == size ? S_OK : STG_E_MEDIUMFULL;
}

HRESULT StreamWrite32(IStream* stream, uint32_t value) noexcept {
    uint8_t bytes[4];
    PutLe32(bytes, value);
    return StreamWrite(stream, bytes, sizeof bytes);
}

HRESULT StreamRead(IStream* stream, void* bytes, ULONG size) noexcept {
    ULONG done = 0;
    const HRESULT result = stream->Read(bytes, size, &done);
    if (FAILED(result)) return result;
    return done == size ? S_OK : E_UNEXPECTED;
}

HRESULT StreamRead32(IStream* stream, uint32_t* value) noexcept {
    uint8_t bytes[4];
    const HRESULT result = StreamRead(stream, bytes, sizeof bytes);
    if (result == S_OK) *value = GetLe32(bytes);
    return result;
}

HRESULT StreamTell(IStream* stream, uint64_t* position) noexcept {
    LARGE_INTEGER zero{};
    ULARGE_INTEGER now{};
    const HRESULT result = stream->Seek(zero, STREAM_SEEK_CUR, &now);
    if (SUCCEEDED(result)) *position = now.QuadPart;
    return result;
}

HRESULT StreamSeekTo(IStream* stream, uint64_t position) noexcept {
    LARGE_INTEGER target{};
    target.QuadPart = static_cast<LONGLONG>(position);
    return stream->Seek(target, STREAM_SEEK_SET, nullptr);
}

HRESULT StreamRemaining(IStream* stream, uint64_t* remaining) noexcept {
    uint64_t position = 0;
    HRESULT result = StreamTell(stream, &position);
    if (FAILED(result)) return result;
    LARGE_INTEGER zero{};
    ULARGE_INTEGER end{};
    result = stream->Seek(zero, STREAM_SEEK_END, &end);
    if (FAILED(result)) return result;
    result = StreamSeekTo(stream, position);
    if (FAILED(result)) return result;
    *remaining = end.QuadPart > position ? end.QuadPart - position : 0;
    return S_OK;
}

HRESULT StreamWriteGuid(IStream* stream, const GUID& guid) noexcept {
    uint8_t bytes[16];
    PutLe32(bytes, guid.Data1);
    bytes[4] = static_cast<uint8_t>(guid.Data2);
    bytes[5] = static_cast<uint8_t>(guid.Data2 >> 8);
    bytes[6] = static_cast<uint8_t>(guid.Data3);
    bytes[7] = static_cast<uint8_t>(guid.Data3 >> 8);
    for (int i = 0; i < 8; ++i) bytes[8 + i] = guid.Data4[i];
    return StreamWrite(stream, bytes, sizeof bytes);
}

HRESULT StreamReadGuid(IStream* stream, GUID* guid) noexcept {
    uint8_t bytes[16];
    const HRESULT result = StreamRead(stream, bytes, sizeof bytes);
    if (result != S_OK) return result;
    guid->Data1 = GetLe32(bytes);
    guid->Data2 = static_cast<uint16_t>(bytes[4] | bytes[5] << 8);
    guid->Data3 = static_cast<uint16_t>(bytes[6] | bytes[7] << 8);
    for (int i = 0; i < 8; ++i) guid->Data4[i] = bytes[8 + i];
    return S_OK;
}

}  // namespace qm::presets

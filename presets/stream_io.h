// Little-endian numbers over a COM IStream, as the instance state stream stores them on both
// targets. A read that comes back short is a malformed stream (E_UNEXPECTED), a short write a full
// medium (STG_E_MEDIUMFULL); the stream's own errors are passed on as they come.
#pragma once
#include <cstdint>

#include "qmvsti/com.h"

namespace qm::presets {

void PutLe32(uint8_t* bytes, uint32_t value) noexcept;
uint32_t GetLe32(const uint8_t* bytes) noexcept;

HRESULT StreamWrite(IStream* stream, const void* bytes, ULONG size) noexcept;
HRESULT StreamWrite32(IStream* stream, uint32_t value) noexcept;
HRESULT StreamRead(IStream* stream, void* bytes, ULONG size) noexcept;
HRESULT StreamRead32(IStream* stream, uint32_t* value) noexcept;
HRESULT StreamTell(IStream* stream, uint64_t* position) noexcept;
HRESULT StreamSeekTo(IStream* stream, uint64_t position) noexcept;
// Bytes from the position to the end; the position is kept.
HRESULT StreamRemaining(IStream* stream, uint64_t* remaining) noexcept;
// A GUID as four little-endian fields, 16 bytes, whatever the machine.
HRESULT StreamWriteGuid(IStream* stream, const GUID& guid) noexcept;
HRESULT StreamReadGuid(IStream* stream, GUID* guid) noexcept;

}  // namespace qm::presets

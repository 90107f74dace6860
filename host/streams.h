// IStream over memory and over a file: what the host hands to an instance's SaveState and LoadState.
// Reads past the end give the bytes there are with S_OK; seeks before the start fail with
// STG_E_INVALIDFUNCTION and leave the position alone; writes to a read-only stream are refused.
#pragma once
#include <fstream>
#include <string>
#include <vector>

#include "host_os_types.h"
#include "qmvsti/com.h"

namespace qm::host {

class StreamBase : public IStream {
public:
    HRESULT QM_COMCALL QueryInterface(REFIID iid, void** out) noexcept override;
    ULONG QM_COMCALL AddRef() noexcept override;
    ULONG QM_COMCALL Release() noexcept override;
    HRESULT QM_COMCALL SetSize(ULARGE_INTEGER) noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT QM_COMCALL Commit(DWORD) noexcept override { return S_OK; }
    HRESULT QM_COMCALL Revert() noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL Stat(StreamStatRecord*, DWORD) noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL Clone(IStream** out) noexcept override;

protected:
    StreamBase() = default;
    virtual ~StreamBase() = default;
    // The new position for a Seek, or -1 when it would fall before the start or the origin is unknown.
    static LONGLONG SeekTarget(LONGLONG current, LONGLONG size, LONGLONG move, DWORD origin) noexcept;

private:
    ULONG refs_ = 1;
};

// Bytes in memory; writes grow the block, a write past the end fills the gap with zeros.
class MemoryStream final : public StreamBase {
public:
    static MemoryStream* Create(std::vector<BYTE> initial = {});  // one reference for the caller
    HRESULT QM_COMCALL Read(void* data, ULONG size, ULONG* done) noexcept override;
    HRESULT QM_COMCALL Write(const void* data, ULONG size, ULONG* done) noexcept override;
    HRESULT QM_COMCALL Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) noexcept override;
    const std::vector<BYTE>& Bytes() const noexcept { return bytes_; }

private:
    explicit MemoryStream(std::vector<BYTE> initial) : bytes_(std::move(initial)) {}
    std::vector<BYTE> bytes_;
    size_t position_ = 0;
};

// A file opened for reading, or created (truncated) for writing and reading.
class FileStream final : public StreamBase {
public:
    enum class Mode { Read, Create };
    // Null when the file cannot be opened.
    static FileStream* Open(const std::string& utf8Path, Mode mode);
    HRESULT QM_COMCALL Read(void* data, ULONG size, ULONG* done) noexcept override;
    HRESULT QM_COMCALL Write(const void* data, ULONG size, ULONG* done) noexcept override;
    HRESULT QM_COMCALL Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) noexcept override;

private:
    FileStream(std::fstream file, bool writable) : file_(std::move(file)), writable_(writable) {}
    std::fstream file_;
    bool writable_;
};

}  // namespace qm::host

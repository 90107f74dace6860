#include "streams.h"

#include <atomic>
#include <cstring>
#include <filesystem>
#include <new>

namespace qm::host {

namespace {
// IStream's own id (and ISequentialStream's), so that a caller can ask for either.
constexpr IID kIidUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr IID kIidSequentialStream = {0x0C733A30, 0x2A1C, 0x11CE, {0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3D}};
constexpr IID kIidStream = {0x0000000C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const HRESULT kAccessDenied = HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
}  // namespace

HRESULT StreamBase::QueryInterface(REFIID iid, void** out) noexcept {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsEqualGUID(iid, kIidUnknown) && !IsEqualGUID(iid, kIidSequentialStream) && !IsEqualGUID(iid, kIidStream))
        return E_NOINTERFACE;
    *out = static_cast<IStream*>(this);
    AddRef();
    return S_OK;
}

ULONG StreamBase::AddRef() noexcept { return ++refs_; }

ULONG StreamBase::Release() noexcept {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

HRESULT StreamBase::Clone(IStream** out) noexcept {
    if (out != nullptr) *out = nullptr;
    return E_NOTIMPL;
}

LONGLONG StreamBase::SeekTarget(LONGLONG current, LONGLONG size, LONGLONG move, DWORD origin) noexcept {
    LONGLONG base = 0;
    switch (origin) {
    case STREAM_SEEK_SET: base = 0; break;
    case STREAM_SEEK_CUR: base = current; break;
    case STREAM_SEEK_END: base = size; break;
    default: return -1;
    }
    if (move < 0 && base < -move) return -1;
    return base + move;
}

// ---- memory -------------------------------------------------------------------------------------

MemoryStream* MemoryStream::Create(std::vector<BYTE> initial) {
    return new MemoryStream(std::move(initial));
}

HRESULT MemoryStream::Read(void* data, ULONG size, ULONG* done) noexcept {
    if (done != nullptr) *done = 0;
    if (data == nullptr && size != 0) return E_POINTER;
    const size_t available = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
    const size_t count = size < available ? size : available;
    if (count != 0) std::memcpy(data, bytes_.data() + position_, count);
    position_ += count;
    if (done != nullptr) *done = static_cast<ULONG>(count);
    return S_OK;
}

HRESULT MemoryStream::Write(const void* data, ULONG size, ULONG* done) noexcept {
    if (done != nullptr) *done = 0;
    if (data == nullptr && size != 0) return E_POINTER;
    try {
        if (position_ + size > bytes_.size()) bytes_.resize(position_ + size);
    } catch (const std::bad_alloc&) {
        return STG_E_MEDIUMFULL;
    }
    if (size != 0) std::memcpy(bytes_.data() + position_, data, size);
    position_ += size;
    if (done != nullptr) *done = size;
    return S_OK;
}

HRESULT MemoryStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) noexcept {
    const LONGLONG target = SeekTarget(static_cast<LONGLONG>(position_), static_cast<LONGLONG>(bytes_.size()),
                                       move.QuadPart, origin);
    if (target < 0) return STG_E_INVALIDFUNCTION;
    position_ = static_cast<size_t>(target);
    if (position != nullptr) position->QuadPart = static_cast<ULONGLONG>(target);
    return S_OK;
}

// ---- file ---------------------------------------------------------------------------------------

FileStream* FileStream::Open(const std::string& utf8Path, Mode mode) {
    const std::filesystem::path path = std::filesystem::u8path(utf8Path);
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) return nullptr;
    std::ios::openmode flags = std::ios::binary | std::ios::in;
    if (mode == Mode::Create) flags |= std::ios::out | std::ios::trunc;
    std::fstream file(path, flags);
    if (!file.is_open()) return nullptr;
    return new FileStream(std::move(file), mode == Mode::Create);
}

HRESULT FileStream::Read(void* data, ULONG size, ULONG* done) noexcept {
    if (done != nullptr) *done = 0;
    if (data == nullptr && size != 0) return E_POINTER;
    file_.seekg(file_.tellg());  // one file position serves reads and writes: settle it between them
    file_.read(static_cast<char*>(data), size);
    const std::streamsize got = file_.gcount();
    if (file_.bad()) return HRESULT_FROM_WIN32(ERROR_READ_FAULT);
    file_.clear();  // a short read at the end is no error
    if (done != nullptr) *done = static_cast<ULONG>(got);
    return S_OK;
}

HRESULT FileStream::Write(const void* data, ULONG size, ULONG* done) noexcept {
    if (done != nullptr) *done = 0;
    if (data == nullptr && size != 0) return E_POINTER;
    if (!writable_) return kAccessDenied;
    file_.seekp(file_.tellp());
    // Writing past the end must leave zeros in the gap, which the file system does on its own.
    file_.write(static_cast<const char*>(data), size);
    if (!file_) {
        file_.clear();
        return STG_E_MEDIUMFULL;
    }
    if (done != nullptr) *done = size;
    return S_OK;
}

HRESULT FileStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) noexcept {
    file_.clear();
    const LONGLONG current = static_cast<LONGLONG>(file_.tellg());
    file_.seekg(0, std::ios::end);
    const LONGLONG size = static_cast<LONGLONG>(file_.tellg());
    const LONGLONG target = SeekTarget(current, size, move.QuadPart, origin);
    file_.seekg(target < 0 ? current : target, std::ios::beg);
    if (target < 0) return STG_E_INVALIDFUNCTION;
    if (!file_) {
        file_.clear();
        return STG_E_INVALIDFUNCTION;
    }
    if (position != nullptr) position->QuadPart = static_cast<ULONGLONG>(target);
    return S_OK;
}

}  // namespace qm::host

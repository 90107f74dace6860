#include "platform/file.h"

#include <windows.h>

namespace qm::platform {
namespace {

HRESULT LastError() {
    const DWORD error = GetLastError();
    return error == 0 ? E_FAIL : HRESULT_FROM_WIN32(error);
}

HANDLE AsHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

File::~File() { Close(); }

HRESULT File::Open(const WCHAR* path, FileMode mode) noexcept {
    Close();
    if (path == nullptr || path[0] == 0) return E_INVALIDARG;
    DWORD access = GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    DWORD share = FILE_SHARE_READ;
    switch (mode) {
    case FileMode::Read: break;
    case FileMode::Write:
        access = GENERIC_WRITE;
        disposition = CREATE_ALWAYS;
        share = 0;
        break;
    case FileMode::ReadWrite:
        access = GENERIC_READ | GENERIC_WRITE;
        disposition = OPEN_ALWAYS;
        share = 0;
        break;
    }
    const HANDLE h = CreateFileW(path, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return LastError();
    handle_ = reinterpret_cast<intptr_t>(h);
    return S_OK;
}

void File::Close() noexcept {
    if (handle_ != kNone) CloseHandle(AsHandle(handle_));
    handle_ = kNone;
}

HRESULT File::Read(void* buffer, uint32_t size, uint32_t* done) noexcept {
    if (done != nullptr) *done = 0;
    if (handle_ == kNone) return HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE);
    if (buffer == nullptr && size != 0) return E_POINTER;
    DWORD n = 0;
    if (!ReadFile(AsHandle(handle_), buffer, size, &n, nullptr)) return LastError();
    if (done != nullptr) *done = n;
    return S_OK;
}

HRESULT File::Write(const void* buffer, uint32_t size, uint32_t* done) noexcept {
    if (done != nullptr) *done = 0;
    if (handle_ == kNone) return HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE);
    if (buffer == nullptr && size != 0) return E_POINTER;
    DWORD n = 0;
    const BOOL ok = WriteFile(AsHandle(handle_), buffer, size, &n, nullptr);
    if (done != nullptr) *done = n;
    return ok ? S_OK : LastError();
}

HRESULT File::Seek(int64_t offset, SeekFrom from, uint64_t* position) noexcept {
    if (position != nullptr) *position = 0;
    if (handle_ == kNone) return HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE);
    LARGE_INTEGER move;
    move.QuadPart = offset;
    LARGE_INTEGER result;
    const DWORD method = from == SeekFrom::Begin ? FILE_BEGIN : from == SeekFrom::Current ? FILE_CURRENT : FILE_END;
    if (!SetFilePointerEx(AsHandle(handle_), move, &result, method)) return LastError();
    if (position != nullptr) *position = static_cast<uint64_t>(result.QuadPart);
    return S_OK;
}

HRESULT File::Size(uint64_t* size) noexcept {
    if (size == nullptr) return E_POINTER;
    *size = 0;
    if (handle_ == kNone) return HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE);
    LARGE_INTEGER result;
    if (!GetFileSizeEx(AsHandle(handle_), &result)) return LastError();
    *size = static_cast<uint64_t>(result.QuadPart);
    return S_OK;
}

bool FileExists(const WCHAR* path) noexcept {
    if (path == nullptr || path[0] == 0) return false;
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

HRESULT DeleteFilePath(const WCHAR* path) noexcept {
    if (path == nullptr || path[0] == 0) return E_INVALIDARG;
    return DeleteFileW(path) ? S_OK : LastError();
}

}  // namespace qm::platform

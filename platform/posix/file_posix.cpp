#include "platform/file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/text.h"

namespace qm::platform {
namespace {

HRESULT FromErrno(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR: return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    case ENOMEM: return E_OUTOFMEMORY;
    case ENOSPC: return STG_E_MEDIUMFULL;
    case EINVAL: return E_INVALIDARG;
    default: return E_FAIL;
    }
}

}  // namespace

File::~File() { Close(); }

HRESULT File::Open(const WCHAR* path, FileMode mode) noexcept {
    Close();
    if (path == nullptr || path[0] == 0) return E_INVALIDARG;
    const std::string utf8 = WideToUtf8(path);
    int flags = O_CLOEXEC;
    switch (mode) {
    case FileMode::Read: flags |= O_RDONLY; break;
    case FileMode::Write: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
    case FileMode::ReadWrite: flags |= O_RDWR | O_CREAT; break;
    }
    const int fd = ::open(utf8.c_str(), flags, 0644);
    if (fd < 0) return FromErrno(errno);
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    }
    handle_ = fd;
    return S_OK;
}

void File::Close() noexcept {
    if (handle_ != kNone) ::close(static_cast<int>(handle_));
    handle_ = kNone;
}

HRESULT File::Read(void* buffer, uint32_t size, uint32_t* done) noexcept {
    if (done != nullptr) *done = 0;
    if (handle_ == kNone) return HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE);
    if (buffer == nullptr && size != 0) return E_POINTER;
    uint32_t total = 0;
    while (total < size) {
        const ssize_t n = ::read(static_cast<int>(handle_), static_cast<char*>(buffer) + total, size - total);
        if (n < 0) {
            if (errno == EINTR) continue;
            return FromErrno(errno);
        }
        if (n == 0) break;
        total += static_cast<uint32_t>(n);
    }
    if (done != nullptr) *done = total;
    return S_OK;
}

HRESULT File::Write(const void* buffer, uint32_t size, uint32_t* done) noexcept {
    if (done != nullptr) *done = 0;
    if (handle_ == kNone) return HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE);
    if (buffer == nullptr && size != 0) return E_POINTER;
    uint32_t total = 0;
    while (total < size) {
        const ssize_t n = ::write(static_cast<int>(handle_), static_cast<const char*>(buffer) + total, size - total);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (done != nullptr) *done = total;
            return FromErrno(errno);
        }
        total += static_cast<uint32_t>(n);
    }
    if (done != nullptr) *done = total;
    return S_OK;
}

HRESULT File::Seek(int64_t offset, SeekFrom from, uint64_t* position) noexcept {
    if (position != nullptr) *position = 0;
    if (handle_ == kNone) return HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE);
    const int whence = from == SeekFrom::Begin ? SEEK_SET : from == SeekFrom::Current ? SEEK_CUR : SEEK_END;
    const off_t result = ::lseek(static_cast<int>(handle_), static_cast<off_t>(offset), whence);
    if (result < 0) return FromErrno(errno);
    if (position != nullptr) *position = static_cast<uint64_t>(result);
    return S_OK;
}

HRESULT File::Size(uint64_t* size) noexcept {
    if (size == nullptr) return E_POINTER;
    *size = 0;
    if (handle_ == kNone) return HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE);
    struct stat st {};
    if (fstat(static_cast<int>(handle_), &st) != 0) return FromErrno(errno);
    *size = static_cast<uint64_t>(st.st_size);
    return S_OK;
}

bool FileExists(const WCHAR* path) noexcept {
    if (path == nullptr || path[0] == 0) return false;
    struct stat st {};
    return ::stat(WideToUtf8(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

HRESULT DeleteFilePath(const WCHAR* path) noexcept {
    if (path == nullptr || path[0] == 0) return E_INVALIDARG;
    return ::unlink(WideToUtf8(path).c_str()) == 0 ? S_OK : FromErrno(errno);
}

}  // namespace qm::platform

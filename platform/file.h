// Binary file I/O by UTF-16 path.
#pragma once
#include <cstdint>
#include "qmvsti/com.h"

namespace qm::platform {

enum class FileMode { Read, Write /* create or truncate */, ReadWrite /* open always */ };
enum class SeekFrom { Begin, Current, End };

class File {
public:
    File() noexcept = default;
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    // Returns 0 or the OS error as an HRESULT (HRESULT_FROM_WIN32 / from errno).
    HRESULT Open(const WCHAR* path, FileMode mode) noexcept;
    void Close() noexcept;
    bool IsOpen() const noexcept { return handle_ != kNone; }
    // Bytes actually moved in *done; result 0 or an HRESULT.
    HRESULT Read(void* buffer, uint32_t size, uint32_t* done) noexcept;
    HRESULT Write(const void* buffer, uint32_t size, uint32_t* done) noexcept;
    HRESULT Seek(int64_t offset, SeekFrom from, uint64_t* position) noexcept;
    HRESULT Size(uint64_t* size) noexcept;

private:
    static constexpr intptr_t kNone = -1;
    intptr_t handle_ = kNone;
};

bool FileExists(const WCHAR* path) noexcept;
HRESULT DeleteFilePath(const WCHAR* path) noexcept;

}  // namespace qm::platform

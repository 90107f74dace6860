// errno as the HRESULT the Windows back end would give for the same failure.
#pragma once
#include <errno.h>

#include "qmvsti/com.h"

namespace qm::platform {

inline HRESULT ResultFromErrno(int error) noexcept {
    switch (error) {
    case ENOENT:
    case ENOTDIR: return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    case EACCES:
    case EPERM: return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    case ENOMEM:
    case EAGAIN: return E_OUTOFMEMORY;
    default: return E_FAIL;
    }
}

}  // namespace qm::platform

#include "platform/win32/component_context.h"

namespace qm::platform {
namespace {

// The manifest id isolation-aware modules use; the host's own manifest is id 1 of its executable.
constexpr WORD kComponentManifestId = 2;

HMODULE ThisModule() noexcept {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

// Made once, on the first load, and released when the module unloads.
class ComponentContext {
public:
    ComponentContext() noexcept {
        const DWORD savedError = GetLastError();
        // Some system versions want the module's file as well as its handle.
        WCHAR file[MAX_PATH];
        ACTCTXW request{};
        request.cbSize = sizeof(request);
        request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
        request.hModule = ThisModule();
        request.lpResourceName = MAKEINTRESOURCEW(kComponentManifestId);
        const DWORD length = GetModuleFileNameW(request.hModule, file, MAX_PATH);
        request.lpSource = file;
        if (request.hModule != nullptr && length > 0 && length < MAX_PATH) handle_ = CreateActCtxW(&request);
        SetLastError(savedError);
    }
    ~ComponentContext() {
        if (handle_ != INVALID_HANDLE_VALUE) ReleaseActCtx(handle_);
    }
    HANDLE Handle() const noexcept { return handle_; }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

HANDLE ComponentContextHandle() noexcept {
    static ComponentContext context;
    return context.Handle();
}

}  // namespace

ComponentContextScope::ComponentContextScope() noexcept {
    const HANDLE context = ComponentContextHandle();
    if (context != INVALID_HANDLE_VALUE) active_ = ActivateActCtx(context, &cookie_) != FALSE;
}

ComponentContextScope::~ComponentContextScope() {
    if (!active_) return;
    const DWORD loadError = GetLastError();
    DeactivateActCtx(0, cookie_);
    SetLastError(loadError);
}

}  // namespace qm::platform

#include "framework/kernel.h"

#include <atomic>

namespace {

std::atomic<HINSTANCE> g_module{nullptr};

}  // namespace

QM_EXTERN_C HRESULT QMAPI QmKernel_EarlyInitialize(HINSTANCE module, LCID lcid) noexcept {
    if (module == nullptr) return E_INVALIDARG;
    HINSTANCE expected = nullptr;
    if (!g_module.compare_exchange_strong(expected, module)) return S_FALSE;
    const HRESULT hr = qm::OpenKernelLangHandle(module, lcid);
    if (FAILED(hr)) {
        g_module.store(nullptr);
        return hr;
    }
    return S_OK;
}

QM_EXTERN_C HRESULT QMAPI QmKernel_LateTerminate(HINSTANCE module, DWORD /*reserved*/) noexcept {
    HINSTANCE expected = module;
    if (module == nullptr || !g_module.compare_exchange_strong(expected, nullptr)) return S_FALSE;
    qm::CloseKernelLangHandle();
    return S_OK;
}

namespace qm {

HINSTANCE KernelModule() noexcept { return g_module.load(); }

}  // namespace qm

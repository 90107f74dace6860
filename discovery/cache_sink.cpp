#include "discovery/cache_sink.h"

#include <new>

#include "qmvsti/guids.h"

namespace qm {

CPlugInManagerCachSink* CPlugInManagerCachSink::Create(CQmVSTiSynthType* owner) noexcept {
    return new (std::nothrow) CPlugInManagerCachSink(owner);
}

HRESULT CPlugInManagerCachSink::QueryInterface(REFIID riid, void** ppv) noexcept {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IPluginManagerCacheSink)) {
        *ppv = static_cast<IPluginManagerCacheSink*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG CPlugInManagerCachSink::AddRef() noexcept { return ++refs_; }

ULONG CPlugInManagerCachSink::Release() noexcept {
    const ULONG count = --refs_;
    if (count == 0) delete this;
    return count;
}

HRESULT CPlugInManagerCachSink::Notify3(DWORD /*value*/) noexcept { return S_OK; }

HRESULT CPlugInManagerCachSink::Notify4() noexcept { return S_OK; }

}  // namespace qm

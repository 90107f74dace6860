// CPlugInManagerCachSink: the sink the soft-synth type registers with the host's plug-in manager
// cache. The cache's notifications are accepted and ignored: the type reads the cache afresh whenever
// it creates an instance.
#pragma once
#include <atomic>

#include "qmvsti/plugin_manager_cache.h"

namespace qm {

class CQmVSTiSynthType;

class CPlugInManagerCachSink final : public IPluginManagerCacheSink {
public:
    // A new sink with count 0 (the creator takes the first reference), or null without memory.
    static CPlugInManagerCachSink* Create(CQmVSTiSynthType* owner) noexcept;

    HRESULT QM_COMCALL QueryInterface(REFIID riid, void** ppv) noexcept override;
    ULONG QM_COMCALL AddRef() noexcept override;
    ULONG QM_COMCALL Release() noexcept override;
    HRESULT QM_COMCALL Notify3(DWORD value) noexcept override;
    HRESULT QM_COMCALL Notify4() noexcept override;

    CQmVSTiSynthType* Owner() const noexcept { return owner_; }

private:
    explicit CPlugInManagerCachSink(CQmVSTiSynthType* owner) noexcept : owner_(owner) {}
    ~CPlugInManagerCachSink() = default;

    std::atomic<ULONG> refs_{0};
    CQmVSTiSynthType* owner_;  // not counted: the type unregisters the sink before it goes
};

}  // namespace qm

// What the host hands the library: the site given to ConnectHost (it answers for the plug-in
// manager cache and the progress object), the progress object, the instance site callback and a
// MIDI sink that only counts the library's calls.
#pragma once
#include <atomic>

#include "plugin_cache.h"
#include "tempo_map.h"
#include "qmvsti/callbacks.h"
#include "qmvsti/midi_in.h"

namespace qm::host {

// Prints each progress text to stderr when verbose; counts them either way.
class HostProgress final : public IHostProgress {
public:
    explicit HostProgress(bool verbose) noexcept : verbose_(verbose) {}
    HRESULT QM_COMCALL QueryInterface(REFIID iid, void** out) noexcept override;
    ULONG QM_COMCALL AddRef() noexcept override { return 2; }  // lives as long as the host
    ULONG QM_COMCALL Release() noexcept override { return 1; }
    HRESULT QM_COMCALL Reserved3() noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL SetText(LPCWSTR text) noexcept override;
    int Texts() const noexcept { return texts_; }

private:
    bool verbose_;
    int texts_ = 0;
};

// The site passed to ConnectHost; the library asks it for its services and does not keep it.
class HostSite final : public IUnknown {
public:
    HostSite(PlugInManagerCache* cache, IHostProgress* progress) noexcept : cache_(cache), progress_(progress) {}
    HRESULT QM_COMCALL QueryInterface(REFIID iid, void** out) noexcept override;
    ULONG QM_COMCALL AddRef() noexcept override { return 2; }
    ULONG QM_COMCALL Release() noexcept override { return 1; }

private:
    PlugInManagerCache* cache_;
    IHostProgress* progress_;
};

// The state behind the site callback's cookie: the song being played (or, without one, the fixed
// tempo the host answers time queries with) and what it has been told.
struct SiteState {
    double tempo = 120.0;
    LONG ticksPerQuarter = 960;
    const HostSequence* sequence = nullptr;  // not owned; set before the instance is opened
    double sampleRate = 44100.0;             // turns a tempo query's sample position into time
    std::atomic<int> attached{0};
    std::atomic<int> detached{0};
    std::atomic<int> timeQueries{0};
    std::atomic<int> blocks{0};
    std::atomic<int> eventsPut{0};
    std::atomic<int> eventsDropped{0};  // refused by a full MIDI buffer
};

// The instance site callback; the cookie is a SiteState*.
HRESULT QM_COMCALL HostSiteCallback(IQmSoftSynth* instance, DWORD code, ULONG_PTR cookie, ULONG_PTR w1,
                                    ULONG_PTR w2, ULONG_PTR w3, ULONG_PTR w4, ULONG_PTR w5, ULONG_PTR w6,
                                    ULONG_PTR w7) noexcept;

// A MIDI sink (SetMidiSink) that takes no MIDI: it counts the connects and disconnects it sees.
class CountingMidiSink final : public IMIDIIn {
public:
    HRESULT QM_COMCALL QueryInterface(REFIID iid, void** out) noexcept override;
    ULONG QM_COMCALL AddRef() noexcept override { return ++refs_; }
    ULONG QM_COMCALL Release() noexcept override { return --refs_; }  // owned by the host, never deleted
    HRESULT QM_COMCALL GetGuid(GUID* out) noexcept override;
    HRESULT QM_COMCALL SetGuid(REFGUID guid) noexcept override;
    HRESULT QM_COMCALL Reserved5(DWORD, DWORD) noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL Reserved6(DWORD, DWORD) noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL GetName(LPWSTR buffer, LONG capacity) noexcept override;
    HRESULT QM_COMCALL GetKind(DWORD* out) noexcept override;
    HRESULT QM_COMCALL Open(void**, DWORD*, DWORD*, MidiPortCallback, ULONG_PTR) noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL Close(void**) noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL Start() noexcept override { return S_OK; }
    HRESULT QM_COMCALL Stop() noexcept override { return S_OK; }
    HRESULT QM_COMCALL Pause() noexcept override { return S_OK; }
    HRESULT QM_COMCALL Reserved14(DWORD, DWORD) noexcept override { return S_OK; }
    HRESULT QM_COMCALL Reserved15(DWORD, DWORD) noexcept override { return S_OK; }
    HRESULT QM_COMCALL Connect(IMIDIOut* output) noexcept override;
    HRESULT QM_COMCALL Disconnect(IMIDIOut* output) noexcept override;
    HRESULT QM_COMCALL Reserved18(void** out) noexcept override;
    HRESULT QM_COMCALL Reserved19(DWORD) noexcept override { return E_NOTIMPL; }

    int Connects() const noexcept { return connects_; }
    int Disconnects() const noexcept { return disconnects_; }
    ULONG References() const noexcept { return refs_; }

private:
    std::atomic<ULONG> refs_{1};
    std::atomic<int> connects_{0};
    std::atomic<int> disconnects_{0};
    GUID guid_{};
};

}  // namespace qm::host

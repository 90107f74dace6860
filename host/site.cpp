#include "site.h"

#include <cstdio>
#include <cstring>

#include "qmvsti/host_structures.h"
#include "text.h"

namespace qm::host {

namespace {
constexpr IID kIidUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr double kHundredNsPerMinute = 60.0 * 1e7;
}  // namespace

HRESULT HostProgress::QueryInterface(REFIID iid, void** out) noexcept {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsEqualGUID(iid, kIidUnknown) && !IsEqualGUID(iid, IID_IHostProgress)) return E_NOINTERFACE;
    *out = static_cast<IHostProgress*>(this);
    return S_OK;
}

HRESULT HostProgress::SetText(LPCWSTR text) noexcept {
    ++texts_;
    if (verbose_ && text != nullptr) {
        try {
            std::fprintf(stderr, "%s\n", ToUtf8(text).c_str());
        } catch (...) {
            // Progress text is a courtesy; a failed conversion loses nothing.
        }
    }
    return S_OK;
}

HRESULT HostSite::QueryInterface(REFIID iid, void** out) noexcept {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (IsEqualGUID(iid, kIidUnknown)) {
        *out = static_cast<IUnknown*>(this);
        return S_OK;
    }
    if (IsEqualGUID(iid, IID_PlugInManagerCache) && cache_ != nullptr)
        return cache_->QueryInterface(iid, out);
    if (IsEqualGUID(iid, IID_IHostProgress) && progress_ != nullptr)
        return progress_->QueryInterface(iid, out);
    return E_NOINTERFACE;
}

namespace {

LONGLONG JoinWords(ULONG_PTR low, ULONG_PTR high) noexcept {
    return static_cast<LONGLONG>((static_cast<uint64_t>(static_cast<uint32_t>(high)) << 32) |
                                 static_cast<uint32_t>(low));
}

// Without a song: a fixed tempo in 4/4 without a loop; the position in ticks follows from the time.
void AnswerFixedTempo(const SiteState& state, TimeQuery* query) noexcept {
    query->tempo = state.tempo;
    query->ticksPerQuarter = state.ticksPerQuarter;
    const double quarters = static_cast<double>(query->time) * state.tempo / kHundredNsPerMinute;
    query->ticks = static_cast<LONGLONG>(quarters * state.ticksPerQuarter);
    const LONGLONG barTicks = 4LL * state.ticksPerQuarter;
    query->barStartTicks = query->ticks - query->ticks % barTicks;
    query->loopOn = 0;
    query->timeSigNumerator = 4;
    query->timeSigDenominator = 4;
}

}  // namespace

HRESULT QM_COMCALL HostSiteCallback(IQmSoftSynth*, DWORD code, ULONG_PTR cookie, ULONG_PTR w1, ULONG_PTR w2,
                                    ULONG_PTR w3, ULONG_PTR w4, ULONG_PTR w5, ULONG_PTR, ULONG_PTR) noexcept {
    SiteState* state = reinterpret_cast<SiteState*>(cookie);
    switch (code) {
    case SiteCode::Attached:
        if (state != nullptr) ++state->attached;
        return S_OK;
    case SiteCode::Detached:
        if (state != nullptr) ++state->detached;
        return S_OK;
    case SiteCode::TimeQuery: {
        TimeQuery* query = reinterpret_cast<TimeQuery*>(w1);
        if (query == nullptr || state == nullptr) return E_POINTER;
        ++state->timeQueries;
        if (state->sequence != nullptr) state->sequence->Map().Answer(query, state->sampleRate);
        else AnswerFixedTempo(*state, query);
        return S_OK;
    }
    case SiteCode::FillBlock: {
        if (state == nullptr) return S_OK;
        ++state->blocks;
        if (state->sequence == nullptr) return S_OK;  // no song: the block's buffer stays as it is
        IQMMIDIBuffer* buffer = reinterpret_cast<IQMMIDIBuffer*>(w1);
        if (buffer == nullptr) return E_POINTER;
        int dropped = 0;
        state->eventsPut += state->sequence->FillBlock(buffer, JoinWords(w2, w3), JoinWords(w4, w5), &dropped);
        state->eventsDropped += dropped;
        return S_OK;
    }
    default:
        return E_NOTIMPL;
    }
}

HRESULT CountingMidiSink::QueryInterface(REFIID iid, void** out) noexcept {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsEqualGUID(iid, kIidUnknown) && !IsEqualGUID(iid, IID_IMIDIIn)) return E_NOINTERFACE;
    *out = static_cast<IMIDIIn*>(this);
    AddRef();
    return S_OK;
}

HRESULT CountingMidiSink::GetGuid(GUID* out) noexcept {
    if (out == nullptr) return E_POINTER;
    *out = guid_;
    return S_OK;
}

HRESULT CountingMidiSink::SetGuid(REFGUID guid) noexcept {
    guid_ = guid;
    return S_OK;
}

HRESULT CountingMidiSink::GetName(LPWSTR buffer, LONG capacity) noexcept {
    if (buffer == nullptr || capacity <= 0) return E_POINTER;
    CopyToField(buffer, static_cast<size_t>(capacity), "QmVSTi Host MIDI Sink");
    return S_OK;
}

HRESULT CountingMidiSink::GetKind(DWORD* out) noexcept {
    if (out == nullptr) return E_POINTER;
    *out = 3;
    return S_OK;
}

HRESULT CountingMidiSink::Connect(IMIDIOut* output) noexcept {
    if (output == nullptr) return E_POINTER;
    ++connects_;
    return S_OK;
}

HRESULT CountingMidiSink::Disconnect(IMIDIOut*) noexcept {
    ++disconnects_;
    return S_OK;
}

HRESULT CountingMidiSink::Reserved18(void** out) noexcept {
    if (out != nullptr) *out = nullptr;
    return E_NOINTERFACE;
}

}  // namespace qm::host

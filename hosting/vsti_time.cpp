// Musical time for the plug-in: audioMasterGetTime and audioMasterTempoAt, answered by asking the
// host through the site callback's time query.
#include <cstdint>

#include "hosting/vsti_soft_synth.h"

namespace qm {

namespace {

ULONG_PTR Low(LONGLONG value) noexcept { return static_cast<ULONG_PTR>(static_cast<uint64_t>(value) & 0xFFFFFFFFu); }
ULONG_PTR High(LONGLONG value) noexcept { return static_cast<ULONG_PTR>(static_cast<uint64_t>(value) >> 32); }

// Ticks to quarter notes; a host that reports no resolution gives 0 rather than a division by zero.
double Quarters(LONGLONG ticks, LONG ticksPerQuarter) noexcept {
    return ticksPerQuarter > 0 ? static_cast<double>(ticks) / ticksPerQuarter : 0.0;
}

}  // namespace

HRESULT CVSTiSofthSynth::CallSite(DWORD code, ULONG_PTR w1, ULONG_PTR w2, ULONG_PTR w3, ULONG_PTR w4, ULONG_PTR w5,
                                  ULONG_PTR w6, ULONG_PTR w7) noexcept {
    SynthSiteCallback callback = siteCallback_;
    if (callback == nullptr) return E_UNEXPECTED;
    return callback(this, code, siteCookie_, w1, w2, w3, w4, w5, w6, w7);
}

intptr_t CVSTiSofthSynth::AnswerGetTime(int32_t wanted) noexcept {
    if (siteCallback_ == nullptr) return 0;
    int32_t flags = HasBits(InstanceStatus::Playing) ? kVstTransportPlaying : 0;
    timeInfo_.samplePos = static_cast<double>(currentSample_);
    timeInfo_.sampleRate = static_cast<double>(plugInFormat_.nSamplesPerSec);

    TimeQuery query{};
    query.request = TimeQueryRequest::Full;
    query.samplePosition = currentSample_;
    query.time = currentTime_;
    const LONGLONG now = currentTime_;
    if (CallSite(SiteCode::TimeQuery, reinterpret_cast<ULONG_PTR>(&query), Low(now), High(now), Low(now), High(now), 0,
                 reinterpret_cast<ULONG_PTR>(hostTimeRecord_)) != S_OK) {
        return 0;
    }

    if (wanted & kVstPpqPosValid) {
        const double ppq = Quarters(query.ticks, query.ticksPerQuarter);
        flags |= kVstPpqPosValid;
        if (ppq != timeInfo_.ppqPos) flags |= kVstTransportChanged;
        timeInfo_.ppqPos = ppq;
    }
    if (wanted & kVstTempoValid) flags |= kVstTempoValid;
    if (wanted & kVstBarsValid) {
        const double barStart = Quarters(query.barStartTicks, query.ticksPerQuarter);
        flags |= kVstBarsValid;
        if (barStart != timeInfo_.barStartPos) flags |= kVstTransportChanged;
        timeInfo_.barStartPos = barStart;
    }
    if (HasBits(InstanceStatus::Playing) && query.loopOn != 0) {
        const double start = Quarters(query.loopStartTicks, query.ticksPerQuarter);
        const double end = Quarters(query.loopEndTicks, query.ticksPerQuarter);
        flags |= kVstCyclePosValid | kVstTransportCycleActive;
        if (start != timeInfo_.cycleStartPos || end != timeInfo_.cycleEndPos) flags |= kVstTransportChanged;
        timeInfo_.cycleStartPos = start;
        timeInfo_.cycleEndPos = end;
    }
    if (wanted & kVstTimeSigValid) {
        flags |= kVstTimeSigValid;
        if (query.timeSigNumerator != timeInfo_.timeSigNumerator ||
            query.timeSigDenominator != timeInfo_.timeSigDenominator) {
            flags |= kVstTransportChanged;
        }
        timeInfo_.timeSigNumerator = query.timeSigNumerator;
        timeInfo_.timeSigDenominator = query.timeSigDenominator;
    }
    if ((flags & ~kVstTransportChanged) != (timeInfo_.flags & ~kVstTransportChanged)) flags |= kVstTransportChanged;
    flags |= pendingTransportFlags_;
    pendingTransportFlags_ = 0;
    if ((flags & kVstTempoValid) && query.tempo != timeInfo_.tempo) {
        timeInfo_.tempo = query.tempo;
        flags |= kVstTransportChanged;
    }
    timeInfo_.flags = flags;
    return reinterpret_cast<intptr_t>(&timeInfo_);
}

intptr_t CVSTiSofthSynth::AnswerTempoAt(intptr_t samplePosition) noexcept {
    TimeQuery query{};
    query.request = TimeQueryRequest::Tempo;
    query.samplePosition = static_cast<LONGLONG>(samplePosition);
    const LONGLONG now = currentTime_;
    // The host's answer code carries nothing here: an unanswered query leaves the tempo at 0.
    CallSite(SiteCode::TimeQuery, reinterpret_cast<ULONG_PTR>(&query), Low(now), High(now), Low(now), High(now), 0,
             reinterpret_cast<ULONG_PTR>(hostTimeRecord_));
    return static_cast<intptr_t>(query.tempo * 10000.0);
}

}  // namespace qm

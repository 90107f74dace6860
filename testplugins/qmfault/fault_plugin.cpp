// The fault instrument: a minimal silent instrument (2 outputs, 2 parameters, 1 program) that consults
// its fault plan at the top of every call and, when the plan selects the call, first writes
// "fault kind=<kind> where=<site> opcode=<n> index=<n>" to the recorder log (when one is set) and then
// raises the fault.
#include <atomic>
#include <cstdio>
#include "common/line_log.h"
#include "common/plugin_base.h"
#include "protocol.h"
#include "qmfault/fault_actions.h"
#include "qmfault/fault_plan.h"

namespace qmtest {
namespace {

std::atomic<int64_t> g_entryMatches{0};

// Counts the calls the plan selects and faults once `after` of them have passed.
void Consider(FaultSite site, int32_t opcode, int32_t index, std::atomic<int64_t>& matches,
              std::atomic<int64_t>* handled) {
    FaultPlan plan;
    if (!ReadFaultPlan(&plan) || !plan.selects(site, opcode, index)) return;
    if (matches.fetch_add(1) < plan.after) return;
    char line[128];
    std::snprintf(line, sizeof line, "fault kind=%s where=%s opcode=%d index=%d", FaultKindName(plan.kind),
                  FaultSiteName(site), static_cast<int>(opcode), static_cast<int>(index));
    AppendLogLine(line);
    PerformFault(plan.kind);
    if (plan.kind == FaultKind::Handled && handled) handled->fetch_add(1);
}

class FaultInstrument : public PluginBase {
public:
    explicit FaultInstrument(audioMasterCallback host)
        : PluginBase(host, PluginInfo{"QmFault", "QmVSTi Fault Instrument", kFaultUniqueId,
                                      effFlagsIsSynth | effFlagsCanReplacing, 1, 2, 0, 2, kPlugCategSynth}) {}

protected:
    intptr_t dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) override {
        Consider(FaultSite::Dispatcher, opcode, index, matches_, &handled_);
        if (opcode == effVendorSpecific && index == kVendorHandledFaults) return static_cast<intptr_t>(handled_.load());
        if (opcode == effProcessEvents) return 1;
        return PluginBase::dispatch(opcode, index, value, ptr, opt);
    }

    void beforeProcess(int32_t frames, bool accumulate) override {
        Consider(accumulate ? FaultSite::Process : FaultSite::ProcessReplacing, 0, 0, matches_, &handled_);
    }

    void setParameterValue(int32_t index, float value) override {
        Consider(FaultSite::SetParameter, 0, index, matches_, &handled_);
        PluginBase::setParameterValue(index, value);
    }

    float parameterValue(int32_t index) override {
        Consider(FaultSite::GetParameter, 0, index, matches_, &handled_);
        return PluginBase::parameterValue(index);
    }

private:
    std::atomic<int64_t> matches_{0};
    std::atomic<int64_t> handled_{0};
};

AEffect* Create(audioMasterCallback host) {
    Consider(FaultSite::Entry, 0, 0, g_entryMatches, nullptr);
    return host ? (new FaultInstrument(host))->effect() : nullptr;
}

}  // namespace
}  // namespace qmtest

extern "C" AEffect* VSTCALLBACK qmtp_main(audioMasterCallback host) { return qmtest::Create(host); }
extern "C" AEffect* VSTCALLBACK qmtp_VSTPluginMain(audioMasterCallback host) { return qmtest::Create(host); }

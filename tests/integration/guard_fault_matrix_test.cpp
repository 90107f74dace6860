// Every fault kind at every way into a plug-in (entry point, dispatcher, process, processReplacing,
// setParameter, getParameter), raised by the qmfault module many times in a row: the guard reports each
// one, the process keeps running, and the caller's FPU control state is what it was before. (Two
// threads faulting at once are the guard's own unit tests.)
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>

#include "platform/fpu.h"
#include "platform/guard.h"
#include "platform/module.h"
#include "support/environment.h"
#include "support/fault_kinds.h"
#include "support/test_plugin.h"
#include "testplugins/protocol.h"

namespace {

using qm::platform::GuardOutcome;
using qm::test::ScopedEnvironment;
using qm::test::TestPlugin;

const char* const kSites[] = {"entry", "dispatcher", "process", "processReplacing", "setParameter", "getParameter"};

// Sanitizers keep shadow bookkeeping for the whole stack on every jump out of a fault: fewer rounds
// there prove the same, the full count runs in the plain builds.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kRepeats = 50;
#else
constexpr int kRepeats = 1000;
#endif

// One faulting call at `site` on a loaded fault module (or through its entry point).
GuardOutcome FaultOnce(const std::string& site, AEffect* effect, VstPluginMainProc entry) {
    float left[32] = {}, right[32] = {};
    float* outputs[] = {left, right};
    return qm::platform::Guarded([&] {
        if (site == "entry") entry(&qm::test::TestHostCallback);
        if (site == "dispatcher") effect->dispatcher(effect, effIdle, 0, 0, nullptr, 0.0f);
        if (site == "process") effect->process(effect, nullptr, outputs, 32);
        if (site == "processReplacing") effect->processReplacing(effect, nullptr, outputs, 32);
        if (site == "setParameter") effect->setParameter(effect, 0, 0.5f);
        if (site == "getParameter") effect->getParameter(effect, 0);
    });
}

using GuardFaultMatrix = ::testing::TestWithParam<std::tuple<const char*, const char*>>;  // kind, site

// The instance is opened before the plan applies to the entry point: only "entry" faults there.
TEST_P(GuardFaultMatrix, EveryFaultInARowIsReportedAndFpuStateSurvives) {
    const qm::platform::FloatingPointState before = qm::platform::SaveFloatingPointState();
    const auto& [kind, where] = GetParam();
    const std::string site = where;
    const std::string plan = "where=" + site + ";kind=" + kind + (site == "dispatcher" ? ";opcode=53" : "");
    const ScopedEnvironment faults(qmtest::kFaultPlanVariable, plan.c_str());
    std::unique_ptr<TestPlugin> plugin = site == "entry" ? nullptr : std::make_unique<TestPlugin>("qmfault");
    ASSERT_TRUE(plugin == nullptr || plugin->effect() != nullptr);
    qm::platform::ModuleHandle module = qm::platform::LoadModule(qm::test::TestPluginPath("qmfault").c_str());
    auto entry = reinterpret_cast<VstPluginMainProc>(qm::platform::FindSymbol(module, "VSTPluginMain"));
    int matched = 0;
    for (int i = 0; i < kRepeats; ++i)
        matched += qm::test::ReportedAsKind(FaultOnce(site, plugin ? plugin->effect() : nullptr, entry), kind) ? 1 : 0;
    EXPECT_EQ(matched, kRepeats);
    qm::platform::UnloadModule(module);
    const qm::platform::FloatingPointState after = qm::platform::SaveFloatingPointState();
    EXPECT_EQ(after.x87Control, before.x87Control);
    EXPECT_EQ(after.mxcsr & ~qm::platform::kMxcsrExceptionFlags, before.mxcsr & ~qm::platform::kMxcsrExceptionFlags);
    // The host's own arithmetic still works without traps.
    volatile double zero = 0.0;
    volatile double inf = 1.0 / zero;
    EXPECT_GT(inf, 1e308);
}

INSTANTIATE_TEST_SUITE_P(EveryKindAtEverySite, GuardFaultMatrix,
                         ::testing::Combine(::testing::ValuesIn(qm::test::kFaultKinds), ::testing::ValuesIn(kSites)),
                         [](const ::testing::TestParamInfo<GuardFaultMatrix::ParamType>& p) {
                             return std::string(std::get<0>(p.param)) + "_" + std::get<1>(p.param);
                         });

}  // namespace

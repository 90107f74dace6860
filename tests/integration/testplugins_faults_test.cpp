// Every fault kind of qmfault really faults, at the site its plan names, and only under the guarded
// call: later tests of the host's fault handling depend on it. Each kind leaves the instance usable.
#include <gtest/gtest.h>

#include <string>
#include <vector>
#include "platform/guard.h"
#include "support/environment.h"
#include "support/fault_kinds.h"
#include "support/test_plugin.h"
#include "testplugins/protocol.h"

namespace {

using qm::platform::FaultKind;
using qm::platform::Guarded;
using qm::platform::GuardOutcome;
using qm::test::ScopedEnvironment;
using qm::test::TestHost;
using qm::test::TestPlugin;

void ExpectKind(const GuardOutcome& outcome, const char* kind) {
    EXPECT_TRUE(qm::test::ReportedAsKind(outcome, kind)) << kind << " code " << std::hex << outcome.code;
}

class FaultKindsTest : public ::testing::TestWithParam<const char*> {
protected:
    std::string log = qm::test::TemporaryFilePath("qmvsti-fault", "log");
    ScopedEnvironment logVariable{qmtest::kRecorderLogVariable, log.c_str()};
    ~FaultKindsTest() override { qm::test::RemoveFile(log); }
};

TEST_P(FaultKindsTest, DispatcherFaultIsRaisedOnlyForTheNamedOpcode) {
    const char* const kind = GetParam();
    TestHost host;
    TestPlugin fault("qmfault", host);
    ASSERT_NE(fault.effect(), nullptr);
    const std::string plan = std::string("where=dispatcher;opcode=53;kind=") + kind;
    ScopedEnvironment planVariable(qmtest::kFaultPlanVariable, plan.c_str());

    const GuardOutcome passed = Guarded([&] { fault.dispatch(effGetVendorVersion); });
    EXPECT_FALSE(passed.faulted);
    ExpectKind(Guarded([&] { fault.dispatch(effIdle, 2); }), kind);
    // The log line is written before the fault.
    EXPECT_EQ(qm::test::ReadTextFile(log), "fault kind=" + std::string(kind) + " where=dispatcher opcode=53 index=2\n");

    qm::test::SetEnvironment(qmtest::kFaultPlanVariable, nullptr);
    EXPECT_EQ(fault.dispatch(effGetVendorVersion), qmtest::kTestVendorVersion);
}

TEST_P(FaultKindsTest, ProcessAndParameterFaultsHitTheirOwnSite) {
    const char* const kind = GetParam();
    TestHost host;
    TestPlugin fault("qmfault", host);
    ASSERT_NE(fault.effect(), nullptr);
    std::vector<float> left(64), right(64);
    float* outputs[] = {left.data(), right.data()};
    AEffect* effect = fault.effect();

    const char* const sites[] = {"processReplacing", "setParameter", "getParameter"};
    for (const char* site : sites) {
        const std::string plan = std::string("where=") + site + ";kind=" + kind + ";index=1";
        ScopedEnvironment planVariable(qmtest::kFaultPlanVariable, plan.c_str());
        // Calls at the other sites (and of another parameter) pass.
        const GuardOutcome others = Guarded([&] {
            if (std::string(site) != "processReplacing") effect->processReplacing(effect, nullptr, outputs, 64);
            if (std::string(site) != "setParameter") effect->setParameter(effect, 1, 0.5f);
            if (std::string(site) != "getParameter") effect->getParameter(effect, 1);
            effect->setParameter(effect, 0, 0.5f);
            effect->getParameter(effect, 0);
            effect->process(effect, nullptr, outputs, 64);
        });
        EXPECT_FALSE(others.faulted) << site;
        ExpectKind(Guarded([&] {
                       if (std::string(site) == "processReplacing") effect->processReplacing(effect, nullptr, outputs, 64);
                       else if (std::string(site) == "setParameter") effect->setParameter(effect, 1, 0.5f);
                       else effect->getParameter(effect, 1);
                   }),
                   kind);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryKind, FaultKindsTest, ::testing::ValuesIn(qm::test::kFaultKinds),
                         [](const ::testing::TestParamInfo<const char*>& param) { return std::string(param.param); });

TEST(FaultEntry, EntryPointFaultsBeforeReturningAnEffect) {
    ScopedEnvironment plan(qmtest::kFaultPlanVariable, "where=entry;kind=av");
    qm::platform::ModuleHandle module = qm::platform::LoadModule(qm::test::TestPluginPath("qmfault").c_str());
    ASSERT_NE(module, nullptr);
    auto entry = reinterpret_cast<VstPluginMainProc>(qm::platform::FindSymbol(module, "VSTPluginMain"));
    ASSERT_NE(entry, nullptr);
    AEffect* effect = nullptr;
    const GuardOutcome outcome = Guarded([&] { effect = entry(&TestHost::Callback); });
    EXPECT_TRUE(outcome.faulted);
    EXPECT_EQ(outcome.kind, FaultKind::AccessViolation);
    EXPECT_EQ(effect, nullptr);
    qm::platform::UnloadModule(module);
}

}  // namespace

// Every fault kind of qmfault really faults, at the site its plan names, and only under the guarded
// call: later tests of the host's fault handling depend on it. Each kind leaves the instance usable.
#include <gtest/gtest.h>

#include <string>
#include <vector>
#include "platform/guard.h"
#include "support/environment.h"
#include "support/test_plugin.h"
#include "testplugins/protocol.h"

namespace {

using qm::platform::FaultKind;
using qm::platform::Guarded;
using qm::platform::GuardOutcome;
using qm::test::ScopedEnvironment;
using qm::test::TestHost;
using qm::test::TestPlugin;

struct KindCase {
    const char* kind;
    FaultKind expected;  // FaultKind::Other: any floating-point fault code (SSE traps vary by OS)
};

const KindCase kKinds[] = {
    {"av", FaultKind::AccessViolation},        {"intdiv", FaultKind::IntegerDivideByZero},
    {"fpdiv", FaultKind::Other},               {"fpinvalid", FaultKind::Other},
    {"fpoverflow", FaultKind::Other},          {"illegal", FaultKind::IllegalInstruction},
    {"breakpoint", FaultKind::Breakpoint},     {"raise", FaultKind::RaisedException},
    {"stackoverflow", FaultKind::StackOverflow}, {"cppthrow", FaultKind::CppException},
};

void ExpectKind(const GuardOutcome& outcome, const KindCase& c) {
    ASSERT_TRUE(outcome.faulted) << c.kind;
    if (c.expected == FaultKind::Other) {
        EXPECT_TRUE(qm::platform::IsFloatingPointFaultCode(outcome.code)) << c.kind << " code " << std::hex << outcome.code;
    } else if (c.expected == FaultKind::RaisedException) {
        // RaiseException with our own code on Windows, raise(SIGABRT) on Linux.
        EXPECT_TRUE(outcome.code == qmtest::kFaultRaiseCode || outcome.code == qm::platform::kExceptionAbort)
            << std::hex << outcome.code;
    } else {
        EXPECT_EQ(outcome.kind, c.expected) << c.kind << " code " << std::hex << outcome.code;
    }
}

class FaultKindsTest : public ::testing::TestWithParam<KindCase> {
protected:
    std::string log = qm::test::TemporaryFilePath("qmvsti-fault", "log");
    ScopedEnvironment logVariable{qmtest::kRecorderLogVariable, log.c_str()};
    ~FaultKindsTest() override { qm::test::RemoveFile(log); }
};

TEST_P(FaultKindsTest, DispatcherFaultIsRaisedOnlyForTheNamedOpcode) {
    const KindCase& c = GetParam();
    TestHost host;
    TestPlugin fault("qmfault", host);
    ASSERT_NE(fault.effect(), nullptr);
    const std::string plan = std::string("where=dispatcher;opcode=53;kind=") + c.kind;
    ScopedEnvironment planVariable(qmtest::kFaultPlanVariable, plan.c_str());

    const GuardOutcome passed = Guarded([&] { fault.dispatch(effGetVendorVersion); });
    EXPECT_FALSE(passed.faulted);
    ExpectKind(Guarded([&] { fault.dispatch(effIdle, 2); }), c);
    // The log line is written before the fault.
    EXPECT_EQ(qm::test::ReadTextFile(log), "fault kind=" + std::string(c.kind) + " where=dispatcher opcode=53 index=2\n");

    qm::test::SetEnvironment(qmtest::kFaultPlanVariable, nullptr);
    EXPECT_EQ(fault.dispatch(effGetVendorVersion), qmtest::kTestVendorVersion);
}

TEST_P(FaultKindsTest, ProcessAndParameterFaultsHitTheirOwnSite) {
    const KindCase& c = GetParam();
    TestHost host;
    TestPlugin fault("qmfault", host);
    ASSERT_NE(fault.effect(), nullptr);
    std::vector<float> left(64), right(64);
    float* outputs[] = {left.data(), right.data()};
    AEffect* effect = fault.effect();

    const char* const sites[] = {"processReplacing", "setParameter", "getParameter"};
    for (const char* site : sites) {
        const std::string plan = std::string("where=") + site + ";kind=" + c.kind + ";index=1";
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
                   c);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryKind, FaultKindsTest, ::testing::ValuesIn(kKinds),
                         [](const ::testing::TestParamInfo<KindCase>& param) { return std::string(param.param.kind); });

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

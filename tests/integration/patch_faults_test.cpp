// The patch device over a test instrument that really faults inside the program-name opcodes.
#include <gtest/gtest.h>

#include "support/environment.h"
#include "testplugins/protocol.h"
#include "patches/patch_device.h"
#include "unit/hosting_fakes.h"

namespace {

TEST(PatchFaults, RealFaultsInTheProgramNameOpcodesLeaveTheInstrumentUsable) {
    for (const char* plan : {"where=dispatcher;kind=av;opcode=62", "where=dispatcher;kind=illegal;opcode=66"}) {
        SCOPED_TRACE(plan);
        qm::test::ScopedEnvironment fault(qmtest::kFaultPlanVariable, plan);
        hosting_test::Rig rig("qmfault");
        EXPECT_EQ(rig->Status() & qm::InstanceStatus::Faulted, 0u);
        ASSERT_NE(rig->PatchDevice(), nullptr);
        EXPECT_FALSE(rig->PatchDevice()->NamesMode());
        ASSERT_EQ(rig->Cue(0), S_OK);
        std::vector<float> out;
        EXPECT_EQ(rig.render(out, 600), 600);
        EXPECT_EQ(rig->Status() & qm::InstanceStatus::Faulted, 0u);
    }
}

}  // namespace

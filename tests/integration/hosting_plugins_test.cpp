// Our test instruments in the soft-synth type and the instance. Loading from the type's plug-in list:
// what each module, and each way of crashing while loading, leaves in the list's record, what the
// instance is named, and which records are offered afterwards. Rendering through the instance:
// sample-accurate notes across block boundaries (the reference synth renders bit for bit alike
// whatever its block sizes and starts a note at phase 0 on its frame, protocol.h, so the instance's
// blocks must give exactly what one direct block gives), and a real fault in process, which ends the
// render as a C++ exception does in the unit fakes.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "discovery/synth_type.h"
#include "hosting/vsti_soft_synth.h"
#include "support/environment.h"
#include "support/test_plugin.h"
#include "testplugins/protocol.h"
#include "unit/discovery_test_support.h"
#include "unit/hosting_fakes.h"

namespace qm::test {
namespace {

using namespace PluginRecordFlags;

struct LoadCase {
    const char* module;
    const char* plan;  // qmfault's fault plan, or null
    HRESULT result;
    DWORD flags;       // the record's afterwards
    const char* name;  // the instance's display name, for a loaded module
    int32_t uniqueId;
    bool mono;
};

// A fault before the magic is seen leaves the record not loaded and not an instrument; past it, the
// instrument bit comes from the plug-in's own flags (qmfault has no editor). The guard fault matrix
// proves every kind of fault; here one stands for each place in the load sequence.
// qmref has its editor window on Windows only.
const DWORD kRefEditorBits = std::strcmp(PluginFileSuffix(), ".dll") == 0 ? 0 : NoEditor;
const LoadCase kCases[] = {
    {"qmref", nullptr, S_OK, Enabled | kRefEditorBits, "QmRef", qmtest::kRefUniqueId, false},
    {"qmref_multi", nullptr, S_OK, Enabled | NoEditor, "QmRef Multi", qmtest::kRefMultiUniqueId, false},
    {"qmref_mono", nullptr, S_OK, Enabled | NoEditor, "QmRef Mono", qmtest::kRefMonoUniqueId, true},
    {"qmbothentries", nullptr, S_OK, Enabled | NoEditor, "QmBoth main", qmtest::kBothMainUniqueId, false},
    {"qmeffect", nullptr, S_OK, Enabled | NotInstrument | NoEditor, "QmEffect", qmtest::kEffectUniqueId, false},
    {"qmfault", nullptr, S_OK, Enabled | NoEditor, "QmFault", qmtest::kFaultUniqueId, false},
    {"qmwrongmagic", nullptr, S_FALSE, NotInstrument | LoadFailed, nullptr, 0, false},
    {"qmnoentry", nullptr, S_FALSE, NotInstrument | LoadFailed, nullptr, 0, false},
    {"no_such_module", nullptr, S_FALSE, NotInstrument | LoadFailed, nullptr, 0, false},
    {"qmfault", "where=entry;kind=av", QM_E_PLUGIN_EXCEPTION, Faulted | NotInstrument | LoadFailed, nullptr, 0, false},
    {"qmfault", "where=entry;kind=raise", QM_E_PLUGIN_EXCEPTION, Faulted | NotInstrument | LoadFailed, nullptr, 0, false},
    {"qmfault", "where=dispatcher;kind=av;opcode=0", QM_E_PLUGIN_EXCEPTION, Faulted | NoEditor, nullptr, 0, false},
    {"qmfault", "where=dispatcher;kind=illegal;opcode=45", QM_E_PLUGIN_EXCEPTION, Faulted | NoEditor, nullptr, 0, false},
    {"qmfault", "where=dispatcher;kind=cppthrow;opcode=48", QM_E_PLUGIN_EXCEPTION, Faulted | NoEditor, nullptr, 0,
     false},
};

TEST(TypeLoadsModules, TheRecordKeepsWhatTheLoaderFound) {
    for (const LoadCase& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.module << " " << (c.plan ? c.plan : ""));
        std::unique_ptr<ScopedEnvironment> plan;
        if (c.plan != nullptr) plan = std::make_unique<ScopedEnvironment>(qmtest::kFaultPlanVariable, c.plan);
        KernelScope kernel;
        CQmVSTiSynthType* type = CQmVSTiSynthType::Create();
        ASSERT_NE(type, nullptr);
        type->AddRef();
        UseRecords(type, {TestPluginRecord(c.module, Enabled)});
        const SoftSynthTypeInfo any = AnySynth();
        IQmSoftSynth* synth = reinterpret_cast<IQmSoftSynth*>(1);
        EXPECT_EQ(type->CreateSynth(&any, &synth), c.result);
        const VstiPluginRecord* after = PluginRecordAt(type->PluginList(), 0);
        EXPECT_EQ(after->flags, c.flags);
        EXPECT_EQ(after->useCount, c.result == S_OK ? 1 : 0);
        if (c.result == S_OK) {
            ASSERT_NE(synth, nullptr);
            const auto* instance = static_cast<const CVSTiSofthSynth*>(synth);
            EXPECT_EQ(A(instance->DisplayName()), c.name);
            EXPECT_EQ(A(instance->VendorName()), qmtest::kTestVendor);
            EXPECT_EQ(A(after->vendor), qmtest::kTestVendor);
            EXPECT_EQ(after->vendorVersion, qmtest::kTestVendorVersion);
            EXPECT_EQ(after->uniqueId, c.uniqueId);
            EXPECT_EQ((instance->Status() & InstanceStatus::MonoMainOutput) != 0, c.mono);
            EXPECT_EQ(WString(instance->PlugInPath()), TestPluginPath(c.module));
            EXPECT_EQ(synth->Release(), 0u);
        } else {
            EXPECT_EQ(synth, nullptr);
        }
        // What failed is not offered to the host again; what is no instrument is not created again.
        SoftSynthTypeInfo info = AnySynth();
        EXPECT_EQ(type->GetSynthInfo(0, &info), (c.flags & Enabled) ? S_OK : S_FALSE);
        if (c.result != S_OK || (c.flags & NotInstrument)) {
            plan.reset();
            EXPECT_EQ(type->CreateSynth(&any, &synth), S_FALSE);
        }
        EXPECT_EQ(type->Release(), 0u);
    }
}

}  // namespace
}  // namespace qm::test

namespace {

using namespace hosting_test;

TEST(HostingRenderPlugins, TheReferenceSynthStartsNotesOnTheStampedFrames) {
    // Inside the first block, in the second and in the third, all handed over with the first block.
    Rig rig("qmref");
    rig.site.events = {{TimeOfFrames(100), 0x00643C90u}, {TimeOfFrames(400), 0x00504390u}, {TimeOfFrames(600), 0x00704890u}};
    ASSERT_EQ(rig->Cue(0), S_OK);
    ASSERT_EQ(rig->Play(0, 0), S_OK);
    std::vector<float> out;
    ASSERT_EQ(rig.render(out, 800), 800);
    for (size_t frame = 0; frame <= 100; ++frame) ASSERT_EQ(out[frame * 2], 0.0f) << frame;  // sine phase 0
    EXPECT_NE(out[101 * 2], 0.0f);

    // The same notes handed to the plug-in directly, in one block.
    qm::test::TestHost host;
    qm::test::TestPlugin direct("qmref", host);
    direct.start(44100.0, 1024);
    direct.sendMidi({{100, 0x90, 60, 100}, {400, 0x90, 67, 80}, {600, 0x90, 72, 112}});
    std::vector<std::vector<float>> channels;
    direct.render(channels, 800);
    for (size_t frame = 0; frame < 800; ++frame) {
        ASSERT_EQ(out[frame * 2], channels[0][frame]) << frame;
        ASSERT_EQ(out[frame * 2 + 1], channels[1][frame]) << frame;
    }
}

}  // namespace

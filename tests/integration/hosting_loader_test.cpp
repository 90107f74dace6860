// Loading our test instruments through CVSTiSofthSynth::LoadPlugIn: the exact call sequence a plug-in
// sees over an instance's life, naming, record flags, and modules that fault, lie or are no plug-ins.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/lang.h"
#include "hosting/synth_type_link.h"
#include "hosting/vsti_soft_synth.h"
#include "platform/guard.h"
#include "testplugins/protocol.h"
#include "support/environment.h"
#include "support/test_plugin.h"

using qm::CVSTiSofthSynth;
namespace Status = qm::InstanceStatus;
namespace Flags = qm::PluginRecordFlags;
using qm::VstiPluginRecord;

namespace {

class Type final : public qm::ISynthTypeLink {
public:
    uint32_t flushes = 0;
    int64_t FrameSizeDuration() const noexcept override { return 60000; }
    uint32_t FlushOnStopCount() const noexcept override { return flushes; }
    bool ExposeMultiChannel() const noexcept override { return true; }
    bool HasAlternativeDrawingMark(const WCHAR*, const WCHAR*, int32_t) noexcept override { return false; }
};

HRESULT QM_COMCALL AcceptingSite(qm::IQmSoftSynth*, DWORD, ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR,
                                 ULONG_PTR, ULONG_PTR, ULONG_PTR) {
    return S_OK;
}

std::basic_string<WCHAR> Wide(const char* text) {
    std::basic_string<WCHAR> wide;
    for (const char* p = text; *p != 0; ++p) wide.push_back(static_cast<WCHAR>(*p));
    return wide;
}

// One instance of `type` loading the test plug-in `name`.
struct Load {
    Load(Type& type, const char* name) {
        if (qm::KernelLangHandle() == nullptr) {
            qm::OpenKernelLangHandle(qm::ModuleInstanceOf(reinterpret_cast<const void*>(&Wide)), 1033);
        }
        record.flags = Flags::Enabled;
        const std::basic_string<WCHAR> path = qm::test::TestPluginPath(name);
        path.copy(record.path, path.size());
        EXPECT_EQ(CVSTiSofthSynth::CreateInstance(&type, &synth), S_OK);
        synth->AddRef();
        EXPECT_EQ(synth->Initialize(), S_OK);
        result = synth->LoadPlugIn(&record);
    }
    ~Load() { synth->Release(); }
    CVSTiSofthSynth* synth = nullptr;
    VstiPluginRecord record{};
    HRESULT result = E_FAIL;
};

}  // namespace

TEST(HostingLoaderSequence, APlugInSeesTheCallsOfItsWholeLife) {
    const std::string log = qm::test::TemporaryFilePath("hosting-sequence", "log");
    qm::test::ScopedEnvironment logging(qmtest::kRecorderLogVariable, log.c_str());
    Type type;
    type.flushes = 2;
    {
        Load load(type, "qmrecorder");
        ASSERT_EQ(load.result, S_OK);
        ASSERT_EQ(load.synth->Open(0, 0, 0, &AcceptingSite, 0, 0), S_OK);
        const WAVEFORMATEX format{WAVE_FORMAT_IEEE_FLOAT, 2, 44100, 352800, 8, 32, 0};
        ASSERT_EQ(load.synth->SetFormat(&format, 0, 0), S_OK);
        load.synth->Cue(0);
        load.synth->Play(0, 0);
        load.synth->Stop();
        load.synth->ReleaseFormat();
        ASSERT_EQ(load.synth->Close(), S_OK);
    }
    std::vector<std::string> expected = qm::test::RecorderCallsFromLoadToCue();
    const std::vector<std::string> rest = {
        // Stop: All Notes Off on each channel in its own block (inserted below), the flush blocks,
        // then suspend and resume
        "processReplacing frames=265",
        "processReplacing frames=265",
        "dispatcher opcode=12 index=0 value=0 opt=0",
        "dispatcher opcode=12 index=0 value=1 opt=0",
        // ReleaseFormat
        "dispatcher opcode=12 index=0 value=0 opt=0",
        // teardown
        "dispatcher opcode=1 index=0 value=0 opt=0",
    };
    for (int channel = 0; channel < 16; ++channel) {
        expected.push_back("dispatcher opcode=25 index=0 value=0 opt=0 events=1");
        expected.push_back("processReplacing frames=265");
    }
    expected.insert(expected.end(), rest.begin(), rest.end());
    EXPECT_EQ(qm::test::ReadTextLines(log), expected);
    qm::test::RemoveFile(log);
}

TEST(HostingLoaderNaming, ReferenceSynthVariantsAreNamedByTheirEffectName) {
    Type type;
    struct Case {
        const char* module;
        const char* name;
        int32_t uniqueId;
        bool mono;
    };
    for (const Case& c : {Case{"qmref", "QmRef", qmtest::kRefUniqueId, false},
                          Case{"qmref_multi", "QmRef Multi", qmtest::kRefMultiUniqueId, false},
                          Case{"qmref_mono", "QmRef Mono", qmtest::kRefMonoUniqueId, true}}) {
        SCOPED_TRACE(c.module);
        Load load(type, c.module);
        ASSERT_EQ(load.result, S_OK);
        EXPECT_EQ(std::basic_string<WCHAR>(load.synth->DisplayName()), Wide(c.name));
        EXPECT_EQ(std::basic_string<WCHAR>(load.synth->ProductName()), Wide(qmtest::kRefProduct));
        EXPECT_EQ(std::basic_string<WCHAR>(load.record.vendor), Wide(qmtest::kTestVendor));
        EXPECT_EQ(std::basic_string<WCHAR>(load.synth->VendorName()), Wide(qmtest::kTestVendor));
        EXPECT_EQ(load.record.vendorVersion, qmtest::kTestVendorVersion);
        EXPECT_EQ(load.record.uniqueId, c.uniqueId);
        EXPECT_EQ(load.record.flags, Flags::Enabled | Flags::NoEditor);
        EXPECT_EQ((load.synth->Status() & Status::MonoMainOutput) != 0, c.mono);
        EXPECT_EQ(std::basic_string<WCHAR>(load.synth->PlugInPath()), qm::test::TestPluginPath(c.module));
    }
}

TEST(HostingLoaderFaults, APlugInThatCrashesWhileLoadingIsContained) {
    Type type;
    for (const char* plan : {"where=entry;kind=av", "where=dispatcher;kind=av;opcode=0",
                             "where=dispatcher;kind=intdiv;opcode=45", "where=dispatcher;kind=cppthrow;opcode=48"}) {
        SCOPED_TRACE(plan);
        qm::test::ScopedEnvironment fault(qmtest::kFaultPlanVariable, plan);
        Load load(type, "qmfault");
        EXPECT_EQ(load.result, QM_E_PLUGIN_EXCEPTION);
        EXPECT_NE(load.record.flags & Flags::Faulted, 0u);
        EXPECT_EQ(load.record.flags & Flags::Enabled, 0u);
        EXPECT_EQ(load.synth->Effect(), nullptr);
        EXPECT_NE(load.synth->Status() & Status::Faulted, 0u);
    }
}

TEST(HostingLoaderFaults, ModulesThatAreNoInstrumentsAreRefused) {
    Type type;
    {
        Load load(type, "qmwrongmagic");
        EXPECT_EQ(load.result, S_FALSE);
        EXPECT_EQ(load.record.flags, Flags::NotInstrument | Flags::LoadFailed);
        EXPECT_EQ(load.synth->Effect(), nullptr);
    }
    for (const char* module : {"qmnoentry", "no_such_module"}) {
        Load load(type, module);
        EXPECT_EQ(load.result, S_FALSE);
        EXPECT_EQ(load.record.flags, Flags::NotInstrument | Flags::LoadFailed);
    }
    {
        Load load(type, "qmeffect");  // loads, but is marked as no instrument
        EXPECT_EQ(load.result, S_OK);
        EXPECT_EQ(load.record.flags, Flags::Enabled | Flags::NotInstrument | Flags::NoEditor);
        EXPECT_EQ(std::basic_string<WCHAR>(load.synth->DisplayName()), Wide("QmEffect"));
    }
    {
        Load load(type, "qmbothentries");
        EXPECT_EQ(load.result, S_OK);
        EXPECT_EQ(load.record.uniqueId, qmtest::kBothMainUniqueId);
        EXPECT_EQ(std::basic_string<WCHAR>(load.synth->DisplayName()), Wide("QmBoth main"));
    }
}

TEST(HostingLoaderFaults, FaultsAfterLoadingSilenceUntilThePowerIsToggled) {
    Type type;
    qm::test::ScopedEnvironment fault(qmtest::kFaultPlanVariable, "where=dispatcher;kind=av;opcode=3");
    Load load(type, "qmfault");
    ASSERT_EQ(load.result, S_OK);
    EXPECT_EQ(load.synth->CallDispatcher(effGetProgram, 0, 0, nullptr, 0.0f), -1);
    EXPECT_NE(load.synth->Status() & Status::Faulted, 0u);
    EXPECT_EQ(load.synth->LastFault().opcode, effGetProgram);
    EXPECT_EQ(load.synth->LastFault().code, qm::platform::kExceptionAccessViolation);
    load.synth->TogglePower();
    load.synth->TogglePower();
    EXPECT_EQ(load.synth->Status() & (Status::Faulted | Status::ProcessEvents), Status::ProcessEvents);

    qm::test::ScopedEnvironment processFault(qmtest::kFaultPlanVariable, "where=processReplacing;kind=fpdiv");
    const WAVEFORMATEX format{WAVE_FORMAT_IEEE_FLOAT, 2, 44100, 352800, 8, 32, 0};
    ASSERT_EQ(load.synth->SetFormat(&format, 0, 0), S_OK);
    EXPECT_EQ(load.synth->CallProcess(265), 1);
    EXPECT_NE(load.synth->Status() & Status::Faulted, 0u);
    EXPECT_STREQ(load.synth->LastFault().call, "processReplacing");
    load.synth->ReleaseFormat();
}

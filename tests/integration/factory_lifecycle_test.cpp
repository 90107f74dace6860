// The built module as a host drives it: the exported factory hands out the type, the type creates
// instances of our test instruments from a host cache entry, and the call recorder logs every call a
// plug-in sees from its entry point to its effClose. Plug-ins that crash while being created are
// contained, also once the module is gone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../unit/discovery_test_support.h"
#include "platform/module.h"
#include "qmvsti/guids.h"
#include "qmvsti/midi_class.h"
#include "qmvsti/soft_synth.h"
#include "support/environment.h"
#include "support/test_plugin.h"
#include "testplugins/protocol.h"

namespace qm::test {
namespace {

using namespace PluginRecordFlags;
using CreateDriverClassFn = HRESULT(QMAPI*)(void**);

// The module beside the test program, found from a test plug-in's path (bin/testplugins/x -> bin/).
WString ModulePath() {
    WString path = TestPluginPath("qmref");
    for (int i = 0; i < 2; ++i) path.erase(path.find_last_of(W("/\\")));
    const bool windows = std::string(PluginFileSuffix()) == ".dll";
    return path + (windows ? W("\\QmVSTi.dll") : W("/libqmvsti.so"));
}

HRESULT QM_COMCALL AcceptingSite(IQmSoftSynth*, DWORD, ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR,
                                 ULONG_PTR, ULONG_PTR, ULONG_PTR) { return S_OK; }

// The type from the module's exported factory, connected to a host cache holding one entry per module.
class ExportedType : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = platform::LoadModule(ModulePath().c_str());
        ASSERT_NE(module_, nullptr) << A(ModulePath().c_str());
        auto create = reinterpret_cast<CreateDriverClassFn>(platform::FindSymbol(module_, "QmMIDIDriver_CreateDriverClass"));
        ASSERT_NE(create, nullptr);
        void* out = nullptr;
        ASSERT_EQ(create(&out), S_OK);
        auto* cls = static_cast<IMIDIClass*>(out);
        ASSERT_EQ(cls->QueryInterface(IID_IQmSoftSynthType, reinterpret_cast<void**>(&type_)), S_OK);
        EXPECT_EQ(cls->Release(), 1u);
    }
    void TearDown() override {
        if (type_ != nullptr) {
            EXPECT_EQ(type_->Release(), 0u);
        }
        EXPECT_EQ(cache_.registrations, cache_.unregistrations);
        if (module_ != nullptr) platform::UnloadModule(module_);
    }
    void Connect(const std::vector<const char*>& plugins) {
        uint32_t id = 1;
        for (const char* plugin : plugins)
            cache_.entries.push_back(Entry(A(TestPluginPath(plugin).c_str()).c_str(), plugin, "QmVSTi Test", 0, id++));
        ASSERT_EQ(type_->ConnectHost(&site_), S_OK);
    }
    HRESULT Create(uint32_t id, IQmSoftSynth** synth) {
        SoftSynthTypeInfo d = AnySynth();
        d.managerId = MakeGuid(id);
        return type_->CreateSynth(&d, synth);
    }

    platform::ModuleHandle module_ = nullptr;
    IQmSoftSynthType* type_ = nullptr;
    TestCache cache_;
    TestSite site_{&cache_, nullptr};
};

TEST_F(ExportedType, APlugInSeesTheCallsOfItsWholeLifeThroughTheFactory) {
    const std::string log = TemporaryFilePath("factory-sequence", "log");
    ScopedEnvironment logging(qmtest::kRecorderLogVariable, log.c_str());
    Connect({"qmrecorder"});
    IQmSoftSynth* synth = nullptr;
    ASSERT_EQ(Create(1, &synth), S_OK);
    ASSERT_NE(synth, nullptr);
    ASSERT_EQ(synth->Open(0, 0, 0, &AcceptingSite, 0, 0), S_OK);
    const WAVEFORMATEX format{WAVE_FORMAT_IEEE_FLOAT, 2, 44100, 352800, 8, 32, 0};
    ASSERT_EQ(synth->SetFormat(&format, 0, 0), S_OK);
    EXPECT_EQ(synth->Cue(0), S_OK);
    EXPECT_EQ(synth->Play(0, 0), S_OK);
    EXPECT_EQ(synth->Stop(), S_OK);
    EXPECT_EQ(synth->ReleaseFormat(), S_OK);
    EXPECT_EQ(synth->Close(), S_OK);
    EXPECT_EQ(synth->Release(), 0u);
    EXPECT_EQ(cache_.inUseCalls, (std::vector<std::pair<uint32_t, DWORD>>{{1u, 1u}}));

    std::vector<std::string> expected = RecorderCallsFromLoadToCue();
    // Stop in playback: All Notes Off on each channel in a block of its own (no flush blocks by
    // default), then suspend and resume; ReleaseFormat suspends, Close sends nothing, the last
    // Release closes the plug-in.
    for (int channel = 0; channel < 16; ++channel) {
        expected.push_back(RecorderDispatch(effProcessEvents) + " events=1");
        expected.push_back("processReplacing frames=265");
    }
    for (const auto& [opcode, value] : {std::pair<int32_t, intptr_t>{effMainsChanged, 0}, {effMainsChanged, 1},
                                        {effMainsChanged, 0}, {effClose, 0}})
        expected.push_back(RecorderDispatch(opcode, value));
    EXPECT_EQ(ReadTextLines(log), expected);
    RemoveFile(log);
}

// A crash while an instance is created is contained: CreateSynth answers 0x8004E017 with no instance
// and the type goes on creating working instruments. A host may then unload the module and go on:
// whatever the module installed to catch plug-in faults must leave with it, or the next fault caught
// anywhere in the process ends the process.
TEST_F(ExportedType, CreationFaultsAreContainedAlsoAfterTheModuleIsGone) {
    Connect({"qmfault", "qmref"});
    IQmSoftSynth* synth = nullptr;
    // The module's own guard, not this program's copy, catches these.
    for (const char* plan : {"where=entry;kind=av", "where=dispatcher;kind=illegal;opcode=45",
                             "where=dispatcher;kind=cppthrow;opcode=48", "where=entry;kind=raise"}) {
        ScopedEnvironment fault(qmtest::kFaultPlanVariable, plan);
        synth = reinterpret_cast<IQmSoftSynth*>(1);
        EXPECT_EQ(Create(1, &synth), QM_E_PLUGIN_EXCEPTION) << plan;
        EXPECT_EQ(synth, nullptr);
    }
    ASSERT_EQ(Create(2, &synth), S_OK);
    EXPECT_EQ(synth->Release(), 0u);
    EXPECT_EQ(cache_.inUseCalls, (std::vector<std::pair<uint32_t, DWORD>>{{2u, 1u}}));  // only the working one
    EXPECT_EQ(type_->Release(), 0u);
    type_ = nullptr;
    platform::UnloadModule(module_);
    module_ = nullptr;

    // A fault now is caught by this program's own copy of the loader.
    KernelScope kernel;
    CQmVSTiSynthType* type = CQmVSTiSynthType::Create();
    ASSERT_NE(type, nullptr);
    type->AddRef();
    VstiPluginRecord r = TestPluginRecord("qmfault", 0);
    ScopedEnvironment fault(qmtest::kFaultPlanVariable, "where=dispatcher;kind=av;opcode=0");
    IUnknown* instance = nullptr;
    EXPECT_EQ(type->CreateForRecord(&r, &instance), QM_E_PLUGIN_EXCEPTION);
    EXPECT_EQ(instance, nullptr);
    EXPECT_EQ(type->Release(), 0u);
}

}  // namespace
}  // namespace qm::test

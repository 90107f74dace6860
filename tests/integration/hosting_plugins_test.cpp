// Our test instruments in the soft-synth type and the instance. Loading from the type's plug-in list:
// what each module, and each way of crashing while loading, leaves in the list's record, what the
// instance is named, and which records are offered afterwards. The built module as a host drives it:
// the exported factory hands out the type, the call recorder logs every call a plug-in sees from its
// entry point to its effClose, and crashes while an instance is created are contained, also once the
// module is gone. Rendering through the instance: sample-accurate notes across block boundaries (the
// reference synth renders bit for bit alike whatever its block sizes and starts a note at phase 0 on
// its frame, protocol.h, so the instance's blocks must give exactly what one direct block gives), and
// real faults inside the program-name opcodes, which leave the instrument usable.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "discovery/synth_type.h"
#include "hosting/vsti_soft_synth.h"
#include "patches/patch_device.h"
#include "platform/module.h"
#include "qmvsti/guids.h"
#include "qmvsti/midi_class.h"
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
    {"qmref_mono", nullptr, S_OK, Enabled | NoEditor, "QmRef Mono", qmtest::kRefMonoUniqueId, true},
    {"qmbothentries", nullptr, S_OK, Enabled | NoEditor, "QmBoth main", qmtest::kBothMainUniqueId, false},
    {"qmeffect", nullptr, S_OK, Enabled | NotInstrument | NoEditor, "QmEffect", qmtest::kEffectUniqueId, false},
    {"qmfault", nullptr, S_OK, Enabled | NoEditor, "QmFault", qmtest::kFaultUniqueId, false},
    {"qmwrongmagic", nullptr, S_FALSE, NotInstrument | LoadFailed, nullptr, 0, false},
    {"qmnoentry", nullptr, S_FALSE, NotInstrument | LoadFailed, nullptr, 0, false},
    {"no_such_module", nullptr, S_FALSE, NotInstrument | LoadFailed, nullptr, 0, false},
    {"qmfault", "where=entry;kind=av", QM_E_PLUGIN_EXCEPTION, Faulted | NotInstrument | LoadFailed, nullptr, 0, false},
    {"qmfault", "where=dispatcher;kind=av;opcode=0", QM_E_PLUGIN_EXCEPTION, Faulted | NoEditor, nullptr, 0, false},
    {"qmfault", "where=dispatcher;kind=illegal;opcode=45", QM_E_PLUGIN_EXCEPTION, Faulted | NoEditor, nullptr, 0, false},
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

using CreateDriverClassFn = HRESULT(QMAPI*)(void**);

// One dispatcher call as the call recorder logs it: "dispatcher opcode=10 index=0 value=0 opt=44100".
std::string RecorderDispatch(int32_t opcode, intptr_t value = 0, int32_t index = 0, float opt = 0.0f) {
    return "dispatcher opcode=" + std::to_string(opcode) + " index=" + std::to_string(index) +
           " value=" + std::to_string(value) + " opt=" + std::to_string(static_cast<long>(opt));
}

// What the call recorder logs from its entry point to Cue when an instance loads it, prepares the
// default format (44.1 kHz, 6 ms blocks of 265 frames) and is cued; Open and Play send nothing.
std::vector<std::string> RecorderCallsFromLoadToCue() {
    const struct {
        int32_t opcode;
        intptr_t value = 0;
        int32_t index = 0;
        float opt = 0.0f;
    } calls[] = {
        // load: identify, open, a provisional rate and block size, then the names and the pin label
        {effIdentify}, {effOpen}, {effSetSampleRate, 0, 0, 44100.0f}, {effSetBlockSize, 1024}, {effGetProductString},
        {effGetEffectName}, {effGetVendorString}, {effGetVendorVersion}, {effGetOutputProperties}, {effGetEffectName},
        // SetFormat: connect both outputs, suspend, rate, block size, resume; then Cue resumes
        {effConnectOutput, 1}, {effConnectOutput, 1, 1}, {effMainsChanged}, {effSetSampleRate, 0, 0, 44100.0f},
        {effSetBlockSize, 265}, {effMainsChanged, 1}, {effMainsChanged, 1}};
    std::vector<std::string> lines = {"entry main"};
    for (const auto& c : calls) lines.push_back(RecorderDispatch(c.opcode, c.value, c.index, c.opt));
    // Loading ends with the MIDI device reading the plug-in (names and key names on every channel,
    // each parameter's properties and value), then asking whether the plug-in sends MIDI.
    std::vector<std::string> device = {RecorderDispatch(effCanDo, 0, 0, 0.0f) + " text=midiProgramNames"};
    for (int channel = 0; channel < 16; ++channel) {
        device.push_back(RecorderDispatch(effGetMidiProgramName, 0, channel, 0.0f));
        for (int twice = 0; twice < 2; ++twice) device.push_back(RecorderDispatch(effGetMidiKeyName, 0, channel, 0.0f));
    }
    for (int parameter = 0; parameter < 2; ++parameter) {
        device.push_back(RecorderDispatch(effGetParameterProperties, 0, parameter, 0.0f));
        for (int twice = 0; twice < 2; ++twice) device.push_back("getParameter index=" + std::to_string(parameter));
    }
    for (const char* text : {"sendVstMidiEvent", "sendVstEvents", "receiveVstMidiEvent"})
        device.push_back(RecorderDispatch(effCanDo, 0, 0, 0.0f) + " text=" + text);
    lines.insert(lines.begin() + 11, device.begin(), device.end());
    return lines;
}

// The file's lines, without line ends (\n or \r\n).
std::vector<std::string> ReadTextLines(const std::string& path) {
    std::istringstream in(ReadTextFile(path));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}


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
        EXPECT_EQ(cache_.refs, 1u) << "every cache reference came back";
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
    for (const char* plan : {"where=entry;kind=av", "where=dispatcher;kind=illegal;opcode=45", "where=entry;kind=raise"}) {
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

using hosting_test::Rig;
using hosting_test::TimeOfFrames;

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
    TestPlugin direct("qmref");
    direct.start(44100.0, 1024);
    direct.sendMidi({{100, 0x90, 60, 100}, {400, 0x90, 67, 80}, {600, 0x90, 72, 112}});
    std::vector<std::vector<float>> channels;
    direct.render(channels, 800);
    for (size_t frame = 0; frame < 800; ++frame) {
        ASSERT_EQ(out[frame * 2], channels[0][frame]) << frame;
        ASSERT_EQ(out[frame * 2 + 1], channels[1][frame]) << frame;
    }
}

TEST(PatchFaults, RealFaultsInTheProgramNameOpcodesLeaveTheInstrumentUsable) {
    for (const char* plan : {"where=dispatcher;kind=av;opcode=62", "where=dispatcher;kind=illegal;opcode=66"}) {
        SCOPED_TRACE(plan);
        ScopedEnvironment fault(qmtest::kFaultPlanVariable, plan);
        Rig rig("qmfault");
        EXPECT_EQ(rig->Status() & InstanceStatus::Faulted, 0u);
        ASSERT_NE(rig->PatchDevice(), nullptr);
        EXPECT_FALSE(rig->PatchDevice()->NamesMode());
        ASSERT_EQ(rig->Cue(0), S_OK);
        std::vector<float> out;
        EXPECT_EQ(rig.render(out, 600), 600);
        EXPECT_EQ(rig->Status() & InstanceStatus::Faulted, 0u);
    }
}

}  // namespace
}  // namespace qm::test

// The built module as a host drives it: the exported factory hands out the type, the type creates
// instances of our test instruments from a host cache entry, and the call recorder logs every call a
// plug-in sees from its entry point to its effClose. Plug-ins that crash while being created are
// contained whichever call they crash in.
#include <gtest/gtest.h>

#include <cstring>
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

std::string Utf8(const WString& wide) {
    std::string s;
    for (WCHAR c : wide) s.push_back(static_cast<char>(c));
    return s;
}

// The module beside the test program, found from a test plug-in's path (bin/testplugins/x -> bin/).
WString ModulePath() {
    WString path = TestPluginPath("qmref");
    for (int i = 0; i < 2; ++i) path.erase(path.find_last_of(W("/\\")));
    const bool windows = std::string(PluginFileSuffix()) == ".dll";
    return path + (windows ? W("\\QmVSTi.dll") : W("/libqmvsti.so"));
}

HRESULT QM_COMCALL AcceptingSite(IQmSoftSynth*, DWORD, ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR,
                                 ULONG_PTR, ULONG_PTR, ULONG_PTR) {
    return S_OK;
}

// The type from the module's exported factory, connected to a host cache holding one entry per module.
class ExportedType : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = platform::LoadModule(ModulePath().c_str());
        ASSERT_NE(module_, nullptr) << Utf8(ModulePath());
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
        for (const char* plugin : plugins) {
            cache_.entries.push_back(Entry(Utf8(TestPluginPath(plugin)).c_str(), plugin, "QmVSTi Test", 0, id++));
        }
        ASSERT_EQ(type_->ConnectHost(&site_), S_OK);
    }
    HRESULT Create(uint32_t id, IQmSoftSynth** synth) {
        SoftSynthTypeInfo d;
        std::memset(&d, 0, sizeof(d));
        d.managerId = MakeGuid(id);
        return type_->CreateSynth(&d, synth);
    }

    platform::ModuleHandle module_ = nullptr;
    IQmSoftSynthType* type_ = nullptr;
    TestCache cache_;
    TestSite site_{&cache_, nullptr};
};

// Stop in playback ends every channel's notes in blocks of their own, once the instance has its
// render MIDI buffer: 16 blocks of one event each. Returns how many such blocks start at `at`.
size_t AllNotesOffBlocks(const std::vector<std::string>& lines, size_t at) {
    size_t blocks = 0;
    while (at + 1 < lines.size() && lines[at].rfind("dispatcher opcode=25 ", 0) == 0 &&
           lines[at].find(" events=1") != std::string::npos && lines[at + 1] == "processReplacing frames=265") {
        ++blocks;
        at += 2;
    }
    return blocks;
}

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

    const std::vector<std::string> head = qm::test::RecorderCallsFromLoadToCue();
    const std::vector<std::string> tail = {
        // Stop: no flush blocks by default, then suspend and resume
        "dispatcher opcode=12 index=0 value=0 opt=0",
        "dispatcher opcode=12 index=0 value=1 opt=0",
        // ReleaseFormat; Close sends nothing; the last Release closes the plug-in
        "dispatcher opcode=12 index=0 value=0 opt=0",
        "dispatcher opcode=1 index=0 value=0 opt=0",
    };
    const std::vector<std::string> lines = qm::test::ReadTextLines(log);
    ASSERT_GE(lines.size(), head.size() + tail.size());
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + static_cast<long>(head.size())), head);
    const size_t blocks = AllNotesOffBlocks(lines, head.size());
    EXPECT_EQ(blocks, 16u);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<long>(head.size() + 2 * blocks), lines.end()), tail);
    RemoveFile(log);
}

// A crash in the entry point, in effOpen or in any naming call: CreateSynth answers 0x8004E017 with no
// instance, and the same type goes on creating working instruments.
TEST_F(ExportedType, CreationFaultsAreContainedAndTheTypeStaysUsable) {
    Connect({"qmfault", "qmwrongmagic", "qmref"});
    for (const char* plan : {"where=entry;kind=av", "where=dispatcher;kind=av;opcode=0",
                             "where=dispatcher;kind=illegal;opcode=45", "where=dispatcher;kind=intdiv;opcode=47",
                             "where=dispatcher;kind=cppthrow;opcode=48", "where=entry;kind=raise"}) {
        SCOPED_TRACE(plan);
        ScopedEnvironment fault(qmtest::kFaultPlanVariable, plan);
        IQmSoftSynth* synth = reinterpret_cast<IQmSoftSynth*>(1);
        EXPECT_EQ(Create(1, &synth), QM_E_PLUGIN_EXCEPTION);
        EXPECT_EQ(synth, nullptr);
    }
    IQmSoftSynth* synth = reinterpret_cast<IQmSoftSynth*>(1);
    EXPECT_EQ(Create(2, &synth), S_FALSE);
    EXPECT_EQ(synth, nullptr);
    ASSERT_EQ(Create(3, &synth), S_OK);
    ASSERT_NE(synth, nullptr);
    WCHAR name[64] = {};
    EXPECT_EQ(synth->GetDisplayName(name, 64), 1);
    EXPECT_EQ(WString(name), W("QmRef"));
    EXPECT_EQ(synth->Release(), 0u);
    // Only the working instrument was marked in use.
    EXPECT_EQ(cache_.inUseCalls, (std::vector<std::pair<uint32_t, DWORD>>{{3u, 1u}}));
}

// A host may unload the module and go on: whatever the module installed to catch plug-in faults must
// leave with it, or the next fault caught anywhere in the process ends the process.
TEST(ExportedTypeUnloaded, FaultsCaughtAfterTheModuleIsGoneStillEndWell) {
    platform::ModuleHandle module = platform::LoadModule(ModulePath().c_str());
    ASSERT_NE(module, nullptr);
    auto create = reinterpret_cast<CreateDriverClassFn>(platform::FindSymbol(module, "QmMIDIDriver_CreateDriverClass"));
    ASSERT_NE(create, nullptr);
    TestCache cache;
    TestSite site(&cache, nullptr);
    cache.entries.push_back(Entry(Utf8(TestPluginPath("qmfault")).c_str(), "qmfault", "QmVSTi Test", 0, 1));
    {
        void* out = nullptr;
        ASSERT_EQ(create(&out), S_OK);
        auto* type = static_cast<IQmSoftSynthType*>(static_cast<IMIDIClass*>(out));
        ASSERT_EQ(type->ConnectHost(&site), S_OK);
        ScopedEnvironment fault(qmtest::kFaultPlanVariable, "where=entry;kind=av");
        SoftSynthTypeInfo d;
        std::memset(&d, 0, sizeof(d));
        d.managerId = MakeGuid(1);
        IQmSoftSynth* synth = nullptr;
        EXPECT_EQ(type->CreateSynth(&d, &synth), QM_E_PLUGIN_EXCEPTION);
        EXPECT_EQ(type->Release(), 0u);
    }
    platform::UnloadModule(module);

    // The same fault, now caught by this program's own copy of the loader.
    KernelScope kernel;
    CQmVSTiSynthType* type = CQmVSTiSynthType::Create();
    ASSERT_NE(type, nullptr);
    type->AddRef();
    VstiPluginRecord r;
    std::memset(&r, 0, sizeof(r));
    WideCopy(r.path, kPluginPathChars, TestPluginPath("qmfault").c_str());
    ScopedEnvironment fault(qmtest::kFaultPlanVariable, "where=dispatcher;kind=av;opcode=0");
    IUnknown* instance = nullptr;
    EXPECT_EQ(type->CreateForRecord(&r, &instance), QM_E_PLUGIN_EXCEPTION);
    EXPECT_EQ(instance, nullptr);
    EXPECT_EQ(type->Release(), 0u);
}

// The same faults through the type's own plug-in list, where the loader's findings stay visible in
// the record: 0x2 faulted and never enabled again; a wrong magic is 0x4 and 0x8 without 0x1.
class ListType : public ::testing::Test {
protected:
    void SetUp() override {
        type_ = CQmVSTiSynthType::Create();
        ASSERT_NE(type_, nullptr);
        type_->AddRef();
    }
    void TearDown() override { EXPECT_EQ(type_->Release(), 0u); }
    DWORD CreateAndReadFlags(const char* plugin, int32_t uniqueId, HRESULT expected) {
        VstiPluginRecord r;
        std::memset(&r, 0, sizeof(r));
        WideCopy(r.path, kPluginPathChars, TestPluginPath(plugin).c_str());
        r.flags = Enabled;
        r.uniqueId = uniqueId;
        tQMLIST* list = ListOf({r});
        EXPECT_EQ(type_->ReplaceList(list), S_OK);
        QmList_Destroy(list);
        SoftSynthTypeInfo d;
        std::memset(&d, 0, sizeof(d));
        d.mask = SoftSynthInfoMask::UniqueId;
        d.uniqueId = uniqueId;
        IQmSoftSynth* synth = reinterpret_cast<IQmSoftSynth*>(1);
        EXPECT_EQ(type_->CreateSynth(&d, &synth), expected);
        if (expected == S_OK) {
            EXPECT_NE(synth, nullptr);
            if (synth != nullptr) synth->Release();
        } else {
            EXPECT_EQ(synth, nullptr);
        }
        const VstiPluginRecord* after = PluginRecordAt(type_->PluginList(), 0);
        // A record that failed is no longer offered to the host.
        SoftSynthTypeInfo info;
        std::memset(&info, 0, sizeof(info));
        EXPECT_EQ(type_->GetSynthInfo(0, &info), (after->flags & Enabled) ? S_OK : S_FALSE);
        return after->flags;
    }

    KernelScope kernel_;
    CQmVSTiSynthType* type_ = nullptr;
};

TEST_F(ListType, LoaderFaultsAndWrongMagicLeaveTheirBitsInTheRecord) {
    const int32_t id = qmtest::kFaultUniqueId;
    {
        ScopedEnvironment fault(qmtest::kFaultPlanVariable, "where=entry;kind=av");
        // Faulted before the magic was seen: still marked not loaded and not an instrument.
        EXPECT_EQ(CreateAndReadFlags("qmfault", id, QM_E_PLUGIN_EXCEPTION), Faulted | NotInstrument | LoadFailed);
    }
    for (const char* plan : {"where=dispatcher;kind=av;opcode=0", "where=dispatcher;kind=av;opcode=45",
                             "where=dispatcher;kind=fpdiv;opcode=47", "where=dispatcher;kind=breakpoint;opcode=48"}) {
        SCOPED_TRACE(plan);
        ScopedEnvironment fault(qmtest::kFaultPlanVariable, plan);
        // Past the magic check: the instrument bit came from the plug-in's flags (it has no editor).
        EXPECT_EQ(CreateAndReadFlags("qmfault", id, QM_E_PLUGIN_EXCEPTION), Faulted | NoEditor);
    }
    EXPECT_EQ(CreateAndReadFlags("qmwrongmagic", 0, S_FALSE), NotInstrument | LoadFailed);
    // Without a plan the same module loads and stays enabled.
    EXPECT_EQ(CreateAndReadFlags("qmfault", id, S_OK), Enabled | NoEditor);
}

}  // namespace
}  // namespace qm::test

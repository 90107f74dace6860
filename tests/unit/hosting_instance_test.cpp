// CVSTiSofthSynth bound to in-process plug-ins: naming rules, record findings, faults while loading,
// interfaces and the information record.
#include <gtest/gtest.h>

#include "hosting_fakes.h"
#include "qmvsti/guids.h"

using hosting_test::Call;
using hosting_test::FakePlugin;
using hosting_test::FakeType;
using hosting_test::LoadedInstance;
using hosting_test::Wide;
using qm::CVSTiSofthSynth;
namespace Status = qm::InstanceStatus;
namespace PluginRecordFlags = qm::PluginRecordFlags;
namespace SoftSynthInfoMask = qm::SoftSynthInfoMask;
namespace SoftSynthInfoState = qm::SoftSynthInfoState;
using qm::SoftSynthTypeInfo;

namespace {

struct NamingCase {
    const char* effectName;
    const char* labelA;
    const char* labelB;
    bool stereo;
    int32_t outputs;
    const char* expected;
    size_t pinQueries;
};

}  // namespace

TEST(HostingNaming, EffectNameWinsThenPinLabelsThenFileName) {
    const NamingCase cases[] = {
        {"", "L", "R", true, 4, "L/R", 2},
        {"", "Out", "Out", true, 4, "Out", 2},
        {"", "", "R", true, 4, "R", 2},
        {"", "", "", true, 4, "Fake Synth", 2},
        {"", "L", "R", true, 2, "L", 1},  // the second pin is asked only past the main pair
        {"", "Mono", "Right", false, 4, "Mono", 1},
        {"Named", "L", "R", true, 4, "Named", 2},
    };
    for (const NamingCase& c : cases) {
        SCOPED_TRACE(c.expected);
        FakeType type;
        FakePlugin plugin(c.outputs);
        plugin.effectName = c.effectName;
        plugin.pinLabels[0] = c.labelA;
        plugin.pinLabels[1] = c.labelB;
        plugin.pin0Stereo = c.stereo;
        LoadedInstance synth(type, &plugin);
        ASSERT_EQ(synth.result, S_OK);
        EXPECT_EQ(std::basic_string<WCHAR>(synth->DisplayName()), Wide(c.expected));
        EXPECT_EQ(plugin.callsOf(effGetOutputProperties).size(), c.pinQueries);
        EXPECT_EQ((synth->Status() & Status::MonoMainOutput) != 0, !c.stereo);
    }
}

TEST(HostingNaming, FileTitleAndPinNameHelpers) {
    WCHAR title[8];
    qm::FileTitleOf(QMW("C:\\VST\\My.Synth.dll"), title, 8);
    EXPECT_EQ(std::basic_string<WCHAR>(title), Wide("My.Synt"));  // cut to the capacity
    qm::FileTitleOf(QMW("/usr/lib/vst/amsynth"), title, 8);
    EXPECT_EQ(std::basic_string<WCHAR>(title), Wide("amsynth"));
    WCHAR name[6] = QMW("keep");
    qm::ComposePinName(QMW(""), QMW(""), name, 6);
    EXPECT_EQ(std::basic_string<WCHAR>(name), Wide("keep"));
    qm::ComposePinName(QMW("Left"), QMW("Right"), name, 6);
    EXPECT_EQ(std::basic_string<WCHAR>(name), Wide("Left/"));
}

TEST(HostingLoad, OpensThePlugInAndWritesItsFindingsIntoTheRecord) {
    FakeType type;
    FakePlugin plugin;
    plugin.productName = "Fake Product";
    LoadedInstance synth(type, &plugin);
    ASSERT_EQ(synth.result, S_OK);
    const std::vector<Call> expected = {
        {effIdentify, 0, 0, 0.0f},        {effOpen, 0, 0, 0.0f},          {effSetSampleRate, 0, 0, 44100.0f},
        {effSetBlockSize, 0, 1024, 0.0f}, {effGetProductString, 0, 0, 0.0f}, {effGetEffectName, 0, 0, 0.0f},
        {effGetVendorString, 0, 0, 0.0f}, {effGetVendorVersion, 0, 0, 0.0f}, {effGetOutputProperties, 0, 0, 0.0f},
        {effGetEffectName, 0, 0, 0.0f}};
    EXPECT_EQ(plugin.calls, expected);
    EXPECT_EQ(plugin.effect.resvd1, reinterpret_cast<intptr_t>(synth.get()));
    EXPECT_EQ(plugin.versionInEntry, 2);
    EXPECT_EQ(plugin.sizeWindowInEntry, 1);
    EXPECT_EQ(std::basic_string<WCHAR>(synth->ProductName()), Wide("Fake Product"));
    // An empty vendor string falls back to the file name, in the record and in the instance.
    EXPECT_EQ(std::basic_string<WCHAR>(synth.record.vendor), Wide("Fake Synth"));
    EXPECT_EQ(std::basic_string<WCHAR>(synth->VendorName()), Wide("Fake Synth"));
    EXPECT_EQ(synth.record.vendorVersion, 4711);
    EXPECT_EQ(synth.record.uniqueId, VstFourCC('F', 'k', 'P', 'l'));
    EXPECT_EQ(synth.record.flags, PluginRecordFlags::Enabled | PluginRecordFlags::NoEditor);
    EXPECT_EQ(synth->Status(), Status::ProcessEvents | Status::PlugInOpened);
}

TEST(HostingLoad, ProductNameKeepsItsPresetAndEffectsAreNotInstruments) {
    FakeType type;
    FakePlugin plugin(2, 2, effFlagsCanReplacing | effFlagsHasEditor);
    LoadedInstance synth(type, &plugin);
    ASSERT_EQ(synth.result, S_OK);
    EXPECT_EQ(std::basic_string<WCHAR>(synth->ProductName()), Wide("VSTi Soft Synth"));
    EXPECT_EQ(synth.record.flags, PluginRecordFlags::Enabled | PluginRecordFlags::NotInstrument);
}

TEST(HostingLoad, AnExceptionWhileOpeningIsContained) {
    for (int32_t opcode : {effOpen, effGetEffectName}) {
        FakeType type;
        FakePlugin plugin;
        plugin.throwOnOpcode = opcode;
        LoadedInstance synth(type, &plugin);
        EXPECT_EQ(synth.result, QM_E_PLUGIN_EXCEPTION);
        EXPECT_EQ(synth->Effect(), nullptr);
        EXPECT_NE(synth.record.flags & PluginRecordFlags::Faulted, 0u);
        EXPECT_NE(synth->Status() & Status::Faulted, 0u);
        EXPECT_EQ(synth->LastFault().opcode, opcode);
        EXPECT_EQ(synth->LastFault().code, qm::platform::kExceptionCpp);
    }
}

TEST(HostingLoad, AnEntryPointWithoutEffectLoadsNothing) {
    FakeType type;
    LoadedInstance synth(type, nullptr);
    FakePlugin::Next() = nullptr;
    EXPECT_EQ(synth->LoadFromEntryPoint(&FakePlugin::Entry, &synth.record), S_FALSE);
    EXPECT_EQ(synth->Effect(), nullptr);
    EXPECT_EQ(synth->LoadFromEntryPoint(nullptr, &synth.record), E_POINTER);
}

TEST(HostingInstance, AnswersItsInterfacesAndLeavesTheRestOut) {
    FakeType type;
    FakePlugin plugin;
    LoadedInstance synth(type, &plugin);
    void* unknown = nullptr;
    void* softSynth = nullptr;
    void* midiOut = nullptr;
    ASSERT_EQ(synth->QueryInterface(IID_IUnknown, &unknown), S_OK);
    ASSERT_EQ(synth->QueryInterface(qm::IID_IQmSoftSynth, &softSynth), S_OK);
    ASSERT_EQ(synth->QueryInterface(qm::IID_IMIDIOut, &midiOut), S_OK);
    EXPECT_EQ(unknown, softSynth);
    EXPECT_EQ(midiOut, softSynth);
    ISpecifyPropertyPages* pages = nullptr;
    ASSERT_EQ(synth->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(&pages)), S_OK);
    CAUUID ids{};
    EXPECT_EQ(pages->GetPages(&ids), S_OK);
    EXPECT_TRUE(IsEqualGUID(ids.pElems[0], qm::CLSID_VSTiSynthPage));
    CoTaskMemFree(ids.pElems);
    pages->Release();
    void* other = &plugin;
    EXPECT_EQ(synth->QueryInterface(qm::IID_IMIDIDevice, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(synth->Release(), 3u);
    EXPECT_EQ(synth->Release(), 2u);
    EXPECT_EQ(synth->Release(), 1u);

    qm::IQmSoftSynth* bus = synth.get();
    EXPECT_EQ(synth->GetBus(0, &bus), S_FALSE);
    EXPECT_EQ(bus, nullptr);
    EXPECT_EQ(synth->Reserved4(), -1);
    EXPECT_EQ(synth->Reserved14(0, 0, 0, 0, 0, 0, 0, 0), QM_S_NOTHING_RENDERED);
    EXPECT_EQ(synth->SaveState(nullptr), E_NOTIMPL);
    DWORD kind = 0;
    EXPECT_EQ(synth->GetKind(&kind), S_OK);
    EXPECT_EQ(kind, 3u);
    const GUID id = {0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    GUID back{};
    synth->SetGuid(id);
    synth->GetGuid(&back);
    EXPECT_TRUE(IsEqualGUID(back, id));
}

TEST(HostingInstance, NamesAreCutToTheHostsBuffer) {
    FakeType type;
    FakePlugin plugin;
    plugin.effectName = "Synthesizer";
    LoadedInstance synth(type, &plugin);
    WCHAR name[6] = QMW("xxxxx");
    EXPECT_EQ(synth->GetName(name, 6), S_OK);
    EXPECT_EQ(std::basic_string<WCHAR>(name), Wide("Synt"));
    EXPECT_EQ(synth->GetDisplayName(name, 6), 1);
    EXPECT_EQ(std::basic_string<WCHAR>(name), Wide("Synth"));
    EXPECT_EQ(synth->GetName(name, 1), S_OK);  // too small: untouched
    EXPECT_EQ(std::basic_string<WCHAR>(name), Wide("Synth"));
}

TEST(HostingInstance, GetInfoDescribesTheLoadedPlugIn) {
    FakeType type;
    {
        LoadedInstance empty(type, nullptr);
        SoftSynthTypeInfo info{};
        EXPECT_EQ(empty->GetInfo(&info), E_UNEXPECTED);
    }
    FakePlugin plugin;
    plugin.effectName = "Fake";
    plugin.vendorName = "Vendor";
    LoadedInstance synth(type, &plugin);
    const GUID managerId = {0xCAFE, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}};
    synth->SetManagerId(managerId);
    SoftSynthTypeInfo info{};
    info.mask = SoftSynthInfoMask::Name | SoftSynthInfoMask::Vendor | SoftSynthInfoMask::Product;
    info.instanceGuid.Data1 = 99;
    ASSERT_EQ(synth->GetInfo(&info), S_OK);
    EXPECT_EQ(info.state, SoftSynthInfoState::Filled);
    EXPECT_EQ(info.mask, SoftSynthInfoMask::Name | SoftSynthInfoMask::Vendor | SoftSynthInfoMask::Product |
                             SoftSynthInfoMask::Instance);
    EXPECT_EQ(info.path, nullptr);
    EXPECT_EQ(std::basic_string<WCHAR>(info.name), Wide("Fake"));
    EXPECT_EQ(std::basic_string<WCHAR>(info.vendor), Wide("Vendor"));
    EXPECT_EQ(std::basic_string<WCHAR>(info.product), Wide("VSTi Soft Synth"));
    EXPECT_EQ(info.vendorVersion, 4711);
    EXPECT_EQ(info.uniqueId, VstFourCC('F', 'k', 'P', 'l'));
    EXPECT_EQ(info.active, 0u);
    EXPECT_EQ(info.busCount, 0u);
    EXPECT_EQ(info.instanceGuid.Data1, 0u);
    EXPECT_TRUE(IsEqualGUID(info.managerId, managerId));
    CoTaskMemFree(info.name);
    CoTaskMemFree(info.vendor);
    CoTaskMemFree(info.product);

    // A vendor that has gone empty since loading is left out, and an attached instance is active.
    plugin.vendorName = "";
    hosting_test::FakeSite site;
    ASSERT_EQ(site.open(synth.get()), S_OK);
    info = SoftSynthTypeInfo{};
    info.mask = SoftSynthInfoMask::Vendor;
    ASSERT_EQ(synth->GetInfo(&info), S_OK);
    EXPECT_EQ(info.mask, SoftSynthInfoMask::Instance);
    EXPECT_EQ(info.vendor, nullptr);
    EXPECT_EQ(info.active, 0xFFFFFFFFu);
    EXPECT_EQ(synth->Close(), S_OK);
}

// CVSTiSofthSynth bound to in-process plug-ins: naming rules, interfaces, record findings and the
// information record.
#include <gtest/gtest.h>

#include <tuple>

#include "hosting_fakes.h"
#include "qmvsti/guids.h"

using namespace hosting_test;
namespace Status = qm::InstanceStatus;
namespace Flags = qm::PluginRecordFlags;
namespace Mask = qm::SoftSynthInfoMask;

TEST(HostingNaming, EffectNameWinsThenPinLabelsThenFileName) {
    const struct {
        const char *effectName, *labelA, *labelB;
        bool stereo;
        int32_t outputs;
        const char* expected;
        size_t pinQueries;
    } cases[] = {
        {"", "L", "R", true, 4, "L/R", 2},
        {"", "Out", "Out", true, 4, "Out", 2},
        {"", "", "R", true, 4, "R", 2},
        {"", "", "", true, 4, "Fake Synth", 2},
        {"", "L", "R", true, 2, "L", 1},  // the second pin is asked only past the main pair
        {"", "Mono", "Right", false, 4, "Mono", 1},
        {"Named", "L", "R", true, 4, "Named", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        FakeType type;
        FakePlugin plugin(c.outputs);
        plugin.effectName = c.effectName;
        plugin.pins = {{c.labelA, c.stereo}, {c.labelB, false}};
        LoadedInstance synth(type, &plugin);
        ASSERT_EQ(synth.result, S_OK);
        EXPECT_EQ(std::make_tuple(WString(synth->DisplayName()), WString(synth->ProductName())),
                  std::make_tuple(Wide(c.expected), Wide("VSTi Soft Synth")));
        EXPECT_EQ(plugin.only(effGetOutputProperties).size(), c.pinQueries);
        EXPECT_EQ((synth->Status() & Status::MonoMainOutput) != 0, !c.stereo);
    }
    // The file title is cut to the capacity; pin labels joined past it are cut too.
    WCHAR title[8];
    qm::FileTitleOf(QMW("C:\\VST\\My.Synth.dll"), title, 8);
    EXPECT_EQ(WString(title), Wide("My.Synt"));
    qm::ComposePinName(QMW("Left"), QMW("Right"), title, 6);
    EXPECT_EQ(WString(title), Wide("Left/"));
}

// Real modules prove names, flags and faults while loading (TypeLoadsModules); the fake gives the
// empty answers no test instrument gives: an empty vendor falls back to the file name, in the record
// and in the instance (an empty product keeps the preset: HostingNaming).
TEST(HostingInstance, AnswersItsInterfacesAndDescribesItself) {
    FakeType type;
    FakePlugin plugin;
    plugin.effectName = "Synthesizer";
    plugin.productName = "Fake Product";
    LoadedInstance synth(type, &plugin);
    ASSERT_EQ(synth.result, S_OK);
    EXPECT_EQ(plugin.effect.resvd1, reinterpret_cast<intptr_t>(synth.get()));
    EXPECT_EQ(std::make_tuple(WString(synth->ProductName()), WString(synth.record.vendor), WString(synth->VendorName())),
              std::make_tuple(Wide("Fake Product"), Wide("Fake Synth"), Wide("Fake Synth")));
    EXPECT_EQ(std::make_tuple(synth.record.vendorVersion, synth.record.uniqueId, synth.record.flags, synth->Status()),
              std::make_tuple(4711, VstFourCC('F', 'k', 'P', 'l'), Flags::Enabled | Flags::NoEditor,
                              Status::ProcessEvents | Status::PlugInOpened));
    void *unknown = nullptr, *softSynth = nullptr, *midiOut = nullptr, *other = &plugin;
    ASSERT_EQ(synth->QueryInterface(IID_IUnknown, &unknown), S_OK);
    ASSERT_EQ(synth->QueryInterface(qm::IID_IQmSoftSynth, &softSynth), S_OK);
    ASSERT_EQ(synth->QueryInterface(qm::IID_IMIDIOut, &midiOut), S_OK);
    EXPECT_EQ(std::make_tuple(unknown, midiOut), std::make_tuple(softSynth, softSynth));
    ISpecifyPropertyPages* pages = nullptr;
    ASSERT_EQ(synth->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(&pages)), S_OK);
    CAUUID ids{};
    EXPECT_EQ(pages->GetPages(&ids), S_OK);
    EXPECT_TRUE(IsEqualGUID(ids.pElems[0], qm::CLSID_VSTiSynthPage));
    CoTaskMemFree(ids.pElems);
    pages->Release();
    EXPECT_EQ(synth->QueryInterface(qm::IID_IQmSoftSynthType, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(synth->Release(), 3u);
    for (int i = 0; i < 2; ++i) synth->Release();
    DWORD kind = 0;
    EXPECT_EQ(std::make_tuple(synth->GetKind(&kind), kind), std::make_tuple(S_OK, 3u));

    // Names are cut to the host's buffer; one too small is left untouched.
    WCHAR name[6] = QMW("xxxxx");
    EXPECT_EQ(synth->GetName(name, 6), S_OK);
    EXPECT_EQ(WString(name), Wide("Synt"));
    EXPECT_EQ(synth->GetDisplayName(name, 6), 1);
    EXPECT_EQ(WString(name), Wide("Synth"));
    EXPECT_EQ(synth->GetName(name, 1), S_OK);
    EXPECT_EQ(WString(name), Wide("Synth"));

    plugin.vendorName = "Vendor";  // the record asks the plug-in anew
    const GUID managerId = {0xCAFE, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}};
    synth->SetManagerId(managerId);
    qm::SoftSynthTypeInfo info{};
    info.mask = Mask::Name | Mask::Vendor | Mask::Product;
    info.instanceGuid.Data1 = 99;
    ASSERT_EQ(synth->GetInfo(&info), S_OK);
    EXPECT_EQ(std::make_tuple(info.state, info.mask, info.vendorVersion, info.uniqueId, info.active, info.instanceGuid.Data1),
              std::make_tuple(qm::SoftSynthInfoState::Filled, Mask::Name | Mask::Vendor | Mask::Product | Mask::Instance,
                              4711, VstFourCC('F', 'k', 'P', 'l'), 0u, 0u));
    EXPECT_EQ(info.path, nullptr);
    EXPECT_EQ(std::make_tuple(WString(info.name), WString(info.vendor), WString(info.product)),
              std::make_tuple(Wide("Synthesizer"), Wide("Vendor"), Wide("Fake Product")));
    EXPECT_TRUE(IsEqualGUID(info.managerId, managerId));
    for (LPWSTR text : {info.name, info.vendor, info.product}) CoTaskMemFree(text);
    // A vendor that has gone empty since loading is left out; an attached instance is active.
    plugin.vendorName = "";
    FakeSite site;
    ASSERT_EQ(site.open(synth.get()), S_OK);
    info = qm::SoftSynthTypeInfo{};
    info.mask = Mask::Vendor;
    ASSERT_EQ(synth->GetInfo(&info), S_OK);
    EXPECT_EQ(std::make_tuple(info.mask, info.active), std::make_tuple(Mask::Instance, 0xFFFFFFFFu));
    // An entry point that hands out no effect loads nothing.
    LoadedInstance empty(type, nullptr);
    EXPECT_EQ(empty->GetInfo(&info), E_UNEXPECTED);
    EXPECT_EQ(empty->LoadFromEntryPoint(&FakePlugin::Entry, &empty.record), S_FALSE);
    EXPECT_EQ(empty->LoadFromEntryPoint(nullptr, &empty.record), E_POINTER);
    EXPECT_EQ(empty->Effect(), nullptr);
    EXPECT_EQ(empty->CallSetParameter(0, 1.0f), S_FALSE);
    EXPECT_EQ(empty->CallGetParameter(0), 0.0f);
}

// The soft-synth type: its fixed slots, the driver-class factory, the descriptors it hands out and
// instance creation from the plug-in list (no host cache connected).
#include "discovery_test_support.h"

namespace qm::test {
namespace {

using namespace PluginRecordFlags;

class SynthTypeTest : public TypeTest {
protected:
    void UseRecords(const std::vector<VstiPluginRecord>& records) { qm::test::UseRecords(type_, records); }
};

TEST(SynthTypeFactory, HandsOutIMIDIClassWithOneReferenceOrDestroysTheType) {
    KernelScope kernel;
    const LONG live = CQmVSTiSynthType::LiveCount();
    void* out = nullptr;
    ASSERT_EQ(CQmVSTiSynthType::CreateDriverClass(&out), S_OK);
    auto* cls = static_cast<IMIDIClass*>(out);
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(CQmVSTiSynthType::LiveCount(), live + 1);
    void* same = nullptr;
    ASSERT_EQ(cls->QueryInterface(IID_IQmSoftSynthType, &same), S_OK);
    EXPECT_EQ(same, out);
    EXPECT_EQ(static_cast<IUnknown*>(same)->Release(), 1u);
    EXPECT_EQ(cls->Release(), 0u);
    EXPECT_EQ(CQmVSTiSynthType::LiveCount(), live);
    // A failing QueryInterface destroys the new type.
    EXPECT_EQ(CQmVSTiSynthType::CreateDriverClass(nullptr), E_POINTER);
    EXPECT_EQ(CQmVSTiSynthType::LiveCount(), live);
}

TEST_F(SynthTypeTest, FixedSlotsNameAndInterfaces) {
    EXPECT_EQ(type_->GetKind(), 3);
    EXPECT_EQ(type_->GetSecondKind(), 1);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(type_->Reserved4(5, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(type_->CreateTypePage(IID_IUnknown, &out), E_NOTIMPL);
    EXPECT_EQ(out, nullptr);

    WCHAR name[64];
    ASSERT_EQ(type_->GetTypeName(name, 64), S_OK);
    EXPECT_EQ(A(name), "VSTi Synth Type");
    ASSERT_EQ(type_->GetTypeName(name, 5), S_OK);
    EXPECT_EQ(A(name), "VSTi");

    EXPECT_EQ(type_->QueryInterface(IID_IUnknown, &out), S_OK);
    EXPECT_EQ(out, static_cast<IQmSoftSynthType*>(type_));
    static_cast<IUnknown*>(out)->Release();
    EXPECT_EQ(type_->QueryInterface(IID_IQmSoftSynth, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    // The property-pages companion comes with the connection.
    EXPECT_EQ(type_->QueryInterface(IID_ISpecifyPropertyPages, &out), E_NOINTERFACE);
}

TEST_F(SynthTypeTest, WithoutAListNothingIsOffered) {
    SoftSynthTypeInfo d = AnySynth();
    EXPECT_EQ(type_->GetSynthInfo(0, &d), S_FALSE);
    IQmSoftSynth* synth = reinterpret_cast<IQmSoftSynth*>(1);
    EXPECT_EQ(type_->CreateSynth(&d, &synth), S_FALSE);
    EXPECT_EQ(synth, nullptr);
    EXPECT_EQ(type_->ResetUsage(), S_FALSE);
    EXPECT_EQ(type_->CreateSynth(nullptr, &synth), E_INVALIDARG);
}

TEST_F(SynthTypeTest, GetSynthInfoCountsOnlyEnabledRecords) {
    UseRecords({Record("/p/a.dll", "Alpha", "V1", 1, Faulted), Record("/p/b.dll", "Beta", "V2", 2, Enabled),
                Record("/p/c.dll", "Gamma", "V3", 3, NoEditor)});
    SoftSynthTypeInfo d = AnySynth();
    d.mask = SoftSynthInfoMask::Path | SoftSynthInfoMask::Name | SoftSynthInfoMask::Product | SoftSynthInfoMask::Vendor;
    ASSERT_EQ(type_->GetSynthInfo(0, &d), S_OK);
    EXPECT_EQ(d.state, SoftSynthInfoState::Filled);
    EXPECT_EQ(d.mask, 0x3Fu);
    EXPECT_EQ(A(d.path), "/p/b.dll");
    EXPECT_EQ(A(d.name), "Beta");
    EXPECT_EQ(A(d.product), "Beta");
    EXPECT_EQ(A(d.vendor), "V2");
    EXPECT_EQ(d.uniqueId, 2);
    EXPECT_EQ(d.vendorVersion, 7);
    // Each string is its own task-allocator block that the host frees.
    EXPECT_NE(d.name, d.product);
    for (LPWSTR s : {d.path, d.name, d.product, d.vendor}) CoTaskMemFree(s);

    SoftSynthTypeInfo next = AnySynth();
    for (LONG index : {1, -1, 3}) EXPECT_EQ(type_->GetSynthInfo(index, &next), S_FALSE) << index;
    EXPECT_EQ(type_->GetSynthInfo(0, nullptr), E_POINTER);

    // An empty name comes back as no string, and what the host left in the words does not survive.
    UseRecords({Record("/p/a.dll", "", "V1", 1, Enabled)});
    d.mask = SoftSynthInfoMask::Name;
    d.path = reinterpret_cast<LPWSTR>(&d);
    ASSERT_EQ(type_->GetSynthInfo(0, &d), S_OK);
    EXPECT_EQ(d.mask, 0x30u);
    EXPECT_EQ(d.state, 1u);
    for (LPWSTR word : {d.path, d.name, d.product, d.vendor}) EXPECT_EQ(word, nullptr);
}

TEST_F(SynthTypeTest, CreateSynthMatchesOnlyCreatableRecords) {
    // Every record but the last carries a bit that rules it out, whatever else matches.
    UseRecords({Record("/p/x.dll", "Same", "V", 9, Enabled | NoEditor), Record("/p/x.dll", "Same", "V", 9, Enabled | Faulted),
                Record("/p/x.dll", "Same", "V", 9, Enabled | LoadFailed), Record("/p/x.dll", "Same", "V", 9, Enabled | CacheOption),
                Record("/p/x.dll", "Same", "V", 9, 0), Record("/p/y.dll", "Same", "V", 9, Enabled | AlternativeDrawing)});
    SoftSynthTypeInfo d = AnySynth();
    WString name = W("Same");
    d.name = &name[0];
    d.mask = SoftSynthInfoMask::UniqueId;
    d.uniqueId = 9;
    IQmSoftSynth* synth = nullptr;
    ASSERT_EQ(type_->CreateSynth(&d, &synth), S_OK);
    ASSERT_NE(synth, nullptr);
    ASSERT_EQ(maker_.made.size(), 1u);
    EXPECT_EQ(A(maker_.made[0].record.path), "/p/y.dll");
    EXPECT_TRUE(maker_.made[0].noSizeWindow);
    EXPECT_EQ(maker_.made[0].managerId, 0u);
    // The caller holds the only reference; the use count went up on the list's record.
    EXPECT_EQ(synth->Release(), 0u);
    const tQMLIST* list = type_->PluginList();
    int used = 0;
    for (int i = 0; i < list->nCount; ++i) used += PluginRecordAt(list, i)->useCount;
    EXPECT_EQ(used, 1);
}

TEST_F(SynthTypeTest, CreateSynthKeysOnTheGivenFieldsOnly) {
    UseRecords({Record("/p/a.dll", "Alpha", "Acme", 1, Enabled), Record("/p/b.dll", "", "Acme", 2, Enabled)});
    IQmSoftSynth* synth = nullptr;
    SoftSynthTypeInfo d = AnySynth();
    WString vendor = W("Acme"), other = W("Other"), name = W("Beta");
    // A unique ID that no record has: nothing, without a creation attempt.
    d.mask = SoftSynthInfoMask::UniqueId;
    d.uniqueId = 3;
    EXPECT_EQ(type_->CreateSynth(&d, &synth), S_FALSE);
    // Vendor version is compared only when its mask bit is set.
    d.mask = SoftSynthInfoMask::VendorVersion;
    d.vendorVersion = 8;
    EXPECT_EQ(type_->CreateSynth(&d, &synth), S_FALSE);
    d.vendorVersion = 7;
    d.vendor = &other[0];
    EXPECT_EQ(type_->CreateSynth(&d, &synth), S_FALSE);
    EXPECT_TRUE(maker_.made.empty());
    // A record's empty name matches any name asked for.
    d.vendor = &vendor[0];
    d.name = &name[0];
    ASSERT_EQ(type_->CreateSynth(&d, &synth), S_OK);
    EXPECT_EQ(A(maker_.made.back().record.path), "/p/b.dll");
    EXPECT_FALSE(maker_.made.back().noSizeWindow);
    synth->Release();
}

TEST_F(SynthTypeTest, CreateSynthReturnsTheFailureOfCreationOrInterface) {
    UseRecords({Record("/p/a.dll", "Alpha", "Acme", 1, Enabled)});
    SoftSynthTypeInfo d = AnySynth();
    IQmSoftSynth* synth = reinterpret_cast<IQmSoftSynth*>(1);
    maker_.result = QM_E_PLUGIN_EXCEPTION;
    EXPECT_EQ(type_->CreateSynth(&d, &synth), QM_E_PLUGIN_EXCEPTION);
    EXPECT_EQ(synth, nullptr);
    maker_.result = S_FALSE;  // the module is no loadable plug-in
    EXPECT_EQ(type_->CreateSynth(&d, &synth), S_FALSE);
    EXPECT_EQ(synth, nullptr);
    maker_.result = S_OK;
    maker_.refuseSoftSynth = true;  // the instance is released with the creation reference
    EXPECT_EQ(type_->CreateSynth(&d, &synth), E_NOINTERFACE);
    EXPECT_EQ(synth, nullptr);
    EXPECT_EQ(PluginRecordAt(type_->PluginList(), 0)->useCount, 0);
}

TEST_F(SynthTypeTest, ResetUsageForgetsCountsAndMissingRecords) {
    VstiPluginRecord used = Record("/p/a.dll", "A", "V", 1, Enabled);
    used.useCount = 3;
    VstiPluginRecord gone = Record("/p/b.dll", "B", "V", 2, Enabled | Missing);
    VstiPluginRecord goneEffect = Record("/p/c.dll", "C", "V", 3, NotInstrument | Missing);
    goneEffect.useCount = 2;
    UseRecords({used, gone, goneEffect});
    ASSERT_EQ(type_->ResetUsage(), S_OK);
    const tQMLIST* list = type_->PluginList();
    ASSERT_EQ(Names(list), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(PluginRecordAt(list, 0)->useCount, 0);
    EXPECT_EQ(PluginRecordAt(list, 1)->useCount, 2);  // non-instruments are left alone
}

TEST_F(SynthTypeTest, AlternativeDrawingMarkFollowsTheSameModuleRule) {
    UseRecords({Record("C:\\VST\\Piano.dll", "Piano", "V", 5, Enabled | AlternativeDrawing),
                Record("C:\\VST\\Organ.dll", "Organ", "V", 6, Enabled)});
    // Another folder and extension, same file title, name and ID: the same module.
    EXPECT_TRUE(type_->HasAlternativeDrawingMark(W("Piano").c_str(), W("D:\\Other\\Piano.vst").c_str(), 5));
    EXPECT_FALSE(type_->HasAlternativeDrawingMark(W("Piano").c_str(), W("C:\\VST\\piano.dll").c_str(), 5));
    EXPECT_FALSE(type_->HasAlternativeDrawingMark(W("Piano").c_str(), W("C:\\VST\\Piano.dll").c_str(), 7));
    EXPECT_FALSE(type_->HasAlternativeDrawingMark(W("Organ").c_str(), W("C:\\VST\\Organ.dll").c_str(), 6));
}

TEST_F(SynthTypeTest, ReplaceListSortsFaultedFirstAndNonInstrumentsLast) {
    UseRecords({Record("/p/1.dll", "Zeta", "V", 1, NotInstrument), Record("/p/2.dll", "Beta", "V", 2, Enabled),
                Record("/p/3.dll", "Quiet", "V", 3, NoEditor), Record("/p/4.dll", "Alpha", "V", 4, Enabled),
                Record("/p/5.dll", "Broken", "V", 5, Faulted)});
    EXPECT_EQ(Names(type_->PluginList()), (std::vector<std::string>{"Broken", "Alpha", "Beta", "Quiet", "Zeta"}));
    EXPECT_EQ(type_->ReplaceList(nullptr), S_FALSE);
}

TEST_F(SynthTypeTest, FoldersStayPackedAndAreNeverHeldTwice) {
    WCHAR folder[260];
    EXPECT_EQ(type_->SetFolder(0, W("/a").c_str()), S_OK);
    EXPECT_EQ(type_->SetFolder(1, W("/b").c_str()), S_OK);
    EXPECT_EQ(type_->SetFolder(2, W("/c").c_str()), S_OK);
    EXPECT_EQ(type_->SetFolder(0, W("/A").c_str()), S_FALSE);  // already in that slot
    EXPECT_EQ(type_->SetFolder(3, W("/d").c_str()), S_FALSE);
    // Slot 1 set to slot 0's folder empties it, and slot 2 moves up.
    EXPECT_EQ(type_->SetFolder(1, W("/a").c_str()), S_OK);
    type_->GetFolder(1, folder, 260);
    EXPECT_EQ(A(folder), "/c");
    type_->GetFolder(2, folder, 260);
    EXPECT_EQ(A(folder), "");
    EXPECT_EQ(type_->GetFolder(3, folder, 260), S_FALSE);
}

TEST_F(SynthTypeTest, ChangingAFolderDropsItsRecordsButKeepsNonInstruments) {
    ASSERT_EQ(type_->SetFolder(0, W("/old").c_str()), S_OK);
    UseRecords({Record("/old/a.dll", "A", "V", 1, Enabled), Record("/old/b.dll", "B", "V", 2, NotInstrument),
                Record("/new/c.dll", "C", "V", 3, Enabled)});
    ASSERT_EQ(type_->SetFolder(0, W("/new2").c_str()), S_OK);
    EXPECT_EQ(Names(type_->PluginList()), (std::vector<std::string>{"C", "B"}));
}

}  // namespace
}  // namespace qm::test

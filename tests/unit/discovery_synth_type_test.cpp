// The soft-synth type: its fixed slots, the descriptors it hands out and instance creation from the
// plug-in list (no host cache connected). The exported factory is proven through the module
// (factory_lifecycle_test), the list's order by the rescan merge, which sorts alike.
#include "discovery_test_support.h"

#include <tuple>

namespace qm::test {
namespace {

using namespace PluginRecordFlags;

using SynthTypeTest = TypeTest;

TEST_F(SynthTypeTest, FixedSlotsInterfacesAndNothingOfferedWithoutAList) {
    EXPECT_EQ(std::make_tuple(type_->GetKind(), type_->GetSecondKind()), std::make_tuple(3, 1));
    void *out = reinterpret_cast<void*>(1), *page = out;
    EXPECT_EQ(std::make_tuple(type_->Reserved4(5, &out), type_->CreateTypePage(IID_IQmSoftSynth, &page), out, page),
              std::make_tuple(E_NOINTERFACE, E_NOINTERFACE, nullptr, nullptr));
    ASSERT_EQ(type_->CreateTypePage(IID_IPropertyPage, &page), S_OK);
    ASSERT_NE(page, nullptr);
    static_cast<IUnknown*>(page)->Release();
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

    SoftSynthTypeInfo d = AnySynth();
    EXPECT_EQ(type_->GetSynthInfo(0, &d), S_FALSE);
    IQmSoftSynth* synth = reinterpret_cast<IQmSoftSynth*>(1);
    EXPECT_EQ(type_->CreateSynth(&d, &synth), S_FALSE);
    EXPECT_EQ(synth, nullptr);
    EXPECT_EQ(type_->ResetUsage(), S_FALSE);
    EXPECT_EQ(type_->CreateSynth(nullptr, &synth), E_INVALIDARG);
    EXPECT_EQ(type_->ReplaceList(nullptr), S_FALSE);
}

TEST_F(SynthTypeTest, GetSynthInfoCountsOnlyEnabledRecords) {
    UseRecords(type_, {Record("/p/a.dll", "Alpha", "V1", 1, Faulted), Record("/p/b.dll", "Beta", "V2", 2, Enabled),
                       Record("/p/c.dll", "Gamma", "V3", 3, NoEditor)});
    SoftSynthTypeInfo d = AnySynth();
    d.mask = SoftSynthInfoMask::Path | SoftSynthInfoMask::Name | SoftSynthInfoMask::Product | SoftSynthInfoMask::Vendor;
    ASSERT_EQ(type_->GetSynthInfo(0, &d), S_OK);
    EXPECT_EQ(std::make_tuple(d.state, d.mask, A(d.path), A(d.name), A(d.product), A(d.vendor), d.uniqueId, d.vendorVersion),
              std::make_tuple(SoftSynthInfoState::Filled, 0x3Fu, "/p/b.dll", "Beta", "Beta", "V2", 2, 7));
    // Each string is its own task-allocator block that the host frees.
    EXPECT_NE(d.name, d.product);
    for (LPWSTR s : {d.path, d.name, d.product, d.vendor}) CoTaskMemFree(s);

    SoftSynthTypeInfo next = AnySynth();
    for (LONG index : {1, -1, 3}) EXPECT_EQ(type_->GetSynthInfo(index, &next), S_FALSE) << index;
    EXPECT_EQ(type_->GetSynthInfo(0, nullptr), E_POINTER);

    // An empty name comes back as no string, and what the host left in the words does not survive.
    UseRecords(type_, {Record("/p/a.dll", "", "V1", 1, Enabled)});
    d.mask = SoftSynthInfoMask::Name;
    d.path = reinterpret_cast<LPWSTR>(&d);
    ASSERT_EQ(type_->GetSynthInfo(0, &d), S_OK);
    EXPECT_EQ(std::make_tuple(d.mask, d.state), std::make_tuple(0x30u, 1u));
    for (LPWSTR word : {d.path, d.name, d.product, d.vendor}) EXPECT_EQ(word, nullptr);
}

// A descriptor is matched on the fields its mask names (name and vendor always) against the records
// that may be created: every /p/x.dll record carries a bit that rules it out, whatever else matches.
// An instance without the soft-synth interface is refused and not counted (the loader's failures are
// the type-loads-modules test's part).
TEST_F(SynthTypeTest, CreateSynthKeysOnTheGivenFieldsOfCreatableRecordsOnly) {
    const auto same = [](DWORD flags) { return Record("/p/x.dll", "Same", "V", 9, flags); };
    UseRecords(type_, {same(Enabled | NoEditor), same(Enabled | Faulted), same(Enabled | LoadFailed), same(Enabled | CacheOption),
                       same(0), Record("/p/y.dll", "Same", "V", 9, Enabled | AlternativeDrawing),
                       Record("/p/a.dll", "Alpha", "Acme", 1, Enabled), Record("/p/b.dll", "", "Acme", 2, Enabled)});
    const struct {
        const char *name, *vendor;
        DWORD mask;
        LONG uniqueId, vendorVersion;
        const char* made;  // the record's path, null: S_FALSE without a creation attempt
        bool noSizeWindow;
        bool refuse = false;  // the instance refuses the soft-synth interface
    } cases[] = {
        {"Same", nullptr, SoftSynthInfoMask::UniqueId, 9, 0, "/p/y.dll", true},
        {nullptr, nullptr, SoftSynthInfoMask::UniqueId, 3, 0, nullptr, false},
        {nullptr, nullptr, SoftSynthInfoMask::VendorVersion, 0, 8, nullptr, false},
        {nullptr, "Other", SoftSynthInfoMask::VendorVersion, 0, 7, nullptr, false},
        {"Beta", "Acme", SoftSynthInfoMask::VendorVersion, 0, 7, "/p/b.dll", false},  // an empty name matches any
        {"Same", nullptr, SoftSynthInfoMask::UniqueId, 9, 0, "/p/y.dll", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.made ? c.made : "none") << (c.refuse ? " refused" : ""));
        SoftSynthTypeInfo d = AnySynth();
        WString name = W(c.name ? c.name : ""), vendor = W(c.vendor ? c.vendor : "");
        d.name = c.name ? &name[0] : nullptr;
        d.vendor = c.vendor ? &vendor[0] : nullptr;
        d.mask = c.mask;
        d.uniqueId = c.uniqueId;
        d.vendorVersion = c.vendorVersion;
        maker_.made.clear();
        maker_.refuseSoftSynth = c.refuse;
        IQmSoftSynth* synth = reinterpret_cast<IQmSoftSynth*>(1);
        EXPECT_EQ(type_->CreateSynth(&d, &synth), c.made == nullptr ? S_FALSE : c.refuse ? E_NOINTERFACE : S_OK);
        if (c.made == nullptr) {
            EXPECT_EQ(std::make_tuple(maker_.made.size(), synth), std::make_tuple(size_t{0}, nullptr));
            continue;
        }
        ASSERT_EQ(maker_.made.size(), 1u);
        EXPECT_EQ(std::make_tuple(A(maker_.made[0].record.path), maker_.made[0].noSizeWindow, maker_.made[0].managerId),
                  std::make_tuple(c.made, c.noSizeWindow, 0u));
        if (c.refuse) {
            EXPECT_EQ(synth, nullptr);
        } else {
            EXPECT_EQ(synth->Release(), 0u);  // the caller holds the only reference
        }
    }
    // Each creation counted on its record in the list; the refused one did not.
    int used = 0;
    for (int i = 0; i < type_->PluginList()->nCount; ++i) used += PluginRecordAt(type_->PluginList(), i)->useCount;
    EXPECT_EQ(used, 2);
}

TEST_F(SynthTypeTest, ResetUsageForgetsCountsAndMissingRecords) {
    VstiPluginRecord used = Record("/p/a.dll", "A", "V", 1, Enabled);
    used.useCount = 3;
    VstiPluginRecord gone = Record("/p/b.dll", "B", "V", 2, Enabled | Missing);
    VstiPluginRecord goneEffect = Record("/p/c.dll", "C", "V", 3, NotInstrument | Missing);
    goneEffect.useCount = 2;
    UseRecords(type_, {used, gone, goneEffect});
    ASSERT_EQ(type_->ResetUsage(), S_OK);
    const tQMLIST* list = type_->PluginList();
    ASSERT_EQ(Names(list), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(PluginRecordAt(list, 0)->useCount, 0);
    EXPECT_EQ(PluginRecordAt(list, 1)->useCount, 2);  // non-instruments are left alone
}

TEST_F(SynthTypeTest, AlternativeDrawingMarkFollowsTheSameModuleRule) {
    UseRecords(type_, {Record("C:\\VST\\Piano.dll", "Piano", "V", 5, Enabled | AlternativeDrawing),
                       Record("C:\\VST\\Organ.dll", "Organ", "V", 6, Enabled)});
    // Another folder and extension, same file title, name and ID: the same module.
    EXPECT_TRUE(type_->HasAlternativeDrawingMark(W("Piano").c_str(), W("D:\\Other\\Piano.vst").c_str(), 5));
    EXPECT_FALSE(type_->HasAlternativeDrawingMark(W("Piano").c_str(), W("C:\\VST\\piano.dll").c_str(), 5));
    EXPECT_FALSE(type_->HasAlternativeDrawingMark(W("Piano").c_str(), W("C:\\VST\\Piano.dll").c_str(), 7));
    EXPECT_FALSE(type_->HasAlternativeDrawingMark(W("Organ").c_str(), W("C:\\VST\\Organ.dll").c_str(), 6));
}

TEST_F(SynthTypeTest, FoldersStayPackedAreNeverHeldTwiceAndTakeTheirRecordsAlong) {
    // Slot 1 set to slot 0's folder empties it, and slot 2 moves up.
    for (const auto& [slot, path, result] : {std::tuple{0, "/a", S_OK}, {1, "/b", S_OK}, {2, "/c", S_OK},
                                             {0, "/A", S_FALSE} /* already in that slot */, {3, "/d", S_FALSE},
                                             {1, "/a", S_OK}})
        EXPECT_EQ(type_->SetFolder(slot, W(path).c_str()), result) << slot << path;
    WCHAR folder[260];
    for (const auto& [slot, path, result] : {std::tuple{0, "/a", S_OK}, {1, "/c", S_OK}, {2, "", S_OK}, {3, "", S_FALSE}}) {
        folder[0] = 0;
        EXPECT_EQ(type_->GetFolder(slot, folder, 260), result);
        EXPECT_EQ(A(folder), path) << slot;
    }

    // Changing a folder drops its records but keeps the non-instruments.
    UseRecords(type_, {Record("/a/a.dll", "A", "V", 1, Enabled), Record("/a/b.dll", "B", "V", 2, NotInstrument),
                       Record("/new/c.dll", "C", "V", 3, Enabled)});
    ASSERT_EQ(type_->SetFolder(0, W("/new2").c_str()), S_OK);
    EXPECT_EQ(Names(type_->PluginList()), (std::vector<std::string>{"C", "B"}));
}

}  // namespace
}  // namespace qm::test

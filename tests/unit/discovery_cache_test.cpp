// The soft-synth type connected to the host's plug-in manager cache: the import, the sink's life,
// creation matched against cache entries, the use marks, and the settings read and written.
#include "discovery/cache_sink.h"
#include "discovery_test_support.h"
#include "metric_test_support.h"

#include <tuple>

namespace qm::test {
namespace {

using namespace PluginRecordFlags;

using ConnectedTypeTest = TypeTest;

TEST_F(ConnectedTypeTest, ImportsEveryEntryWithItsFlagsAndReportsProgress) {
    PlugInManagerEntry plain = Entry("/vst/a.so", "Alpha", "Acme", 1, 11);
    PlugInManagerEntry faulted = Entry("/vst/b.so", "Beta", "Acme", 2, 12);
    faulted.faulted = 1;
    PlugInManagerEntry effect = Entry("/vst/c.so", "Gamma", "Acme", 3, 13);
    effect.isInstrument = 0;
    effect.enabled = 0;
    PlugInManagerEntry marked = Entry("/vst/d.so", "Delta", "Acme", 4, 14);
    marked.enabled = 0;  // still offered: nothing rules it out
    marked.hasEditor = 0x2;  // bit 0 clear: no editor
    marked.options = PlugInManagerOptions::AlternativeDrawing | PlugInManagerOptions::CacheOption;
    marked.product[0] = 0;  // the product falls back to the first name
    Put(marked.secondName, "Delta Second");
    cache_.entries = {plain, faulted, effect, marked};
    cache_.uncheckedId = 12;
    Connect();

    const tQMLIST* list = type_->PluginList();
    ASSERT_EQ(Names(list), (std::vector<std::string>{"Alpha", "Beta", "Gamma", "Delta"}));
    const VstiPluginRecord* r = PluginRecordAt(list, 0);
    EXPECT_EQ(std::make_tuple(A(r->path), A(r->product), A(r->vendor), r->vendorVersion, r->uniqueId, r->managerId.Data1),
              std::make_tuple("/vst/a.so", "Alpha Pro", "Acme", 101, 1, 11u));
    std::vector<DWORD> flags;
    for (int i = 0; i < list->nCount; ++i) flags.push_back(PluginRecordAt(list, i)->flags);
    EXPECT_EQ(flags, (std::vector<DWORD>{Enabled, Enabled | Faulted, NotInstrument, NoEditor | CacheOption | AlternativeDrawing}));
    EXPECT_EQ(A(PluginRecordAt(list, 3)->product), "Delta");

    EXPECT_EQ(cache_.prepared, std::vector<DWORD>{12});
    // Only the entry the cache's check answered 0 for is marked unused.
    EXPECT_EQ(cache_.inUseCalls, (std::vector<std::pair<uint32_t, DWORD>>{{12u, 0u}}));
    EXPECT_EQ(progress_.texts, (std::vector<std::string>{"Added Alpha VST Instrument", "Added Beta VST Instrument",
                                                         "Added Gamma VST Instrument", "Added Delta VST Instrument"}));
    // The cache is kept, the progress object is not.
    EXPECT_EQ(std::make_tuple(cache_.refs.load(), progress_.refs.load()), std::make_tuple(2u, 1u));

    // Connecting again does not import twice.
    Connect();
    EXPECT_EQ(type_->PluginList()->nCount, 4);
}

TEST_F(ConnectedTypeTest, SinkAndCompanionLiveUntilTheLastRelease) {
    cache_.entries = {Entry("/vst/a.so", "Alpha", "Acme", 1, 11)};
    Connect();
    ASSERT_EQ(cache_.registrations, 1);
    ASSERT_NE(cache_.sink, nullptr);
    void* out = nullptr;
    ASSERT_EQ(cache_.sink->QueryInterface(IID_IPluginManagerCacheSink, &out), S_OK);
    cache_.sink->Release();
    EXPECT_EQ(std::make_tuple(out, static_cast<CPlugInManagerCachSink*>(cache_.sink)->Owner()),
              std::make_tuple(static_cast<void*>(cache_.sink), type_));

    // The companion exists once connected, names the type page and answers only for itself.
    ASSERT_EQ(type_->QueryInterface(IID_ISpecifyPropertyPages, &out), S_OK);
    auto* pages = static_cast<ISpecifyPropertyPages*>(out);
    CAUUID ids = {};
    ASSERT_EQ(pages->GetPages(&ids), S_OK);
    ASSERT_EQ(ids.cElems, 1u);
    EXPECT_TRUE(IsEqualGUID(ids.pElems[0], CLSID_VSTiTypePage));
    CoTaskMemFree(ids.pElems);
    EXPECT_EQ(pages->GetPages(nullptr), E_POINTER);
    EXPECT_EQ(std::make_tuple(pages->QueryInterface(IID_IMIDIClass, &out), out), std::make_tuple(E_NOINTERFACE, nullptr));

    EXPECT_EQ(cache_.unregistrations, 0);
    type_->Release();
    type_ = nullptr;
    EXPECT_EQ(std::make_tuple(cache_.unregistrations, cache_.sink), std::make_tuple(1, nullptr));
    // The type let go of its companion and cut the link to itself; a refusal clears the answer.
    ids = {7, reinterpret_cast<GUID*>(&ids)};
    EXPECT_EQ(pages->GetPages(&ids), E_UNEXPECTED);
    EXPECT_EQ(std::make_tuple(ids.cElems, ids.pElems), std::make_tuple(0u, nullptr));
    EXPECT_EQ(pages->Release(), 0u);
}

// Creation finds the entry by its manager ID first; without one it matches the candidate entries with
// the vendor-contained rule. ResetUsage unmarks the entries the cache's check answers 0 for.
TEST_F(ConnectedTypeTest, CreateSynthFindsTheEntryByIdOrWithTheVendorContainedRuleAndResetUsageUnmarks) {
    PlugInManagerEntry faulted = Entry("/vst/a.so", "Keys", "Acme Audio GmbH", 1, 21);
    faulted.faulted = 1;
    PlugInManagerEntry noEditor = Entry("/vst/b.so", "Keys", "Acme Audio GmbH", 1, 22);
    noEditor.hasEditor = 0;
    PlugInManagerEntry good = Entry("/vst/c.so", "Keys", "Acme Audio GmbH", 1, 23);
    good.options = PlugInManagerOptions::AlternativeDrawing;
    Put(good.firstName, "Shown Name");  // creation matches and takes the second name
    PlugInManagerEntry disabled = Entry("/vst/e.so", "E", "V", 5, 31);
    disabled.enabled = 0;
    cache_.entries = {faulted, noEditor, good, Entry("/vst/d.so", "D", "V", 4, 32), disabled};
    Connect();

    SoftSynthTypeInfo d = AnySynth();
    WString vendor = W("Audio"), name = W("Keys"), wrongVendor = W("Acme Audio GmbH & Co");
    d.vendor = &wrongVendor[0];
    IQmSoftSynth* synth = reinterpret_cast<IQmSoftSynth*>(1);
    EXPECT_EQ(type_->CreateSynth(&d, &synth), S_FALSE);
    EXPECT_EQ(synth, nullptr);
    d.vendor = &vendor[0];
    d.name = &name[0];
    d.mask = SoftSynthInfoMask::UniqueId;
    d.uniqueId = 1;
    ASSERT_EQ(type_->CreateSynth(&d, &synth), S_OK);
    ASSERT_EQ(maker_.made.size(), 1u);
    const MadeInstance& made = maker_.made[0];
    EXPECT_EQ(std::make_tuple(A(made.record.path), A(made.record.name), made.record.flags, made.noSizeWindow, made.managerId),
              std::make_tuple("/vst/c.so", "Keys", Enabled | LoadFailed | AlternativeDrawing, true, 23u));
    EXPECT_EQ(cache_.inUseCalls.back(), (std::pair<uint32_t, DWORD>{23u, 1u}));
    synth->Release();
    EXPECT_EQ(type_->CreateSynth(&d, nullptr), E_INVALIDARG);

    const int finds = cache_.finds;
    d = AnySynth();
    d.managerId = MakeGuid(32);
    d.mask = SoftSynthInfoMask::UniqueId;
    d.uniqueId = 99;  // not compared when the id finds the entry
    ASSERT_EQ(type_->CreateSynth(&d, &synth), S_OK);
    EXPECT_EQ(std::make_tuple(cache_.finds - finds, maker_.made.back().managerId), std::make_tuple(1, 32u));
    synth->Release();
    // A found entry that is not enabled is refused without a creation.
    d.managerId = MakeGuid(31);
    EXPECT_EQ(type_->CreateSynth(&d, &synth), S_FALSE);
    EXPECT_EQ(maker_.made.size(), 2u);

    cache_.inUseCalls.clear();
    cache_.uncheckedId = 31;
    EXPECT_EQ(type_->ResetUsage(), S_OK);
    EXPECT_EQ(cache_.inUseCalls, (std::vector<std::pair<uint32_t, DWORD>>{{31u, 0u}}));
}

// Settings on the platform's store (SQLite on Linux, the registry on Windows).
class SynthTypeSettingsTest : public MetricTest {
protected:
    void SetUp() override {
        MetricTest::SetUp();
        ASSERT_EQ(QmMetric_Open(&parent_, app_.c_str(), 0, nullptr), S_OK);
        ASSERT_EQ(QmMetric_OpenSubKey(&own_, parent_, QMW("VSTi Synth")), S_OK);
    }
    void TearDown() override {
        QmMetric_Close(own_);
        QmMetric_Close(parent_);
        MetricTest::TearDown();
    }
    static constexpr const char* kNames[] = {"FrameSize", "FlushOnStopCount", "ExposeMultiChannel", "SizeWindowForNI"};
    // Stores each value under its name, in kNames order; INT32_MIN removes the name.
    void Store(const std::vector<int>& values) {
        for (size_t i = 0; i < values.size(); ++i) {
            if (values[i] != INT32_MIN) {
                QmSetMetricUsingName(own_, Wide(kNames[i]).c_str(), values[i]);
            } else {
                QmDeleteMetricUsingName(own_, Wide(kNames[i]).c_str(), 4);
            }
        }
    }
    // The values as stored, in kNames order; -1 when missing.
    std::vector<int> Stored() const {
        std::vector<int> values;
        for (const char* name : kNames) values.push_back(QmGetMetricUsingName(own_, Wide(name).c_str(), -1));
        return values;
    }
    // A type on the host's settings key, connected to `site` (a null site is accepted and ignored).
    CQmVSTiSynthType* Type(IUnknown* site) {
        CQmVSTiSynthType* type = CQmVSTiSynthType::Create();
        type->AddRef();
        EXPECT_EQ(type->SetSettingsKey(parent_, 0, 0), S_OK);
        EXPECT_EQ(type->ConnectHost(site), S_OK);
        return type;
    }

    KernelScope kernel_;
    HQMMETRIC parent_ = nullptr;
    HQMMETRIC own_ = nullptr;
};

TEST_F(SynthTypeSettingsTest, ValuesAreClampedOnReadAndWrittenBackInRange) {
    constexpr int kNone = INT32_MIN;
    const struct {
        std::vector<int> values;  // FrameSize (ms), FlushOnStopCount, ExposeMultiChannel, SizeWindowForNI
        int64_t frameSize;
        uint32_t flushCount;
        bool exposeOn, sizeOn;
        std::vector<int> stored;  // ExposeMultiChannel all bits when on; SizeWindowForNI never written
    } cases[] = {
        {{0, 0, 1, kNone}, 60000, 0, true, false, {6, 0, -1, -1}},
        {{5000, 5000, 0, 3}, 20000000, 3000, false, true, {2000, 3000, 0, 3}},
        {{-3, -7, 2, 2}, 10000, 0, false, false, {1, 0, 0, 2}},
        {{kNone, kNone, kNone, kNone}, 60000, 0, true, false, {6, 0, -1, -1}},  // nothing stored: the defaults
        {{250, 1200, 0x11, 1}, 2500000, 1200, true, true, {250, 1200, -1, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.values[0]);
        Store(c.values);
        TestCache cache;
        TestSite site(&cache, nullptr);
        CQmVSTiSynthType* type = Type(&site);
        EXPECT_EQ(std::make_tuple(type->FrameSizeDuration(), type->FlushOnStopCount(), type->ExposeMultiChannel(),
                                  type->SizeWindowForNI()),
                  std::make_tuple(c.frameSize, c.flushCount, c.exposeOn, c.sizeOn));
        type->Release();
        EXPECT_EQ(Stored(), c.stored);
    }
}

// A type that could not import (never connected, a site without a cache, a cache that refuses the
// sink) offers an empty list, and the user's values (or their absence) survive it: it never read them.
TEST_F(SynthTypeSettingsTest, ATypeThatCouldNotImportOffersNothingAndWritesNoSettings) {
    for (const auto& [name, connects, hasCache, refusesSink] :
         {std::tuple{"never connected", false, true, false}, {"no cache", true, false, false},
          {"sink refused", true, true, true}}) {
        for (bool stored : {true, false}) {
            SCOPED_TRACE(testing::Message() << name << (stored ? ", values stored" : ", none stored"));
            Store(stored ? std::vector<int>{250, 12, 1, 1} : std::vector<int>(4, INT32_MIN));
            TestCache cache;
            cache.entries = {Entry("/vst/a.so", "Alpha", "Acme", 1, 11)};
            cache.refuseSink = refusesSink;
            TestProgress progress;
            TestSite site(hasCache ? &cache : nullptr, &progress);
            CQmVSTiSynthType* type = Type(connects ? &site : nullptr);
            EXPECT_EQ(type->PluginList() == nullptr ? 0 : type->PluginList()->nCount, 0);
            EXPECT_TRUE(progress.texts.empty());
            type->Release();
            EXPECT_EQ(cache.unregistrations, 0);
            EXPECT_EQ(Stored(), std::vector<int>(stored ? std::vector<int>{250, 12, 1, 1} : std::vector<int>(4, -1)));
        }
    }
}

}  // namespace
}  // namespace qm::test

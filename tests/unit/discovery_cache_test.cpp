// The soft-synth type connected to the host's plug-in manager cache: the import, the sink's life,
// creation matched against cache entries, the use marks, and the settings read and written.
#include "discovery/cache_sink.h"
#include "discovery_test_support.h"
#include "metric_test_support.h"

namespace qm::test {
namespace {

using namespace PluginRecordFlags;

class ConnectedTypeTest : public ::testing::Test {
protected:
    void SetUp() override {
        type_ = CQmVSTiSynthType::Create();
        ASSERT_NE(type_, nullptr);
        type_->AddRef();
        type_->SetSynthMaker(&maker_);
    }
    void TearDown() override {
        if (type_ != nullptr) type_->Release();
        EXPECT_EQ(cache_.refs, 1u);
        EXPECT_EQ(progress_.refs, 1u);
    }
    void Connect() { ASSERT_EQ(type_->ConnectHost(&site_), S_OK); }
    static SoftSynthTypeInfo Descriptor() {
        SoftSynthTypeInfo d;
        std::memset(&d, 0, sizeof(d));
        return d;
    }

    KernelScope kernel_;
    FakeMaker maker_;
    TestCache cache_;
    TestProgress progress_;
    TestSite site_{&cache_, &progress_};
    CQmVSTiSynthType* type_ = nullptr;
};

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
    cache_.entries = {plain, faulted, effect, marked};
    cache_.uncheckedId = 12;
    Connect();

    const tQMLIST* list = type_->PluginList();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->nCount, 4);
    const VstiPluginRecord* r = PluginRecordAt(list, 0);
    EXPECT_EQ(A(r->path), "/vst/a.so");
    EXPECT_EQ(A(r->product), "Alpha Pro");
    EXPECT_EQ(A(r->vendor), "Acme");
    EXPECT_EQ(r->vendorVersion, 101);
    EXPECT_EQ(r->uniqueId, 1);
    EXPECT_EQ(r->managerId.Data1, 11u);
    EXPECT_EQ(r->flags, Enabled);
    EXPECT_EQ(PluginRecordAt(list, 1)->flags, Enabled | Faulted);
    EXPECT_EQ(PluginRecordAt(list, 2)->flags, NotInstrument);
    EXPECT_EQ(PluginRecordAt(list, 3)->flags, NoEditor | CacheOption | AlternativeDrawing);
    EXPECT_EQ(A(PluginRecordAt(list, 3)->product), "Delta");

    EXPECT_EQ(cache_.prepared, std::vector<DWORD>{12});
    // Only the entry the cache's check answered 0 for is marked unused.
    EXPECT_EQ(cache_.inUseCalls, (std::vector<std::pair<uint32_t, DWORD>>{{12u, 0u}}));
    EXPECT_EQ(progress_.texts, (std::vector<std::string>{"Added Alpha VST Instrument", "Added Beta VST Instrument",
                                                         "Added Gamma VST Instrument", "Added Delta VST Instrument"}));
    // The cache is kept, the progress object is not.
    EXPECT_EQ(cache_.refs, 2u);
    EXPECT_EQ(progress_.refs, 1u);

    // Connecting again does not import twice.
    Connect();
    EXPECT_EQ(type_->PluginList()->nCount, 4);
}

TEST_F(ConnectedTypeTest, SinkIsRegisteredAndUnregisteredAtTheLastRelease) {
    cache_.entries = {Entry("/vst/a.so", "Alpha", "Acme", 1, 11)};
    Connect();
    ASSERT_EQ(cache_.registrations, 1);
    ASSERT_NE(cache_.sink, nullptr);
    void* out = nullptr;
    ASSERT_EQ(cache_.sink->QueryInterface(IID_IPluginManagerCacheSink, &out), S_OK);
    EXPECT_EQ(out, cache_.sink);
    EXPECT_EQ(cache_.sink->Notify3(5), S_OK);
    EXPECT_EQ(cache_.sink->Notify4(), S_OK);
    EXPECT_EQ(cache_.sink->QueryInterface(IID_IMIDIClass, &out), E_NOINTERFACE);
    cache_.sink->Release();
    EXPECT_EQ(static_cast<CPlugInManagerCachSink*>(cache_.sink)->Owner(), type_);

    // The companion exists once connected and names the type page.
    ASSERT_EQ(type_->QueryInterface(IID_ISpecifyPropertyPages, &out), S_OK);
    auto* pages = static_cast<ISpecifyPropertyPages*>(out);
    CAUUID ids = {};
    ASSERT_EQ(pages->GetPages(&ids), S_OK);
    ASSERT_EQ(ids.cElems, 1u);
    EXPECT_TRUE(IsEqualGUID(ids.pElems[0], CLSID_VSTiTypePage));
    CoTaskMemFree(ids.pElems);
    pages->Release();

    EXPECT_EQ(cache_.unregistrations, 0);
    type_->Release();
    type_ = nullptr;
    EXPECT_EQ(cache_.unregistrations, 1);
    EXPECT_EQ(cache_.sink, nullptr);
}

TEST_F(ConnectedTypeTest, ARefusedSinkEndsTheConnectionBeforeTheImport) {
    cache_.entries = {Entry("/vst/a.so", "Alpha", "Acme", 1, 11)};
    cache_.refuseSink = true;
    Connect();
    EXPECT_EQ(type_->PluginList()->nCount, 0);
    EXPECT_TRUE(progress_.texts.empty());
    type_->Release();
    type_ = nullptr;
    EXPECT_EQ(cache_.unregistrations, 0);
}

TEST_F(ConnectedTypeTest, ASiteWithoutCacheConnectsNothing) {
    TestSite bare{nullptr, &progress_};
    EXPECT_EQ(type_->ConnectHost(&bare), S_OK);
    EXPECT_EQ(type_->PluginList(), nullptr);
    EXPECT_EQ(type_->ConnectHost(nullptr), S_OK);
}

TEST_F(ConnectedTypeTest, CreateSynthMatchesCandidateEntriesWithTheVendorContainedRule) {
    PlugInManagerEntry faulted = Entry("/vst/a.so", "Keys", "Acme Audio GmbH", 1, 21);
    faulted.faulted = 1;
    PlugInManagerEntry noEditor = Entry("/vst/b.so", "Keys", "Acme Audio GmbH", 1, 22);
    noEditor.hasEditor = 0;
    PlugInManagerEntry good = Entry("/vst/c.so", "Keys", "Acme Audio GmbH", 1, 23);
    good.options = PlugInManagerOptions::AlternativeDrawing;
    Put(good.firstName, "Shown Name");  // creation matches and takes the second name
    cache_.entries = {faulted, noEditor, good};
    Connect();

    SoftSynthTypeInfo d = Descriptor();
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
    EXPECT_EQ(A(made.record.path), "/vst/c.so");
    EXPECT_EQ(A(made.record.name), "Keys");
    EXPECT_EQ(made.record.flags, Enabled | LoadFailed | AlternativeDrawing);
    EXPECT_TRUE(made.noSizeWindow);
    EXPECT_EQ(made.managerId, 23u);
    EXPECT_EQ(cache_.inUseCalls.back(), (std::pair<uint32_t, DWORD>{23u, 1u}));
    synth->Release();

    EXPECT_EQ(type_->CreateSynth(nullptr, &synth), E_INVALIDARG);
    EXPECT_EQ(type_->CreateSynth(&d, nullptr), E_INVALIDARG);
}

TEST_F(ConnectedTypeTest, CreateSynthFindsAnEntryByItsManagerIdFirst) {
    PlugInManagerEntry disabled = Entry("/vst/a.so", "A", "V", 1, 31);
    disabled.enabled = 0;
    cache_.entries = {Entry("/vst/b.so", "B", "V", 2, 32), disabled};
    Connect();
    SoftSynthTypeInfo d = Descriptor();
    d.managerId = MakeGuid(32);
    d.mask = SoftSynthInfoMask::UniqueId;
    d.uniqueId = 99;  // not compared when the id finds the entry
    IQmSoftSynth* synth = nullptr;
    ASSERT_EQ(type_->CreateSynth(&d, &synth), S_OK);
    EXPECT_EQ(cache_.finds, 1);
    EXPECT_EQ(maker_.made.back().managerId, 32u);
    synth->Release();
    // A found entry that is not enabled is refused without a creation.
    d.managerId = MakeGuid(31);
    EXPECT_EQ(type_->CreateSynth(&d, &synth), S_FALSE);
    EXPECT_EQ(maker_.made.size(), 1u);
}

TEST_F(ConnectedTypeTest, ResetUsageMarksCheckedEntriesUnused) {
    cache_.entries = {Entry("/vst/a.so", "A", "V", 1, 41), Entry("/vst/b.so", "B", "V", 2, 42)};
    Connect();
    cache_.inUseCalls.clear();
    cache_.uncheckedId = 42;
    EXPECT_EQ(type_->ResetUsage(), S_OK);
    EXPECT_EQ(cache_.inUseCalls, (std::vector<std::pair<uint32_t, DWORD>>{{42u, 0u}}));
}

// Settings on the platform's store (SQLite on Linux, the registry on Windows).
class SynthTypeSettingsTest : public MetricTest {
protected:
    struct Stored {
        int frameSize, flush, expose;
    };
    // Stores the given values (a missing name for INT_MIN), connects a type, checks what it read and
    // returns what it wrote back at its last release.
    Stored RoundTrip(int frameMs, int flush, int expose, int sizeForNI, int64_t* frameSize, uint32_t* flushCount,
                     bool* exposeOn, bool* sizeOn) {
        HQMMETRIC parent = nullptr, own = nullptr;
        EXPECT_EQ(QmMetric_Open(&parent, app_.c_str(), 0, nullptr), S_OK);
        EXPECT_EQ(QmMetric_OpenSubKey(&own, parent, QMW("VSTi Synth")), S_OK);
        auto set = [&](const char* name, int v) {
            if (v != INT32_MIN) {
                QmSetMetricUsingName(own, Wide(name).c_str(), v);
            } else {
                QmDeleteMetricUsingName(own, Wide(name).c_str(), 4);
            }
        };
        set("FrameSize", frameMs);
        set("FlushOnStopCount", flush);
        set("ExposeMultiChannel", expose);
        set("SizeWindowForNI", sizeForNI);

        CQmVSTiSynthType* type = CQmVSTiSynthType::Create();
        type->AddRef();
        EXPECT_EQ(type->SetSettingsKey(parent, 0, 0), S_OK);
        TestCache cache;
        TestSite site(&cache, nullptr);
        type->ConnectHost(&site);
        *frameSize = type->FrameSizeDuration();
        *flushCount = type->FlushOnStopCount();
        *exposeOn = type->ExposeMultiChannel();
        *sizeOn = type->SizeWindowForNI();
        type->Release();

        Stored out{QmGetMetricUsingName(own, QMW("FrameSize"), -1), QmGetMetricUsingName(own, QMW("FlushOnStopCount"), -1),
                   QmGetMetricUsingName(own, QMW("ExposeMultiChannel"), -1)};
        sizeForNIStored_ = QmGetMetricUsingName(own, QMW("SizeWindowForNI"), -1);
        QmMetric_Close(own);
        QmMetric_Close(parent);
        return out;
    }
    int sizeForNIStored_ = 0;
    KernelScope kernel_;
};

TEST_F(SynthTypeSettingsTest, ValuesAreClampedOnReadAndWrittenBackInRange) {
    struct Case {
        int frameMs, flush, expose;
        int64_t frameSize;
        uint32_t flushCount;
        bool exposeOn;
        int storedFrame, storedExpose;
    } const cases[] = {
        {0, 0, 1, 60000, 0, true, 6, -1},
        {5000, 5000, 0, 20000000, 3000, false, 2000, 0},
        {-3, -7, 2, 10000, 0, false, 1, 0},
        {INT32_MIN, INT32_MIN, INT32_MIN, 60000, 0, true, 6, -1},  // nothing stored: the defaults
        {250, 1200, 0x11, 2500000, 1200, true, 250, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frameMs);
        int64_t frameSize = 0;
        uint32_t flush = 0;
        bool expose = false, sizeOn = true;
        const Stored s = RoundTrip(c.frameMs, c.flush, c.expose, INT32_MIN, &frameSize, &flush, &expose, &sizeOn);
        EXPECT_EQ(frameSize, c.frameSize);
        EXPECT_EQ(flush, c.flushCount);
        EXPECT_EQ(expose, c.exposeOn);
        EXPECT_FALSE(sizeOn);
        EXPECT_EQ(s.frameSize, c.storedFrame);
        EXPECT_EQ(s.flush, static_cast<int>(c.flushCount));
        EXPECT_EQ(s.expose, c.storedExpose);  // all bits (0xFFFFFFFF) when on
        EXPECT_EQ(sizeForNIStored_, -1);      // never written
    }
}

TEST_F(SynthTypeSettingsTest, SizeWindowForNIIsReadFromBitZeroAndLeftAsStored) {
    int64_t frameSize = 0;
    uint32_t flush = 0;
    bool expose = false, sizeOn = false;
    RoundTrip(INT32_MIN, INT32_MIN, INT32_MIN, 3, &frameSize, &flush, &expose, &sizeOn);
    EXPECT_TRUE(sizeOn);
    EXPECT_EQ(sizeForNIStored_, 3);
    RoundTrip(INT32_MIN, INT32_MIN, INT32_MIN, 2, &frameSize, &flush, &expose, &sizeOn);
    EXPECT_FALSE(sizeOn);
}

TEST_F(SynthTypeSettingsTest, ExposeMultiChannelIsStoredAsAllBits) {
    HQMMETRIC parent = nullptr;
    ASSERT_EQ(QmMetric_Open(&parent, app_.c_str(), 0, nullptr), S_OK);
    CQmVSTiSynthType* type = CQmVSTiSynthType::Create();
    type->AddRef();
    ASSERT_EQ(type->SetSettingsKey(parent, 0, 0), S_OK);
    TestCache cache;
    TestSite site(&cache, nullptr);
    type->ConnectHost(&site);
    type->Release();
    DWORD kind = 0;
    std::string bytes;
    ASSERT_TRUE(RawValue(AppPath("Metrics\\VSTi Synth"), "ExposeMultiChannel", &kind, &bytes));
    EXPECT_EQ(kind, 4u);
    EXPECT_EQ(bytes, std::string("\xFF\xFF\xFF\xFF", 4));
    QmMetric_Close(parent);
}

}  // namespace
}  // namespace qm::test

// The soft-synth type creating real instances of our test instruments: from its plug-in list and
// from a host cache entry, and refusing modules that are no instruments.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "../unit/discovery_test_support.h"
#include "discovery/synth_type.h"
#include "support/test_plugin.h"
#include "testplugins/protocol.h"

namespace qm::test {
namespace {

using namespace PluginRecordFlags;
using qmtest::kRefUniqueId;
using qmtest::kTestVendor;
using qmtest::kTestVendorVersion;

class TypeCreatesRealInstances : public ::testing::Test {
protected:
    void SetUp() override {
        type_ = CQmVSTiSynthType::Create();
        ASSERT_NE(type_, nullptr);
        type_->AddRef();
    }
    void TearDown() override {
        if (type_ != nullptr) {
            EXPECT_EQ(type_->Release(), 0u);
        }
    }
    VstiPluginRecord RecordFor(const char* plugin) {
        VstiPluginRecord r;
        std::memset(&r, 0, sizeof(r));
        WideCopy(r.path, kPluginPathChars, TestPluginPath(plugin).c_str());
        r.flags = Enabled;
        return r;
    }
    static SoftSynthTypeInfo Descriptor() {
        SoftSynthTypeInfo d;
        std::memset(&d, 0, sizeof(d));
        return d;
    }

    KernelScope kernel_;
    CQmVSTiSynthType* type_ = nullptr;
};


TEST_F(TypeCreatesRealInstances, CreatesTheReferenceSynthFromItsListRecord) {
    VstiPluginRecord ref = RecordFor("qmref");
    ref.uniqueId = kRefUniqueId;  // as the scan found it
    tQMLIST* list = ListOf({ref});
    ASSERT_EQ(type_->ReplaceList(list), S_OK);
    QmList_Destroy(list);
    SoftSynthTypeInfo d = Descriptor();
    d.mask = SoftSynthInfoMask::UniqueId;
    d.uniqueId = kRefUniqueId;
    IQmSoftSynth* synth = nullptr;
    ASSERT_EQ(type_->CreateSynth(&d, &synth), S_OK);
    ASSERT_NE(synth, nullptr);
    // LoadPlugIn wrote what the plug-in told it into the list's record.
    const VstiPluginRecord* r = PluginRecordAt(type_->PluginList(), 0);
    EXPECT_EQ(r->uniqueId, kRefUniqueId);
    EXPECT_EQ(A(r->vendor), kTestVendor);
    EXPECT_EQ(r->vendorVersion, kTestVendorVersion);
    EXPECT_EQ(r->useCount, 1);
    EXPECT_EQ(synth->Release(), 0u);
}

TEST_F(TypeCreatesRealInstances, CreatesFromAHostCacheEntryAndMarksItInUse) {
    TestCache cache;
    TestSite site(&cache, nullptr);
    const std::string path = A(TestPluginPath("qmref").c_str());
    cache.entries = {Entry(path.c_str(), "Reference", kTestVendor, kRefUniqueId, 51)};
    cache.entries[0].vendorVersion = kTestVendorVersion;
    ASSERT_EQ(type_->ConnectHost(&site), S_OK);
    SoftSynthTypeInfo d = Descriptor();
    d.managerId = MakeGuid(51);
    IQmSoftSynth* synth = nullptr;
    ASSERT_EQ(type_->CreateSynth(&d, &synth), S_OK);
    ASSERT_NE(synth, nullptr);
    EXPECT_EQ(cache.inUseCalls.back(), (std::pair<uint32_t, DWORD>{51u, 1u}));
    EXPECT_EQ(synth->Release(), 0u);
    // The type unregisters its sink from the cache as it goes: release it while the cache lives.
    EXPECT_EQ(type_->Release(), 0u);
    type_ = nullptr;
    EXPECT_EQ(cache.unregistrations, 1);
}

TEST_F(TypeCreatesRealInstances, ModulesThatAreNoPlugInsGiveNoInstance) {
    for (const char* plugin : {"qmwrongmagic", "qmnoentry"}) {
        SCOPED_TRACE(plugin);
        VstiPluginRecord record = RecordFor(plugin);
        IUnknown* instance = reinterpret_cast<IUnknown*>(1);
        EXPECT_EQ(type_->CreateForRecord(&record, &instance), S_FALSE);
        EXPECT_EQ(instance, nullptr);
        EXPECT_EQ(record.flags, NotInstrument | LoadFailed);
    }
    // An effect loads, but its record says it is no instrument: CreateSynth never offers it again.
    tQMLIST* list = ListOf({RecordFor("qmeffect")});
    ASSERT_EQ(type_->ReplaceList(list), S_OK);
    QmList_Destroy(list);
    IUnknown* instance = nullptr;
    ASSERT_EQ(type_->CreateForRecord(PluginRecordAt(type_->PluginList(), 0), &instance), S_OK);
    ASSERT_NE(instance, nullptr);
    instance->Release();
    EXPECT_TRUE(PluginRecordAt(type_->PluginList(), 0)->flags & NotInstrument);
    SoftSynthTypeInfo d = Descriptor();
    IQmSoftSynth* synth = nullptr;
    EXPECT_EQ(type_->CreateSynth(&d, &synth), S_FALSE);
}

}  // namespace
}  // namespace qm::test

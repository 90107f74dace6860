// The host's plug-in manager cache: the slots the library calls, the host's own side and the file it
// keeps beside the settings.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>

#include "plugin_cache.h"
#include "site.h"
#include "support/environment.h"
#include "text.h"

namespace qm::host {
namespace {

class HostCache : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() / "qmvsti_host_cache_test";
        std::filesystem::remove_all(folder_);
        cache_ = HostPluginCache::Create();
    }
    void TearDown() override {
        cache_->Release();
        std::filesystem::remove_all(folder_);
    }
    std::string File(const char* name) const { return (folder_ / name).u8string(); }
    std::filesystem::path folder_;
    HostPluginCache* cache_ = nullptr;
};

TEST_F(HostCache, EntriesAreEnumeratedFoundAndMarkedInUse) {
    const size_t a = cache_->AddPath("/plugins/a.so");
    const size_t b = cache_->AddPath("/plugins/b.so");
    EXPECT_EQ(cache_->AddPath("/plugins/a.so"), a) << "one entry per path";
    ASSERT_EQ(cache_->Count(), 2u);
    EXPECT_FALSE(IsEqualGUID(cache_->At(a).managerId, cache_->At(b).managerId));

    PlugInManagerEntry entry;
    EXPECT_EQ(cache_->Prepare(kPlugInManagerCacheEnumerate), S_OK);
    ASSERT_EQ(cache_->GetEntry(1, &entry), S_OK);
    EXPECT_EQ(ToUtf8(entry.path), "/plugins/b.so");
    EXPECT_EQ(std::make_tuple(entry.enabled, entry.isInstrument, entry.hasEditor & 1, entry.faulted),
              std::make_tuple(1u, 1u, 1u, 0u));
    EXPECT_NE(cache_->GetEntry(2, &entry), S_OK) << "non-zero after the last entry";
    std::memset(&entry, 0, sizeof(entry));
    ASSERT_EQ(cache_->FindEntry(cache_->At(a).managerId, &entry), S_OK);
    EXPECT_EQ(ToUtf8(entry.path), "/plugins/a.so");
    const GUID unknown = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    EXPECT_NE(cache_->FindEntry(unknown, &entry), S_OK);

    // The library passes an entry's address as its id's.
    EXPECT_EQ(cache_->CheckEntry(&cache_->At(b)), S_OK);
    EXPECT_EQ(cache_->SetEntryInUse(&cache_->At(b).managerId, 1), S_OK);
    EXPECT_EQ(std::make_pair(cache_->InUse(a), cache_->InUse(b)), std::make_pair(false, true));
    EXPECT_EQ(cache_->SetEntryInUse(&cache_->At(b).managerId, 0), S_OK);
    EXPECT_FALSE(cache_->InUse(b));
    entry.managerId = unknown;
    EXPECT_EQ(cache_->CheckEntry(&entry), S_FALSE);
    // Sinks are held until unregistered.
    CountingMidiSink counted;  // any IUnknown serves to count references
    auto* sink = reinterpret_cast<IPluginManagerCacheSink*>(static_cast<IUnknown*>(&counted));
    ASSERT_EQ(cache_->RegisterSink(sink), S_OK);
    EXPECT_EQ(counted.References(), 2u);
    EXPECT_EQ(cache_->UnregisterSink(sink), S_OK);
    EXPECT_EQ(counted.References(), 1u);
    EXPECT_EQ(cache_->UnregisterSink(sink), S_FALSE);

    // The CLI finds an entry by path or either name, whatever the case.
    CopyToField(cache_->At(b).firstName, 260, "Reference Synth");
    CopyToField(cache_->At(b).secondName, 260, "RefSynth");
    for (const char* key : {"/plugins/b.so", "reference synth", "REFSYNTH"}) EXPECT_EQ(cache_->Find(key), 1) << key;
    EXPECT_EQ(std::make_tuple(cache_->Find("other"), cache_->Find("")), std::make_tuple(-1, -1));
    cache_->Remove(a);
    EXPECT_EQ(cache_->Count(), 1u);
}

TEST_F(HostCache, SavedFilesLoadBackByteForByteAndDamagedOnesAreRefused) {
    for (const char* path : {"/p/one.so", "/p/zwei \xC3\xA4.so"}) cache_->AddPath(path);
    PlugInManagerEntry& e = cache_->At(1);
    CopyToField(e.firstName, 260, "Zwei");
    CopyToField(e.vendor, 260, "Kelo");
    e.uniqueId = 0x51726566;
    e.vendorVersion = 1200;
    e.reserved2720[100] = 0x5A;  // host bytes the library never reads survive too
    ASSERT_EQ(cache_->SetEntryInUse(&e.managerId, 1), S_OK);

    std::string error;
    const std::string first = File("nested/plugins.cache");
    ASSERT_TRUE(cache_->Save(first, &error)) << error;
    const std::string bytes = qm::test::ReadTextFile(first);
    ASSERT_EQ(bytes.size(), 16u + 2 * sizeof(PlugInManagerEntry));
    EXPECT_EQ(bytes.substr(0, 4), "QMHC");
    EXPECT_EQ(bytes[4], 1);

    HostPluginCache* loaded = HostPluginCache::Create();
    ASSERT_TRUE(loaded->Load(first, &error)) << error;
    ASSERT_EQ(loaded->Count(), 2u);
    EXPECT_EQ(std::memcmp(&loaded->At(1), &cache_->At(1), sizeof(PlugInManagerEntry)), 0);
    EXPECT_EQ(ToUtf8(loaded->At(1).path), "/p/zwei \xC3\xA4.so");
    EXPECT_FALSE(loaded->InUse(1)) << "in-use marks belong to one process";
    const std::string second = File("again.cache");
    ASSERT_TRUE(loaded->Save(second, &error)) << error;
    EXPECT_EQ(qm::test::ReadTextFile(second), bytes);

    // A missing file is an empty cache; a damaged one is refused and changes nothing.
    ASSERT_TRUE(loaded->Load(File("missing.cache"), &error));
    EXPECT_EQ(loaded->Count(), 0u);
    loaded->Release();
    cache_->Remove(0);
    const auto refuse = [&](const std::string& content, const char* why) {
        const std::string path = File("bad.cache");
        std::ofstream(std::filesystem::u8path(path), std::ios::binary) << content;
        error.clear();
        EXPECT_FALSE(cache_->Load(path, &error)) << why;
        EXPECT_NE(error.find(why), std::string::npos) << error;
        EXPECT_EQ(cache_->Count(), 1u) << "a refused file leaves the cache as it was";
    };
    refuse("XXXX" + bytes.substr(4), "not a cache file");
    std::string version = bytes;
    version[4] = 2;
    refuse(version, "unsupported version");
    std::string size = bytes;
    size[8] = 1;
    refuse(size, "entry size");
    refuse(bytes.substr(0, bytes.size() - 1), "truncated");
    refuse(bytes + "x", "trailing bytes");
    std::string count = bytes;
    count[15] = 0x7F;
    refuse(count, "damaged entry count");
}

}  // namespace
}  // namespace qm::host

// The host's plug-in manager cache: the file it keeps beside the settings. The CLI tests drive the
// slots the library calls.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "plugin_cache.h"
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

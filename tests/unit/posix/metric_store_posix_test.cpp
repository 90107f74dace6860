// The Linux settings store: where it lives, and damaged or misplaced stores.
#include <ftw.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "support/environment.h"
#include "unit/metric_test_support.h"

namespace qm::test {
namespace {

void RemoveTree(const std::string& path) {
    if (path.empty()) return;
    nftw(path.c_str(), [](const char* p, const struct stat*, int, FTW*) { return remove(p); }, 16,
         FTW_DEPTH | FTW_PHYS);
}

std::string MakeTempFolder() {
    std::string pattern = TemporaryDirectory() + "qm_settings_XXXXXX";
    return mkdtemp(&pattern[0]) != nullptr ? pattern : std::string();
}

// Every settings test of the Linux build writes under a temporary configuration folder, never into
// the user's own ~/.config.
class TemporaryConfigHome : public ::testing::Environment {
public:
    void SetUp() override {
        folder_ = MakeTempFolder();
        ASSERT_FALSE(folder_.empty());
        setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
    }
    void TearDown() override { RemoveTree(folder_); }

private:
    std::string folder_;
};
[[maybe_unused]] ::testing::Environment* const kConfigHome = ::testing::AddGlobalTestEnvironment(new TemporaryConfigHome);

class MetricStorePosixTest : public MetricTest {
protected:
    void SetUp() override {
        MetricTest::SetUp();
        home_ = MakeTempFolder();
        ASSERT_FALSE(home_.empty());
        xdg_ = std::make_unique<ScopedEnvironment>("XDG_CONFIG_HOME", home_.c_str());
        folder_ = home_ + "/Kelo Zezazidu Software";
    }
    void TearDown() override {
        MetricTest::TearDown();
        xdg_.reset();
        RemoveTree(home_);
    }
    std::string home_, folder_;
    std::unique_ptr<ScopedEnvironment> xdg_;
};

// A store that cannot be used: getters give defaults, setters fail, nothing crashes or repairs it.
// The store is the one under XDG_CONFIG_HOME, or under $HOME/.config when that is no absolute path.
TEST_F(MetricStorePosixTest, DamagedOrMisplacedStoreIsReportedAndLeftAlone) {
    std::string garbage;
    for (int i = 0; i < 8192; ++i) garbage.push_back(static_cast<char>((i * 7919) >> 3));
    const struct {
        const char* name;
        bool folderInItsPlace;
        const char* xdg;  // null: home_
    } forms[] = {{"garbage file", false, nullptr}, {"folder in its place", true, nullptr},
                 {"garbage file under $HOME/.config", false, "relative/config"}};
    for (const auto& form : forms) {
        SCOPED_TRACE(form.name);
        ScopedEnvironment homeVariable("HOME", home_.c_str()), xdgVariable("XDG_CONFIG_HOME", form.xdg ? form.xdg : home_.c_str());
        const std::string folder = form.xdg ? home_ + "/.config/Kelo Zezazidu Software" : folder_;
        const std::string database = folder + "/settings.db";
        RemoveTree(folder_);
        std::filesystem::create_directories(folder);
        if (form.folderInItsPlace) {
            ASSERT_EQ(mkdir(database.c_str(), 0700), 0);
        } else {
            std::ofstream(database, std::ios::binary) << garbage;
        }
        const HRESULT expected = HRESULT_FROM_WIN32(form.folderInItsPlace ? ERROR_CANTOPEN : ERROR_BADDB);
        const std::string before = ReadTextFile(database);
        HQMMETRIC h = nullptr;
        EXPECT_EQ(QmMetric_Open(&h, app_.c_str(), QM_METRIC_VERSION(1, 0), nullptr), expected);
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(h->hKey, nullptr);
        EXPECT_EQ(QmGetMetricEx(h, 1, 0, 0, 42), 42);
        EXPECT_EQ(QmSetMetricUsingName(h, QMW("N"), 1), E_FAIL);
        HQMMETRIC child = nullptr;
        EXPECT_EQ(QmMetric_OpenSubKey(&child, h, QMW("Sub")), expected);
        EXPECT_EQ(QmMetric_CloseAndDeleteKey(child), S_OK);
        EXPECT_EQ(QmMetric_DeleteAll(app_.c_str(), QM_METRIC_VERSION(1, 0)), S_OK);
        EXPECT_EQ(QmMetric_Close(h), S_OK);
        EXPECT_EQ(ReadTextFile(database), before);
    }
}

}  // namespace
}  // namespace qm::test

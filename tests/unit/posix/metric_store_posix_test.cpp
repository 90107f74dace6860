// The Linux settings store: where it lives, and damaged or misplaced stores.
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "support/environment.h"
#include "unit/metric_test_support.h"

namespace qm::test {
namespace {

// Every settings test of the Linux build writes under a temporary configuration folder, never into
// the user's own ~/.config.
class TemporaryConfigHome : public ::testing::Environment {
public:
    void SetUp() override { setenv("XDG_CONFIG_HOME", folder_.emplace("qm_settings").path.c_str(), 1); }
    void TearDown() override { folder_.reset(); }

private:
    std::optional<TemporaryFolder> folder_;
};
[[maybe_unused]] ::testing::Environment* const kConfigHome = ::testing::AddGlobalTestEnvironment(new TemporaryConfigHome);

using MetricStorePosixTest = MetricTest;

// A store that cannot be used: getters give defaults, setters fail, nothing crashes or repairs it.
// The store is the one under XDG_CONFIG_HOME, or under $HOME/.config when that is no absolute path.
TEST_F(MetricStorePosixTest, DamagedOrMisplacedStoreIsReportedAndLeftAlone) {
    const TemporaryFolder home{"qm_settings"};
    const std::string store = home.path + "/Kelo Zezazidu Software";
    std::string garbage;
    for (int i = 0; i < 8192; ++i) garbage.push_back(static_cast<char>((i * 7919) >> 3));
    const struct {
        const char* name;
        bool folderInItsPlace;
        const char* xdg;  // null: home
    } forms[] = {{"garbage file", false, nullptr}, {"folder in its place", true, nullptr},
                 {"garbage file under $HOME/.config", false, "relative/config"}};
    for (const auto& form : forms) {
        SCOPED_TRACE(form.name);
        ScopedEnvironment homeVariable("HOME", home.path.c_str());
        ScopedEnvironment xdgVariable("XDG_CONFIG_HOME", form.xdg ? form.xdg : home.path.c_str());
        const std::string folder = form.xdg ? home.path + "/.config/Kelo Zezazidu Software" : store;
        const std::string database = folder + "/settings.db";
        std::filesystem::remove_all(store);
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

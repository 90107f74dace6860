// The settings storage under the metric functions: the same registry behaviour on both targets.
#include <set>

#include "metric_test_support.h"

namespace qm::test {
namespace {

using platform::SettingsRoot;
using MetricStorageTest = MetricTest;

TEST_F(MetricStorageTest, SubKeysAreEnumeratedAndDeletedByWholeNames) {
    for (const char* path : {"Del\\One", "Del\\Two\\Deep", "Del\\Three", "Del2\\Keep", "DelA"}) {
        platform::SettingsKey key = nullptr;
        ASSERT_EQ(platform::SettingsCreateKey(SettingsRoot::CurrentUser, AppPath(path).c_str(), &key), ERROR_SUCCESS);
        const DWORD one = 1;
        ASSERT_EQ(platform::SettingsSetValue(key, QMW("x"), REG_DWORD, &one, 4), ERROR_SUCCESS);
        platform::SettingsCloseKey(key);
    }
    platform::SettingsKey tree = nullptr;
    ASSERT_EQ(platform::SettingsOpenKey(SettingsRoot::CurrentUser, AppPath("del").c_str(), &tree), ERROR_SUCCESS);
    std::set<std::string> names;
    WCHAR name[platform::kSettingsMaxName + 1];
    for (DWORD i = 0; platform::SettingsEnumSubKey(tree, i, name, platform::kSettingsMaxName + 1) == ERROR_SUCCESS; ++i)
        names.insert(Narrow(name));
    EXPECT_EQ(names, (std::set<std::string>{"One", "Three", "Two"}));  // direct children only
    platform::SettingsCloseKey(tree);

    EXPECT_EQ(platform::SettingsDeleteTree(SettingsRoot::CurrentUser, AppPath("DEL").c_str()), ERROR_SUCCESS);
    EXPECT_FALSE(KeyExists(AppPath("Del\\Two\\Deep")));
    EXPECT_FALSE(KeyExists(AppPath("Del")));
    EXPECT_TRUE(KeyExists(AppPath("Del2\\Keep")));
    EXPECT_TRUE(KeyExists(AppPath("DelA")));
    EXPECT_EQ(platform::SettingsOpenKey(SettingsRoot::CurrentUser, AppPath("Del").c_str(), &tree), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(tree, nullptr);
    EXPECT_EQ(platform::SettingsDeleteTree(SettingsRoot::CurrentUser, AppPath("Del").c_str()), ERROR_SUCCESS);
    EXPECT_EQ(platform::SettingsDeleteTree(SettingsRoot::CurrentUser, QMW("")), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(platform::SettingsDeleteTree(SettingsRoot::CurrentUser, nullptr), ERROR_INVALID_PARAMETER);

    // A handle on a deleted key reads defaults and reports the deletion on writes.
    HQMMETRIC h = nullptr;
    ASSERT_EQ(QmMetric_Open(&h, app_.c_str(), 0, QMW("Gone")), S_OK);
    ASSERT_EQ(QmMetric_DeleteKey(app_.c_str(), 0, QMW("Gone")), S_OK);
    EXPECT_EQ(QmSetMetric(h, 1, 1), E_FAIL);
    EXPECT_EQ(QmSetMetricUsingName(h, QMW("N"), 1), HRESULT_FROM_WIN32(ERROR_KEY_DELETED));
    EXPECT_FALSE(KeyExists(AppPath("Metrics\\Gone")));
    EXPECT_EQ(QmGetMetricEx(h, 1, 0, 0, 5), 5);
    QmMetric_Close(h);
}

// One handle used by two threads at once: every write lands and reads never see a torn value.
TEST_F(MetricStorageTest, OneHandleSharedByTwoThreads) {
    struct Shared {
        HQMMETRIC h;
        int base;
        int failures;
    };
    HQMMETRIC h = nullptr;
    ASSERT_EQ(QmMetric_Open(&h, app_.c_str(), 0, nullptr), S_OK);
    Shared work[2] = {{h, 0, 0}, {h, 1000, 0}};
    platform::Thread threads[2];
    for (int t = 0; t < 2; ++t) {
        ASSERT_TRUE(threads[t].Start(
            [](void* context) -> uint32_t {
                Shared* s = static_cast<Shared*>(context);
                for (int i = 0; i < 100; ++i) {
                    s->failures += QmSetMetric(s->h, s->base + i, i) != S_OK;
                    s->failures += QmSetMetric(s->h, 5000, s->base) != S_OK;
                    const int seen = QmGetMetric(s->h, 5000);
                    s->failures += seen != 0 && seen != 1000;
                }
                return 0;
            },
            &work[t]));
    }
    for (platform::Thread& thread : threads) EXPECT_TRUE(thread.Join(60000));
    EXPECT_EQ(work[0].failures + work[1].failures, 0);
    int lost = 0;
    for (int i = 0; i < 100; ++i) lost += (QmGetMetricEx(h, i, 0, 0, -1) != i) + (QmGetMetricEx(h, 1000 + i, 0, 0, -1) != i);
    EXPECT_EQ(lost, 0);
    QmMetric_Close(h);
}

}  // namespace
}  // namespace qm::test

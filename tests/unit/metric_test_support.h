// Shared helpers of the settings tests: a per-test application name whose keys are removed afterwards.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "framework/metric.h"
#include "platform/clock.h"
#include "platform/settings_storage.h"
#include "platform/thread.h"

namespace qm::test {

using WString = std::basic_string<WCHAR>;

inline WString Wide(const std::string& ascii) { return WString(ascii.begin(), ascii.end()); }

// Each test works under its own application name (the Windows tests share the Wine prefix's registry).
class MetricTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        app_ = Wide("QmTest_" + std::string(info->name()) + "_" + std::to_string(platform::CurrentThreadId()) + "_" +
                    std::to_string(platform::MillisecondClock()));
    }
    void TearDown() override {
        QmMetric_DeleteUserMetrics(app_.c_str(), 0);
        EXPECT_FALSE(KeyExists(Wide("Software\\Kelo Zezazidu Software\\") + app_));
    }
    // Software\Kelo Zezazidu Software\<app>\<rest>
    WString AppPath(const std::string& rest) const {
        return Wide("Software\\Kelo Zezazidu Software\\") + app_ + (rest.empty() ? WString() : Wide("\\" + rest));
    }
    static bool KeyExists(const WString& path) {
        platform::SettingsKey key = nullptr;
        const LONG error = platform::SettingsOpenKey(platform::SettingsRoot::CurrentUser, path.c_str(), &key);
        platform::SettingsCloseKey(key);
        return error == ERROR_SUCCESS;
    }
    // Type and exact bytes of a stored value, read straight from the store.
    static bool RawValue(const WString& path, const std::string& name, DWORD* type, std::string* bytes) {
        platform::SettingsKey key = nullptr;
        if (platform::SettingsOpenKey(platform::SettingsRoot::CurrentUser, path.c_str(), &key) != ERROR_SUCCESS)
            return false;
        char data[512] = {};
        DWORD size = sizeof(data);
        const LONG error = platform::SettingsQueryValue(key, Wide(name).c_str(), type, data, &size);
        platform::SettingsCloseKey(key);
        if (error != ERROR_SUCCESS) return false;
        bytes->assign(data, size);
        return true;
    }

    WString app_;
};

}  // namespace qm::test

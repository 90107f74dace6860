// On Windows the settings are the registry itself: what the host and other tools see under
// HKEY_CURRENT_USER, read here with the plain Reg* functions.
#include <windows.h>

#include "unit/metric_test_support.h"

namespace qm::test {
namespace {

using MetricRegistryTest = MetricTest;

TEST_F(MetricRegistryTest, ValuesAreOrdinaryRegistryValues) {
    HQMMETRIC h = nullptr;
    ASSERT_EQ(QmMetric_Open(&h, app_.c_str(), QM_METRIC_VERSION(1, 2), QMW("VSTi Synth")), S_OK);
    ASSERT_EQ(QmSetMetric(h, 1000, 0x11223344), S_OK);
    ASSERT_EQ(QmSetMetricString(h, 1000, QMW("C:\\VST")), S_OK);
    QmMetric_Close(h);

    HKEY key = nullptr;
    const WString path = AppPath("1.2\\Metrics\\VSTi Synth");
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD type = 0, number = 0, size = sizeof(number);
    EXPECT_EQ(RegQueryValueExW(key, L"1000", nullptr, &type, reinterpret_cast<BYTE*>(&number), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD{REG_DWORD});
    EXPECT_EQ(number, 0x11223344u);
    WCHAR text[16] = {};
    size = sizeof(text);
    EXPECT_EQ(RegQueryValueExW(key, L"S1000", nullptr, &type, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD{REG_SZ});
    EXPECT_EQ(size, 14u);
    EXPECT_STREQ(text, L"C:\\VST");
    RegCloseKey(key);

    // A value written by another program is read back through the handle.
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD frameSize = 512;
    ASSERT_EQ(RegSetValueExW(key, L"FrameSize", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&frameSize), 4),
              ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(QmMetric_Open(&h, app_.c_str(), QM_METRIC_VERSION(1, 2), QMW("VSTi Synth")), S_OK);
    EXPECT_EQ(QmGetMetricUsingName(h, QMW("FRAMESIZE"), 0), 512);
    QmMetric_Close(h);
}

}  // namespace
}  // namespace qm::test

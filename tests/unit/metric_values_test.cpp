// Settings values: names and types in the store, exact bytes, defaults, buffer rules, deletion.
#include <cstring>
#include <vector>

#include "metric_test_support.h"

namespace qm::test {
namespace {

class MetricValuesTest : public MetricTest {
protected:
    void SetUp() override {
        MetricTest::SetUp();
        ASSERT_EQ(QmMetric_Open(&h_, app_.c_str(), QM_METRIC_VERSION(1, 2), nullptr), S_OK);
        path_ = AppPath("1.2\\Metrics");
    }
    void TearDown() override {
        QmMetric_Close(h_);
        MetricTest::TearDown();
    }
    HQMMETRIC h_ = nullptr;
    WString path_;
};

TEST_F(MetricValuesTest, NegativeIdsNameTheSameValueAndEachKindHasItsType) {
    const unsigned char blob[3] = {0x00, 0xFF, 0x7F};
    const WCHAR multi[] = {'a', 0, 'b', 'c', 0, 0};
    ASSERT_EQ(QmSetMetric(h_, -5, -123456), S_OK);
    ASSERT_EQ(QmSetMetricString(h_, -5, QMW("Hi")), S_OK);
    ASSERT_EQ(QmSetMetricBinary(h_, -5, blob, sizeof(blob)), S_OK);
    ASSERT_EQ(QmSetMetricMultiString(h_, -5, multi, 6), S_OK);
    ASSERT_EQ(QmSetMetricUsingName(h_, QMW("FrameSize"), 0x01020304), S_OK);

    struct Expected { const char* name; DWORD type; std::string bytes; } table[] = {
        {"5", REG_DWORD, std::string("\xC0\x1D\xFE\xFF", 4)},
        {"S5", REG_SZ, Utf16Bytes("Hi")},
        {"B5", REG_BINARY, std::string("\x00\xFF\x7F", 3)},
        {"Z5", REG_MULTI_SZ, Utf16Bytes("a", true) + Utf16Bytes("bc", true) + std::string(2, '\0')},
        {"FrameSize", REG_DWORD, std::string("\x04\x03\x02\x01", 4)},
    };
    for (const Expected& e : table) {
        DWORD type = 0;
        std::string bytes;
        ASSERT_TRUE(RawValue(path_, e.name, &type, &bytes)) << e.name;
        EXPECT_EQ(type, e.type) << e.name;
        EXPECT_EQ(bytes, e.bytes) << e.name;
    }
    EXPECT_EQ(QmGetMetric(h_, 5), -123456);
    EXPECT_EQ(QmGetMetric(h_, -5), -123456);
    for (DWORD type : {DWORD{REG_SZ}, DWORD{REG_BINARY}, DWORD{REG_DWORD}, DWORD{REG_MULTI_SZ}}) {
        EXPECT_EQ(QmDoesMetricExist(h_, 5, type), S_OK) << type;
    }
    // Type 2 selects the "Z" name but needs exactly REG_EXPAND_SZ there.
    EXPECT_EQ(QmDoesMetricExist(h_, 5, REG_EXPAND_SZ), S_FALSE);
    EXPECT_EQ(QmDoesMetricExist(h_, 6, REG_DWORD), S_FALSE);
}

TEST_F(MetricValuesTest, NumbersWithDefaultsClampingAndWrongTypes) {
    EXPECT_EQ(QmGetMetric(h_, 1), 0);
    EXPECT_EQ(QmGetMetricEx(h_, 1, 1, 10, 50), 10);  // a missing value's default is clamped too
    EXPECT_EQ(QmGetMetricEx(h_, 1, 0, 0, 50), 50);
    ASSERT_EQ(QmSetMetric(h_, 1, 50), S_OK);
    EXPECT_EQ(QmGetMetricEx(h_, 1, 1, 10, 3), 10);
    EXPECT_EQ(QmGetMetricEx(h_, 1, 0, 0, 3), 50);
    EXPECT_EQ(QmGetMetricEx(h_, 1, 60, 70, 3), 60);
    ASSERT_EQ(QmSetMetric(h_, 1, -20), S_OK);
    EXPECT_EQ(QmGetMetricEx(h_, 1, -10, 10, 3), -10);

    EXPECT_EQ(QmGetMetricBool(h_, 2, 7), TRUE);  // missing: the default made 0 or 1
    EXPECT_EQ(QmGetMetricBool(h_, 2, 0), FALSE);
    ASSERT_EQ(QmSetMetric(h_, 2, 42), S_OK);
    EXPECT_EQ(QmGetMetricBool(h_, 2, 0), TRUE);
    ASSERT_EQ(QmSetMetric(h_, 2, 0), S_OK);
    EXPECT_EQ(QmGetMetricBool(h_, 2, 1), FALSE);

    // A string where a number is expected counts as missing; so does a wider binary block.
    ASSERT_EQ(QmSetMetricUsingName(h_, QMW("Name"), 5), S_OK);
    EXPECT_EQ(QmGetMetricUsingName(h_, QMW("Name"), 9), 5);
    EXPECT_EQ(QmGetMetricUsingName(h_, QMW("Missing"), 9), 9);
    platform::SettingsSetValue(h_->hKey, QMW("3"), REG_SZ, QMW("77"), 6);
    EXPECT_EQ(QmGetMetric(h_, 3), 0);
    EXPECT_EQ(QmGetMetricEx(h_, 3, 0, 0, 8), 8);
    const unsigned char wide[8] = {1, 0, 0, 0, 2, 0, 0, 0};
    platform::SettingsSetValue(h_->hKey, QMW("4"), REG_DWORD, wide, sizeof(wide));
    EXPECT_EQ(QmGetMetricEx(h_, 4, 0, 0, 8), 8);
}

TEST_F(MetricValuesTest, StringReadsZeroFillAndFallBack) {
    const WString text = Wide("Kelo");
    ASSERT_EQ(QmSetMetricString(h_, 7, text.c_str()), S_OK);
    WCHAR buffer[8];
    for (WCHAR& c : buffer) c = 0xFFFF;
    EXPECT_EQ(QmGetMetricStringEx(h_, 7, buffer, 8, QMW("def"), FALSE), 4);
    EXPECT_EQ(WString(buffer, 8), text + WString(4, 0));
    // Exactly filling the buffer (terminator included) still fits; one less does not.
    EXPECT_EQ(QmGetMetricStringEx(h_, 7, buffer, 5, QMW("def"), FALSE), 4);
    for (WCHAR& c : buffer) c = 0xFFFF;
    EXPECT_EQ(QmGetMetricStringEx(h_, 7, buffer, 4, QMW("default"), FALSE), 3);  // default cut to the buffer
    EXPECT_EQ(WString(buffer, 4), Wide("def") + WString(1, 0));
    EXPECT_EQ(QmGetMetricStringEx(h_, 7, buffer, 4, nullptr, FALSE), 0);
    EXPECT_EQ(WString(buffer, 4), WString(4, 0));

    ASSERT_EQ(QmSetMetricString(h_, 8, QMW("")), S_OK);
    for (WCHAR& c : buffer) c = 0xFFFF;
    EXPECT_EQ(QmGetMetricStringEx(h_, 8, buffer, 8, QMW("def"), TRUE), 0);
    EXPECT_EQ(WString(buffer, 8), WString(8, 0));
    EXPECT_EQ(QmGetMetricStringEx(h_, 8, buffer, 8, QMW("def"), FALSE), 3);
    EXPECT_EQ(WString(buffer), Wide("def"));
    // A missing value gives the default even with the flag set.
    EXPECT_EQ(QmGetMetricStringEx(h_, 9, buffer, 8, QMW("dflt"), TRUE), 4);
    // A number under the string's id is another value ("9", not "S9").
    ASSERT_EQ(QmSetMetric(h_, 9, 1), S_OK);
    EXPECT_EQ(QmGetMetricStringEx(h_, 9, buffer, 8, nullptr, FALSE), 0);
    EXPECT_EQ(QmSetMetricString(h_, 9, nullptr), E_INVALIDARG);
}

TEST_F(MetricValuesTest, MultiStringsKeepEveryCharacter) {
    const WCHAR data[] = {'o', 'n', 'e', 0, 't', 'w', 'o', 0, 0};
    ASSERT_EQ(QmSetMetricMultiString(h_, 3, data, 9), S_OK);
    WCHAR buffer[12];
    EXPECT_EQ(QmGetMetricMultiStringEx(h_, 3, buffer, 12, nullptr, FALSE), 8);
    EXPECT_EQ(WString(buffer, 12), WString(data, 9) + WString(3, 0));
    EXPECT_EQ(QmGetMetricMultiStringEx(h_, 3, buffer, 8, QMW("d\0"), FALSE), 1);
    // The string getter does not see a multi-string.
    EXPECT_EQ(QmGetMetricStringEx(h_, 3, buffer, 12, nullptr, FALSE), 0);
    EXPECT_EQ(QmSetMetricMultiString(h_, 3, nullptr, 4), E_INVALIDARG);
}

TEST_F(MetricValuesTest, BinaryBlocksAndTheirBufferRules) {
    unsigned char stored[10];
    for (int i = 0; i < 10; ++i) stored[i] = static_cast<unsigned char>(0xA0 + i);
    ASSERT_EQ(QmSetMetricBinary(h_, 12, stored, sizeof(stored)), S_OK);
    unsigned char buffer[16];
    memset(buffer, 0xEE, sizeof(buffer));
    EXPECT_EQ(QmGetMetricBinary(h_, 12, buffer, 16), 10u);
    EXPECT_EQ(memcmp(buffer, stored, 10), 0);
    EXPECT_EQ(std::vector<unsigned char>(buffer + 10, buffer + 16), std::vector<unsigned char>(6, 0));
    memset(buffer, 0xEE, sizeof(buffer));
    EXPECT_EQ(QmGetMetricBinary(h_, 12, buffer, 8), 0u);
    EXPECT_EQ(std::vector<unsigned char>(buffer, buffer + 8), std::vector<unsigned char>(8, 0));
    EXPECT_EQ(buffer[8], 0xEE);

    DWORD size = 99;
    memset(buffer, 0xEE, sizeof(buffer));
    EXPECT_EQ(QmGetMetricBinaryEx(h_, 12, buffer, 16, &size), S_OK);
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(buffer[15], 0);
    EXPECT_EQ(QmGetMetricBinaryEx(h_, 12, buffer, 9, &size), QM_E_BUFFER_TOO_SMALL);
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(std::vector<unsigned char>(buffer, buffer + 9), std::vector<unsigned char>(9, 0));
    EXPECT_EQ(QmGetMetricBinaryEx(h_, 12, nullptr, 0, &size), QM_E_BUFFER_TOO_SMALL);  // size query
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(QmGetMetricBinaryEx(h_, 13, buffer, 16, &size), S_FALSE);
    EXPECT_EQ(size, 0u);
    ASSERT_EQ(QmSetMetricString(h_, 14, QMW("x")), S_OK);
    platform::SettingsSetValue(h_->hKey, QMW("B14"), REG_SZ, QMW("x"), 4);
    EXPECT_EQ(QmGetMetricBinaryEx(h_, 14, buffer, 16, &size), S_FALSE);  // wrong type
    EXPECT_EQ(QmGetMetricBinaryEx(h_, 12, buffer, 16, nullptr), E_INVALIDARG);

    ASSERT_EQ(QmSetMetricBinary(h_, 15, nullptr, 0), S_OK);  // an empty block is a value
    EXPECT_EQ(QmGetMetricBinaryEx(h_, 15, buffer, 16, &size), S_OK);
    EXPECT_EQ(size, 0u);
}

TEST_F(MetricValuesTest, DeletingValues) {
    ASSERT_EQ(QmSetMetric(h_, 1, 1), S_OK);
    ASSERT_EQ(QmSetMetricString(h_, 1, QMW("one")), S_OK);
    EXPECT_EQ(QmDeleteMetric(h_, -1, REG_SZ), S_OK);
    EXPECT_EQ(QmDoesMetricExist(h_, 1, REG_SZ), S_FALSE);
    EXPECT_EQ(QmGetMetric(h_, 1), 1);  // the number beside it stays
    EXPECT_EQ(QmDeleteMetric(h_, 1, REG_SZ), E_FAIL);
    ASSERT_EQ(QmSetMetricUsingName(h_, QMW("Flag"), 3), S_OK);
    EXPECT_EQ(QmDeleteMetricUsingName(h_, QMW("FLAG"), 12345), S_OK);
    EXPECT_EQ(QmGetMetricUsingName(h_, QMW("Flag"), -1), -1);
}

// No handle, the never-set default handle -1, and a record whose key could not be opened all act alike.
TEST_F(MetricValuesTest, NoHandleDefaultHandleAndUnopenedKey) {
    tQMMETRIC unopened = {};
    for (HQMMETRIC h : {HQMMETRIC(nullptr), HQMMETRIC_DEFAULT, &unopened}) {
        SCOPED_TRACE(h == nullptr ? "null" : h == HQMMETRIC_DEFAULT ? "-1" : "unopened");
        WCHAR text[4] = {'x', 'x', 'x', 'x'};
        unsigned char bytes[4] = {1, 1, 1, 1};
        DWORD size = 5;
        EXPECT_EQ(QmGetMetric(h, 1), 0);
        EXPECT_EQ(QmGetMetricEx(h, 1, 1, 10, 50), 50);  // unclamped
        EXPECT_EQ(QmGetMetricBool(h, 1, 7), 7);          // unchanged
        EXPECT_EQ(QmGetMetricUsingName(h, QMW("A"), 6), 6);
        EXPECT_EQ(QmGetMetricStringEx(h, 1, text, 4, QMW("ab"), FALSE), 2);
        EXPECT_EQ(WString(text, 4), Wide("ab") + WString(2, 0));
        EXPECT_EQ(QmGetMetricBinary(h, 1, bytes, 4), 0u);
        EXPECT_EQ(bytes[3], 0);
        EXPECT_EQ(QmGetMetricBinaryEx(h, 1, bytes, 4, &size), QM_E_NO_SUCH_SETTING);
        EXPECT_EQ(size, 0u);
        EXPECT_EQ(QmSetMetric(h, 1, 1), E_FAIL);
        EXPECT_EQ(QmSetMetricUsingName(h, QMW("A"), 1), E_FAIL);
        EXPECT_EQ(QmSetMetricString(h, 1, QMW("a")), E_FAIL);
        EXPECT_EQ(QmSetMetricMultiString(h, 1, QMW("a"), 2), E_FAIL);
        EXPECT_EQ(QmSetMetricBinary(h, 1, bytes, 4), E_FAIL);
        EXPECT_EQ(QmDoesMetricExist(h, 1, REG_DWORD), S_FALSE);
        EXPECT_EQ(QmDeleteMetric(h, 1, REG_DWORD), S_FALSE);
        EXPECT_EQ(QmDeleteMetricUsingName(h, QMW("A"), REG_DWORD), S_FALSE);
    }
}

}  // namespace
}  // namespace qm::test

// Settings values: names and types in the store, exact bytes, defaults, buffer rules, deletion.
#include <cstring>
#include <vector>

#include "metric_test_support.h"

namespace qm::test {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class MetricValuesTest : public MetricTest {
protected:
    void SetUp() override {
        MetricTest::SetUp();
        ASSERT_EQ(QmMetric_Open(&h_, app_.c_str(), QM_METRIC_VERSION(1, 2), nullptr), S_OK);
    }
    void TearDown() override {
        QmMetric_Close(h_);
        MetricTest::TearDown();
    }
    HQMMETRIC h_ = nullptr;
};

TEST_F(MetricValuesTest, NegativeIdsNameTheSameValueAndEachKindHasItsType) {
    const unsigned char blob[3] = {0x00, 0xFF, 0x7F};
    const WCHAR multi[] = {'a', 0, 'b', 'c', 0, 0};
    ASSERT_EQ(QmSetMetric(h_, -5, -123456), S_OK);
    ASSERT_EQ(QmSetMetricString(h_, -5, QMW("Hi")), S_OK);
    ASSERT_EQ(QmSetMetricBinary(h_, -5, blob, sizeof(blob)), S_OK);
    ASSERT_EQ(QmSetMetricMultiString(h_, -5, multi, 6), S_OK);
    ASSERT_EQ(QmSetMetricUsingName(h_, QMW("FrameSize"), 0x01020304), S_OK);

    const struct {
        const char* name;
        DWORD type;
        std::string bytes;
    } table[] = {
        {"5", REG_DWORD, std::string("\xC0\x1D\xFE\xFF", 4)},
        {"S5", REG_SZ, Utf16Bytes("Hi")},
        {"B5", REG_BINARY, std::string("\x00\xFF\x7F", 3)},
        {"Z5", REG_MULTI_SZ, Utf16Bytes("a") + Utf16Bytes("bc") + std::string(2, '\0')},
        {"FrameSize", REG_DWORD, std::string("\x04\x03\x02\x01", 4)},
    };
    for (const auto& e : table) {
        DWORD type = 0;
        std::string bytes;
        ASSERT_TRUE(RawValue(AppPath("1.2\\Metrics"), e.name, &type, &bytes)) << e.name;
        EXPECT_EQ(type, e.type) << e.name;
        EXPECT_EQ(bytes, e.bytes) << e.name;
    }
    EXPECT_EQ(QmGetMetric(h_, 5), -123456);
    for (DWORD type : {DWORD{REG_SZ}, DWORD{REG_BINARY}, DWORD{REG_DWORD}, DWORD{REG_MULTI_SZ}})
        EXPECT_EQ(QmDoesMetricExist(h_, 5, type), S_OK) << type;
    // Type 2 selects the "Z" name but needs exactly REG_EXPAND_SZ there.
    EXPECT_EQ(QmDoesMetricExist(h_, 5, REG_EXPAND_SZ), S_FALSE);
    EXPECT_EQ(QmDoesMetricExist(h_, 6, REG_DWORD), S_FALSE);
    // Deleting one kind leaves the others under the same id; named values ignore case.
    EXPECT_EQ(QmDeleteMetric(h_, -5, REG_SZ), S_OK);
    EXPECT_EQ(QmDoesMetricExist(h_, 5, REG_SZ), S_FALSE);
    EXPECT_EQ(QmGetMetric(h_, 5), -123456);
    EXPECT_EQ(QmDeleteMetric(h_, 5, REG_SZ), E_FAIL);
    EXPECT_EQ(QmDeleteMetricUsingName(h_, QMW("FRAMESIZE"), 12345), S_OK);
    EXPECT_EQ(QmGetMetricUsingName(h_, QMW("FrameSize"), -1), -1);
}

TEST_F(MetricValuesTest, NumbersWithDefaultsClampingAndWrongTypes) {
    // {stored (or none), min, max, default, QmGetMetricEx}: a missing value's default is clamped too.
    const struct {
        bool stored;
        int value, min, max, fallback, expected;
    } cases[] = {{false, 0, 1, 10, 50, 10}, {false, 0, 0, 0, 50, 50}, {true, 50, 1, 10, 3, 10},
                 {true, 50, 0, 0, 3, 50},   {true, 50, 60, 70, 3, 60}, {true, -20, -10, 10, 3, -10}};
    for (const auto& c : cases) {
        if (c.stored) {
            ASSERT_EQ(QmSetMetric(h_, 1, c.value), S_OK);
        }
        EXPECT_EQ(QmGetMetricEx(h_, 1, c.min, c.max, c.fallback), c.expected) << c.value << " " << c.min;
    }
    EXPECT_EQ(QmGetMetric(h_, 2), 0);
    EXPECT_EQ(QmGetMetricBool(h_, 2, 7), TRUE);  // missing: the default made 0 or 1
    EXPECT_EQ(QmGetMetricBool(h_, 2, 0), FALSE);
    ASSERT_EQ(QmSetMetric(h_, 2, 42), S_OK);
    EXPECT_EQ(QmGetMetricBool(h_, 2, 0), TRUE);
    ASSERT_EQ(QmSetMetric(h_, 2, 0), S_OK);
    EXPECT_EQ(QmGetMetricBool(h_, 2, 1), FALSE);

    // A string where a number is expected counts as missing; so does a wider binary block.
    EXPECT_EQ(QmGetMetricUsingName(h_, QMW("Missing"), 9), 9);
    platform::SettingsSetValue(h_->hKey, QMW("3"), REG_SZ, QMW("77"), 6);
    EXPECT_EQ(QmGetMetric(h_, 3), 0);
    EXPECT_EQ(QmGetMetricEx(h_, 3, 0, 0, 8), 8);
    const unsigned char wide[8] = {1, 0, 0, 0, 2, 0, 0, 0};
    platform::SettingsSetValue(h_->hKey, QMW("4"), REG_DWORD, wide, sizeof(wide));
    EXPECT_EQ(QmGetMetricEx(h_, 4, 0, 0, 8), 8);
}

TEST_F(MetricValuesTest, StringReadsZeroFillAndFallBack) {
    ASSERT_EQ(QmSetMetricString(h_, 7, QMW("Kelo")), S_OK);
    ASSERT_EQ(QmSetMetricString(h_, 8, QMW("")), S_OK);
    ASSERT_EQ(QmSetMetric(h_, 9, 1), S_OK);  // a number under the string's id is another value ("9", not "S9")
    const WCHAR data[] = {'o', 'n', 'e', 0, 't', 'w', 'o', 0, 0};
    ASSERT_EQ(QmSetMetricMultiString(h_, 3, data, 9), S_OK);
    // {id, buffer characters, default, keep empty, result, the whole buffer afterwards}
    const struct {
        int id, size;
        const WCHAR* fallback;
        BOOL keepEmpty;
        int result;
        WString buffer;
    } cases[] = {
        {7, 8, QMW("def"), FALSE, 4, Wide("Kelo") + WString(4, 0)},
        {7, 5, QMW("def"), FALSE, 4, Wide("Kelo") + WString(1, 0)},  // the terminator just fits
        {7, 4, QMW("default"), FALSE, 3, Wide("def") + WString(1, 0)},  // too small: the default, cut
        {7, 4, nullptr, FALSE, 0, WString(4, 0)},
        {8, 8, QMW("def"), TRUE, 0, WString(8, 0)},
        {8, 8, QMW("def"), FALSE, 3, Wide("def") + WString(5, 0)},
        {9, 8, QMW("dflt"), TRUE, 4, Wide("dflt") + WString(4, 0)},  // missing: the default even so
        {3, 8, nullptr, FALSE, 0, WString(8, 0)},  // the string getter does not see a multi-string
    };
    for (const auto& c : cases) {
        WString buffer(size_t(c.size), WCHAR(0xFFFF));
        EXPECT_EQ(QmGetMetricStringEx(h_, c.id, &buffer[0], c.size, c.fallback, c.keepEmpty), c.result) << c.id;
        EXPECT_EQ(buffer, c.buffer) << c.id << " in " << c.size;
    }
    EXPECT_EQ(QmSetMetricString(h_, 9, nullptr), E_INVALIDARG);

    WCHAR buffer[12];
    EXPECT_EQ(QmGetMetricMultiStringEx(h_, 3, buffer, 12, nullptr, FALSE), 8);  // every character kept
    EXPECT_EQ(WString(buffer, 12), WString(data, 9) + WString(3, 0));
    EXPECT_EQ(QmSetMetricMultiString(h_, 3, nullptr, 4), E_INVALIDARG);
}

TEST_F(MetricValuesTest, BinaryBlocksAndTheirBufferRules) {
    Bytes stored(10);
    for (int i = 0; i < 10; ++i) stored[size_t(i)] = static_cast<unsigned char>(0xA0 + i);
    ASSERT_EQ(QmSetMetricBinary(h_, 12, stored.data(), 10), S_OK);
    ASSERT_EQ(QmSetMetricBinary(h_, 15, nullptr, 0), S_OK);  // an empty block is a value
    platform::SettingsSetValue(h_->hKey, QMW("B14"), REG_SZ, QMW("x"), 4);
    Bytes filled = stored;
    filled.resize(16, 0);

    // The plain getter: the size, or 0 with a zeroed buffer when the block does not fit.
    Bytes buffer(16, 0xEE);
    EXPECT_EQ(QmGetMetricBinary(h_, 12, buffer.data(), 16), 10u);
    EXPECT_EQ(buffer, filled);
    buffer.assign(16, 0xEE);
    EXPECT_EQ(QmGetMetricBinary(h_, 12, buffer.data(), 8), 0u);
    EXPECT_EQ(buffer, Cat(Bytes(8, 0), Bytes(8, 0xEE)));

    // {id, buffer size, result, size reported}
    const struct {
        int id;
        DWORD size;
        HRESULT result;
        DWORD reported;
    } cases[] = {{12, 16, S_OK, 10},   {12, 9, QM_E_BUFFER_TOO_SMALL, 10}, {12, 0, QM_E_BUFFER_TOO_SMALL, 10},
                 {13, 16, S_FALSE, 0}, {14, 16, S_FALSE, 0} /* wrong type */, {15, 16, S_OK, 0}};
    for (const auto& c : cases) {
        DWORD size = 99;
        buffer.assign(16, 0xEE);
        EXPECT_EQ(QmGetMetricBinaryEx(h_, c.id, c.size ? buffer.data() : nullptr, c.size, &size), c.result) << c.id;
        EXPECT_EQ(size, c.reported) << c.id << " in " << c.size;
        if (c.id == 12 && c.size) {
            EXPECT_EQ(buffer, c.size == 16 ? filled : Cat(Bytes(9, 0), Bytes(7, 0xEE)));
        }
    }
    EXPECT_EQ(QmGetMetricBinaryEx(h_, 12, buffer.data(), 16, nullptr), E_INVALIDARG);
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

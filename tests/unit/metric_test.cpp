// Settings: key paths of every open form, sub-keys, the host's record, deleting keys, case folding,
// then the values: names and types in the store, exact bytes, defaults, buffer rules, dead handles.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "metric_test_support.h"

namespace qm::test {
namespace {

using MetricOpenTest = MetricTest;
using Bytes = std::vector<unsigned char>;

TEST_F(MetricOpenTest, PathsOfEveryOpenForm) {
    // The minor number alone makes no version element; an empty sub-key adds nothing; long paths are cut.
    const WString longName(400, 'n');
    HQMMETRIC h = nullptr;
    for (const auto& [version, subKey, path] :
         {std::tuple{QM_METRIC_VERSION(1, 2), static_cast<const WCHAR*>(nullptr), AppPath("1.2\\Metrics")},
          {QM_METRIC_VERSION(0, 7), QMW(""), AppPath("Metrics")},
          {0x0A0B1234, QMW("Sub"), AppPath("10.11\\Metrics\\Sub")},
          {0, longName.c_str(), (AppPath("Metrics\\") + longName).substr(0, QM_METRIC_PATH_CHARS - 1)}}) {
        ASSERT_EQ(QmMetric_Open(&h, app_.c_str(), version, subKey), S_OK) << std::hex << version;
        EXPECT_EQ(WString(h->szKeyPath), path) << std::hex << version;
        QmMetric_Close(h);
        EXPECT_TRUE(KeyExists(path));
    }
    // Deleting by a path that would have to be cut is refused rather than deleting a shorter key.
    EXPECT_EQ(QmMetric_DeleteKey(app_.c_str(), 0, longName.c_str()), E_INVALIDARG);

    const WString company = Wide("QmTestCo_") + app_, plain = Wide("Software\\") + company + QMW("\\Plain");
    ASSERT_EQ(QmMetric_OpenRegHiveAndVersion(&h, app_.c_str(), QM_METRIC_VERSION(3, 0), company.c_str(), nullptr), S_OK);
    const WString expected = Wide("Software\\") + company + QMW("\\") + app_ + QMW("\\3.0\\Metrics");
    EXPECT_EQ(WString(h->szKeyPath), expected);
    QmMetric_Close(h);
    ASSERT_EQ(QmMetric_OpenAppVersion(&h, plain.c_str(), QMW("A\\B")), S_OK);
    EXPECT_EQ(WString(h->szKeyPath), plain + QMW("\\A\\B"));
    QmMetric_Close(h);
    EXPECT_EQ(QmMetric_DeleteAllHiveAndVersion(app_.c_str(), QM_METRIC_VERSION(3, 0), company.c_str()), S_OK);
    EXPECT_FALSE(KeyExists(expected));
    EXPECT_TRUE(KeyExists(plain + QMW("\\A")));
    platform::SettingsDeleteTree(platform::SettingsRoot::CurrentUser, (Wide("Software\\") + company).c_str());
}

TEST_F(MetricOpenTest, SubKeyIsChildOfMetricsWhicheverParent) {
    HQMMETRIC root = nullptr, synth = nullptr, nested = nullptr;
    ASSERT_EQ(QmMetric_Open(&root, app_.c_str(), QM_METRIC_VERSION(1, 2), nullptr), S_OK);
    ASSERT_EQ(QmMetric_OpenSubKey(&synth, root, QMW("VSTi Synth")), S_OK);
    // A name with "\" opens a key two levels down, still below Metrics when the parent is a sub-key.
    ASSERT_EQ(QmMetric_OpenSubKey(&nested, synth, QMW("Other\\Plugs")), S_OK);
    EXPECT_EQ(WString(nested->szKeyPath), AppPath("1.2\\Metrics\\Other\\Plugs"));
    EXPECT_TRUE(KeyExists(AppPath("1.2\\Metrics\\Other\\Plugs")));
    for (HQMMETRIC h : {root, synth, nested}) EXPECT_EQ(QmMetric_Close(h), S_OK);

    // The host's own record: only its path is read, case and all; its key and reserved area are not
    // touched. "\Metrics" must be a whole element: "\MetricsX" is not the Metrics key.
    tQMMETRIC* host = static_cast<tQMMETRIC*>(calloc(1, sizeof(tQMMETRIC)));
    memset(host->szReserved, 0x5A, sizeof(host->szReserved));
    for (const auto& [parent, result, child] : {std::tuple{AppPath("5.0\\metrics\\Host Part"), S_OK, AppPath("5.0\\metrics\\X")},
                                                {AppPath("MetricsX\\Part"), E_INVALIDARG, WString()}}) {
        memcpy(host->szKeyPath, parent.c_str(), (parent.size() + 1) * sizeof(WCHAR));
        HQMMETRIC opened = reinterpret_cast<HQMMETRIC>(8);
        ASSERT_EQ(QmMetric_OpenSubKey(&opened, host, QMW("X")), result);
        if (result != S_OK) {
            EXPECT_EQ(opened, nullptr);
            continue;
        }
        EXPECT_EQ(WString(opened->szKeyPath), child);
        QmMetric_Close(opened);
    }
    EXPECT_EQ(host->hKey, nullptr);
    EXPECT_EQ(static_cast<unsigned char>(reinterpret_cast<char*>(host->szReserved)[7]), 0x5A);
    free(host);
    EXPECT_EQ(QmMetric_OpenSubKey(&nested, HQMMETRIC_DEFAULT, QMW("X")), E_FAIL);
    EXPECT_EQ(QmMetric_OpenSubKey(nullptr, nullptr, QMW("X")), E_INVALIDARG);
    EXPECT_EQ(QmMetric_OpenAppVersion(&nested, QMW(""), nullptr), E_INVALIDARG);
}

TEST_F(MetricOpenTest, DeleteFunctionsPickTheRightKeyByWholeNames) {
    HQMMETRIC h = nullptr;
    for (DWORD version : {QM_METRIC_VERSION(1, 2), QM_METRIC_VERSION(2, 0), DWORD{0}}) {
        for (const WCHAR* sub : {QMW("VSTi Synth\\Plugs"), QMW("VSTi SynthX")}) {
            ASSERT_EQ(QmMetric_Open(&h, app_.c_str(), version, sub), S_OK);
            QmMetric_Close(h);
        }
    }
    EXPECT_EQ(QmMetric_DeleteKey(app_.c_str(), QM_METRIC_VERSION(1, 2), QMW("vsti synth")), S_OK);
    EXPECT_FALSE(KeyExists(AppPath("1.2\\Metrics\\VSTi Synth")));
    EXPECT_TRUE(KeyExists(AppPath("1.2\\Metrics\\VSTi SynthX")));  // a name sharing the prefix stays
    EXPECT_EQ(QmMetric_DeleteAll(app_.c_str(), QM_METRIC_VERSION(2, 0)), S_OK);
    EXPECT_FALSE(KeyExists(AppPath("2.0")));
    EXPECT_TRUE(KeyExists(AppPath("1.2")));
    // A handle deletes its own key with every sub-key; later writes report the deletion.
    ASSERT_EQ(QmMetric_Open(&h, app_.c_str(), 0, QMW("VSTi Synth")), S_OK);
    HQMMETRIC stale = nullptr;
    ASSERT_EQ(QmMetric_Open(&stale, app_.c_str(), 0, QMW("VSTi Synth")), S_OK);
    EXPECT_EQ(QmMetric_CloseAndDeleteKey(h), S_OK);
    EXPECT_FALSE(KeyExists(AppPath("Metrics\\VSTi Synth\\Plugs")));
    EXPECT_TRUE(KeyExists(AppPath("Metrics\\VSTi SynthX")));
    EXPECT_EQ(QmSetMetricUsingName(stale, QMW("N"), 1), HRESULT_FROM_WIN32(ERROR_KEY_DELETED));
    QmMetric_Close(stale);
    // Version 0 names the application's whole key; without an application these would name the company's.
    EXPECT_EQ(QmMetric_DeleteUserMetrics(app_.c_str(), 0), S_OK);
    EXPECT_FALSE(KeyExists(AppPath("")));
    EXPECT_EQ(QmMetric_DeleteUserMetrics(nullptr, 0), E_INVALIDARG);
    EXPECT_EQ(QmMetric_DeleteAll(QMW(""), 0), E_INVALIDARG);
    EXPECT_EQ(QmMetric_DeleteKey(nullptr, 0, nullptr), E_INVALIDARG);
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
    for (const auto& [name, type, bytes] : {std::tuple{"5", REG_DWORD, std::string("\xC0\x1D\xFE\xFF", 4)},
                                            {"S5", REG_SZ, std::string("H\0i\0\0\0", 6)},
                                            {"B5", REG_BINARY, std::string("\x00\xFF\x7F", 3)},
                                            {"Z5", REG_MULTI_SZ, std::string("a\0\0\0b\0c\0\0\0\0\0", 12)},
                                            {"FrameSize", REG_DWORD, std::string("\x04\x03\x02\x01", 4)}}) {
        DWORD stored = 0;
        std::string raw;
        ASSERT_TRUE(RawValue(AppPath("1.2\\Metrics"), name, &stored, &raw)) << name;
        EXPECT_EQ(stored, DWORD(type)) << name;
        EXPECT_EQ(raw, bytes) << name;
    }
    // Type 2 selects the "Z" name but needs exactly REG_EXPAND_SZ there.
    EXPECT_EQ(QmDoesMetricExist(h_, 5, REG_MULTI_SZ), S_OK);
    EXPECT_EQ(QmDoesMetricExist(h_, 5, REG_EXPAND_SZ), S_FALSE);
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
    for (const auto& [stored, value, min, max, fallback, expected] :
         {std::tuple{false, 0, 1, 10, 50, 10}, {false, 0, 0, 0, 50, 50}, {true, 50, 1, 10, 3, 10}, {true, 50, 0, 0, 3, 50},
          {true, 50, 60, 70, 3, 60}, {true, -20, -10, 10, 3, -10}}) {
        if (stored) {
            ASSERT_EQ(QmSetMetric(h_, 1, value), S_OK);
        }
        EXPECT_EQ(QmGetMetricEx(h_, 1, min, max, fallback), expected) << value << " " << min;
    }
    EXPECT_EQ(QmGetMetricBool(h_, 2, 7), TRUE);  // missing: the default made 0 or 1
    ASSERT_EQ(QmSetMetric(h_, 2, 42), S_OK);
    EXPECT_EQ(QmGetMetricBool(h_, 2, 0), TRUE);
    // A string where a number is expected counts as missing; so does a wider binary block.
    platform::SettingsSetValue(h_->hKey, QMW("3"), REG_SZ, QMW("77"), 6);
    EXPECT_EQ(QmGetMetric(h_, 3), 0);
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
    for (const auto& [id, size, fallback, keepEmpty, result, after] : {
             std::tuple{7, 8, QMW("def"), FALSE, 4, Wide("Kelo") + WString(4, 0)},
             {7, 5, QMW("def"), FALSE, 4, Wide("Kelo") + WString(1, 0)},     // the terminator just fits
             {7, 4, QMW("default"), FALSE, 3, Wide("def") + WString(1, 0)},  // too small: the default, cut
             {7, 4, nullptr, FALSE, 0, WString(4, 0)},
             {8, 8, QMW("def"), TRUE, 0, WString(8, 0)},
             {8, 8, QMW("def"), FALSE, 3, Wide("def") + WString(5, 0)},
             {9, 8, QMW("dflt"), TRUE, 4, Wide("dflt") + WString(4, 0)},  // missing: the default even so
             {3, 8, nullptr, FALSE, 0, WString(8, 0)},  // the string getter does not see a multi-string
         }) {
        WString buffer(size_t(size), WCHAR(0xFFFF));
        EXPECT_EQ(QmGetMetricStringEx(h_, id, &buffer[0], size, fallback, keepEmpty), result) << id;
        EXPECT_EQ(buffer, after) << id << " in " << size;
    }
    EXPECT_EQ(QmSetMetricString(h_, 9, nullptr), E_INVALIDARG);
    WCHAR buffer[12];
    EXPECT_EQ(QmGetMetricMultiStringEx(h_, 3, buffer, 12, nullptr, FALSE), 8);  // every character kept
    EXPECT_EQ(WString(buffer, 12), WString(data, 9) + WString(3, 0));
}

TEST_F(MetricValuesTest, BinaryBlocksAndTheirBufferRules) {
    Bytes stored(10);
    for (int i = 0; i < 10; ++i) stored[size_t(i)] = static_cast<unsigned char>(0xA0 + i);
    ASSERT_EQ(QmSetMetricBinary(h_, 12, stored.data(), 10), S_OK);
    ASSERT_EQ(QmSetMetricBinary(h_, 15, nullptr, 0), S_OK);  // an empty block is a value
    platform::SettingsSetValue(h_->hKey, QMW("B14"), REG_SZ, QMW("x"), 4);
    Bytes filled = stored;
    filled.resize(16, 0);
    const auto zeroed = [](size_t n) { Bytes b(n, 0); b.resize(16, 0xEE); return b; };  // and not a byte more
    // The plain getter: the size, or 0 with a zeroed buffer when the block does not fit.
    Bytes buffer(16, 0xEE);
    EXPECT_EQ(QmGetMetricBinary(h_, 12, buffer.data(), 16), 10u);
    EXPECT_EQ(buffer, filled);
    buffer.assign(16, 0xEE);
    EXPECT_EQ(QmGetMetricBinary(h_, 12, buffer.data(), 8), 0u);
    EXPECT_EQ(buffer, zeroed(8));
    // {id, buffer size, result, size reported, the buffer afterwards (empty: not checked)}
    for (const auto& [id, size, result, reported, after] :
         {std::tuple{12, 16u, S_OK, 10u, filled}, {12, 9u, QM_E_BUFFER_TOO_SMALL, 10u, zeroed(9)},
          {12, 0u, QM_E_BUFFER_TOO_SMALL, 10u, Bytes{}}, {13, 16u, S_FALSE, 0u, Bytes{}},
          {14, 16u, S_FALSE, 0u, Bytes{}} /* wrong type */, {15, 16u, S_OK, 0u, Bytes{}}}) {
        DWORD got = 99;
        buffer.assign(16, 0xEE);
        EXPECT_EQ(QmGetMetricBinaryEx(h_, id, size ? buffer.data() : nullptr, size, &got), result) << id;
        EXPECT_EQ(got, reported) << id << " in " << size;
        if (!after.empty()) {
            EXPECT_EQ(buffer, after) << id << " in " << size;
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
        EXPECT_EQ(QmGetMetricEx(h, 1, 1, 10, 50), 50);  // unclamped
        EXPECT_EQ(QmGetMetricBool(h, 1, 7), 7);          // unchanged
        EXPECT_EQ(QmGetMetricStringEx(h, 1, text, 4, QMW("ab"), FALSE), 2);
        EXPECT_EQ(WString(text, 4), Wide("ab") + WString(2, 0));
        EXPECT_EQ(QmGetMetricBinary(h, 1, bytes, 4), 0u);
        EXPECT_EQ(bytes[3], 0);
        EXPECT_EQ(QmGetMetricBinaryEx(h, 1, bytes, 4, &size), QM_E_NO_SUCH_SETTING);
        EXPECT_EQ(size, 0u);
        int call = 0;
        for (HRESULT hr : {QmSetMetric(h, 1, 1), QmSetMetricUsingName(h, QMW("A"), 1), QmSetMetricString(h, 1, QMW("a")),
                           QmSetMetricMultiString(h, 1, QMW("a"), 2), QmSetMetricBinary(h, 1, bytes, 4)})
            EXPECT_EQ(hr, E_FAIL) << "setter " << call++;
        for (HRESULT hr : {QmDoesMetricExist(h, 1, REG_DWORD), QmDeleteMetric(h, 1, REG_DWORD),
                           QmDeleteMetricUsingName(h, QMW("A"), REG_DWORD)})
            EXPECT_EQ(hr, S_FALSE) << "query " << call++;
    }
}

}  // namespace
}  // namespace qm::test

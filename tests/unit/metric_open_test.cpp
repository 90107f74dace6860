// Settings handles: key paths, sub-keys, the host's record, deleting keys, case folding.
#include <cstdlib>
#include <cstring>

#include "metric_test_support.h"

namespace qm::test {
namespace {

using MetricOpenTest = MetricTest;

TEST_F(MetricOpenTest, PathsOfEveryOpenForm) {
    // The minor number alone makes no version element; an empty sub-key adds nothing; long paths are cut.
    const WString longName(400, 'n');
    const struct {
        DWORD version;
        const WCHAR* subKey;
        WString path;
    } cases[] = {{QM_METRIC_VERSION(1, 2), nullptr, AppPath("1.2\\Metrics")},
                 {QM_METRIC_VERSION(0, 7), QMW(""), AppPath("Metrics")},
                 {0x0A0B1234, QMW("Sub"), AppPath("10.11\\Metrics\\Sub")},
                 {0, longName.c_str(), (AppPath("Metrics\\") + longName).substr(0, QM_METRIC_PATH_CHARS - 1)}};
    for (const auto& c : cases) {
        HQMMETRIC h = nullptr;
        ASSERT_EQ(QmMetric_Open(&h, app_.c_str(), c.version, c.subKey), S_OK) << std::hex << c.version;
        EXPECT_EQ(WString(h->szKeyPath), c.path) << std::hex << c.version;
        QmMetric_Close(h);
        EXPECT_TRUE(KeyExists(c.path));
    }
    // Deleting by a path that would have to be cut is refused rather than deleting a shorter key.
    EXPECT_EQ(QmMetric_DeleteKey(app_.c_str(), 0, longName.c_str()), E_INVALIDARG);

    const WString company = Wide("QmTestCo_") + app_, plain = Wide("Software\\") + company + QMW("\\Plain");
    HQMMETRIC h = nullptr;
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

    // The host's own record: only its path is read; its key and reserved area are not touched.
    tQMMETRIC* host = static_cast<tQMMETRIC*>(calloc(1, sizeof(tQMMETRIC)));
    const WString hostPath = AppPath("5.0\\metrics\\Host Part");  // the registry ignores case
    memcpy(host->szKeyPath, hostPath.c_str(), (hostPath.size() + 1) * sizeof(WCHAR));
    memset(host->szReserved, 0x5A, sizeof(host->szReserved));
    HQMMETRIC child = nullptr;
    ASSERT_EQ(QmMetric_OpenSubKey(&child, host, QMW("VSTi Synth")), S_OK);
    EXPECT_EQ(WString(child->szKeyPath), AppPath("5.0\\metrics\\VSTi Synth"));
    QmMetric_Close(child);
    EXPECT_EQ(host->hKey, nullptr);
    EXPECT_EQ(static_cast<unsigned char>(reinterpret_cast<char*>(host->szReserved)[7]), 0x5A);
    // "\Metrics" must be a whole element: "\MetricsX" is not the Metrics key.
    const WString noMetrics = AppPath("MetricsX\\Part");
    memcpy(host->szKeyPath, noMetrics.c_str(), (noMetrics.size() + 1) * sizeof(WCHAR));
    child = reinterpret_cast<HQMMETRIC>(8);
    EXPECT_EQ(QmMetric_OpenSubKey(&child, host, QMW("X")), E_INVALIDARG);
    EXPECT_EQ(child, nullptr);
    free(host);
    EXPECT_EQ(QmMetric_OpenSubKey(&child, nullptr, QMW("X")), E_FAIL);
    EXPECT_EQ(QmMetric_OpenSubKey(&child, HQMMETRIC_DEFAULT, QMW("X")), E_FAIL);
    EXPECT_EQ(QmMetric_OpenSubKey(nullptr, nullptr, QMW("X")), E_INVALIDARG);
    EXPECT_EQ(QmMetric_Open(&child, nullptr, 0, nullptr), E_INVALIDARG);
    EXPECT_EQ(QmMetric_OpenAppVersion(&child, QMW(""), nullptr), E_INVALIDARG);
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
    EXPECT_EQ(QmMetric_DeleteKey(app_.c_str(), QM_METRIC_VERSION(1, 2), nullptr), S_OK);
    EXPECT_FALSE(KeyExists(AppPath("1.2\\Metrics")));
    EXPECT_TRUE(KeyExists(AppPath("1.2")));
    EXPECT_EQ(QmMetric_DeleteKey(app_.c_str(), QM_METRIC_VERSION(1, 2), nullptr), S_OK);  // already gone
    EXPECT_EQ(QmMetric_DeleteAll(app_.c_str(), QM_METRIC_VERSION(2, 0)), S_OK);
    EXPECT_FALSE(KeyExists(AppPath("2.0")));
    EXPECT_TRUE(KeyExists(AppPath("Metrics\\VSTi Synth\\Plugs")));
    EXPECT_EQ(QmMetric_DeleteUserMetrics(app_.c_str(), QM_METRIC_VERSION(1, 2)), S_OK);
    EXPECT_FALSE(KeyExists(AppPath("1.2")));
    // A handle deletes its own key with every sub-key; later writes report the deletion.
    ASSERT_EQ(QmMetric_Open(&h, app_.c_str(), 0, QMW("VSTi Synth")), S_OK);
    HQMMETRIC stale = nullptr;
    ASSERT_EQ(QmMetric_Open(&stale, app_.c_str(), 0, QMW("VSTi Synth")), S_OK);
    EXPECT_EQ(QmMetric_CloseAndDeleteKey(h), S_OK);
    EXPECT_FALSE(KeyExists(AppPath("Metrics\\VSTi Synth\\Plugs")));
    EXPECT_TRUE(KeyExists(AppPath("Metrics\\VSTi SynthX")));
    EXPECT_EQ(QmSetMetricUsingName(stale, QMW("N"), 1), HRESULT_FROM_WIN32(ERROR_KEY_DELETED));
    EXPECT_EQ(QmSetMetric(stale, 1, 1), E_FAIL);
    EXPECT_EQ(QmGetMetricEx(stale, 1, 0, 0, 5), 5);
    QmMetric_Close(stale);
    // Version 0 names the application's whole key, every version included.
    EXPECT_EQ(QmMetric_DeleteUserMetrics(app_.c_str(), 0), S_OK);
    EXPECT_FALSE(KeyExists(AppPath("")));
    // Without an application these would name the whole company key.
    EXPECT_EQ(QmMetric_DeleteUserMetrics(nullptr, 0), E_INVALIDARG);
    EXPECT_EQ(QmMetric_DeleteAll(QMW(""), 0), E_INVALIDARG);
    EXPECT_EQ(QmMetric_DeleteKey(nullptr, 0, nullptr), E_INVALIDARG);
    EXPECT_EQ(QmMetric_CloseAndDeleteKey(HQMMETRIC_DEFAULT), E_FAIL);
    EXPECT_EQ(QmMetric_Close(HQMMETRIC_DEFAULT), S_OK);
}

TEST_F(MetricOpenTest, HandlesOnOneKeyShareItsValuesWhateverTheCase) {
    WString shouted = app_;
    for (WCHAR& c : shouted) c = (c >= 'a' && c <= 'z') ? static_cast<WCHAR>(c - 32) : c;
    // Letters beyond ASCII fold too: "P\u00e4rt" and "P\u00c4RT" are one key.
    const WCHAR* spellings[][6] = {{app_.c_str(), QMW("Part"), QMW("FrameSize"), shouted.c_str(), QMW("PART"), QMW("framesize")},
                                   {app_.c_str(), QMW("P\u00e4rt"), QMW("Gr\u00f6\u00dfe"), app_.c_str(), QMW("P\u00c4RT"),
                                    QMW("GR\u00d6\u00dfE")}};
    for (const auto& s : spellings) {
        HQMMETRIC a = nullptr, b = nullptr;
        ASSERT_EQ(QmMetric_Open(&a, s[0], QM_METRIC_VERSION(1, 0), s[1]), S_OK);
        ASSERT_EQ(QmMetric_Open(&b, s[3], QM_METRIC_VERSION(1, 0), s[4]), S_OK);
        EXPECT_EQ(QmSetMetricUsingName(a, s[2], 4410), S_OK);
        EXPECT_EQ(QmGetMetricUsingName(b, s[5], 0), 4410);
        QmMetric_Close(a);
        QmMetric_Close(b);
    }
}

}  // namespace
}  // namespace qm::test

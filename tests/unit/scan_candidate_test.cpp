// One file of the folder scan: the candidate filter, the refused folders, what a test load records
// (rules c to f and the Native Instruments mark) and how a probe's verdict replaces it.
#include "discovery/scan_candidate.h"

#include "scan_test_support.h"

namespace qm::test {
namespace {

using namespace PluginRecordFlags;

TEST(ScanCandidate, BlockedNamesAndShellModulesAreNeverLoaded) {
    KernelScope kernel;
    const struct {
        const char* file;
        bool candidate;
    } cases[] = {
        {"synth.dll", true},          {"WNASPI32.DLL", false},        {"wnaspi32.dll", false},
        {"WnAspi32.Dll", false},      {"foobar.dll", false},          {"foobar2.dll", true},
        {"WaveShell-VST 9.2.dll", false}, {"mywaveshellx.so", false}, {"wave shell.dll", true},
        {"wnaspi32.so", true},  // only the exact blocked name is refused
    };
    for (const auto& c : cases) EXPECT_EQ(IsScanCandidate(W(c.file).c_str()), c.candidate) << c.file;
}

TEST(ScanCandidate, RefusedFoldersMatchAsAPrefixIgnoringCase) {
    const WCHAR* const* refused = platform::RefusedScanFolders();
    ASSERT_NE(refused, nullptr);
    if (refused[0] == nullptr) GTEST_SKIP() << "no refused folder on this system";
    WString inside = refused[0];
    for (auto& c : inside) c = static_cast<WCHAR>(c >= 'a' && c <= 'z' ? c - 0x20 : c);
    inside += W("Sub");
    inside.push_back(platform::kPathSeparator);
    EXPECT_TRUE(IsRefusedScanFolder(refused[0]));
    EXPECT_TRUE(IsRefusedScanFolder(inside.c_str()));
    // The folder's name without its separator is only a prefix of a sibling such as "/procs/".
    WString sibling(refused[0], WideLen(refused[0]) - 1);
    sibling += W("s");
    sibling.push_back(platform::kPathSeparator);
    EXPECT_FALSE(IsRefusedScanFolder(sibling.c_str()));
}

struct RecordCase {
    const char* title;
    FakeOutcome outcome;
    DWORD flags;
    const char* name;
    const char* product;
};

TEST(ScanCandidate, TestLoadWritesTheRecordAsTheScanKeepsIt) {
    KernelScope kernel;
    const RecordCase cases[] = {
        {"good", {FakeOutcome::Instrument, "Good Synth", "Acme"}, Enabled, "Good Synth", "Good Synth product"},
        {"ni", {FakeOutcome::Instrument, "Massive", "Native Instruments GmbH"}, Enabled | AlternativeDrawing,
         "Massive", "Massive product"},
        {"nicase", {FakeOutcome::Instrument, "Other", "native instruments"}, Enabled, "Other", "Other product"},
        {"noeditor", {FakeOutcome::Instrument, "Plain", "Acme", NoEditor}, NoEditor, "Plain", "Plain product"},
        {"effect", {FakeOutcome::NotInstrument}, NotInstrument, "Not a VST Instrument.", "Unknown"},
        {"broken", {FakeOutcome::Failure, "", "", LoadFailed, E_FAIL}, Faulted | LoadFailed, "broken", "FAILED"},
        {"crash", {FakeOutcome::Crash}, Faulted, "crash", "FAILED"},
    };
    for (const RecordCase& c : cases) {
        FakeTester tester;
        tester.outcomes[c.title] = c.outcome;
        VstiPluginRecord record{};
        Put(record.path, (std::string("/plugins/") + c.title + ".so").c_str());
        TestScanCandidate(tester, &record);
        EXPECT_EQ(record.flags, c.flags) << c.title;
        EXPECT_EQ(A(record.name), c.name) << c.title;
        EXPECT_EQ(A(record.product), c.product) << c.title;
        // Every instance made for the test is released again.
        EXPECT_EQ(tester.released.load(), c.outcome.kind == FakeOutcome::Instrument ? 1 : 0) << c.title;
    }
}

TEST(ScanCandidate, AFailedModuleKeepsTheNameItsLoaderFound) {
    KernelScope kernel;
    struct NamingTester final : IScanTester {
        HRESULT CreateForRecord(VstiPluginRecord* record, IUnknown** instance) noexcept override {
            *instance = nullptr;
            Put(record->name, "Half Loaded");
            return static_cast<HRESULT>(0x8004E017);
        }
        void ReadInstanceNames(IUnknown*, VstiPluginRecord*) noexcept override {}
    } tester;
    VstiPluginRecord record{};
    Put(record.path, "/plugins/half.so");
    TestScanCandidate(tester, &record);
    EXPECT_EQ(A(record.name), "Half Loaded");
    EXPECT_EQ(record.flags, Faulted);
}

TEST(ScanCandidate, ProbeVerdictsThatEndTheTest) {
    KernelScope kernel;
    ProbeResult failed{ProbeVerdict::Failed, Record("elsewhere", "Wrong Magic", "", 7, Faulted | LoadFailed)};
    Put(failed.record.product, "FAILED");
    const struct {
        ProbeResult result;
        bool ends;
        DWORD flags;
        const char* name;
        const char* product;
    } cases[] = {
        {{ProbeVerdict::NotProbed, {}}, false, 0, "", ""},
        {{ProbeVerdict::Passed, {}}, false, 0, "", ""},
        {failed, true, Faulted | LoadFailed, "Wrong Magic", "FAILED"},
        {{ProbeVerdict::TimedOut, {}}, true, Faulted, "hang", "Timed out"},
        {{ProbeVerdict::Crashed, {}}, true, Faulted, "hang", "Crashed"},
    };
    for (const auto& c : cases) {
        VstiPluginRecord record{};
        Put(record.path, "/plugins/hang.so");
        EXPECT_EQ(ApplyProbeVerdict(c.result, &record), c.ends);
        EXPECT_EQ(record.flags, c.flags);
        EXPECT_EQ(A(record.name), c.name);
        EXPECT_EQ(A(record.product), c.product);
        EXPECT_EQ(A(record.path), "/plugins/hang.so");  // the probe's record never moves the module
    }
}

}  // namespace
}  // namespace qm::test

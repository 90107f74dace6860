// One file of the folder scan: the candidate filter, what a test load records beyond what the folder
// scan of our test modules shows (the Native Instruments mark, a name found before a failure), and
// what the scan makes of a probe's report, whole or cut short.
#include "discovery/probe_report.h"
#include "discovery/scan_candidate.h"

#include "scan_test_support.h"

namespace qm::test {
namespace {

using namespace PluginRecordFlags;

TEST(ScanCandidate, BlockedNamesAndShellModulesAreNeverLoaded) {
    KernelScope kernel;
    // A blocked name counts in any case, but only whole with its extension; a shell module anywhere in it.
    for (const auto& [file, candidate] :
         {std::pair{"synth.dll", true}, {"WnAspi32.Dll", false}, {"wnaspi32.so", true}, {"foobar.dll", false},
          {"foobar2.dll", true}, {"WaveShell-VST 9.2.dll", false}, {"mywaveshellx.so", false}, {"wave shell.dll", true}})
        EXPECT_EQ(IsScanCandidate(W(file).c_str()), candidate) << file;
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
        {"half", {FakeOutcome::Failure, "Half Loaded", "", 0, static_cast<HRESULT>(0x8004E017)}, Faulted,
         "Half Loaded", "FAILED"},
    };
    for (const RecordCase& c : cases) {
        SCOPED_TRACE(c.title);
        FakeTester tester;
        tester.outcomes[c.title] = c.outcome;
        VstiPluginRecord record{};
        Put(record.path, (std::string("/plugins/") + c.title + ".so").c_str());
        TestScanCandidate(tester, &record);
        EXPECT_EQ(record.flags, c.flags);
        EXPECT_EQ(A(record.name), c.name);
        EXPECT_EQ(A(record.product), c.product);
        // Every instance made for the test is released again.
        EXPECT_EQ(tester.released.load(), c.outcome.kind == FakeOutcome::Instrument ? 1 : 0);
    }
}

TEST(ScanProbeReport, VerdictsOfWholeAndBrokenReports) {
    const std::string good = FormatProbeReport(Record("", "x", "", 0, Enabled));
    for (const auto& [text, verdict] : {
             std::pair{good, ProbeVerdict::Passed},
             {FormatProbeReport(Record("", "x", "", 0, Faulted | LoadFailed)), ProbeVerdict::Failed},
             {FormatProbeReport(Record("", "x", "", 0, Enabled), 1), ProbeVerdict::TimedOut},  // left a thread
             {"", ProbeVerdict::Crashed},
             {good.substr(0, good.size() - 1), ProbeVerdict::Crashed},    // "end" without its line end
             {good.substr(0, good.find("name")), ProbeVerdict::Crashed},  // stopped half-way
             {"noise from a module\n" + good, ProbeVerdict::Crashed},     // not a report
             {"QMVSTI-PROBE 1\nflags zz\nend\n", ProbeVerdict::Crashed},  // garbled number
         }) {
        ProbeResult result{};
        ParseProbeReport(text, &result);
        EXPECT_EQ(result.verdict, verdict) << text;
    }
}

}  // namespace
}  // namespace qm::test

// The probe's report: what the scan reads back from it, and what it makes of a report cut short.
#include "discovery/probe_report.h"

#include "scan_test_support.h"

namespace qm::test {
namespace {

using namespace PluginRecordFlags;

TEST(ScanProbeReport, ARecordSurvivesTheTripThroughTheReport) {
    VstiPluginRecord record = Record("/ignored.so", "Synth e", "Acme", -5, NoEditor | AlternativeDrawing);
    record.name[6] = 0x00E9;  // one character outside ASCII
    Put(record.product, "Two\nLines");
    record.vendorVersion = 1100;
    ProbeResult result{};
    ParseProbeReport(FormatProbeReport(record), &result);
    EXPECT_EQ(result.verdict, ProbeVerdict::Passed);
    EXPECT_EQ(result.record.flags, NoEditor | AlternativeDrawing);
    EXPECT_EQ(result.record.uniqueId, -5);
    EXPECT_EQ(result.record.vendorVersion, 1100);
    EXPECT_TRUE(WideEqual(result.record.name, record.name));
    EXPECT_EQ(A(result.record.product), "Two Lines");
    EXPECT_EQ(A(result.record.vendor), "Acme");
    EXPECT_EQ(result.record.path[0], 0);
}

TEST(ScanProbeReport, VerdictsOfWholeAndBrokenReports) {
    const std::string faulted = FormatProbeReport(Record("", "x", "", 0, Faulted | LoadFailed));
    const std::string good = FormatProbeReport(Record("", "x", "", 0, Enabled));
    const struct {
        std::string text;
        ProbeVerdict verdict;
    } cases[] = {
        {good, ProbeVerdict::Passed},
        {faulted, ProbeVerdict::Failed},
        {FormatProbeReport(Record("", "x", "", 0, Enabled), 1), ProbeVerdict::TimedOut},  // left a thread
        {"", ProbeVerdict::Crashed},
        {good.substr(0, good.size() - 1), ProbeVerdict::Crashed},        // "end" without its line end
        {good.substr(0, good.find("name")), ProbeVerdict::Crashed},      // stopped half-way
        {"noise from a module\n" + good, ProbeVerdict::Crashed},         // not a report
        {"QMVSTI-PROBE 1\nflags zz\nend\n", ProbeVerdict::Crashed},      // garbled number
    };
    for (const auto& c : cases) {
        ProbeResult result{};
        ParseProbeReport(c.text, &result);
        EXPECT_EQ(result.verdict, c.verdict) << c.text;
    }
}

}  // namespace
}  // namespace qm::test

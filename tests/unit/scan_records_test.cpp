// What the folder scan records: the candidate filter, what a test load records beyond what the folder
// scan of our test modules shows (the Native Instruments mark, a name found before a failure), what
// the scan makes of a probe's report, whole or cut short, and the merge after a completed rescan with
// the order it leaves the list in.
#include "discovery/plugin_list_merge.h"
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

VstiPluginRecord WithUse(VstiPluginRecord r, LONG useCount) {
    r.useCount = useCount;
    return r;
}

TEST(ScanMerge, OldRecordsAreFoundByPathThenIdentityAndTheMergedListIsSorted) {
    tQMLIST* oldList = nullptr;
    tQMLIST* newList = nullptr;
    ASSERT_EQ(CreatePluginList(&oldList), S_OK);
    ASSERT_EQ(CreatePluginList(&newList), S_OK);
    for (const auto& r : {
             Record("/vst/Disabled.so", "Disabled", "Acme", 1, 0),  // the user had disabled it
             // In use and marked for the alternative drawing; the path differs only in letter case.
             WithUse(Record("/VST/Used.so", "Used", "Acme", 2, Enabled | AlternativeDrawing), 3),
             // Moved to another folder: found again by name, product and vendor.
             WithUse(Record("/old/Moved.so", "Moved", "Acme", 3, Enabled), 1),
             // Gone, twice with one path: the second must not find the first's missing copy.
             WithUse(Record("/gone.so", "Gone", "Acme", 4, Enabled), 2),
             Record("/gone.so", "Gone Too", "Acme", 5, Enabled),
         })
        ASSERT_EQ(AppendPluginRecord(oldList, r), S_OK);
    for (const auto& r : {
             Record("/vst/Disabled.so", "Disabled", "Acme", 1, Enabled),
             Record("/vst/used.so", "Used", "Acme", 2, Enabled),
             Record("/new/Moved.so", "Moved", "Acme", 3, Enabled | AlternativeDrawing),
             Record("/2.so", "Effect", "", 6, NotInstrument),
             Record("/3.so", "Bare", "", 7, NoEditor),
             Record("/4.so", "Broken", "", 8, Faulted),
             Record("/5.so", "Alpha", "", 9, Enabled),
         })
        ASSERT_EQ(AppendPluginRecord(newList, r), S_OK);

    ASSERT_EQ(MergeRescannedList(oldList, newList), S_OK);
    // Faulted first, then instruments by name, then no-editor records, then non-instruments.
    EXPECT_EQ(Names(newList), (std::vector<std::string>{"Broken", "Alpha", "Disabled", "Gone", "Gone Too", "Moved",
                                                         "Used", "Bare", "Effect"}));
    for (const auto& [at, flags, useCount, path] : {
             std::tuple{2, Enabled, 0, "/vst/Disabled.so"},  // tested well: enabled again
             {3, Enabled | Missing, 2, "/gone.so"},
             {4, Enabled | Missing, 0, "/gone.so"},
             {5, Enabled, 1, "/new/Moved.so"},  // the old record's drawing mark wins, cleared here
             {6, Enabled | AlternativeDrawing, 3, "/vst/used.so"},
         }) {
        const VstiPluginRecord& r = *PluginRecordAt(newList, at);
        SCOPED_TRACE(A(r.name));
        EXPECT_EQ(r.flags, flags);
        EXPECT_EQ(r.useCount, useCount);
        EXPECT_EQ(A(r.path), path);
    }
    QmList_Destroy(oldList);
    QmList_Destroy(newList);
}

}  // namespace
}  // namespace qm::test

// The folder scan over our own test modules in nested folders, with the isolated probe beside the
// program: each module gets the flags, name and product the scan rules give it; the
// module that hangs in its entry point is cut off by the probe's time-out, the one that ends its
// process is recorded as crashed, the one that leaves a thread running as timed out, and the scan
// ends. A module that waits for a file slows the worker down so that pause and stop are seen
// between files.
#include <filesystem>
#include <map>

#include "discovery/process_scan_probe.h"
#include "discovery/scan_candidate.h"
#include "discovery/scan_worker.h"
#include "unit/scan_test_support.h"

namespace qm::test {
namespace {

using namespace PluginRecordFlags;

// qmref has its editor window on Windows only; a scan enables only instruments with an editor.
const DWORD kRefScanned = std::string(PluginFileSuffix()) == ".dll" ? Enabled : NoEditor;
// Where each module goes in the tree, and what the scan records for it.
const struct Placed { const char* folder; const char* module; DWORD flags; const char* name; const char* product; } kTree[] = {
    {"", "qmref", kRefScanned, "QmRef", "QmVSTi Reference Synth"},
    {"", "qmeffect", NotInstrument | NoEditor, "QmEffect", "QmVSTi Half Gain"},
    {"faults", "qmfault_entry", Faulted | NotInstrument | LoadFailed, "qmfault_entry", "FAILED"},
    {"faults", "qmfault_open", Faulted | NoEditor, "qmfault_open", "FAILED"},
    {"faults", "qmwrongmagic", NotInstrument | LoadFailed, "Not a VST Instrument.", "Unknown"},
    {"faults/deeper", "qmnoentry", NotInstrument | LoadFailed, "Not a VST Instrument.", "Unknown"},
    {"faults/deeper", "qmhang", Faulted, "qmhang", "Timed out"},
    {"faults/deeper", "qmexit", Faulted, "qmexit", "Crashed"},
    {"faults/deeper", "qmthread", Faulted, "qmthread", "Timed out"},  // left a thread running
    {"more/instruments", "qmbothentries", NoEditor, "QmBoth main", "QmVSTi Entry Probe"},
};

class ScanFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        type_ = CQmVSTiSynthType::Create();
        ASSERT_NE(type_, nullptr);
        type_->AddRef();
    }
    void TearDown() override { EXPECT_EQ(type_->Release(), 0u); }

    void Place(const char* folder, const char* module) {
        const std::filesystem::path from = std::filesystem::path(TestPluginPath(module));
        const std::filesystem::path to = tree_.Root() / std::filesystem::u8path(folder) / from.filename();
        std::filesystem::create_directories(to.parent_path());
        std::filesystem::copy_file(from, to);
    }

    KernelScope kernel_;
    ScopedEnvironment noFaultPlan_{"QMVSTI_FAULT", nullptr};
    TemporaryTree tree_;
    CQmVSTiSynthType* type_ = nullptr;
    TypeScanTester tester_{nullptr};
    RecordingSink sink_;
};

TEST_F(ScanFolderTest, TheProbeBesideTheProgramRecordsEveryModuleAndCutsOffTheHangingOne) {
    WCHAR program[kPluginPathChars];
    ASSERT_TRUE(ProcessScanProbe::FindBesideModule(program)) << "the probe program is built beside the tests";
    // A short time-out keeps the test quick; the verdict does not depend on it.
    ProcessScanProbe probe(program, 1000, 2);
    for (const Placed& p : kTree) Place(p.folder, p.module);
    // Scanned from the tree's root in slot 0 to its end.
    tester_ = TypeScanTester(type_);
    WCHAR slots[kScanSlotCount][kPluginPathChars] = {};
    WideCopy(slots[0], kPluginPathChars, tree_.Folder().c_str());
    ScanWorker worker(tester_, sink_, &probe);
    ASSERT_EQ(worker.Create(slots), S_OK);
    worker.Start();
    sink_.WaitFor("finished");
    worker.Stop();
    EXPECT_EQ(worker.Result(), S_OK);
    std::map<std::string, VstiPluginRecord> records;
    for (int i = 0; i < PluginCount(worker.NewList()); ++i) {
        const VstiPluginRecord& r = *PluginRecordAt(worker.NewList(), i);
        records[TitleOf(r.path)] = r;
    }
    for (const Placed& p : kTree) {
        SCOPED_TRACE(p.module);
        ASSERT_EQ(records.count(p.module), 1u);
        const VstiPluginRecord& r = records.at(p.module);
        EXPECT_EQ(r.flags, p.flags);
        EXPECT_EQ(A(r.name), p.name);
        EXPECT_EQ(A(r.product), p.product);
    }
    EXPECT_EQ(records.size(), std::size(kTree));
}

// qmhang waits in its entry point until the release file exists: the worker is held on it.
class SlowedScanTest : public ScanFolderTest {
protected:
    void SetUp() override {
        ScanFolderTest::SetUp();
        Place("", "qmhang");
        Place("", "qmref");
        tester_ = TypeScanTester(type_);
        WideCopy(slots_[0], kPluginPathChars, tree_.Folder().c_str());
        ASSERT_EQ(worker_.Create(slots_), S_OK);
        worker_.Start();
        sink_.WaitFor("status:Testing " + A(tree_.Folder().c_str()) + "qmhang" + PluginFileSuffix());
    }
    void ReleaseTheModule() {
        std::FILE* f = std::fopen(release_.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
    }
    void TearDown() override {
        worker_.Stop();
        RemoveFile(release_);
        ScanFolderTest::TearDown();
    }
    std::vector<std::string> Titles() const { return qm::test::Titles(worker_.NewList()); }

    std::string release_ = TemporaryFilePath("scan-release", "flag");
    ScopedEnvironment releaseVariable_{"QMVSTI_HANG_RELEASE", release_.c_str()};
    WCHAR slots_[kScanSlotCount][kPluginPathChars] = {};
    ScanWorker worker_{tester_, sink_, nullptr};
};

TEST_F(SlowedScanTest, PauseIsHonouredAfterTheSlowModule) {
    worker_.RequestPause();
    ReleaseTheModule();
    worker_.WaitUntilPaused();
    EXPECT_EQ(Titles(), (std::vector<std::string>{"qmhang"}));
    worker_.Resume();
    sink_.WaitFor("finished");
    worker_.Stop();
    EXPECT_EQ(Titles(), (std::vector<std::string>{"qmhang", "qmref"}));
    EXPECT_EQ(A(PluginRecordAt(worker_.NewList(), 0)->name), "QmHang");
}

TEST_F(SlowedScanTest, StopIsHonouredAfterTheSlowModule) {
    worker_.RequestStop();
    ReleaseTheModule();
    worker_.Stop();
    EXPECT_EQ(worker_.Result(), S_FALSE);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"qmhang"}));
}

}  // namespace
}  // namespace qm::test

// ScanWorker over a folder tree of empty module files with a fake create-for-record: the walk order,
// the messages and the refused folders. Pause and stop are tested with a slowed real module.
#include "discovery/scan_worker.h"

#include "scan_test_support.h"

namespace qm::test {
namespace {

using namespace PluginRecordFlags;

std::string Module(const char* title) { return std::string(title) + PluginFileSuffix(); }

class ScanWorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Files first, then the sub-folders, each level in name order.
        for (const char* file : {"b", "a", "sub/c", "sub/deeper/d", "zzz/e"}) tree_.AddFile(Module(file));
        tree_.AddFile("readme.txt");
        tree_.AddFile("sub/WaveShell1-VST" + std::string(PluginFileSuffix()));
        tester_.outcomes["a"] = {FakeOutcome::Instrument, "Synth A", "Acme"};
        tester_.outcomes["b"] = {FakeOutcome::NotInstrument};
        tester_.outcomes["c"] = {FakeOutcome::Failure};
        tester_.outcomes["d"] = {FakeOutcome::Instrument, "Synth D", "Acme"};
        tester_.outcomes["e"] = {FakeOutcome::Instrument, "Synth E", "Acme", NoEditor};
    }
    void Slots(std::initializer_list<WString> folders) {
        int i = 0;
        for (const WString& f : folders) WideCopy(slots_[i++], kPluginPathChars, f.c_str());
    }
    std::vector<std::string> Titles() const { return qm::test::Titles(worker_.NewList()); }

    KernelScope kernel_;
    TemporaryTree tree_;
    FakeTester tester_;
    RecordingSink sink_;
    ScanWorker worker_{tester_, sink_, nullptr};
    WCHAR slots_[kScanSlotCount][kPluginPathChars] = {};
};

TEST_F(ScanWorkerTest, WalksFilesThenSubFoldersAndPostsWhatItFinds) {
    Slots({tree_.Folder()});
    ASSERT_EQ(worker_.Create(slots_), S_OK);
    worker_.Start();
    sink_.WaitFor("finished");
    worker_.Stop();
    EXPECT_EQ(worker_.Result(), S_OK);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"a", "b", "c", "d", "e"}));
    EXPECT_EQ(tester_.Tested(), Titles());  // the blocked name and the text file were never loaded

    const std::string root = platform::WideToUtf8(tree_.Folder().c_str());
    const std::string sub = platform::WideToUtf8(tree_.Folder("sub").c_str());
    const auto testing = [](const std::string& file) { return "status:Testing " + file; };
    const std::vector<std::string> expected = {
        "status:Scanning " + root,
        testing(root + Module("a")), "found:Synth A",
        testing(root + Module("b")), testing(root + Module("b")),  // not an instrument: no row
        "status:Scanning " + sub,
        testing(sub + Module("c")), testing(sub + Module("c")),    // failed
        "status:Scanning " + platform::WideToUtf8(tree_.Folder("sub/deeper").c_str()),
        testing(platform::WideToUtf8(tree_.Folder("sub/deeper").c_str()) + Module("d")), "found:Synth D",
        "status:Scanning " + platform::WideToUtf8(tree_.Folder("zzz").c_str()),
        testing(platform::WideToUtf8(tree_.Folder("zzz").c_str()) + Module("e")),
        testing(platform::WideToUtf8(tree_.Folder("zzz").c_str()) + Module("e")),  // no editor: not enabled
        "finished",
    };
    EXPECT_EQ(sink_.Messages(), expected);
}

TEST_F(ScanWorkerTest, ScansTheSlotsInOrderAndARefusedTopFolderEndsTheScan) {
    const WCHAR* const* refused = platform::RefusedScanFolders();
    if (refused[0] == nullptr) GTEST_SKIP() << "no refused folder on this system";
    Slots({tree_.Folder("zzz"), WString(refused[0]) + W("anything"), tree_.Folder("sub")});
    ASSERT_EQ(worker_.Create(slots_), S_OK);
    worker_.Start();
    sink_.WaitFor("finished");
    worker_.Stop();
    EXPECT_EQ(worker_.Result(), S_FALSE);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"e"}));  // slot 2 was never reached
}

}  // namespace
}  // namespace qm::test

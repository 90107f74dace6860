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

// The slots are scanned in order; a refused top folder ends the scan, so the third slot (a folder
// the first one holds) is not scanned again.
TEST_F(ScanWorkerTest, WalksFilesThenSubFoldersPostsWhatItFindsAndEndsAtARefusedFolder) {
    const WCHAR* const* refused = platform::RefusedScanFolders();
    ASSERT_NE(refused[0], nullptr);
    Slots({tree_.Folder(), WString(refused[0]) + W("anything"), tree_.Folder("zzz")});
    ASSERT_EQ(worker_.Create(slots_), S_OK);
    worker_.Start();
    sink_.WaitFor("finished");
    worker_.Stop();
    EXPECT_EQ(worker_.Result(), S_FALSE);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"a", "b", "c", "d", "e"}));
    EXPECT_EQ(tester_.Tested(), Titles());  // the blocked name and the text file were never loaded

    const auto folder = [&](const std::string& relative) { return platform::WideToUtf8(tree_.Folder(relative).c_str()); };
    const auto testing = [&](const std::string& relative, const char* title) {
        return "status:Testing " + folder(relative) + Module(title);
    };
    const std::vector<std::string> expected = {
        "status:Scanning " + folder(""), testing("", "a"), "found:Synth A",
        testing("", "b"), testing("", "b"),  // not an instrument: no row
        "status:Scanning " + folder("sub"), testing("sub", "c"), testing("sub", "c"),  // failed
        "status:Scanning " + folder("sub/deeper"), testing("sub/deeper", "d"), "found:Synth D",
        "status:Scanning " + folder("zzz"), testing("zzz", "e"), testing("zzz", "e"),  // no editor: not enabled
        "finished",
    };
    EXPECT_EQ(sink_.Messages(), expected);
}

}  // namespace
}  // namespace qm::test

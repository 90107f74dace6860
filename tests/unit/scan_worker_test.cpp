// ScanWorker over a folder tree of empty module files with a fake create-for-record: the walk order,
// the messages and the refused folders. Pause and stop are tested with a slowed real module.
#include "discovery/scan_worker.h"

#include "scan_test_support.h"

namespace qm::test {
namespace {

using namespace PluginRecordFlags;

std::string Module(const char* title) { return std::string(title) + PluginFileSuffix(); }

// The slots are scanned in order; a refused top folder ends the scan, so the third slot (a folder
// the first one holds) is not scanned again.
TEST(ScanWorkerTest, WalksFilesThenSubFoldersPostsWhatItFindsAndEndsAtARefusedFolder) {
    KernelScope kernel;
    TemporaryTree tree;
    // Files first, then the sub-folders, each level in name order.
    for (const char* file : {"b", "a", "sub/c", "sub/deeper/d", "zzz/e"}) tree.AddFile(Module(file));
    tree.AddFile("readme.txt");
    tree.AddFile("sub/WaveShell1-VST" + std::string(PluginFileSuffix()));
    FakeTester tester;
    tester.outcomes["a"] = {FakeOutcome::Instrument, "Synth A", "Acme"};
    tester.outcomes["b"] = {FakeOutcome::NotInstrument};
    tester.outcomes["c"] = {FakeOutcome::Failure};
    tester.outcomes["d"] = {FakeOutcome::Instrument, "Synth D", "Acme"};
    tester.outcomes["e"] = {FakeOutcome::Instrument, "Synth E", "Acme", NoEditor};
    const WCHAR* const* refused = platform::RefusedScanFolders();
    ASSERT_NE(refused[0], nullptr);
    WCHAR slots[kScanSlotCount][kPluginPathChars] = {};
    const WString folders[] = {tree.Folder(), WString(refused[0]) + W("anything"), tree.Folder("zzz")};
    for (int i = 0; i < kScanSlotCount; ++i) WideCopy(slots[i], kPluginPathChars, folders[i].c_str());
    RecordingSink sink;
    ScanWorker worker(tester, sink, nullptr);
    ASSERT_EQ(worker.Create(slots), S_OK);
    worker.Start();
    sink.WaitFor("finished");
    worker.Stop();
    EXPECT_EQ(worker.Result(), S_FALSE);
    EXPECT_EQ(Titles(worker.NewList()), (std::vector<std::string>{"a", "b", "c", "d", "e"}));
    EXPECT_EQ(tester.Tested(), Titles(worker.NewList()));  // the blocked name and the text file were never loaded

    const auto folder = [&](const std::string& relative) { return platform::WideToUtf8(tree.Folder(relative).c_str()); };
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
    EXPECT_EQ(sink.Messages(), expected);
}

}  // namespace
}  // namespace qm::test

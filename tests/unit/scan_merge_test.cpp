// The merge after a completed rescan and the order it leaves the list in.
#include "discovery/plugin_list_merge.h"

#include "scan_test_support.h"

namespace qm::test {
namespace {

using namespace PluginRecordFlags;

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
    const struct {
        int at;
        DWORD flags;
        LONG useCount;
        const char* path;
    } expected[] = {
        {2, Enabled, 0, "/vst/Disabled.so"},  // tested well: enabled again
        {3, Enabled | Missing, 2, "/gone.so"},
        {4, Enabled | Missing, 0, "/gone.so"},
        {5, Enabled, 1, "/new/Moved.so"},  // the old record's drawing mark wins, cleared here
        {6, Enabled | AlternativeDrawing, 3, "/vst/used.so"},
    };
    for (const auto& e : expected) {
        const VstiPluginRecord& r = *PluginRecordAt(newList, e.at);
        SCOPED_TRACE(A(r.name));
        EXPECT_EQ(r.flags, e.flags);
        EXPECT_EQ(r.useCount, e.useCount);
        EXPECT_EQ(A(r.path), e.path);
    }
    QmList_Destroy(oldList);
    QmList_Destroy(newList);
}

}  // namespace
}  // namespace qm::test

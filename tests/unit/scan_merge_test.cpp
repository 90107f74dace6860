// The merge after a completed rescan and the order it leaves the list in.
#include "discovery/plugin_list_merge.h"

#include "scan_test_support.h"

namespace qm::test {
namespace {

using namespace PluginRecordFlags;

struct Lists {
    Lists() {
        EXPECT_EQ(CreatePluginList(&oldList), S_OK);
        EXPECT_EQ(CreatePluginList(&newList), S_OK);
    }
    ~Lists() {
        QmList_Destroy(oldList);
        QmList_Destroy(newList);
    }
    const VstiPluginRecord& Named(const char* name) const {
        for (int i = 0; i < newList->nCount; ++i) {
            if (A(PluginRecordAt(newList, i)->name) == name) return *PluginRecordAt(newList, i);
        }
        ADD_FAILURE() << name << " not in the merged list";
        static VstiPluginRecord none{};
        return none;
    }
    tQMLIST* oldList = nullptr;
    tQMLIST* newList = nullptr;
};

VstiPluginRecord WithUse(VstiPluginRecord r, LONG useCount) {
    r.useCount = useCount;
    return r;
}

TEST(ScanMerge, OldRecordsAreFoundByPathThenIdentityAndCarryUseCountAndDrawingMark) {
    Lists lists;
    for (const auto& r : {
             // The user had disabled it; it tests well again.
             Record("/vst/Disabled.so", "Disabled", "Acme", 1, 0),
             // In use and marked for the alternative drawing; the path differs only in letter case.
             WithUse(Record("/VST/Used.so", "Used", "Acme", 2, Enabled | AlternativeDrawing), 3),
             // Moved to another folder: found again by name, product and vendor.
             WithUse(Record("/old/Moved.so", "Moved", "Acme", 3, Enabled), 1),
             // Gone.
             WithUse(Record("/vst/Gone.so", "Gone", "Acme", 4, Enabled), 2),
         })
        ASSERT_EQ(AppendPluginRecord(lists.oldList, r), S_OK);
    for (const auto& r : {
             Record("/vst/Disabled.so", "Disabled", "Acme", 1, Enabled),
             Record("/vst/used.so", "Used", "Acme", 2, Enabled),
             Record("/new/Moved.so", "Moved", "Acme", 3, Enabled | AlternativeDrawing),
         })
        ASSERT_EQ(AppendPluginRecord(lists.newList, r), S_OK);

    ASSERT_EQ(MergeRescannedList(lists.oldList, lists.newList), S_OK);
    ASSERT_EQ(lists.newList->nCount, 4);
    EXPECT_EQ(lists.Named("Disabled").flags, Enabled);
    EXPECT_EQ(lists.Named("Used").flags, Enabled | AlternativeDrawing);
    EXPECT_EQ(lists.Named("Used").useCount, 3);
    EXPECT_EQ(A(lists.Named("Moved").path), "/new/Moved.so");
    EXPECT_EQ(lists.Named("Moved").flags, Enabled);  // the old record's mark wins, cleared here
    EXPECT_EQ(lists.Named("Moved").useCount, 1);
    EXPECT_EQ(lists.Named("Gone").flags, Enabled | Missing);
    EXPECT_EQ(lists.Named("Gone").useCount, 2);
}

TEST(ScanMerge, AMissingRecordIsNotMatchedByALaterOldRecord) {
    // Two old records with the same path: the first finds the new record, the second must not find
    // the first's missing copy (it is appended missing itself).
    Lists lists;
    ASSERT_EQ(AppendPluginRecord(lists.oldList, Record("/a.so", "A", "x", 1, Enabled)), S_OK);
    ASSERT_EQ(AppendPluginRecord(lists.oldList, Record("/gone.so", "B", "x", 2, Enabled)), S_OK);
    ASSERT_EQ(AppendPluginRecord(lists.oldList, Record("/gone.so", "C", "x", 3, Enabled)), S_OK);
    ASSERT_EQ(AppendPluginRecord(lists.newList, Record("/a.so", "A", "x", 1, Enabled)), S_OK);
    ASSERT_EQ(MergeRescannedList(lists.oldList, lists.newList), S_OK);
    EXPECT_EQ(Names(lists.newList), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(lists.Named("B").flags & Missing, Missing);
    EXPECT_EQ(lists.Named("C").flags & Missing, Missing);
}

TEST(ScanMerge, TheMergedListIsSortedFaultedFirstNonInstrumentsLast) {
    Lists lists;
    for (const auto& r : {
             Record("/1.so", "Zeta", "", 1, Enabled),
             Record("/2.so", "Effect", "", 2, NotInstrument),
             Record("/3.so", "Bare", "", 3, NoEditor),
             Record("/4.so", "Broken", "", 4, Faulted),
             Record("/5.so", "Alpha", "", 5, Enabled),
         })
        ASSERT_EQ(AppendPluginRecord(lists.newList, r), S_OK);
    ASSERT_EQ(AppendPluginRecord(lists.oldList, Record("/6.so", "Missing One", "", 6, Enabled)), S_OK);
    ASSERT_EQ(MergeRescannedList(lists.oldList, lists.newList), S_OK);
    EXPECT_EQ(Names(lists.newList),
              (std::vector<std::string>{"Broken", "Alpha", "Missing One", "Zeta", "Bare", "Effect"}));
}

}  // namespace
}  // namespace qm::test

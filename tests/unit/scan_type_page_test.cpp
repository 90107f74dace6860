// The type page's logic behind a window service without a window: folders, the instrument rows,
// check boxes, the re-test, the rescan with its confirmation and merge, and Apply with the rescan
// it may ask for.
#include "discovery/type_page.h"

#include <deque>
#include <tuple>

#include "discovery/synth_type.h"
#include "qmvsti/callbacks.h"
#include "scan_test_support.h"
#include "unit/page_synth_fakes.h"

namespace qm::test {
namespace {

using namespace PluginRecordFlags;

struct Row {
    int image;
    bool checked;
    std::string name;
};

class FakeView final : public ITypePageView {
public:
    bool AskYesNo(const WCHAR* text) noexcept override {
        questions.push_back(A(text));
        if (answers.empty()) return false;
        const bool yes = answers.front();
        answers.pop_front();
        return yes;
    }
    void ShowMessage(const WCHAR* text, bool bang) noexcept override { messages.push_back((bang ? "!" : "") + A(text)); }
    bool BrowseFolder(const WCHAR*, const WCHAR*, WCHAR (&chosen)[kPluginPathChars]) noexcept override {
        if (browseTo.empty()) return false;
        Put(chosen, browseTo.c_str());
        return true;
    }
    void PostToPage(UINT message) noexcept override { posted.push_back(message); }
    int FocusedFolderSlot() noexcept override { return -1; }
    void ReadFolderText(int, WCHAR (&text)[kPluginPathChars]) noexcept override { text[0] = 0; }
    void ShowFolders(const WCHAR (*folders)[kPluginPathChars], const bool enabled[3]) noexcept override {
        for (int i = 0; i < 3; ++i) {
            shownFolders[i] = A(folders[i]);
            folderEnabled[i] = enabled[i];
        }
    }
    void EnableFolderControls(bool enabled) noexcept override { controlsEnabled = enabled; }
    void ShowStatus(const WCHAR* text) noexcept override { statusShown = text != nullptr; }
    void SetScanButtonText(const WCHAR* text) noexcept override { button = A(text); }
    void SetScanTimer(bool running) noexcept override { timer = running; }
    void ClearRows() noexcept override { rows.clear(); }
    void AddRow(int index, const VstiPluginRecord& r, int image, bool checked) noexcept override {
        rows[index < 0 ? 1000 + static_cast<int>(rows.size()) : index] = Row{image, checked, A(r.name)};
    }
    void UpdateRow(int index, int image, bool checked) noexcept override { rows[index] = {image, checked, rows[index].name}; }
    void RemoveRow(int index) noexcept override { rows.erase(index); }

    // The worker's messages, kept for the page's thread as a window's message queue would keep them.
    void PostScanMessage(UINT message, const void* argument) noexcept override {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.emplace_back(message, message == kScanMessageFound ? *static_cast<const VstiPluginRecord*>(argument)
                                                                  : VstiPluginRecord{});
        arrived_.notify_all();
    }
    // Delivers the scan's messages once the worker has posted its last, the finished message.
    void PumpUntilFinished(TypePageLogic& logic) {
        std::unique_lock<std::mutex> lock(mutex_);
        arrived_.wait(lock, [&] { return !queue_.empty() && queue_.back().first == kScanMessageFinished; });
        const auto queued = std::move(queue_);
        queue_.clear();
        lock.unlock();
        for (const auto& [message, record] : queued)
            logic.OnMessage(message, message == kScanMessageFound ? static_cast<const void*>(&record) : FolderScan::StatusLine());
    }

    std::deque<bool> answers;
    std::vector<std::string> questions, messages;
    std::string browseTo;
    std::vector<UINT> posted;
    std::string shownFolders[3];
    bool folderEnabled[3] = {};
    bool controlsEnabled = true, statusShown = false, timer = false;
    std::string button;
    std::map<int, Row> rows;

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<std::pair<UINT, VstiPluginRecord>> queue_;
};

class TypePageTest : public TypeTest {
protected:
    void SetUp() override {
        TypeTest::SetUp();
        tree_.AddFile(std::string("Fresh") + PluginFileSuffix());
        tree_.AddFile(std::string("Disabled") + PluginFileSuffix());
        tester_.outcomes["Fresh"] = {FakeOutcome::Instrument, "Fresh", "Acme"};
        tester_.outcomes["Disabled"] = {FakeOutcome::Instrument, "Disabled", "Acme"};
        folder_ = A(tree_.Folder().c_str());
        UseRecords(type_, {
            PathRecord(folder_ + "Disabled", "Disabled", 0, 0),
            PathRecord(folder_ + "InUse", "InUse", Enabled | AlternativeDrawing, 2),
            PathRecord(folder_ + "Broken", "Broken", Faulted, 0),
            PathRecord(folder_ + "Effect", "Effect", NotInstrument, 0),
            PathRecord(folder_ + "Bare", "Bare", NoEditor, 0),
        });
        ASSERT_EQ(type_->SetFolder(0, tree_.Folder().c_str()), S_OK);
        logic_ = std::make_unique<TypePageLogic>(*type_, view_, tester_, nullptr);
        logic_->SetSite(&site_);
        ASSERT_EQ(logic_->Open(), S_OK);
    }
    void TearDown() override {
        logic_.reset();
        TypeTest::TearDown();
    }
    static VstiPluginRecord PathRecord(const std::string& path, const char* name, DWORD flags, LONG useCount) {
        VstiPluginRecord r = Record((path + PluginFileSuffix()).c_str(), name, "Acme", 1, flags);
        r.useCount = useCount;
        return r;
    }
    int IndexOf(const char* name) const {
        for (int i = 0; i < PluginCount(logic_->WorkingList()); ++i) {
            if (A(PluginRecordAt(logic_->WorkingList(), i)->name) == name) return i;
        }
        return -1;
    }
    const VstiPluginRecord& Working(const char* name) const { return *PluginRecordAt(logic_->WorkingList(), IndexOf(name)); }

    TemporaryTree tree_;
    std::string folder_;
    FakeTester tester_;
    FakeView view_;
    page_test::FakePageSite site_;
    std::unique_ptr<TypePageLogic> logic_;
};

TEST_F(TypePageTest, OpeningShowsFoldersAndInstrumentRowsWhoseCheckBoxesApplyOnApply) {
    EXPECT_EQ(view_.shownFolders[0], folder_);
    // Slot 0 holds a folder, so slot 1 may be edited; slot 1 is empty, so slot 2 may not.
    EXPECT_EQ(std::vector<bool>(view_.folderEnabled, view_.folderEnabled + 3), (std::vector<bool>{true, true, false}));
    // The instruments only, in the type's order.
    std::vector<std::tuple<std::string, int, bool>> rows;
    for (const auto& [index, row] : view_.rows) rows.emplace_back(row.name, row.image, row.checked);
    EXPECT_EQ(rows, (std::vector<std::tuple<std::string, int, bool>>{{"Broken", kRowImageFailed, false},
                                                                     {"Disabled", kRowImageAvailable, false},
                                                                     {"InUse", kRowImageInUse, true}}));

    // Check boxes enable and disable, but an instrument in use keeps its state.
    logic_->CheckChanged(IndexOf("InUse"), false);
    EXPECT_TRUE(view_.rows[IndexOf("InUse")].checked);  // snapped back
    EXPECT_FALSE(logic_->Dirty());
    logic_->CheckChanged(IndexOf("Disabled"), true);
    EXPECT_EQ(Working("Disabled").flags, Enabled);
    EXPECT_TRUE(logic_->Dirty());
    EXPECT_EQ(site_.statuses, (std::vector<DWORD>{PageStatus::Dirty}));
    EXPECT_EQ(logic_->Apply(), S_OK);
    EXPECT_FALSE(logic_->Dirty());
    EXPECT_EQ(type_->PluginList()->nCount, 5);
    EXPECT_EQ(PluginRecordAt(type_->PluginList(), 1)->flags & Enabled, Enabled);  // sorted: Broken, Disabled, ...
    EXPECT_EQ(A(PluginRecordAt(type_->PluginList(), 1)->name), "Disabled");
}

TEST_F(TypePageTest, CheckingAFaultedInstrumentOffersARetest) {
    const int broken = IndexOf("Broken");
    // Declined: the row goes, the record stays.
    view_.answers = {false};
    logic_->CheckChanged(broken, true);
    EXPECT_EQ(view_.rows.count(broken), 0u);
    EXPECT_EQ(Working("Broken").flags, Faulted);
    // Accepted and ready: the record is no longer faulted and the user's check counts.
    ASSERT_EQ(logic_->Open(), S_OK);
    tester_.outcomes["Broken"] = {FakeOutcome::Instrument, "Broken Again", "Acme"};
    view_.answers = {true};
    logic_->CheckChanged(broken, true);
    EXPECT_EQ(view_.questions.back(), "Do you want to test Broken again?");
    EXPECT_EQ(view_.messages.back(), "Broken Again tested well and is ready to use.");
    const VstiPluginRecord& r = *PluginRecordAt(logic_->WorkingList(), broken);
    EXPECT_EQ(r.flags, Enabled);
    EXPECT_EQ(view_.rows[broken].image, kRowImageAvailable);
    EXPECT_EQ(tester_.released.load(), 1);
    // Accepted and failing again: the row goes with an exclamation.
    ASSERT_EQ(logic_->Open(), S_OK);
    tester_.outcomes["Broken"] = {FakeOutcome::Failure};
    view_.answers = {true};
    logic_->CheckChanged(IndexOf("Broken"), true);
    EXPECT_EQ(view_.messages.back(), "!Broken failed to load.");
}

TEST_F(TypePageTest, FolderEditsMarkARescanThatApplyAsksForAndAppliesWhenItFinishes) {
    EXPECT_FALSE(logic_->CommitFolderText(0, W("").c_str()));  // slot 0 is never emptied by typing
    WString sameOtherCase = tree_.Folder();
    for (auto& c : sameOtherCase) c = static_cast<WCHAR>(c >= 'a' && c <= 'z' ? c - 0x20 : c);
    if (sameOtherCase != tree_.Folder()) {
        EXPECT_FALSE(logic_->CommitFolderText(0, sameOtherCase.c_str()));
    }
    view_.browseTo = "";
    logic_->BrowseFolder(1);  // cancelled
    EXPECT_FALSE(logic_->Dirty());

    tree_.AddFile("sub/Deep" + std::string(PluginFileSuffix()));
    tester_.outcomes["Deep"] = {FakeOutcome::Instrument, "Deep", "Acme"};
    view_.browseTo = folder_ + "sub";
    logic_->BrowseFolder(1);
    EXPECT_EQ(view_.shownFolders[1], view_.browseTo);
    EXPECT_TRUE(view_.folderEnabled[2]);
    EXPECT_TRUE(logic_->Dirty());
    EXPECT_TRUE(logic_->RescanNeeded());
    // Apply asks for the rescan; declining it leaves the folder unapplied and the page dirty.
    EXPECT_EQ(logic_->Apply(), S_FALSE);
    EXPECT_EQ(view_.posted, (std::vector<UINT>{kScanMessageRescan}));
    view_.answers = {false};
    logic_->OnMessage(kScanMessageRescan, nullptr);
    EXPECT_FALSE(logic_->Scanning());
    WCHAR slot1[kPluginPathChars];
    type_->GetFolder(1, slot1, kPluginPathChars);
    EXPECT_EQ(A(slot1), "");
    EXPECT_TRUE(logic_->Dirty());
    // Accepted, the rescan runs with the folder controls locked and applies the page when it finishes.
    EXPECT_EQ(logic_->Apply(), S_FALSE);
    view_.answers = {true};
    logic_->OnMessage(kScanMessageRescan, nullptr);
    ASSERT_TRUE(logic_->Scanning());
    EXPECT_TRUE(logic_->RefusesToLeave());
    EXPECT_EQ(std::make_tuple(view_.button, view_.controlsEnabled, view_.timer), std::make_tuple("Cancel Scan", false, true));
    EXPECT_EQ(type_->PluginList()->nCount, 5);  // nothing reaches the type before the scan ends
    view_.PumpUntilFinished(*logic_);
    EXPECT_EQ(std::make_tuple(view_.button, view_.controlsEnabled, view_.timer, view_.statusShown),
              std::make_tuple("&Refresh", true, false, false));
    EXPECT_FALSE(logic_->Dirty());
    type_->GetFolder(1, slot1, kPluginPathChars);
    EXPECT_EQ(A(slot1), view_.browseTo);
    // Merged as the merge tests show: the disabled instrument is enabled again, the vanished kept.
    EXPECT_EQ(Working("Disabled").flags, Enabled);
    EXPECT_EQ(Working("InUse").flags, Enabled | AlternativeDrawing | Missing);
    // Deep twice: slot 1 lies inside slot 0, and every slot is scanned.
    EXPECT_EQ(Names(type_->PluginList()),
              (std::vector<std::string>{"Broken", "Deep", "Deep", "Disabled", "Fresh", "InUse", "Bare", "Effect"}));
    EXPECT_EQ(site_.Last(), 0u);
}

}  // namespace
}  // namespace qm::test

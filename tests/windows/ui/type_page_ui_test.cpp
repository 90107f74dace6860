// The type page's dialog in a real top-level window under Wine: created by Activate from the
// module's dialog resource, driven with the messages a user's clicks and typing send, and read back
// from its controls. Message boxes and the folder dialog are answered by a hook as they open. The
// page's decisions are the logic's (its own tests cover them); these check the wiring.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <shlobj.h>

#include <deque>
#include <filesystem>
#include <set>
#include <tuple>

#include "discovery/type_page.h"
#include "qmvsti/callbacks.h"
#include "resources/type_page_ids.h"
#include "support/win32/window_capture.h"
#include "unit/page_synth_fakes.h"
#include "unit/scan_test_support.h"
#include "windows/ui/ui_test_support.h"

namespace qm::test {
namespace {

using namespace PluginRecordFlags;
using namespace ui_test;

constexpr WCHAR kCaption[] = L"Kelo VSTi Soft Synth";

std::wstring WindowText(HWND window) {
    WCHAR text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

// Answers the component's message boxes (yes/no from a queue, default no; OK for the others) and
// the folder dialog (chooses `browseTo`, or cancels) as they are activated. Their texts are the
// logic's (its tests read them); `shown` keeps "?" per question and "!" per other box, in order.
class DialogAnswerer {
public:
    DialogAnswerer() : hook_(SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId())) { current_ = this; }
    ~DialogAnswerer() { UnhookWindowsHookEx(hook_), current_ = nullptr; }

    std::deque<bool> answers;
    std::string shown;
    std::wstring browseTo;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_ACTIVATE && current_ != nullptr) current_->Answer(reinterpret_cast<HWND>(wParam));
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    void Answer(HWND window) {
        WCHAR name[32] = {};
        GetClassNameW(window, name, 32);
        if (lstrcmpW(name, L"#32770") != 0 || !answered_.insert(window).second) return;
        const std::wstring caption = WindowText(window);
        int answer = IDCANCEL;
        if (caption == kCaption) {
            const bool question = GetDlgItem(window, IDYES) != nullptr;
            shown += question ? '?' : '!';
            answer = IDOK;
            if (question) {
                answer = !answers.empty() && answers.front() ? IDYES : IDNO;
                if (!answers.empty()) answers.pop_front();
            }
        } else if (caption == L"Browse for VSTi Folder") {
            if (!browseTo.empty()) {
                SendMessageW(window, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(browseTo.c_str()));
                answer = IDOK;
            }
        } else {
            return;
        }
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, answer)));
    }

    static DialogAnswerer* current_;
    HHOOK hook_ = nullptr;
    std::set<HWND> answered_;
};
DialogAnswerer* DialogAnswerer::current_ = nullptr;

using Row = std::tuple<std::string, int, bool>;  // name, image, checked

// The module's resources (dialog 1387, its string table, the German module beside it) serve the
// framework of this program, which links the core without them.
class TypePageUiTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        WCHAR self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        module_ = LoadLibraryW((std::filesystem::path(self).parent_path() / L"QmVSTi.dll").c_str());
        ASSERT_NE(module_, nullptr);
        ASSERT_EQ(QmKernel_EarlyInitialize(module_, kEnglishLCID), S_OK);
        type_ = CQmVSTiSynthType::Create();
        ASSERT_NE(type_, nullptr);
        type_->AddRef();
        frame_ = TopLevel(520, 430, DefWindowProcW, 0, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
        ASSERT_NE(frame_, nullptr);
        ASSERT_EQ(type_->CreateTypePage(IID_IPropertyPage, reinterpret_cast<void**>(&page_)), S_OK);
        IUnknown* objects[1] = {static_cast<IQmSoftSynthType*>(type_)};
        ASSERT_EQ(page_->SetObjects(1, objects), S_OK);
        ASSERT_EQ(page_->SetPageSite(&site_), S_OK);
    }
    void TearDown() override {
        if (page_ != nullptr) {
            EXPECT_EQ(page_->Deactivate(), S_OK);
            EXPECT_EQ(page_->Release(), 0u);
        }
        DestroyWindow(frame_);
        Pump();
        if (type_ != nullptr) {
            EXPECT_EQ(type_->Release(), 0u);
        }
        QmKernel_LateTerminate(module_, 0);
        if (module_ != nullptr) FreeLibrary(module_);
        OleUninitialize();
    }

    // The type's list and slot 0 as a user left them last time.
    void UseTheseRecords() {
        const std::string folder = A(tree_.Folder().c_str());
        auto record = [&](const char* name, DWORD flags, LONG useCount) {
            VstiPluginRecord r = Record((folder + name + PluginFileSuffix()).c_str(), name, "Acme", 1, flags);
            r.useCount = useCount;
            return r;
        };
        UseRecords(type_, {record("Broken", Faulted, 0), record("Disabled", 0, 0),
                           record("InUse", Enabled | AlternativeDrawing, 2), record("Effect", NotInstrument, 0)});
        ASSERT_EQ(type_->SetFolder(0, tree_.Folder().c_str()), S_OK);
    }
    void Activate() {
        const RECT area{0, 0, 500, 380};
        ASSERT_EQ(page_->Activate(frame_, &area, FALSE), S_OK);
        ASSERT_EQ(page_->Show(SW_SHOW), S_OK);
        dialog_ = GetWindow(frame_, GW_CHILD);
        ASSERT_NE(dialog_, nullptr);
        list_ = Item(IDC_TYPE_LIST);
        Pump();
    }
    TypePageLogic& Logic() { return *static_cast<CVSTiTypePage*>(page_)->Logic(); }

    HWND Item(int id) const { return GetDlgItem(dialog_, id); }
    std::string Text(int id) const { return A(WindowText(Item(id)).c_str()); }
    std::vector<bool> EnabledStates(std::initializer_list<int> ids) const {
        std::vector<bool> states;
        for (int id : ids) states.push_back(IsWindowEnabled(Item(id)) != FALSE);
        return states;
    }
    void Command(int id, WORD code) {
        SendMessageW(dialog_, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(Item(id)));
        Pump();
    }
    std::string Cell(int row, int column) const {
        WCHAR text[512] = {};
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = 512;
        SendMessageW(list_, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        return A(text);
    }
    std::vector<Row> Rows() const {
        std::vector<Row> rows;
        for (int row = 0; row < ListView_GetItemCount(list_); ++row) {
            LVITEMW item{};
            item.mask = LVIF_IMAGE;
            item.iItem = row;
            ListView_GetItem(list_, &item);
            rows.emplace_back(Cell(row, 1), item.iImage, ListView_GetCheckState(list_, row) != FALSE);
        }
        return rows;
    }
    int RowOf(const char* name) const {
        int row = ListView_GetItemCount(list_) - 1;
        while (row >= 0 && Cell(row, 1) != name) --row;
        return row;
    }
    // What a click on a row's check box does to it.
    void Check(const char* name, bool checked) {
        ListView_SetCheckState(list_, RowOf(name), checked ? TRUE : FALSE);
        Pump();
    }
    DWORD TypeFlags(const char* name) const {
        for (int i = 0; i < PluginCount(type_->PluginList()); ++i) {
            if (A(PluginRecordAt(type_->PluginList(), i)->name) == name) return PluginRecordAt(type_->PluginList(), i)->flags;
        }
        return ~0u;
    }

    TemporaryTree tree_;
    page_test::FakePageSite site_;
    DialogAnswerer answerer_;
    HMODULE module_ = nullptr;
    CQmVSTiSynthType* type_ = nullptr;
    HWND frame_ = nullptr;
    IPropertyPage* page_ = nullptr;
    HWND dialog_ = nullptr;
    HWND list_ = nullptr;
};

TEST_F(TypePageUiTest, ActivateShowsTheFoldersAndTheInstrumentsInTheDialog) {
    UseTheseRecords();
    const RECT area{0, 0, 500, 380};
    EXPECT_EQ(page_->Activate(frame_, nullptr, FALSE), E_POINTER);
    IPropertyPage* unbound = nullptr;
    ASSERT_EQ(type_->CreateTypePage(IID_IPropertyPage, reinterpret_cast<void**>(&unbound)), S_OK);
    EXPECT_EQ(unbound->Activate(frame_, &area, FALSE), E_UNEXPECTED);  // no type: no logic for a dialog
    EXPECT_EQ(GetWindow(frame_, GW_CHILD), nullptr);
    EXPECT_EQ(unbound->Release(), 0u);
    Activate();

    const RECT moved{4, 6, 484, 366};
    EXPECT_EQ(page_->Move(nullptr), E_POINTER);
    EXPECT_EQ(page_->Move(&moved), S_OK);
    EXPECT_EQ(SizeOf(dialog_).cx, 480);

    // Slot 0 holds the folder, so slot 1 opens; slot 2 stays closed while slot 1 is empty.
    EXPECT_EQ(Text(IDC_TYPE_FOLDER0), A(tree_.Folder().c_str()));
    EXPECT_EQ(EnabledStates({IDC_TYPE_BROWSE1, IDC_TYPE_FOLDER2, IDC_TYPE_BROWSE2}), (std::vector<bool>{true, false, false}));
    EXPECT_NE(ListView_GetImageList(list_, LVSIL_SMALL), nullptr);
    // The instruments only, with their images and check states; the path in the last column.
    EXPECT_EQ(Rows(), (std::vector<Row>{{"Broken", kRowImageFailed, false},
                                        {"Disabled", kRowImageAvailable, false},
                                        {"InUse", kRowImageInUse, true}}));
    EXPECT_EQ(Cell(RowOf("InUse"), 3), A(tree_.Folder().c_str()) + "InUse" + PluginFileSuffix());

    EXPECT_EQ(page_->IsPageDirty(), S_FALSE);
    EXPECT_EQ(page_->Apply(), S_OK);  // nothing to apply
    EXPECT_EQ(page_->Deactivate(), S_OK);
    EXPECT_FALSE(IsWindow(dialog_));
    EXPECT_EQ(static_cast<CVSTiTypePage*>(page_)->Logic(), nullptr);

    // In German the dialog comes from the language module.
    ASSERT_TRUE(QmLang_UpdateKernelLCID(KernelLangHandle(), 0x407, 1));
    Activate();
    EXPECT_EQ(Text(IDC_TYPE_LABEL1), "Ordner &2:");
    QmLang_UpdateKernelLCID(KernelLangHandle(), kEnglishLCID, 1);
}

TEST_F(TypePageUiTest, TypingCheckingAndTheMenuCommandReachThePage) {
    UseTheseRecords();
    Activate();
    // Which check takes and what it means is the logic's; a click's notification reaches it.
    Check("Disabled", true);
    EXPECT_EQ(page_->IsPageDirty(), S_OK);
    EXPECT_EQ(site_.statuses, (std::vector<DWORD>{PageStatus::Dirty}));

    // "Use alternative drawing method" on the selected row reaches the type's record at once.
    ListView_SetItemState(list_, RowOf("InUse"), LVIS_SELECTED, LVIS_SELECTED);
    Command(IDM_TYPE_ALTERNATIVE_DRAWING, 0);
    EXPECT_EQ(TypeFlags("InUse") & AlternativeDrawing, 0u);

    // Checking the faulted row offers a re-test; its module is gone, so the row goes.
    answerer_.answers = {true};
    Check("Broken", true);
    EXPECT_EQ(answerer_.shown, "?!");
    EXPECT_EQ(RowOf("Broken"), -1);

    EXPECT_EQ(page_->Apply(), S_OK);
    EXPECT_EQ(TypeFlags("Disabled") & Enabled, Enabled);

    // A folder typed into slot 1 counts when the box loses the focus.
    const std::string typed = A(tree_.Folder().c_str()) + "more";
    SetWindowTextW(Item(IDC_TYPE_FOLDER1), W(typed.c_str()).c_str());
    Command(IDC_TYPE_FOLDER1, EN_KILLFOCUS);
    EXPECT_EQ(A(Logic().Folder(1)), typed);

    // Browsing slot 2: the folder dialog opens at the slot, and its choice is shown and enables slot 2.
    std::filesystem::create_directories(tree_.Root() / "browsed");
    answerer_.browseTo = tree_.Folder("browsed");
    answerer_.browseTo.pop_back();  // the dialog gives folders without the separator
    Command(IDC_TYPE_BROWSE1, BN_CLICKED);
    EXPECT_EQ(Text(IDC_TYPE_FOLDER1), A(answerer_.browseTo.c_str()));
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_TYPE_BROWSE2)));

    // Enter in the focused box commits it through the page's TranslateAccelerator.
    SetFocus(Item(IDC_TYPE_FOLDER2));
    SetWindowTextW(Item(IDC_TYPE_FOLDER2), W("entered").c_str());
    MSG key{Item(IDC_TYPE_FOLDER2), WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    EXPECT_EQ(page_->TranslateAccelerator(&key), S_OK);
    EXPECT_EQ(A(Logic().Folder(2)), "entered");
}

// Our test modules in a folder: an instrument, an effect, modules that fail to load, and one that
// ends its process (caught by the probe beside this program).
TEST_F(TypePageUiTest, ARescanOfTheTestModulesFillsTheListAndApplies) {
    UseTheseRecords();
    for (const char* module : {"qmref", "qmbothentries", "qmeffect", "qmfault_open", "qmwrongmagic", "qmexit"}) {
        const std::filesystem::path from(TestPluginPath(module));
        std::filesystem::copy_file(from, tree_.Root() / from.filename());
    }
    Activate();
    answerer_.answers = {true};
    Command(IDC_TYPE_SCAN, BN_CLICKED);
    ASSERT_TRUE(Logic().Scanning());
    EXPECT_EQ(Text(IDC_TYPE_SCAN), "Cancel Scan");
    EXPECT_TRUE(IsWindowVisible(Item(IDC_TYPE_STATUS)));
    EXPECT_EQ(EnabledStates({IDC_TYPE_FOLDER0, IDC_TYPE_BROWSE0, IDC_TYPE_FOLDER1, IDC_TYPE_BROWSE1}),
              (std::vector<bool>(4, false)));
    // The host's frame may not leave or cancel the page now; a refusal, as each timer tick, brings
    // forward a window that a module under test may have opened behind the frame.
    HWND opened = TopLevel(80, 60, DefWindowProcW, 0);
    SetWindowPos(frame_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetActiveWindow(frame_);
    ASSERT_EQ(GetWindow(frame_, GW_HWNDPREV), nullptr);
    for (const UINT code : {static_cast<UINT>(PSN_KILLACTIVE), static_cast<UINT>(PSN_QUERYCANCEL)}) {
        NMHDR header{frame_, 0, code};
        EXPECT_EQ(SendMessageW(dialog_, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header)), TRUE);
        EXPECT_EQ(GetWindowLongPtrW(dialog_, DWLP_MSGRESULT), TRUE) << code;
    }
    EXPECT_EQ(GetWindow(frame_, GW_HWNDPREV), opened);
    DestroyWindow(opened);

    ASSERT_TRUE(PumpUntil([&] { return !Logic().Scanning(); }, 240000)) << "the scan did not finish";
    EXPECT_EQ(Text(IDC_TYPE_SCAN), "&Refresh");
    EXPECT_FALSE(IsWindowVisible(Item(IDC_TYPE_STATUS)));
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_TYPE_FOLDER0)));
    EXPECT_EQ(site_.statuses, (std::vector<DWORD>{PageStatus::Scanning, PageStatus::Dirty}));
    // One row per instrument of the merged list, in its order, with the image its record calls for.
    // (Which scanned modules have an editor, and so a row, is the test modules' business.)
    std::vector<Row> expected;
    for (int i = 0; i < PluginCount(Logic().WorkingList()); ++i) {
        const VstiPluginRecord& r = *PluginRecordAt(Logic().WorkingList(), i);
        if (r.flags & (NotInstrument | NoEditor)) continue;
        const int image = (r.flags & Faulted) ? kRowImageFailed : r.useCount > 0 ? kRowImageInUse : kRowImageAvailable;
        expected.emplace_back(A(r.name), image, (r.flags & Enabled) && !(r.flags & Faulted));
    }
    EXPECT_EQ(Rows(), expected);
    ASSERT_GE(RowOf("qmexit"), 0) << "the module that ends its process is listed, as failed";
    EXPECT_EQ(std::get<1>(Rows()[RowOf("qmexit")]), kRowImageFailed);

    RedrawWindow(frame_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Settle(500);
    EXPECT_TRUE(CaptureWindowPng(dialog_, "type_page.png"));

    EXPECT_EQ(page_->Apply(), S_OK);
    EXPECT_EQ(page_->IsPageDirty(), S_FALSE);
    EXPECT_GE(FindPluginRecord(type_->PluginList(), *PluginRecordAt(Logic().WorkingList(), 0), RecordMatch::SamePath), 0);
    EXPECT_EQ(PluginCount(type_->PluginList()), PluginCount(Logic().WorkingList()));
}

}  // namespace
}  // namespace qm::test

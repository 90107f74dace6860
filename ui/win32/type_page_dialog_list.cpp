// The type page's instrument list: a report-style list view with check boxes, the skin's row
// images and four columns. Each row's item data is the record's index in the page's working list
// (-1 for the rows a running scan adds, which cannot be edited until the scan has been merged).

#include "discovery/plugin_record.h"
#include "discovery/type_page_logic.h"
#include "framework/lang.h"
#include "resources/type_page_ids.h"
#include "ui/win32/type_page_dialog.h"

namespace qm {

namespace {

constexpr UINT kIdsFirstColumn = 1008;  // " ", "Name", "Vendor", "Location"
constexpr int kColumnCount = 4;
constexpr UINT kCheckedStateImage = 2;  // state images of LVS_EX_CHECKBOXES: 1 unchecked, 2 checked

const WCHAR* Text(UINT id) noexcept { return QmGetString(KernelLangHandle(), id); }

}  // namespace

void TypePageDialog::SetUpList() noexcept {
    list_ = GetDlgItem(dialog_, IDC_TYPE_LIST);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        font_ = CreateFontIndirectW(&metrics.lfMessageFont);
        if (font_ != nullptr) SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    }
    constexpr DWORD kExtended = LVS_EX_GRIDLINES | LVS_EX_SUBITEMIMAGES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;
    ListView_SetExtendedListViewStyleEx(list_, kExtended, kExtended);
    // Shared lists (LVS_SHAREIMAGELISTS): this object frees them, not the list view.
    if (LoadSkinImageLists(images_)) ListView_SetImageList(list_, images_.normal, LVSIL_SMALL);
    for (int column = 0; column < kColumnCount; ++column) {
        LVCOLUMNW header{};
        header.mask = LVCF_FMT | LVCF_TEXT | LVCF_SUBITEM;
        header.fmt = LVCFMT_LEFT;
        header.pszText = const_cast<WCHAR*>(Text(kIdsFirstColumn + column));
        header.iSubItem = column;
        ListView_InsertColumn(list_, column, &header);
    }
}

int TypePageDialog::FindRow(int index) const noexcept {
    LVFINDINFOW find{};
    find.flags = LVFI_PARAM;
    find.lParam = index;
    return ListView_FindItem(list_, -1, &find);
}

void TypePageDialog::SetRowCheck(int row, bool checked) noexcept {
    ++settingRows_;
    ListView_SetCheckState(list_, row, checked ? TRUE : FALSE);
    --settingRows_;
}

void TypePageDialog::ClearRows() noexcept {
    ++settingRows_;
    ListView_DeleteAllItems(list_);
    --settingRows_;
    ScheduleColumnSizing();
}

void TypePageDialog::AddRow(int index, const VstiPluginRecord& record, int image, bool checked) noexcept {
    ++settingRows_;
    LVITEMW item{};
    item.mask = LVIF_IMAGE | LVIF_PARAM;
    item.iItem = ListView_GetItemCount(list_);
    item.iImage = image;
    item.lParam = index;
    const int row = ListView_InsertItem(list_, &item);
    const WCHAR* texts[kColumnCount - 1] = {record.name, record.vendor, record.path};
    for (int column = 1; row >= 0 && column < kColumnCount; ++column) {
        LVITEMW cell{};
        cell.mask = LVIF_TEXT | LVIF_IMAGE;
        cell.iItem = row;
        cell.iSubItem = column;
        cell.pszText = const_cast<WCHAR*>(texts[column - 1]);
        cell.iImage = I_IMAGENONE;
        ListView_SetItem(list_, &cell);
    }
    if (row >= 0) SetRowCheck(row, checked);
    --settingRows_;
    ScheduleColumnSizing();
}

void TypePageDialog::UpdateRow(int index, int image, bool checked) noexcept {
    const int row = FindRow(index);
    if (row < 0) return;
    ++settingRows_;
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    item.iImage = image;
    ListView_SetItem(list_, &item);
    SetRowCheck(row, checked);
    --settingRows_;
}

void TypePageDialog::RemoveRow(int index) noexcept {
    const int row = FindRow(index);
    if (row < 0) return;
    ++settingRows_;
    ListView_DeleteItem(list_, row);
    --settingRows_;
    ScheduleColumnSizing();
}

void TypePageDialog::ScheduleColumnSizing() noexcept {
    if (!sizingPending_) sizingPending_ = PostMessageW(dialog_, kTypePageSizeMessage, 0, 0) != FALSE;
}

void TypePageDialog::SizeColumns() noexcept {
    sizingPending_ = false;
    const bool empty = ListView_GetItemCount(list_) == 0;
    // Some list views keep an image's room in front of every sub-item's text (LVS_EX_SUBITEMIMAGES)
    // but leave it out of the automatic width: the text columns get that room on top.
    int imageRoom = 0, imageHeight = 0;
    if (!empty && images_.normal != nullptr) ImageList_GetIconSize(images_.normal, &imageRoom, &imageHeight);
    for (int column = 0; column < kColumnCount; ++column) {
        ListView_SetColumnWidth(list_, column, empty ? LVSCW_AUTOSIZE_USEHEADER : LVSCW_AUTOSIZE);
        if (column > 0 && imageRoom > 0)
            ListView_SetColumnWidth(list_, column, ListView_GetColumnWidth(list_, column) + imageRoom);
    }
}

void TypePageDialog::OnItemChanged(const NMLISTVIEW& change) noexcept {
    if (settingRows_ > 0 || !(change.uChanged & LVIF_STATE)) return;
    const UINT before = (change.uOldState & LVIS_STATEIMAGEMASK) >> 12;
    const UINT after = (change.uNewState & LVIS_STATEIMAGEMASK) >> 12;
    // A row just inserted has no state image yet: that is no click.
    if (before == 0 || after == 0 || before == after) return;
    PostMessageW(dialog_, kTypePageCheckMessage, static_cast<WPARAM>(change.lParam), after == kCheckedStateImage);
}

int TypePageDialog::SelectedIndex() const noexcept {
    const int row = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
    if (row < 0) return -1;
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    return ListView_GetItem(list_, &item) ? static_cast<int>(item.lParam) : -1;
}

void TypePageDialog::ShowContextMenu(int row) noexcept {
    if (row < 0 || Logic() == nullptr) return;
    ListView_SetItemState(list_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    const int index = SelectedIndex();
    if (index < 0 || index >= PluginCount(Logic()->WorkingList())) return;
    const bool marked = (PluginRecordAt(Logic()->WorkingList(), index)->flags & PluginRecordFlags::AlternativeDrawing) != 0;
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr) return;
    AppendMenuW(menu, MF_STRING | (marked ? MF_CHECKED : MF_UNCHECKED), IDM_TYPE_ALTERNATIVE_DRAWING,
                Text(IDM_TYPE_ALTERNATIVE_DRAWING));
    POINT at{};
    GetCursorPos(&at);
    // The chosen command comes back as WM_COMMAND for the selected row.
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, at.x, at.y, 0, dialog_, nullptr);
    DestroyMenu(menu);
}

}  // namespace qm

#include "CDrovaneView.h"

#include <cstring>
#include <string>
#include <vector>

#include "CCmdUI.h"
#include "CFileDialog.h"
#include "CFlashViewerDlg.h"
#include "CPropertysIni.h"
#include "CShellFileOp.h"
#include "CWinApp.h"
#include "MovieFileName.h"
#include "ScopedHandles.h"
#include "TaskText.h"
#include "resource.h"

namespace {

const MessageEntry s_entries[] = {
    OnMessage<WM_DESTROY, &CDrovaneView::OnDestroy>(),
    OnMessage<WM_ROW_MENU, &CDrovaneView::OnRowMenu>(),
    OnCommand<ID_PREVIEW, &CDrovaneView::OnPreview>(),
    OnCommand<ID_COPY_TO_FOLDER, &CDrovaneView::OnCopyToFolder>(),
    OnCommand<ID_MOVE_TO_FOLDER, &CDrovaneView::OnMoveToFolder>(),
    OnCommand<ID_CHECK_ALL, &CDrovaneView::OnCheckAll>(),
    OnCommand<ID_UNCHECK_ALL, &CDrovaneView::OnUncheckAll>(),
    OnCommand<ID_REVERSE, &CDrovaneView::OnReverse>(),
    OnCommand<ID_COPY_URL, &CDrovaneView::OnCopyUrl>(),
    OnCommand<ID_DELETE, &CDrovaneView::OnDelete>(),
    OnCommand<ID_TASK_START, &CDrovaneView::OnTaskStart>(),
    OnCommand<ID_TASK_STOP, &CDrovaneView::OnTaskStop>(),
    OnUpdate<ID_COPY_TO_FOLDER, &CDrovaneView::OnUpdateNeedSelection>(),
    OnUpdate<ID_MOVE_TO_FOLDER, &CDrovaneView::OnUpdateNeedSelection>(),
    OnUpdate<ID_COPY_URL, &CDrovaneView::OnUpdateNeedSelection>(),
    OnUpdate<ID_DELETE, &CDrovaneView::OnUpdateNeedSelection>(),
    OnUpdateRange<ID_CHECK_ALL, ID_REVERSE, &CDrovaneView::OnUpdateNeedRows>(),
    OnReflectNotify<NM_DBLCLK, &CDrovaneView::OnDblClk>(),
    OnReflectNotify<NM_RCLICK, &CDrovaneView::OnRClick>(),
};

struct Column {
    const char* header;   // also the profile value's name
    int defaultWidth;
};
constexpr Column kColumns[CDrovaneView::COLUMN_COUNT] = {
    {"Status", 40}, {"File Name", 100}, {"URL", 200}, {"Size", 60}, {"Progress", 70},
};
constexpr const char* kWidthSection = "ColumnWidth";

// The row menu's items that need a row to act on.
constexpr UINT kRowCommands[] = {ID_COPY_URL, ID_DELETE, ID_TASK_START, ID_TASK_STOP,
                                 ID_PREVIEW, ID_COPY_TO_FOLDER, ID_MOVE_TO_FOLDER};

constexpr int kUnchecked = 1;

constexpr const char* kMovieFilter = "Flash (*.swf)|*.swf|All Files (*.*)|*.*||";

// Replaces the clipboard's contents with the text; false when the clipboard is busy.
bool PutTextOnClipboard(HWND owner, const CString& text)
{
    const std::size_t size = static_cast<std::size_t>(text.GetLength()) + 1;
    GlobalMemory memory(::GlobalAlloc(GMEM_MOVEABLE, size));
    if (!memory) return false;
    void* bytes = ::GlobalLock(memory.Get());
    if (!bytes) return false;
    std::memcpy(bytes, text.GetString(), size);
    ::GlobalUnlock(memory.Get());

    ClipboardSession clipboard(owner);
    if (!clipboard.IsOpen() || !::EmptyClipboard()) return false;
    if (!::SetClipboardData(CF_TEXT, memory.Get())) return false;
    memory.Release();   // the clipboard owns it now
    return true;
}

std::vector<int> SelectedRows(const CListCtrl& list)
{
    std::vector<int> rows;
    for (int row = list.GetNextItem(-1, LVNI_SELECTED); row >= 0; row = list.GetNextItem(row, LVNI_SELECTED))
        rows.push_back(row);
    return rows;
}

} // namespace

const MessageTable CDrovaneView::s_messageTable = MakeTable(&CListView::s_messageTable, s_entries);
const CRuntimeClass CDrovaneView::classCDrovaneView("CDrovaneView", &CreateObjectOf<CDrovaneView>,
                                                    &CListView::classCListView);

void CDrovaneView::OnInitialUpdate()
{
    CListView::OnInitialUpdate();
    CListCtrl list = GetListCtrl();
    // Opening a document runs the initial update again; the columns must not be added twice.
    if (list.GetColumnCount() > 0) return;

    if ((GetStyle() & LVS_TYPEMASK) != LVS_REPORT) ModifyStyle(LVS_TYPEMASK, LVS_REPORT);
    list.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);

    CWinApp* app = AfxGetApp();
    for (int i = 0; i < COLUMN_COUNT; ++i) {
        m_nColumnWidth[i] = app ? app->GetProfileInt(kWidthSection, kColumns[i].header, kColumns[i].defaultWidth)
                                : kColumns[i].defaultWidth;
    }
    for (int i = 0; i < COLUMN_COUNT; ++i) list.InsertColumn(i, kColumns[i].header, LVCFMT_LEFT, m_nColumnWidth[i]);
}

void CDrovaneView::OnDestroy()
{
    // A view that never had its initial update has no columns, and no widths worth keeping.
    CListCtrl list = GetListCtrl();
    const bool hasColumns = list.GetColumnCount() == COLUMN_COUNT;
    if (hasColumns) {
        for (int i = 0; i < COLUMN_COUNT; ++i) m_nColumnWidth[i] = list.GetColumnWidth(i);
    }
    DefWindowProc(WM_DESTROY, 0, 0);
    CWinApp* app = AfxGetApp();
    if (!hasColumns || !app) return;
    for (int i = 0; i < COLUMN_COUNT; ++i) app->WriteProfileInt(kWidthSection, kColumns[i].header, m_nColumnWidth[i]);
}

CDrovaneView::CDrovaneView() = default;

void CDrovaneView::ReplaceTasks(const CStringArray& addresses)
{
    std::vector<TaskEntry> entries;
    entries.reserve(static_cast<std::size_t>(addresses.GetSize()));
    for (int i = 0; i < addresses.GetSize(); ++i) entries.push_back({std::string(addresses[i].View()), true});
    ReplaceTasks(std::move(entries));
}

void CDrovaneView::ReplaceTasks(std::vector<TaskEntry> entries)
{
    RemoveDuplicates(entries);
    std::vector<std::string> addresses;
    std::vector<bool> checks;
    for (const TaskEntry& entry : entries) {
        addresses.push_back(entry.address);
        checks.push_back(entry.checked);
    }
    // The list control redraws itself for every row it takes in (under Wine that makes filling
    // it quadratic: seconds for a thousand rows); it draws once, afterwards.
    SendMessage(WM_SETREDRAW, FALSE);
    m_tasks.ReplaceRows(addresses);
    CListCtrl list = GetListCtrl();
    for (std::size_t row = 0; row < checks.size(); ++row) {
        if (!checks[row]) list.SetCheck(static_cast<int>(row), false);
    }
    SendMessage(WM_SETREDRAW, TRUE);
    Invalidate();
}

std::vector<TaskEntry> CDrovaneView::GetTaskEntries() const
{
    std::vector<TaskEntry> entries;
    const CListCtrl list = GetListCtrl();
    for (int row = 0; row < m_tasks.GetRowCount(); ++row)
        entries.push_back({m_tasks.GetAddress(row), list.GetStateImage(row) != kUnchecked});
    return entries;
}

void CDrovaneView::InsertRow(int row, const std::string& fileName, const std::string& address)
{
    CListCtrl list = GetListCtrl();
    const int index = list.InsertItem(row, "");
    if (index < 0) return;
    // An address that names no file shows what it has after its last "/".
    const CString shown = fileName.empty() ? FileNameOfAddress(CString(address)) : CString(fileName);
    list.SetItemText(index, COLUMN_FILE_NAME, shown);
    list.SetItemText(index, COLUMN_URL, address.c_str());
    list.SetItemText(index, COLUMN_SIZE, "");
    list.SetItemText(index, COLUMN_PROGRESS, "0%");
    list.SetCheck(index, true);
}

void CDrovaneView::DeleteRow(int row)
{
    GetListCtrl().DeleteItem(row);
}

void CDrovaneView::DeleteAllRows()
{
    GetListCtrl().DeleteAllItems();
}

void CDrovaneView::ShowSize(int row, const std::string& lengthText)
{
    GetListCtrl().SetItemText(row, COLUMN_SIZE, SizeText(lengthText.c_str()));
}

void CDrovaneView::ShowProgress(int row, const RowProgress& progress)
{
    GetListCtrl().SetItemText(row, COLUMN_PROGRESS, RowProgressText(progress));
}

CString CDrovaneView::GetTaskUrl(int row) const
{
    return CString(m_tasks.GetAddress(row));
}

int CDrovaneView::GetTaskCount() const
{
    return GetListCtrl().GetItemCount();
}

int CDrovaneView::GetSelectedTask() const
{
    return GetListCtrl().GetNextItem(-1, LVNI_SELECTED);
}

int CDrovaneView::GetFirstChecked() const
{
    return GetNextChecked(-1);
}

int CDrovaneView::GetNextChecked(int row) const
{
    const CListCtrl list = GetListCtrl();
    const int count = list.GetItemCount();
    for (int i = row < 0 ? 0 : row + 1; i < count; ++i) {
        if (list.GetStateImage(i) != kUnchecked) return i;
    }
    return -1;
}

std::vector<int> CDrovaneView::GetCheckedTasks() const
{
    std::vector<int> rows;
    for (int row = GetFirstChecked(); row >= 0; row = GetNextChecked(row)) rows.push_back(row);
    return rows;
}

void CDrovaneView::SetChecks(int mode)
{
    CListCtrl list = GetListCtrl();
    for (int i = 0; i < list.GetItemCount(); ++i) {
        switch (mode) {
        case CHECK_ALL: list.SetCheck(i, true); break;
        case CHECK_NONE: list.SetCheck(i, false); break;
        case CHECK_REVERSE: list.SetCheck(i, list.GetStateImage(i) == kUnchecked); break;
        default: return;
        }
    }
}

void CDrovaneView::CopyUrl()
{
    const std::vector<int> rows = SelectedRows(GetListCtrl());
    if (rows.empty()) return;
    CString text;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i > 0) text += "\r\n";
        text += GetTaskUrl(rows[i]).View();
    }
    PutTextOnClipboard(m_hWnd, text);
}

void CDrovaneView::DeleteTasks()
{
    const std::vector<int> rows = SelectedRows(GetListCtrl());
    if (rows.empty()) return;
    if (!m_tasks.RemoveRows(rows)) ::MessageBeep(MB_ICONEXCLAMATION);
}

bool CDrovaneView::SelectedMovieFile(std::string& path, std::string& name)
{
    const int row = GetSelectedTask();
    if (row < 0) return false;
    // The name the row saves under. Without one nothing was ever written, and the path would
    // be the save folder itself: the shell would copy or move the whole folder.
    name = m_tasks.GetFileName(row);
    if (name.empty()) {
        ::MessageBeep(MB_ICONEXCLAMATION);
        return false;
    }
    path = PathInFolder(CPropertysIni().GetSavePath().View(), name);
    return true;
}

void CDrovaneView::OnPreview()
{
    std::string path, name;
    if (!SelectedMovieFile(path, name)) return;
    CFlashViewerDlg viewer;
    viewer.SetMoviePath(path.c_str());
    viewer.DoModal();
}

void CDrovaneView::OnCopyToFolder()
{
    TransferToFolder(false);
}

void CDrovaneView::OnMoveToFolder()
{
    TransferToFolder(true);
}

void CDrovaneView::TransferToFolder(bool move)
{
    std::string source, name;
    if (!SelectedMovieFile(source, name)) return;
    if (!move) name.clear();

    // OFN_NOCHANGEDIR: otherwise the chosen folder becomes the program's current folder, and
    // stays in use (it cannot be removed) while the program runs.
    CFileDialog dialog(false, "swf", name.c_str(), OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR,
                       kMovieFilter);
    if (dialog.DoModal() != IDOK) return;

    // The shell reports its own failures (no such file, a refused replacement) in its windows.
    CShellFileOp operation;
    operation.AddPath(FILEOP_FROM, source.c_str());
    operation.AddPath(FILEOP_TO, dialog.GetPathName());
    if (move)
        operation.Move();
    else
        operation.Copy();
}

void CDrovaneView::OnCheckAll()
{
    SetChecks(CHECK_ALL);
}

void CDrovaneView::OnUncheckAll()
{
    SetChecks(CHECK_NONE);
}

void CDrovaneView::OnReverse()
{
    SetChecks(CHECK_REVERSE);
}

void CDrovaneView::OnCopyUrl()
{
    CopyUrl();
}

void CDrovaneView::OnDelete()
{
    DeleteTasks();
}

void CDrovaneView::ForwardToFrame(UINT command)
{
    if (HWND frame = GetParentHwnd()) ::SendMessageA(frame, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

void CDrovaneView::OnTaskStart()
{
    ForwardToFrame(ID_DOWNLOAD_START);
}

void CDrovaneView::OnTaskStop()
{
    ForwardToFrame(ID_DOWNLOAD_STOP);
}

void CDrovaneView::OnUpdateNeedSelection(CCmdUI* cmdUI)
{
    cmdUI->Enable(GetListCtrl().GetSelectedCount() > 0);
}

void CDrovaneView::OnUpdateNeedRows(CCmdUI* cmdUI)
{
    cmdUI->Enable(GetListCtrl().GetItemCount() > 0);
}

void CDrovaneView::OnDblClk(NMHDR*, LRESULT* result)
{
    if (GetSelectedTask() >= 0) OnPreview();
    *result = 0;
}

void CDrovaneView::OnRClick(NMHDR* header, LRESULT* result)
{
    // Bring the toolbar and status bar up to date before the menu takes over the message loop.
    if (CWinApp* app = AfxGetApp()) app->OnIdle(0);
    // The list reports where the click was, in its own client coordinates.
    const auto* click = reinterpret_cast<const NMITEMACTIVATE*>(header);
    const int row = GetListCtrl().HitTest(click->ptAction);
    // The menu opens after this notification has returned, so the list has finished its own
    // handling of the click (selection, capture) before the menu loop starts.
    PostMessage(WM_ROW_MENU, static_cast<WPARAM>(row), 0);
    *result = 0;
}

LRESULT CDrovaneView::OnRowMenu(WPARAM wParam, LPARAM)
{
    const MenuHandle menu(::LoadMenuA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDR_ROWMENU)));
    if (!menu) return 0;
    HMENU popup = ::GetSubMenu(menu.Get(), 0);
    if (!popup) return 0;
    POINT at{};
    ::GetCursorPos(&at);
    if (static_cast<int>(wParam) < 0) {
        for (UINT id : kRowCommands) ::EnableMenuItem(popup, id, MF_BYCOMMAND | MF_GRAYED);
    }
    ::TrackPopupMenu(popup, TPM_RIGHTBUTTON, at.x, at.y, 0, m_hWnd, nullptr);
    return 0;
}

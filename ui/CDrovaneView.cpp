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
#include "Dpi.h"
#include "MovieFileName.h"
#include "ScopedHandles.h"
#include "ShowInFolder.h"
#include "TaskText.h"
#include "resource.h"

namespace {

const MessageEntry s_entries[] = {
    OnMessage<WM_DESTROY, &CDrovaneView::OnDestroy>(),
    OnMessage<WM_ROW_MENU, &CDrovaneView::OnRowMenu>(),
    OnMessage<WM_MENUSELECT, &CDrovaneView::OnMenuSelect>(),
    OnMessage<WM_EXITMENULOOP, &CDrovaneView::OnExitMenuLoop>(),
    OnCommand<ID_PREVIEW, &CDrovaneView::OnPreview>(),
    OnCommand<ID_COPY_TO_FOLDER, &CDrovaneView::OnCopyToFolder>(),
    OnCommand<ID_MOVE_TO_FOLDER, &CDrovaneView::OnMoveToFolder>(),
    OnCommand<ID_OPEN_FOLDER, &CDrovaneView::OnOpenFolder>(),
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
    OnUpdate<ID_OPEN_FOLDER, &CDrovaneView::OnUpdateOpenFolder>(),
    OnReflectNotify<NM_DBLCLK, &CDrovaneView::OnDblClk>(),
    OnReflectNotify<NM_RCLICK, &CDrovaneView::OnRClick>(),
    OnReflectNotify<NM_CUSTOMDRAW, &CDrovaneView::OnCustomDraw>(),
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
                                 ID_PREVIEW, ID_COPY_TO_FOLDER, ID_MOVE_TO_FOLDER, ID_OPEN_FOLDER};

// The bar behind the Progress text: pale, so the text stays readable on it.
constexpr COLORREF kBarColour = RGB(170, 222, 170);
constexpr COLORREF kFailedBarColour = RGB(242, 172, 172);
// Where the list control puts a cell's text, at 96 DPI.
constexpr int kCellTextIndent = 6;

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
    // Drawn off screen first where the control can: progress redraws many times a second.
    list.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);

    // The control comes with the system's font, made for the screen the system started on.
    m_nDpi = WindowDpi(m_hWnd);
    if (m_nDpi != SystemDpi()) UseFontFor(m_nDpi);
    CWinApp* app = AfxGetApp();
    for (int i = 0; i < COLUMN_COUNT; ++i) {
        const int stored = app ? app->GetProfileInt(kWidthSection, kColumns[i].header, kColumns[i].defaultWidth)
                               : kColumns[i].defaultWidth;
        m_nColumnWidth[i] = ScaleToDpi(stored, m_nDpi);
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
    // Kept at 96 DPI, so a column keeps its width in inches on a display of another DPI.
    for (int i = 0; i < COLUMN_COUNT; ++i)
        app->WriteProfileInt(kWidthSection, kColumns[i].header, ScaleFromDpi(m_nColumnWidth[i], m_nDpi));
}

void CDrovaneView::UseFontFor(UINT dpi)
{
    OwnedFont font(CreateIconTitleFont(dpi));
    if (!font) return;
    SetFont(font.Get());
    m_font = std::move(font);   // the control no longer draws with the old one
}

void CDrovaneView::SetDpi(UINT dpi)
{
    if (dpi == 0 || dpi == m_nDpi) return;
    UseFontFor(dpi);
    CListCtrl list = GetListCtrl();
    for (int i = 0; i < list.GetColumnCount(); ++i)
        list.SetColumnWidth(i, ::MulDiv(list.GetColumnWidth(i), static_cast<int>(dpi), static_cast<int>(m_nDpi)));
    m_nDpi = dpi;
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

void CDrovaneView::AddTasks(const std::vector<std::string>& addresses)
{
    SendMessage(WM_SETREDRAW, FALSE);
    const int added = m_tasks.AddRows(addresses);
    SendMessage(WM_SETREDRAW, TRUE);
    Invalidate();
    if (added == 0) ::MessageBeep(MB_ICONEXCLAMATION);
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
    // The control repaints a whole row, erased first, for a changed text; with downloads
    // reporting many times a second that flickers. Only the Progress cell changed, and its bar
    // is painted over the whole cell: what was due for painting before stays due, and of this
    // change only the cell is, without erasing.
    const OwnedRegion due(::CreateRectRgn(0, 0, 0, 0));
    const int pending = due ? ::GetUpdateRgn(m_hWnd, due.Get(), FALSE) : ERROR;
    CListCtrl list = GetListCtrl();
    list.SetItemText(row, COLUMN_PROGRESS, RowProgressText(progress));
    if (pending == ERROR) return;
    ::ValidateRect(m_hWnd, nullptr);
    if (pending != NULLREGION) ::InvalidateRgn(m_hWnd, due.Get(), TRUE);
    const RECT cell = list.GetCellRect(row, COLUMN_PROGRESS);
    ::InvalidateRect(m_hWnd, &cell, FALSE);
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

bool CDrovaneView::SelectedFileExists()
{
    const int row = GetSelectedTask();
    const std::string name = row >= 0 ? m_tasks.GetFileName(row) : std::string();
    if (name.empty()) return false;
    const std::string path = PathInFolder(CPropertysIni().GetSavePath().View(), name);
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void CDrovaneView::OnOpenFolder()
{
    std::string path, name;
    if (!SelectedFileExists() || !SelectedMovieFile(path, name)) {
        ::MessageBeep(MB_ICONEXCLAMATION);
        return;
    }
    const bool shown = m_fnShowInFolder ? m_fnShowInFolder(path) : ShowInFolder(path);
    if (!shown) ::MessageBeep(MB_ICONEXCLAMATION);
}

void CDrovaneView::OnUpdateOpenFolder(CCmdUI* cmdUI)
{
    cmdUI->Enable(SelectedFileExists());
}

LRESULT CDrovaneView::OnMenuSelect(WPARAM wParam, LPARAM lParam)
{
    // The row menu belongs to the view; its prompts go to the frame's status bar like the
    // main menu's.
    if (HWND frame = GetParentHwnd()) return ::SendMessageA(frame, WM_MENUSELECT, wParam, lParam);
    return 0;
}

LRESULT CDrovaneView::OnExitMenuLoop(WPARAM wParam, LPARAM lParam)
{
    if (HWND frame = GetParentHwnd()) return ::SendMessageA(frame, WM_EXITMENULOOP, wParam, lParam);
    return 0;
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
    } else if (!SelectedFileExists()) {
        ::EnableMenuItem(popup, ID_OPEN_FOLDER, MF_BYCOMMAND | MF_GRAYED);
    }
    ::TrackPopupMenu(popup, TPM_RIGHTBUTTON, at.x, at.y, 0, m_hWnd, nullptr);
    return 0;
}

void CDrovaneView::OnCustomDraw(NMHDR* header, LRESULT* result)
{
    const auto* draw = reinterpret_cast<const NMLVCUSTOMDRAW*>(header);
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT: *result = CDRF_NOTIFYITEMDRAW; return;
    case CDDS_ITEMPREPAINT: *result = CDRF_NOTIFYSUBITEMDRAW; return;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
        if (draw->iSubItem == COLUMN_PROGRESS && DrawProgressCell(draw->nmcd.hdc, static_cast<int>(draw->nmcd.dwItemSpec))) {
            *result = CDRF_SKIPDEFAULT;
            return;
        }
        break;
    default: break;
    }
    *result = CDRF_DODEFAULT;
}

bool CDrovaneView::DrawProgressCell(HDC dc, int row)
{
    CListCtrl list = GetListCtrl();
    const RECT cell = list.GetCellRect(row, COLUMN_PROGRESS);
    if (cell.right <= cell.left) return false;
    // A selected row is highlighted while the list has the focus, as the control draws it.
    const bool highlighted = (list.GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED) && ::GetFocus() == m_hWnd;
    const COLORREF background = ::GetSysColor(highlighted ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    const COLORREF text = ::GetSysColor(highlighted ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
    const OwnedBrush backgroundBrush(::CreateSolidBrush(background));
    ::FillRect(dc, &cell, backgroundBrush.Get());

    const ProgressBar bar = RowProgressBar(m_tasks.GetProgress(row));
    RECT filled = cell;
    ::InflateRect(&filled, -1, -1);
    filled.right = filled.left + (filled.right - filled.left) * bar.percent / 100;
    const bool hasBar = bar.kind != ProgressBar::None && filled.right > filled.left;
    if (hasBar) {
        const OwnedBrush barBrush(::CreateSolidBrush(bar.kind == ProgressBar::Failed ? kFailedBarColour : kBarColour));
        ::FillRect(dc, &filled, barBrush.Get());
    }

    // The same text the column holds, where the control would put it; over the bar in the
    // window's text colour, beside it in the row's.
    const CString label = list.GetItemText(row, COLUMN_PROGRESS);
    RECT textRect = cell;
    textRect.left += ScaleToDpi(kCellTextIndent, m_nDpi);
    textRect.right -= ScaleToDpi(kCellTextIndent, m_nDpi);
    const int saved = ::SaveDC(dc);
    ::SelectObject(dc, list.GetFont());
    ::SetBkMode(dc, TRANSPARENT);
    constexpr UINT kFormat = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;
    ::IntersectClipRect(dc, cell.left, cell.top, cell.right, cell.bottom);
    if (hasBar) {
        ::ExcludeClipRect(dc, filled.left, filled.top, filled.right, filled.bottom);
    }
    ::SetTextColor(dc, text);
    ::DrawTextA(dc, label, label.GetLength(), &textRect, kFormat);
    if (hasBar) {
        ::SelectClipRgn(dc, nullptr);
        ::IntersectClipRect(dc, filled.left, filled.top, filled.right, filled.bottom);
        ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
        ::DrawTextA(dc, label, label.GetLength(), &textRect, kFormat);
    }
    ::RestoreDC(dc, saved);
    return true;
}

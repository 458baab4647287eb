#include "CMainFrame.h"

#include <windows.h>
#include <htmlhelp.h>
#include <shellapi.h>

#include "CCmdUI.h"
#include "CDownloadFile.h"
#include "CDrovaneView.h"
#include "CGeneralDlg.h"
#include "CNewTaskDlg.h"
#include "CPropertySheet.h"
#include "CProxyDlg.h"
#include "CWinApp.h"
#include "CPropertysIni.h"
#include "MakerInfo.h"
#include "TaskText.h"
#include "resource.h"

namespace {

const MessageEntry s_entries[] = {
    OnMessage<WM_CREATE, &CMainFrame::OnCreate>(),
    OnCommand<ID_NEW_TASK, &CMainFrame::OnNewTask>(),
    OnCommand<ID_OPTIONS, &CMainFrame::OnOptions>(),
    OnCommand<ID_CUT, &CMainFrame::OnCut>(),
    OnCommand<ID_COPY_URL, &CMainFrame::OnCopyUrl>(),
    OnCommand<ID_DELETE, &CMainFrame::OnDelete>(),
    OnCommand<ID_HELP_CONTENTS, &CMainFrame::OnHelpContents>(),
    OnCommand<ID_HELP_WEBSITE, &CMainFrame::OnHelpWebsite>(),
    OnCommand<ID_HELP_CONTACT, &CMainFrame::OnHelpContact>(),
    OnCommand<ID_DOWNLOAD_START, &CMainFrame::OnDownloadStart>(),
    OnCommand<ID_DOWNLOAD_STOP, &CMainFrame::OnDownloadStop>(),
    OnUpdate<ID_DOWNLOAD_START, &CMainFrame::OnUpdateDownload>(),
    OnUpdate<ID_DOWNLOAD_STOP, &CMainFrame::OnUpdateDownload>(),
    OnMessage<WM_DOWNLOAD_PROGRESS, &CMainFrame::OnDownloadProgress>(),
    OnMessage<WM_NET_STATUS, &CMainFrame::OnNetStatus>(),
};

const UINT kIndicators[] = {ID_SEPARATOR, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};

// Frame bar styles: they say where a bar goes and what it shows; the bars here take the
// window styles from them.
constexpr DWORD CBRS_TOP = 0x2000;
constexpr DWORD CBRS_BOTTOM = 0x8000;
constexpr DWORD CBRS_TOOLTIPS = 0x0010;
constexpr DWORD CBRS_FLYBY = 0x0020;
constexpr DWORD CBRS_SIZE_DYNAMIC = 0x0080;

CString ClipboardText(HWND owner)
{
    CString text;
    if (!::OpenClipboard(owner)) return text;
    if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
        if (const auto* chars = static_cast<const char*>(::GlobalLock(data))) {
            text = chars;
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return text;
}

} // namespace

const MessageTable CMainFrame::s_messageTable = MakeTable(&CPersistentFrame::s_messageTable, s_entries);
const CRuntimeClass CMainFrame::classCMainFrame("CMainFrame", &CreateObjectOf<CMainFrame>,
                                                &CPersistentFrame::classCPersistentFrame);

CMainFrame::CMainFrame() = default;

CMainFrame::~CMainFrame()
{
    if (m_hToolBarImages) ::ImageList_Destroy(m_hToolBarImages);
}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCTA& cs)
{
    if (!CPersistentFrame::PreCreateWindow(cs)) return FALSE;
    cs.x = 60;
    cs.y = 60;
    cs.cx = 480;
    cs.cy = 320;
    return TRUE;
}

int CMainFrame::OnCreate(LPCREATESTRUCTA cs)
{
    if (CPersistentFrame::OnCreate(cs) == -1) return -1;

    if (!m_wndToolBar.CreateEx(m_hWnd, TBSTYLE_FLAT,
                               WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_SIZE_DYNAMIC,
                               AFX_IDW_TOOLBAR) ||
        !m_wndToolBar.LoadToolBar(IDR_MAINFRAME))
        return -1;
    if (!m_wndReBar.Create(m_hWnd, RBS_BANDBORDERS, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | CBRS_TOP,
                           AFX_IDW_REBAR))
        return -1;

    // The pictures: a strip of eleven 20x20 images, magenta showing through.
    m_hToolBarImages = ::ImageList_Create(20, 20, ILC_COLORDDB | ILC_MASK, 13, 1);
    HBITMAP strip = static_cast<HBITMAP>(
        ::LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDB_TOOLBAR), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!m_hToolBarImages || !strip) {
        if (strip) ::DeleteObject(strip);
        return -1;
    }
    ::ImageList_AddMasked(m_hToolBarImages, strip, RGB(255, 0, 255));
    ::DeleteObject(strip);
    m_wndToolBar.SendMessage(TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(m_hToolBarImages));

    // The band's child becomes the rebar's; its notifications still come here.
    if (!m_wndReBar.AddBar(&m_wndToolBar, RBBS_GRIPPERALWAYS | RBBS_FIXEDBMP)) return -1;
    m_wndToolBar.SendMessage(TB_SETPARENT, reinterpret_cast<WPARAM>(m_hWnd));

    if (!m_wndStatusBar.Create(m_hWnd, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR) ||
        !m_wndStatusBar.SetIndicators(kIndicators, 3))
        return -1;
    ShowIdleMessage();

    // Rows keep their download slots in step; while a download runs no row may go.
    if (CDrovaneView* view = GetTaskList()) {
        view->m_canRemoveRows = [this] { return !IsDownloading(); };
        view->m_onRowRemoved = [this](int row) { OnRowRemoved(row); };
    }
    return 0;
}

CDrovaneView* CMainFrame::GetTaskList() const
{
    return dynamic_cast<CDrovaneView*>(GetActiveView());
}

void CMainFrame::OnNewTask()
{
    if (m_strNewTaskURL.IsEmpty()) {
        m_strNewTaskURL = ClipboardText(m_hWnd);
        // Only an address written with a small "http:" or "https:" is offered.
        const std::string_view text = m_strNewTaskURL.View();
        if (text.substr(0, 5) != "http:" && text.substr(0, 6) != "https:") m_strNewTaskURL.Empty();
    }
    CNewTaskDlg dialog(this);
    dialog.SetURL(m_strNewTaskURL);
    dialog.DoModal();
}

void CMainFrame::OnOptions()
{
    CGeneralDlg general;
    CProxyDlg proxy;
    CPropertySheet sheet("Options");
    sheet.AddPage(&general);
    sheet.AddPage(&proxy);
    sheet.m_psh.dwFlags |= PSH_NOAPPLYNOW;
    sheet.DoModal();
}

void CMainFrame::OpenNewTask(const char* address)
{
    m_strNewTaskURL = address;
    OnNewTask();
}

void CMainFrame::AddFlashList(const char* list)
{
    CStringArray addresses = SplitMovieList(list);
    CDrovaneView* view = GetTaskList();
    if (!view) return;
    view->DeleteAllTasks();
    RemoveDuplicates(addresses);
    if (addresses.IsEmpty()) {
        MessageBox("No flash file found");
        return;
    }
    for (int i = 0; i < addresses.GetSize(); ++i)
        view->AddTask(i, FileNameOfAddress(addresses[i]), addresses[i], "");
}

void CMainFrame::OnCut()
{
    if (CDrovaneView* view = GetTaskList()) {
        // Cut is one action: when the rows may not go, nothing is copied either.
        if (view->m_canRemoveRows && !view->m_canRemoveRows()) {
            ::MessageBeep(MB_ICONEXCLAMATION);
            return;
        }
        view->CopyUrl();
        view->DeleteTasks();
    }
}

void CMainFrame::OnCopyUrl()
{
    if (CDrovaneView* view = GetTaskList()) view->CopyUrl();
}

void CMainFrame::OnDelete()
{
    if (CDrovaneView* view = GetTaskList()) view->DeleteTasks();
}

void CMainFrame::OnHelpContents()
{
    char module[MAX_PATH] = {};
    const DWORD len = ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    CString path(module, len);
    const int slash = path.ReverseFind('\\');
    if (slash < 0) return;
    path = path.Left(slash) + "\\tarnhelp.chm";
    ::HtmlHelpA(m_hWnd, path, HH_DISPLAY_TOPIC, 0);
}

void CMainFrame::OnHelpWebsite()
{
    ::ShellExecuteA(nullptr, "open", kMakerWebsite, nullptr, nullptr, SW_SHOW);
}

void CMainFrame::OnHelpContact()
{
    const CString target = CString("mailto:") + kMakerMail;
    ::ShellExecuteA(nullptr, "open", target, nullptr, nullptr, SW_SHOW);
}

void CMainFrame::EnsureSlot(int row)
{
    const std::size_t needed = static_cast<std::size_t>(row) + 1;
    if (m_pDownloads.size() >= needed) return;
    m_pDownloads.resize(needed);
    m_nSizes.resize(needed, 0);
    m_nStates.resize(needed, TASK_IDLE);
}

bool CMainFrame::IsDownloading() const
{
    for (int state : m_nStates)
        if (state == TASK_RUNNING) return true;
    return false;
}

void CMainFrame::OnRowRemoved(int row)
{
    // Only idle, finished, failed or stopped rows go (see m_canRemoveRows); their links are
    // done with, and the slots behind move up with their rows.
    if (row < 0 || static_cast<std::size_t>(row) >= m_pDownloads.size()) return;
    m_pDownloads.erase(m_pDownloads.begin() + row);
    m_nSizes.erase(m_nSizes.begin() + row);
    m_nStates.erase(m_nStates.begin() + row);
}

void CMainFrame::OnDownloadStart()
{
    CDrovaneView* view = GetTaskList();
    if (!view) return;
    const CString folder = CPropertysIni().GetSavePath();
    for (int row = view->GetFirstChecked(); row >= 0; row = view->GetNextChecked(row)) {
        auto* worker = static_cast<CDownloadFile*>(CDownloadFile::classCDownloadFile.CreateObject());
        worker->SetOwner(m_hWnd, row);
        worker->SetUrl(view->GetTaskUrl(row));
        worker->SetSavePath(folder);
        EnsureSlot(row);
        m_pDownloads[static_cast<std::size_t>(row)] = worker->GetLink();
        if (!worker->CreateThread()) {
            delete worker;
            m_pDownloads[static_cast<std::size_t>(row)].reset();
            SetProgress(row, "Failed");
            m_nStates[static_cast<std::size_t>(row)] = TASK_FAILED;
            continue;
        }
        // A row started again begins from nothing, whatever it showed before.
        m_nStates[static_cast<std::size_t>(row)] = TASK_RUNNING;
        m_nSizes[static_cast<std::size_t>(row)] = 0;
        SetProgress(row, "0%");
    }
}

void CMainFrame::OnDownloadStop()
{
    CDrovaneView* view = GetTaskList();
    if (!view) return;
    const std::size_t rows = std::min(static_cast<std::size_t>(view->GetTaskCount()), m_nStates.size());
    for (std::size_t row = 0; row < rows; ++row) {
        if (m_nStates[row] != TASK_RUNNING) continue;
        if (m_pDownloads[row]) m_pDownloads[row]->Stop();
        m_nStates[row] = TASK_STOPPED;
    }
}

void CMainFrame::OnUpdateDownload(CCmdUI* cmdUI)
{
    CDrovaneView* view = GetTaskList();
    cmdUI->Enable(view && view->GetTaskCount() > 0);
}

void CMainFrame::SetProgress(int row, const CString& text)
{
    // Most pieces leave the percentage as it was; the row is only redrawn when it changes.
    CDrovaneView* view = GetTaskList();
    if (!view || row >= view->GetTaskCount()) return;
    if (view->GetListCtrl().GetItemText(row, CDrovaneView::COLUMN_PROGRESS) == text) return;
    view->SetTaskProgress(row, text);
}

LRESULT CMainFrame::OnDownloadProgress(WPARAM kind, LPARAM lParam)
{
    const int row = static_cast<int>(lParam);
    if (CHttpClient::IsFromStoppedSender() || row < 0 || static_cast<std::size_t>(row) >= m_pDownloads.size())
        return 0;
    const std::shared_ptr<CDownloadLink>& link = m_pDownloads[static_cast<std::size_t>(row)];
    // A report posted before its worker was stopped arrives afterwards; it is dropped. So is a
    // report from a worker the row no longer holds because it was started again.
    if (!link || link->IsStopped()) return 0;
    CDrovaneView* view = GetTaskList();
    const std::size_t slot = static_cast<std::size_t>(row);
    switch (kind) {
    case DL_HEAD: {
        if (!link->TakeHead()) return 0;
        const std::string length = link->GetLengthText();
        m_nSizes[slot] = ReadDecimal(length);
        if (view) view->SetTaskSize(row, length.c_str());
        break;
    }
    case DL_PIECE: {
        const auto* worker = dynamic_cast<const CDownloadFile*>(CHttpClient::CurrentSender());
        if (worker && worker->GetLink() != link) return 0;
        SetProgress(row, ProgressText(link->GetReceived(), m_nSizes[slot]));
        break;
    }
    case DL_DONE:
        if (!link->TakeDone()) return 0;
        m_nStates[slot] = TASK_DONE;
        SetProgress(row, "100%");
        break;
    default:
        break;
    }
    return 0;
}

LRESULT CMainFrame::OnNetStatus(WPARAM code, LPARAM value)
{
    // Progress codes say nothing the row shows; a failure marks the worker's row.
    if (code == NET_CONNECTED || code == NET_RECEIVING || code == NET_SOCKET_CREATED) return 0;
    if (CHttpClient::IsFromStoppedSender()) return 0;
    const auto* worker = dynamic_cast<const CDownloadFile*>(CHttpClient::CurrentSender());
    if (!worker) return 0;
    const int row = worker->m_nItem;
    if (row < 0 || static_cast<std::size_t>(row) >= m_pDownloads.size()) return 0;
    // Only the row's latest worker speaks for it.
    if (m_pDownloads[static_cast<std::size_t>(row)] != worker->GetLink()) return 0;
    m_nStates[static_cast<std::size_t>(row)] = TASK_FAILED;
    SetProgress(row, FailureText(static_cast<int>(code), static_cast<int>(value)));
    return 0;
}

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
#include "WinStrings.h"
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
    const ClipboardSession clipboard(owner);
    if (!clipboard.IsOpen()) return text;
    if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
        if (const auto* chars = static_cast<const char*>(::GlobalLock(data))) {
            text = chars;
            ::GlobalUnlock(data);
        }
    }
    return text;
}

} // namespace

const MessageTable CMainFrame::s_messageTable = MakeTable(&CPersistentFrame::s_messageTable, s_entries);
const CRuntimeClass CMainFrame::classCMainFrame("CMainFrame", &CreateObjectOf<CMainFrame>,
                                                &CPersistentFrame::classCPersistentFrame);

CMainFrame::CMainFrame() = default;

CMainFrame::~CMainFrame() = default;

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
    m_toolBarImages.Reset(::ImageList_Create(20, 20, ILC_COLORDDB | ILC_MASK, 13, 1));
    const OwnedBitmap strip(static_cast<HBITMAP>(
        ::LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDB_TOOLBAR), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!m_toolBarImages || !strip) return -1;
    ::ImageList_AddMasked(m_toolBarImages.Get(), strip.Get(), RGB(255, 0, 255));
    m_wndToolBar.SendMessage(TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(m_toolBarImages.Get()));

    // The band's child becomes the rebar's; its notifications still come here.
    if (!m_wndReBar.AddBar(&m_wndToolBar, RBBS_GRIPPERALWAYS | RBBS_FIXEDBMP)) return -1;
    m_wndToolBar.SendMessage(TB_SETPARENT, reinterpret_cast<WPARAM>(m_hWnd));

    if (!m_wndStatusBar.Create(m_hWnd, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR) ||
        !m_wndStatusBar.SetIndicators(kIndicators, 3))
        return -1;
    ShowIdleMessage();

    if (CDrovaneView* view = GetTaskList()) view->Tasks().SetStarter(this);
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
    CDrovaneView* view = GetTaskList();
    if (!view) return;
    view->ReplaceTasks(SplitMovieList(list));
    if (view->GetTaskCount() == 0) MessageBox("No flash file found");
}

void CMainFrame::OnCut()
{
    if (CDrovaneView* view = GetTaskList()) {
        // Cut is one action: when the rows may not go, nothing is copied either.
        if (view->Tasks().IsBusy()) {
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
    const std::string folder = ModuleFolder();
    if (folder.empty()) return;
    ::HtmlHelpA(m_hWnd, (folder + "\\tarnhelp.chm").c_str(), HH_DISPLAY_TOPIC, 0);
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

bool CMainFrame::IsDownloading() const
{
    CDrovaneView* view = GetTaskList();
    return view && view->Tasks().IsBusy();
}

std::shared_ptr<CDownloadLink> CMainFrame::StartDownload(int row, const std::string& address,
                                                         const std::string& folder, const std::string& fileName)
{
    auto* worker = static_cast<CDownloadFile*>(CDownloadFile::classCDownloadFile.CreateObject());
    worker->SetOwner(m_hWnd, row);
    worker->SetUrl(address.c_str());
    worker->SetSavePath(folder.c_str());
    worker->SetFileName(fileName.c_str());
    std::shared_ptr<CDownloadLink> link = worker->GetLink();
    if (!worker->CreateThread()) {
        delete worker;   // a thread that never started does not delete its object
        return nullptr;
    }
    return link;
}

void CMainFrame::OnDownloadStart()
{
    CDrovaneView* view = GetTaskList();
    if (!view) return;
    // Read once per command: the rows it starts, waiting ones among them, all use these.
    const CPropertysIni settings;
    view->Tasks().Start(view->GetCheckedTasks(), std::string(settings.GetSavePath().View()),
                        settings.GetSimultaneousDownloads());
}

void CMainFrame::OnDownloadStop()
{
    if (CDrovaneView* view = GetTaskList()) view->Tasks().Stop();
}

void CMainFrame::OnUpdateDownload(CCmdUI* cmdUI)
{
    CDrovaneView* view = GetTaskList();
    cmdUI->Enable(view && view->GetTaskCount() > 0);
}

namespace {

// Inside the handler of a message a download worker sent: its link (it waits meanwhile).
const CDownloadLink* SendingDownload()
{
    const auto* worker = dynamic_cast<const CDownloadFile*>(CHttpClient::CurrentSender());
    return worker ? worker->GetLink().get() : nullptr;
}

} // namespace

LRESULT CMainFrame::OnDownloadProgress(WPARAM kind, LPARAM row)
{
    CDrovaneView* view = GetTaskList();
    if (!view) return 0;
    CDownloadControl& tasks = view->Tasks();
    switch (kind) {
    case DL_HEAD: tasks.OnHead(static_cast<int>(row)); break;
    case DL_PIECE: tasks.OnPiece(static_cast<int>(row), SendingDownload()); break;
    case DL_DONE: tasks.OnDone(static_cast<int>(row)); break;
    default: break;
    }
    return 0;
}

LRESULT CMainFrame::OnNetStatus(WPARAM code, LPARAM value)
{
    // Progress codes say nothing the row shows; a failure marks the worker's row.
    if (code == NET_CONNECTED || code == NET_RECEIVING || code == NET_SOCKET_CREATED) return 0;
    const auto* worker = dynamic_cast<const CDownloadFile*>(CHttpClient::CurrentSender());
    CDrovaneView* view = GetTaskList();
    if (!worker || !view) return 0;
    view->Tasks().OnFailure(worker->m_nItem, worker->GetLink().get(), static_cast<int>(code), static_cast<int>(value));
    return 0;
}

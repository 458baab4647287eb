#include "CMainFrame.h"

#include <windows.h>
#include <htmlhelp.h>
#include <shellapi.h>

#include <utility>

#include "CCmdUI.h"
#include "CDownloadFile.h"
#include "CDropTarget.h"
#include "CDrovaneView.h"
#include "CGeneralDlg.h"
#include "CNewTaskDlg.h"
#include "CPropertySheet.h"
#include "CProxyDlg.h"
#include "CWinApp.h"
#include "CPropertysIni.h"
#include "Dpi.h"
#include "MakerInfo.h"
#include "TaskText.h"
#include "WinStrings.h"
#include "resource.h"

namespace {

const MessageEntry s_entries[] = {
    OnMessage<WM_CREATE, &CMainFrame::OnCreate>(),
    OnMessage<WM_DESTROY, &CMainFrame::OnDestroy>(),
    OnMessage<WM_DPICHANGED, &CMainFrame::OnDpiChanged>(),
    OnMessage<WM_DROP_LINKS, &CMainFrame::OnDropLinks>(),
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

// The toolbar's picture strips, drawn for 100, 150 and 200 %.
struct ToolbarArt {
    UINT bitmap;
    int size;   // of one picture, in pixels
};
constexpr ToolbarArt kToolbarArt[] = {{IDB_TOOLBAR, 20}, {IDB_TOOLBAR_150, 30}, {IDB_TOOLBAR_200, 40}};

// The largest pictures that are no larger than the 100 % ones scaled to the DPI: at 125 % the
// sharp 20-pixel ones rather than blurred 25-pixel ones.
ToolbarArt ArtForDpi(UINT dpi)
{
    ToolbarArt chosen = kToolbarArt[0];
    for (const ToolbarArt& art : kToolbarArt) {
        if (art.size <= ScaleToDpi(kToolbarArt[0].size, dpi)) chosen = art;
    }
    return chosen;
}

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

    const UINT dpi = WindowDpi(m_hWnd);
    if (!m_wndToolBar.CreateEx(m_hWnd, TBSTYLE_FLAT,
                               WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_SIZE_DYNAMIC,
                               AFX_IDW_TOOLBAR) ||
        !LoadToolbarArt(dpi))
        return -1;
    if (!m_wndReBar.Create(m_hWnd, RBS_BANDBORDERS, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | CBRS_TOP,
                           AFX_IDW_REBAR))
        return -1;

    // The band's child becomes the rebar's; its notifications still come here.
    if (!m_wndReBar.AddBar(&m_wndToolBar, RBBS_GRIPPERALWAYS | RBBS_FIXEDBMP)) return -1;
    m_wndToolBar.SendMessage(TB_SETPARENT, reinterpret_cast<WPARAM>(m_hWnd));

    if (!m_wndStatusBar.Create(m_hWnd, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR) ||
        !m_wndStatusBar.SetIndicators(kIndicators, 3))
        return -1;
    // The bar comes with the system's font, made for the screen the system started on.
    if (dpi != SystemDpi()) m_wndStatusBar.SetDpi(dpi);
    ShowIdleMessage();

    if (CDrovaneView* view = GetTaskList()) view->Tasks().SetStarter(this);

    // Browsers and Explorer drop through OLE. Without OLE in this thread (it is started before
    // any window) the window takes no drops and works otherwise.
    m_pDropTarget.Attach(new CDropTarget(m_hWnd, [this](DropPlan plan) {
        m_pendingDrop = std::move(plan);
        PostMessage(WM_DROP_LINKS);
    }));
    ::RegisterDragDrop(m_hWnd, m_pDropTarget.Get());
    return 0;
}

void CMainFrame::OnDestroy()
{
    ::RevokeDragDrop(m_hWnd);
    CPersistentFrame::OnDestroy();
}

bool CMainFrame::LoadToolbarArt(UINT dpi)
{
    // A strip of pictures side by side, magenta showing through.
    const ToolbarArt art = ArtForDpi(dpi);
    ImageListHandle images(::ImageList_Create(art.size, art.size, ILC_COLORDDB | ILC_MASK, 13, 1));
    const OwnedBitmap strip(static_cast<HBITMAP>(
        ::LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(art.bitmap), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!images || !strip || !m_wndToolBar.LoadToolBar(IDR_MAINFRAME, art.size, dpi)) return false;
    ::ImageList_AddMasked(images.Get(), strip.Get(), RGB(255, 0, 255));
    m_wndToolBar.SendMessage(TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images.Get()));
    m_toolBarImages = std::move(images);   // the toolbar has let go of the earlier list
    return true;
}

LRESULT CMainFrame::OnDpiChanged(WPARAM dpi, LPARAM suggested)
{
    // Moved to a monitor of another DPI: everything drawn in pixels is made again for it, and
    // the window takes the place and size the system suggests.
    const UINT newDpi = LOWORD(dpi);
    LoadToolbarArt(newDpi);
    m_wndReBar.UpdateBar(&m_wndToolBar);
    m_wndStatusBar.SetDpi(newDpi);
    if (CDrovaneView* view = GetTaskList()) view->SetDpi(newDpi);
    if (const auto* rect = reinterpret_cast<const RECT*>(suggested)) {
        ::SetWindowPos(m_hWnd, nullptr, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RecalcLayout();
    return 0;
}

void CMainFrame::TakeDrop(DropPlan plan)
{
    // A dialog opened over the window in the meantime keeps it to itself.
    if (!::IsWindowEnabled(m_hWnd)) return;
    if (plan.kind == DropPlan::NewTask) {
        OpenNewTask(plan.addresses.front().c_str());
    } else if (plan.kind == DropPlan::AddRows) {
        if (CDrovaneView* view = GetTaskList()) view->AddTasks(plan.addresses);
    }
}

LRESULT CMainFrame::OnDropLinks(WPARAM, LPARAM)
{
    TakeDrop(std::exchange(m_pendingDrop, DropPlan{}));
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
    // The settings file lives beside the program, where an installed copy's user may not write:
    // options that were not kept must not look as if they were.
    if (general.m_bSaveFailed || proxy.m_bSaveFailed) {
        const CString message = CString("Tarnwick could not save the options to ") + CPropertysIni().GetPath().View() + ".";
        MessageBox(message, nullptr, MB_OK | MB_ICONEXCLAMATION);
    }
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

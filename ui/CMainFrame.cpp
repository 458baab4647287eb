#include "CMainFrame.h"

#include <windows.h>
#include <htmlhelp.h>
#include <shellapi.h>

#include "CDrovaneView.h"
#include "CNewTaskDlg.h"
#include "CWinApp.h"
#include "MakerInfo.h"
#include "TaskText.h"
#include "resource.h"

namespace {

const MessageEntry s_entries[] = {
    OnMessage<WM_CREATE, &CMainFrame::OnCreate>(),
    OnCommand<ID_NEW_TASK, &CMainFrame::OnNewTask>(),
    OnCommand<ID_CUT, &CMainFrame::OnCut>(),
    OnCommand<ID_COPY_URL, &CMainFrame::OnCopyUrl>(),
    OnCommand<ID_DELETE, &CMainFrame::OnDelete>(),
    OnCommand<ID_HELP_CONTENTS, &CMainFrame::OnHelpContents>(),
    OnCommand<ID_HELP_WEBSITE, &CMainFrame::OnHelpWebsite>(),
    OnCommand<ID_HELP_CONTACT, &CMainFrame::OnHelpContact>(),
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
        // Only an address written with a small "http:" is offered.
        if (m_strNewTaskURL.View().substr(0, 5) != "http:") m_strNewTaskURL.Empty();
    }
    CNewTaskDlg dialog(this);
    dialog.SetURL(m_strNewTaskURL);
    dialog.DoModal();
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

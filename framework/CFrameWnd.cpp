#include "CFrameWnd.h"

#include <windows.h>
#include <commctrl.h>

#include <iterator>

#include "AfxIds.h"
#include "CCmdUI.h"
#include "CDocument.h"
#include "CStatusBar.h"
#include "CToolBar.h"
#include "CWinApp.h"
#include "WinStrings.h"

namespace {

constexpr const char* kFrameClass = "TarnwickFrame";

const MessageEntry s_entries[] = {
    OnMessage<WM_CREATE, &CFrameWnd::OnCreate>(),
    OnMessage<WM_DESTROY, &CFrameWnd::OnDestroy>(),
    OnMessage<WM_SIZE, &CFrameWnd::OnSize>(),
    OnMessage<WM_SETFOCUS, &CFrameWnd::OnSetFocus>(),
    OnMessage<WM_INITMENUPOPUP, &CFrameWnd::OnInitMenuPopup>(),
    OnMessage<WM_MENUSELECT, &CFrameWnd::OnMenuSelect>(),
    OnMessage<WM_EXITMENULOOP, &CFrameWnd::OnExitMenuLoop>(),
    OnCommandRange<ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, &CFrameWnd::OnBarCheck>(),
    OnUpdateRange<ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, &CFrameWnd::OnUpdateControlBarMenu>(),
    OnCommandRange<ID_NEXT_PANE, ID_PREV_PANE, &CFrameWnd::OnNextPane>(),
};

// The part of a command's string before "\n" (the prompt) or after it (the tool tip).
CString PromptPart(UINT id, bool tip)
{
    const CString text = LoadStringResource(id);
    const int newline = text.Find('\n');
    if (newline < 0) return tip ? CString() : text;
    return tip ? text.Mid(newline + 1) : text.Left(newline);
}

UINT BarWindowId(UINT command)
{
    return command == ID_VIEW_TOOLBAR ? AFX_IDW_REBAR : AFX_IDW_STATUS_BAR;
}

} // namespace

const MessageTable CFrameWnd::s_messageTable = MakeTable(&CWnd::s_messageTable, s_entries);
const CRuntimeClass CFrameWnd::classCFrameWnd("CFrameWnd", &CreateObjectOf<CFrameWnd>, &CObject::classCObject);

BOOL CFrameWnd::LoadFrame(UINT resourceId, DWORD style, CCreateContext* context)
{
    m_nIDResource = resourceId;
    HINSTANCE instance = AfxGetInstanceHandle();
    WNDCLASSA cls{};
    if (!::GetClassInfoA(instance, kFrameClass, &cls)) {
        cls.style = CS_DBLCLKS;
        cls.lpfnWndProc = ::DefWindowProcA;
        cls.hInstance = instance;
        cls.hIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(resourceId));
        cls.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
        cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        cls.lpszClassName = kFrameClass;
        ::RegisterClassA(&cls);
    }
    m_hAccelTable = ::LoadAcceleratorsA(instance, MAKEINTRESOURCEA(resourceId));
    HMENU menu = ::LoadMenuA(instance, MAKEINTRESOURCEA(resourceId));
    if (!CreateEx(0, kFrameClass, AfxGetAppName(), style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                  nullptr, menu, context)) {
        // A window that existed has destroyed itself and its menu, and this object with it.
        if (!LastCreateAttached()) {
            if (menu) ::DestroyMenu(menu);
            delete this;
        }
        return FALSE;
    }
    return TRUE;
}

int CFrameWnd::OnCreate(LPCREATESTRUCTA cs)
{
    DefWindowProc(WM_CREATE, 0, reinterpret_cast<LPARAM>(cs));
    auto* context = static_cast<CCreateContext*>(cs->lpCreateParams);
    return OnCreateClient(cs, context) ? 0 : -1;
}

BOOL CFrameWnd::OnCreateClient(LPCREATESTRUCTA, CCreateContext* context)
{
    if (!context || !context->m_pNewViewClass) return TRUE;
    auto* view = static_cast<CView*>(context->m_pNewViewClass->CreateObject());
    if (!view) return FALSE;
    if (!view->Create(m_hWnd, AFX_IDW_PANE_FIRST, context)) {
        delete view;
        return FALSE;
    }
    m_pViewActive = view;
    return TRUE;
}

void CFrameWnd::OnDestroy()
{
    CWinApp* app = AfxGetApp();
    if (app && app->m_pMainWnd == this) {
        app->m_pMainWnd = nullptr;
        ::PostQuitMessage(0);
    }
    DefWindowProc(WM_DESTROY, 0, 0);
}

void CFrameWnd::PostNcDestroy()
{
    delete this;
}

void CFrameWnd::ActivateFrame(int show)
{
    if (show == -1) show = ::IsIconic(m_hWnd) ? SW_RESTORE : SW_SHOW;
    ShowWindow(show);
    if (show != SW_SHOWMINNOACTIVE && show != SW_SHOWNOACTIVATE && show != SW_HIDE) ::BringWindowToTop(m_hWnd);
}

void CFrameWnd::InitialUpdateFrame(CDocument*, BOOL makeVisible)
{
    if (m_pViewActive) m_pViewActive->OnInitialUpdate();
    RecalcLayout();
    if (makeVisible) ActivateFrame(-1);
}

void CFrameWnd::RecalcLayout()
{
    RECT client;
    GetClientRect(&client);
    RECT rect;
    HWND rebar = GetDlgItem(AFX_IDW_REBAR);
    if (rebar && ::IsWindowVisible(rebar)) {
        ::SendMessageA(rebar, WM_SIZE, 0, 0);
        ::GetWindowRect(rebar, &rect);
        client.top += rect.bottom - rect.top;
    }
    HWND status = GetDlgItem(AFX_IDW_STATUS_BAR);
    if (status && ::IsWindowVisible(status)) {
        ::SendMessageA(status, WM_SIZE, 0, 0);
        if (CStatusBar* bar = GetStatusBar()) bar->LayoutPanes();
        ::GetWindowRect(status, &rect);
        client.bottom -= rect.bottom - rect.top;
    }
    if (m_pViewActive && m_pViewActive->m_hWnd) {
        ::MoveWindow(m_pViewActive->m_hWnd, client.left, client.top, client.right - client.left,
                     client.bottom > client.top ? client.bottom - client.top : 0, TRUE);
    }
}

LRESULT CFrameWnd::OnSize(WPARAM wParam, LPARAM)
{
    if (wParam != SIZE_MINIMIZED) RecalcLayout();
    return 0;
}

LRESULT CFrameWnd::OnSetFocus(WPARAM, LPARAM)
{
    if (m_pViewActive && m_pViewActive->m_hWnd) m_pViewActive->SetFocus();
    return 0;
}

BOOL CFrameWnd::OnCmdMsg(UINT id, int code, CCmdUI* cmdUI, bool probe)
{
    if (m_pViewActive && m_pViewActive->OnCmdMsg(id, code, cmdUI, probe)) return TRUE;
    if (CWnd::OnCmdMsg(id, code, cmdUI, probe)) return TRUE;
    CWinApp* app = AfxGetApp();
    return app && app->OnCmdMsg(id, code, cmdUI, probe);
}

BOOL CFrameWnd::PreTranslateMessage(MSG* msg)
{
    if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST && m_hAccelTable)
        return ::TranslateAcceleratorA(m_hWnd, m_hAccelTable, msg) != 0;
    return FALSE;
}

LRESULT CFrameWnd::OnInitMenuPopup(WPARAM wParam, LPARAM lParam)
{
    if (HIWORD(lParam)) return DefWindowProc(WM_INITMENUPOPUP, wParam, lParam);   // the system menu
    HMENU menu = reinterpret_cast<HMENU>(wParam);
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        const UINT id = ::GetMenuItemID(menu, i);
        if (id == 0 || id == static_cast<UINT>(-1)) continue;   // separators and pop-ups
        CCmdUI state;
        state.m_nID = id;
        state.m_hMenu = menu;
        state.m_nIndex = static_cast<UINT>(i);
        state.DoUpdate(this, true);
    }
    return 0;
}

LRESULT CFrameWnd::OnMenuSelect(WPARAM wParam, LPARAM lParam)
{
    const UINT id = LOWORD(wParam);
    const UINT flags = HIWORD(wParam);
    if (flags == 0xFFFF && lParam == 0) {
        ShowIdleMessage();
    } else if (flags & (MF_POPUP | MF_SEPARATOR | MF_SYSMENU)) {
        SetMessageText("");
    } else {
        ShowPrompt(id);
    }
    return 0;
}

LRESULT CFrameWnd::OnExitMenuLoop(WPARAM, LPARAM)
{
    ShowIdleMessage();
    return 0;
}

BOOL CFrameWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header->code == TTN_GETDISPINFOA) {
        auto* info = reinterpret_cast<NMTTDISPINFOA*>(lParam);
        const CString tip = PromptPart(static_cast<UINT>(header->idFrom), true);
        lstrcpynA(info->szText, tip, sizeof info->szText);
        info->lpszText = info->szText;
        return TRUE;
    }
    if (header->code == TTN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
        const CString tip = PromptPart(static_cast<UINT>(header->idFrom), true);
        lstrcpynW(info->szText, WideText(tip.View()).c_str(), static_cast<int>(std::size(info->szText)));
        info->lpszText = info->szText;
        return TRUE;
    }
    if (header->code == TBN_HOTITEMCHANGE) {
        auto* hot = reinterpret_cast<NMTBHOTITEM*>(lParam);
        if (hot->dwFlags & HICF_LEAVING)
            ShowIdleMessage();
        else
            ShowPrompt(static_cast<UINT>(hot->idNew));
        *result = 0;
        return TRUE;
    }
    return CWnd::OnNotify(wParam, lParam, result);
}

CStatusBar* CFrameWnd::GetStatusBar() const
{
    return dynamic_cast<CStatusBar*>(FromHandlePermanent(GetDlgItem(AFX_IDW_STATUS_BAR)));
}

void CFrameWnd::SetMessageText(const char* text)
{
    if (CStatusBar* bar = GetStatusBar()) bar->SetPaneText(0, text);
}

void CFrameWnd::ShowPrompt(UINT id)
{
    SetMessageText(PromptPart(id, false));
}

void CFrameWnd::ShowIdleMessage()
{
    SetMessageText(LoadStringResource(AFX_IDS_IDLEMESSAGE));
}

void CFrameWnd::OnIdleUpdateCmdUI()
{
    HWND rebar = GetDlgItem(AFX_IDW_REBAR);
    HWND toolbar = rebar ? ::FindWindowExA(rebar, nullptr, TOOLBARCLASSNAMEA, nullptr) : GetDlgItem(AFX_IDW_TOOLBAR);
    if (auto* bar = dynamic_cast<CToolBar*>(FromHandlePermanent(toolbar))) bar->OnUpdateCmdUI(this);
    if (CStatusBar* status = GetStatusBar()) status->UpdateIndicators();
}

void CFrameWnd::ShowControlBar(UINT barId, bool show)
{
    HWND bar = GetDlgItem(static_cast<int>(barId));
    if (!bar) return;
    ::ShowWindow(bar, show ? SW_SHOW : SW_HIDE);
    RecalcLayout();
}

bool CFrameWnd::IsControlBarVisible(UINT barId) const
{
    HWND bar = GetDlgItem(static_cast<int>(barId));
    return bar && (::GetWindowLongPtrA(bar, GWL_STYLE) & WS_VISIBLE);
}

void CFrameWnd::OnBarCheck(UINT id)
{
    const UINT bar = BarWindowId(id);
    ShowControlBar(bar, !IsControlBarVisible(bar));
}

void CFrameWnd::OnUpdateControlBarMenu(CCmdUI* cmdUI)
{
    const UINT bar = BarWindowId(cmdUI->m_nID);
    if (!GetDlgItem(static_cast<int>(bar))) {
        cmdUI->Enable(false);
        return;
    }
    cmdUI->Enable(true);
    cmdUI->SetCheck(IsControlBarVisible(bar) ? 1 : 0);
}

void CFrameWnd::OnNextPane()
{
    // One pane only: the view keeps the focus.
    if (m_pViewActive && m_pViewActive->m_hWnd) m_pViewActive->SetFocus();
}

void CFrameWnd::SaveBarState(const char* profileName) const
{
    CWinApp* app = AfxGetApp();
    if (!app) return;
    const CString section = CString(profileName) + "-Bars";
    if (GetDlgItem(AFX_IDW_REBAR)) app->WriteProfileInt(section, "Toolbar", IsControlBarVisible(AFX_IDW_REBAR) ? 1 : 0);
    if (GetDlgItem(AFX_IDW_STATUS_BAR))
        app->WriteProfileInt(section, "StatusBar", IsControlBarVisible(AFX_IDW_STATUS_BAR) ? 1 : 0);
}

void CFrameWnd::LoadBarState(const char* profileName)
{
    CWinApp* app = AfxGetApp();
    if (!app) return;
    const CString section = CString(profileName) + "-Bars";
    ShowControlBar(AFX_IDW_REBAR, app->GetProfileInt(section, "Toolbar", 1) != 0);
    ShowControlBar(AFX_IDW_STATUS_BAR, app->GetProfileInt(section, "StatusBar", 1) != 0);
}

#include "CDialog.h"

#include "CWinApp.h"
#include "DataExchange.h"

namespace {
const MessageEntry s_entries[] = {
    OnCommand<IDOK, &CDialog::OnOK>(),
    OnCommand<IDCANCEL, &CDialog::OnCancel>(),
};
}

const MessageTable CDialog::s_messageTable = MakeTable(&CWnd::s_messageTable, s_entries);

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM, LPARAM)
{
    // Everything else reached the dialog's message table first (the window is subclassed);
    // the dialog manager asks here only for the first focus.
    if (message == WM_INITDIALOG) {
        if (auto* dialog = dynamic_cast<CDialog*>(FromHandlePermanent(hWnd))) return dialog->OnInitDialog();
        return TRUE;
    }
    return FALSE;
}

HWND CDialog::CreateFromTemplate(HWND parent)
{
    HookWindowCreate(this);
    HWND hWnd = ::CreateDialogParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), parent,
                                     &CDialog::DialogProc, 0);
    UnhookWindowCreate();
    return hWnd;
}

BOOL CDialog::Create(HWND parent)
{
    m_bModal = false;
    m_bEnded = false;
    return CreateFromTemplate(parent) != nullptr;
}

INT_PTR CDialog::DoModal()
{
    HWND parent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (!parent) {
        CWinApp* app = AfxGetApp();
        if (app && app->m_pMainWnd) parent = app->m_pMainWnd->m_hWnd;
    }
    const bool disableParent = parent && ::IsWindowEnabled(parent);
    if (disableParent) ::EnableWindow(parent, FALSE);

    m_bModal = true;
    m_bEnded = false;
    m_nResult = -1;
    if (CreateFromTemplate(parent)) {
        if (!(GetStyle() & WS_VISIBLE)) ShowWindow(SW_SHOWNORMAL);
        MSG msg;
        while (!m_bEnded) {
            if (::GetMessageA(&msg, nullptr, 0, 0) <= 0) {
                // WM_QUIT ends the dialog; it is posted again for the loop outside.
                ::PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            if (!WalkPreTranslateTree(m_hWnd, &msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
        }
    }
    if (disableParent) ::EnableWindow(parent, TRUE);
    if (parent && ::GetActiveWindow() == m_hWnd) ::SetActiveWindow(parent);
    if (m_hWnd) DestroyWindow();
    m_bModal = false;
    return m_nResult;
}

void CDialog::EndDialog(int result)
{
    m_nResult = result;
    m_bEnded = true;
    if (m_bModal) {
        ::PostMessageA(m_hWnd, WM_NULL, 0, 0);   // wakes the modal loop
    } else if (m_hWnd) {
        ShowWindow(SW_HIDE);
    }
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*)
{
}

BOOL CDialog::UpdateData(BOOL save)
{
    CDataExchange dx(this, save != FALSE);
    DoDataExchange(&dx);
    return !dx.m_bFail;
}

void CDialog::OnOK()
{
    if (UpdateData(TRUE)) EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::PreTranslateMessage(MSG* msg)
{
    if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST) return ::IsDialogMessageA(m_hWnd, msg);
    return FALSE;
}

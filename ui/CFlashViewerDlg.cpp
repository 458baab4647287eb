#include "CFlashViewerDlg.h"

#include "MessageTable.h"
#include "resource.h"

namespace {

const MessageEntry s_entries[] = {
    OnCommand<IDC_CLOSE, &CFlashViewerDlg::OnClose>(),
    OnMessage<WM_DESTROY, &CFlashViewerDlg::OnDestroy>(),
};

} // namespace

const MessageTable CFlashViewerDlg::s_messageTable = MakeTable(&CDialog::s_messageTable, s_entries);

CFlashViewerDlg::CFlashViewerDlg(CWnd* parent)
    : CDialog(IDD_FLASHVIEWER, parent),
      m_hIcon(::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_VIEWER)))
{
}

CFlashViewerDlg::~CFlashViewerDlg() = default;

BOOL CFlashViewerDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    // The template holds a hidden placeholder where the movie control goes.
    HWND placeholder = ::GetDlgItem(m_hWnd, IDC_FLASH);
    RECT area{};
    if (placeholder) {
        ::GetWindowRect(placeholder, &area);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&area), 2);
        ::DestroyWindow(placeholder);
    }
    if (!m_flash.Create("", WS_CHILD | WS_VISIBLE, area, this, IDC_FLASH)) {
        // Nothing can play the movie: the viewer does not open.
        EndDialog(IDCANCEL);
        return TRUE;
    }
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    m_flash.SetMovie(m_szMovie);
    m_flash.Play();
    return TRUE;
}

void CFlashViewerDlg::OnClose()
{
    OnCancel();
}

void CFlashViewerDlg::OnDestroy()
{
    // The movie stops with the viewer, not later when this object goes.
    m_flash.DestroyControl();
    DefWindowProc(WM_DESTROY, 0, 0);
}

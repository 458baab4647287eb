#include "CPropertySheet.h"

#include "CWinApp.h"

namespace {
// The sheet callback carries no data of the caller's: the sheet being created is kept here.
thread_local CPropertySheet* t_pSheetInit = nullptr;
}

CPropertySheet::CPropertySheet(const char* caption, CWnd* parent)
    : m_strCaption(caption), m_pParentWnd(parent)
{
}

int CALLBACK CPropertySheet::SheetCallback(HWND, UINT message, LPARAM)
{
    // The sheet's own window is created right after this call.
    if (message == PSCB_PRECREATE && t_pSheetInit) {
        HookWindowCreate(t_pSheetInit);
        t_pSheetInit = nullptr;
    }
    return 0;
}

INT_PTR CPropertySheet::DoModal()
{
    if (m_pages.empty() || m_hWnd) return -1;
    HWND parent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (!parent) {
        CWinApp* app = AfxGetApp();
        if (app && app->m_pMainWnd) parent = app->m_pMainWnd->m_hWnd;
    }

    // The sheet keeps copies of these; each copy's lParam still leads to its page object.
    std::vector<PROPSHEETPAGEA> pages;
    pages.reserve(m_pages.size());
    for (CPropertyPage* page : m_pages) pages.push_back(page->m_psp);

    m_psh.dwSize = sizeof m_psh;
    m_psh.dwFlags |= PSH_PROPSHEETPAGE | PSH_USECALLBACK;
    m_psh.hwndParent = parent;
    m_psh.hInstance = AfxGetInstanceHandle();
    m_psh.pszCaption = m_strCaption;
    m_psh.nPages = static_cast<UINT>(pages.size());
    m_psh.ppsp = pages.data();
    m_psh.pfnCallback = &CPropertySheet::SheetCallback;

    t_pSheetInit = this;
    const INT_PTR result = ::PropertySheetA(&m_psh);
    t_pSheetInit = nullptr;
    // The last page hook may still wait for a window that never came (a page that failed).
    UnhookWindowCreate();
    m_psh.ppsp = nullptr;
    if (parent && ::IsWindow(parent) && !::GetActiveWindow()) ::SetActiveWindow(parent);
    return result;
}

#pragma once
// A modal property sheet over PropertySheetA: a caption, OK and Cancel (and Apply unless
// m_psh.dwFlags has PSH_NOAPPLYNOW), one tab per page. The pages are the caller's; the sheet
// window is attached to this object while DoModal runs.
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "CPropertyPage.h"
#include "CWnd.h"

class CPropertySheet : public CWnd {
public:
    explicit CPropertySheet(const char* caption, CWnd* parent = nullptr);

    // In tab order; the page must outlive DoModal.
    void AddPage(CPropertyPage* page) { m_pages.push_back(page); }

    // 1 when confirmed with OK, 0 when cancelled, -1 when the sheet could not be shown. The
    // given parent (else the main window) is disabled meanwhile.
    INT_PTR DoModal();

    // The header passed to PropertySheetA; callers may add flags before DoModal.
    PROPSHEETHEADERA m_psh{};

private:
    static int CALLBACK SheetCallback(HWND hWnd, UINT message, LPARAM lParam);

    CString m_strCaption;
    CWnd* m_pParentWnd;
    std::vector<CPropertyPage*> m_pages;   // not owned
};

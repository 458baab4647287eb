#include "CFileDialog.h"

#include <cstring>

#include "CWinApp.h"
#include "CWnd.h"

CFileDialog::CFileDialog(bool openFileDialog, const char* defaultExt, const char* fileName, DWORD flags,
                         const char* filter, CWnd* parent)
    : m_bOpenFileDialog(openFileDialog), m_strDefExt(defaultExt), m_pParentWnd(parent)
{
    if (fileName) ::lstrcpynA(m_szFileName, fileName, MAX_PATH);
    if (filter) {
        // The dialog wants "Text\0pattern\0...\0\0"; the final "||" gives the two zero bytes.
        m_strFilter = filter;
        for (char& c : m_strFilter) {
            if (c == '|') c = '\0';
        }
    }
    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.Flags = flags;
    m_ofn.lpstrFilter = m_strFilter.empty() ? nullptr : m_strFilter.c_str();
    m_ofn.lpstrDefExt = m_strDefExt.IsEmpty() ? nullptr : m_strDefExt.GetString();
    m_ofn.lpstrFile = m_szFileName;
    m_ofn.nMaxFile = MAX_PATH;
}

INT_PTR CFileDialog::DoModal()
{
    HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (!owner) {
        CWinApp* app = AfxGetApp();
        if (app && app->m_pMainWnd) owner = app->m_pMainWnd->m_hWnd;
    }
    m_ofn.hwndOwner = owner;
    m_ofn.hInstance = AfxGetInstanceHandle();
    const BOOL chosen = m_bOpenFileDialog ? ::GetOpenFileNameA(&m_ofn) : ::GetSaveFileNameA(&m_ofn);
    return chosen ? IDOK : IDCANCEL;
}

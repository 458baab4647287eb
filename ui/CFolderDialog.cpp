#include "CFolderDialog.h"

#include "CWnd.h"
#include "ScopedHandles.h"

CFolderDialog::CFolderDialog(HWND owner, LPCITEMIDLIST root, UINT titleId)
{
    if (titleId > 0) m_strTitle = LoadStringResource(titleId);
    m_bi.hwndOwner = owner;
    m_bi.pidlRoot = root;
    m_bi.pszDisplayName = m_szDisplayName;
    m_bi.lpszTitle = m_strTitle.IsEmpty() ? nullptr : m_strTitle.GetString();
    m_bi.lpfn = &CFolderDialog::BrowseCallback;
    m_bi.lParam = reinterpret_cast<LPARAM>(this);
}

CFolderDialog::~CFolderDialog() = default;

void CFolderDialog::SetFlags(UINT flags)
{
    if (!m_hBrowseWnd) m_bi.ulFlags = flags;
}

int CALLBACK CFolderDialog::BrowseCallback(HWND hWnd, UINT message, LPARAM lParam, LPARAM data)
{
    auto* self = reinterpret_cast<CFolderDialog*>(data);
    self->m_hBrowseWnd = hWnd;
    if (message == BFFM_INITIALIZED)
        self->OnBrowseInit();
    else if (message == BFFM_SELCHANGED)
        self->OnBrowseSelChanged(reinterpret_cast<LPCITEMIDLIST>(lParam));
    return 0;
}

bool CFolderDialog::Browse()
{
    if (m_hBrowseWnd) return false;
    // An item list the shell allocated for us.
    const TaskMemory<ITEMIDLIST> item(::SHBrowseForFolderA(&m_bi));
    m_hBrowseWnd = nullptr;
    if (!item) return false;
    m_strFolder.Empty();
    if (!::SHGetPathFromIDListA(item.Get(), m_szDisplayName)) return false;
    m_strFolder = m_szDisplayName;
    return true;
}

void CFolderDialog::SetSelection(const char* path)
{
    if (m_hBrowseWnd) ::SendMessageA(m_hBrowseWnd, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path));
}

void CFolderDialog::SetStatusText(const char* text)
{
    if (m_hBrowseWnd) ::SendMessageA(m_hBrowseWnd, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(text));
}

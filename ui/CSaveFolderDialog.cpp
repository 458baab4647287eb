#include "CSaveFolderDialog.h"

void CSaveFolderDialog::OnBrowseInit()
{
    SetSelection(m_strInitialFolder);
    SetStatusText(m_strInitialFolder);
}

void CSaveFolderDialog::OnBrowseSelChanged(LPCITEMIDLIST item)
{
    char path[MAX_PATH] = {};
    if (!::SHGetPathFromIDListA(item, path)) path[0] = '\0';
    SetStatusText(path);
}

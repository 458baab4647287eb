#include "CGeneralDlg.h"

#include <commctrl.h>

#include <string>

#include "CIniFile.h"
#include "CPropertysIni.h"
#include "CSaveFolderDialog.h"
#include "DataExchange.h"
#include "resource.h"

namespace {
const MessageEntry s_entries[] = {
    OnCommand<IDC_BROWSE, &CGeneralDlg::OnBrowse>(),
};
}

const MessageTable CGeneralDlg::s_messageTable = MakeTable(&CPropertyPage::s_messageTable, s_entries);

CGeneralDlg::CGeneralDlg() : CPropertyPage(IDD_GENERAL) {}

void CGeneralDlg::DoDataExchange(CDataExchange* dx)
{
    CPropertyPage::DoDataExchange(dx);
    DDX_Text(dx, IDC_SAVE_PATH, m_strSavePath);
    DDX_Text(dx, IDC_SIMULTANEOUS, m_nSimultaneous);
    DDV_MinMaxInt(dx, m_nSimultaneous, CPropertysIni::kMinDownloads, CPropertysIni::kMaxDownloads);
}

BOOL CGeneralDlg::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    const CPropertysIni settings;
    SetDlgItemText(IDC_SAVE_PATH, settings.GetSavePath());
    m_nSimultaneous = settings.GetSimultaneousDownloads();
    ::SendDlgItemMessageA(m_hWnd, IDC_SIMULTANEOUS_SPIN, UDM_SETRANGE32, CPropertysIni::kMinDownloads,
                          CPropertysIni::kMaxDownloads);
    SetDlgItemText(IDC_SIMULTANEOUS, std::to_string(m_nSimultaneous).c_str());
    ::CheckDlgButton(m_hWnd, IDC_FIND_IN_SCRIPTS, settings.GetFindInObjectsAndScripts() ? BST_CHECKED : BST_UNCHECKED);
    UpdateData(TRUE);
    return TRUE;
}

void CGeneralDlg::OnBrowse()
{
    UpdateData(TRUE);
    CSaveFolderDialog dialog(m_hWnd, IDS_SELECT_SAVE_FOLDER);
    dialog.SetFlags(BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT);
    dialog.SetInitialFolder(m_strSavePath);
    if (!dialog.Browse()) return;
    m_strSavePath = dialog.GetFolder();
    UpdateData(FALSE);
}

void CGeneralDlg::OnOK()
{
    UpdateData(FALSE);
    CPropertysIni settings;
    // Checked when the page was left (or when OK was pressed on it).
    m_bSaveFailed = !settings.SetSimultaneousDownloads(m_nSimultaneous);
    // Kept whether or not the folder is taken.
    if (!settings.SetFindInObjectsAndScripts(::IsDlgButtonChecked(m_hWnd, IDC_FIND_IN_SCRIPTS) == BST_CHECKED))
        m_bSaveFailed = true;
    CString folder = GetDlgItemText(IDC_SAVE_PATH);
    if (folder.GetLength() >= 2 && folder.GetAt(folder.GetLength() - 1) != '\\') folder += '\\';
    // The settings file keeps at most kMaxValue characters: a longer folder would come back cut,
    // naming another folder, so it is refused like one that is too short.
    if (folder.GetLength() < 2 || folder.GetLength() > CIniFile::kMaxValue) {
        MessageBox("Invalid path");
        return;
    }
    if (!settings.SetSavePath(folder)) m_bSaveFailed = true;
}

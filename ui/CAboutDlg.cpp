#include "CAboutDlg.h"

#include "DataExchange.h"
#include "MakerInfo.h"
#include "resource.h"

CAboutDlg::CAboutDlg(CWnd* parent) : CDialog(IDD_ABOUTBOX, parent) {}

void CAboutDlg::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_WEBSITE, m_website);
    DDX_Control(dx, IDC_MAIL, m_mail);
    DDX_Control(dx, IDC_COPYRIGHT, m_copyright);
}

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_copyright.SetWindowText(kCopyright);
    // The text first: SetLinkUrl fits the control to the text it has.
    m_website.SetWindowText(kMakerWebsite);
    m_website.SetLinkUrl(kMakerWebsite);
    m_mail.SetWindowText(kMakerMail);
    m_mail.SetLinkUrl(CString("mailto:") + kMakerMail);
    return TRUE;
}

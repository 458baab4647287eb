#pragma once
// The About box: product and version, the copyright line, and links to the maker's web site
// and support mail.
#include "CDialog.h"
#include "CLinkStatic.h"

class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(CWnd* parent = nullptr);
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;

    CLinkStatic m_website;
    CLinkStatic m_mail;
    CStatic m_copyright;
};

#pragma once
// The Proxy page of the Options sheet: a direct connection, or an HTTP proxy with server and
// port.
#include "CPropertyPage.h"

class CProxyDlg : public CPropertyPage {
public:
    CProxyDlg();

    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnDirect();
    void OnUseProxy();

    // Longest server name the page takes; a longer stored one is shown cut to this.
    static constexpr int kMaxServerChars = 55;

    unsigned m_nProxyPort = 0;
    CString m_strProxyServer;
    bool m_bProxy = false;
    bool m_bSaveFailed = false;   // OK could not write the settings file

    static const MessageTable s_messageTable;
    const MessageTable* GetMessageTable() const override { return &s_messageTable; }

private:
    void EnableProxyBoxes(bool enable);
};

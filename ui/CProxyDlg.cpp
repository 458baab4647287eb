#include "CProxyDlg.h"

#include <climits>
#include <string>

#include "CPropertysIni.h"
#include "DataExchange.h"
#include "HttpAddress.h"
#include "resource.h"

namespace {

const MessageEntry s_entries[] = {
    OnCommand<IDC_DIRECT, &CProxyDlg::OnDirect>(),
    OnCommand<IDC_USE_PROXY, &CProxyDlg::OnUseProxy>(),
};

// The number at the start of the stored port text (0 when it has none), kept inside what the
// page's field holds: the range check when the page is left then names the problem.
unsigned PortFromText(const CString& text)
{
    const long long value = ReadDecimal(text.View());
    if (value < 0) return 0;
    return value > UINT_MAX ? UINT_MAX : static_cast<unsigned>(value);
}

} // namespace

const MessageTable CProxyDlg::s_messageTable = MakeTable(&CPropertyPage::s_messageTable, s_entries);

CProxyDlg::CProxyDlg() : CPropertyPage(IDD_PROXY) {}

void CProxyDlg::DoDataExchange(CDataExchange* dx)
{
    CPropertyPage::DoDataExchange(dx);
    DDX_Text(dx, IDC_PROXY_PORT, m_nProxyPort);
    DDV_MinMaxUInt(dx, m_nProxyPort, 1, 65535);
    DDX_Text(dx, IDC_PROXY_SERVER, m_strProxyServer);
    DDV_MaxChars(dx, m_strProxyServer, kMaxServerChars);
}

BOOL CProxyDlg::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    {
        const CPropertysIni settings;
        m_bProxy = settings.GetUseProxy();
        m_strProxyServer = settings.GetProxyServer().Left(kMaxServerChars);
        m_nProxyPort = PortFromText(settings.GetProxyPort());
    }
    // An out-of-range port is shown as it is; the range is enforced when the page is left.
    UpdateData(FALSE);
    ::CheckDlgButton(m_hWnd, IDC_DIRECT, m_bProxy ? BST_UNCHECKED : BST_CHECKED);
    ::CheckDlgButton(m_hWnd, IDC_USE_PROXY, m_bProxy ? BST_CHECKED : BST_UNCHECKED);
    EnableProxyBoxes(m_bProxy);
    return TRUE;
}

void CProxyDlg::EnableProxyBoxes(bool enable)
{
    ::EnableWindow(GetDlgItem(IDC_PROXY_SERVER), enable);
    ::EnableWindow(GetDlgItem(IDC_PROXY_PORT), enable);
}

void CProxyDlg::OnDirect()
{
    EnableProxyBoxes(false);
    m_bProxy = false;
}

void CProxyDlg::OnUseProxy()
{
    EnableProxyBoxes(true);
    m_bProxy = true;
}

void CProxyDlg::OnOK()
{
    // The page was checked when it was left (or when OK was pressed on it).
    UpdateData(TRUE);
    CPropertysIni settings;
    const bool saved = settings.SetUseProxy(m_bProxy) && settings.SetProxyServer(m_strProxyServer) &&
                       settings.SetProxyPort(std::to_string(m_nProxyPort).c_str());
    m_bSaveFailed = !saved;
}

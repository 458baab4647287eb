#include "CNewTaskDlg.h"

#include "CDrovaneView.h"
#include "CFrameWnd.h"
#include "CGetLinks.h"
#include "CWinApp.h"
#include "DataExchange.h"
#include "TaskText.h"
#include "resource.h"

namespace {

const MessageEntry s_entries[] = {
    OnCommand<IDC_START, &CNewTaskDlg::OnStart>(),
    OnMessage<WM_NET_STATUS, &CNewTaskDlg::OnNetStatus>(),
    OnMessage<WM_LINKS_FOUND, &CNewTaskDlg::OnLinksFound>(),
};

struct StatusLine {
    int code;
    const char* text;
    bool advances;   // one of the three steps of a fetch that goes well
};
constexpr StatusLine kStatusLines[] = {
    {NET_ERR_SOCKET, "Connect time out", false},
    {NET_ERR_UNKNOWN_HOST, "Unknown host", false},
    {NET_ERR_NO_PROXY, "Unknown Proxy", false},
    {NET_ERR_BAD_HOST, "Host not found", false},
    {NET_CONNECTED, "Connected", true},
    {NET_RECEIVING, "Be ready to receive data", true},
    {NET_SOCKET_CREATED, "Initialise completed", true},
};

// Range 0-4: three fetch steps and the end of the scan.
constexpr int kProgressSteps = 4;

} // namespace

const MessageTable CNewTaskDlg::s_messageTable = MakeTable(&CDialog::s_messageTable, s_entries);

CNewTaskDlg::CNewTaskDlg(CWnd* parent) : CDialog(IDD_NEWTASK, parent) {}

CNewTaskDlg::~CNewTaskDlg()
{
    // Once Stop has returned the worker leaves the result list alone, so it may go with us.
    StopScan();
}

void CNewTaskDlg::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_PROGRESS, m_progress);
    DDX_Text(dx, IDC_URL, m_strURL);
    DDV_MaxChars(dx, m_strURL, kMaxUrlChars);
}

BOOL CNewTaskDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_progress.SetRange(0, kProgressSteps);
    m_progress.SetStep(1);
    m_progress.SetPos(0);
    m_strURL = m_strPageURL;
    UpdateData(FALSE);
    return TRUE;
}

CDrovaneView* CNewTaskDlg::TaskList() const
{
    if (m_pTaskList) return m_pTaskList;
    CWinApp* app = AfxGetApp();
    auto* frame = app ? dynamic_cast<CFrameWnd*>(app->m_pMainWnd) : nullptr;
    return frame ? dynamic_cast<CDrovaneView*>(frame->GetActiveView()) : nullptr;
}

void CNewTaskDlg::OnStart()
{
    if (!m_bReady) {
        StopScan();
        ShowReady();
        return;
    }
    if (!UpdateData(TRUE)) return;
    m_strPageURL = m_strURL;
    if (m_strPageURL.IsEmpty()) {
        MessageBox("Please enter URL");
        return;
    }
    StartScan();
}

void CNewTaskDlg::StartScan()
{
    if (m_pLinks)
        m_pLinks->RemoveAll();
    else
        m_pLinks = std::make_unique<CStringArray>();

    auto* scan = static_cast<CGetLinks*>(CGetLinks::classCGetLinks.CreateObject());
    if (!scan) return;
    scan->SetResultArray(m_pLinks.get());
    scan->SetUrl(m_strPageURL);
    scan->SetPageUrl(m_strPageURL);
    scan->SetOwner(m_hWnd);
    std::shared_ptr<CWorkerLink> link = scan->GetLink();
    if (!scan->CreateThread(0, 0, nullptr)) {
        delete scan;   // a thread that never started does not delete its object
        return;
    }
    m_pScan = std::move(link);
    SetDlgItemText(IDC_START, "Stop");
    m_bReady = false;
}

void CNewTaskDlg::StopScan()
{
    if (!m_pScan) return;
    m_pScan->Stop();
    m_pScan.reset();
}

void CNewTaskDlg::ShowReady()
{
    SetDlgItemText(IDC_START, "Start");
    SetDlgItemText(IDC_STATUS, "");
    m_progress.SetPos(0);
    m_bReady = true;
}

void CNewTaskDlg::OnOK()
{
    // A second Enter while the page loads must neither close the dialog nor stop the scan.
    if (m_bReady) OnStart();
}

void CNewTaskDlg::OnCancel()
{
    StopScan();
    m_bReady = true;
    CDialog::OnCancel();
}

LRESULT CNewTaskDlg::OnNetStatus(WPARAM wParam, LPARAM lParam)
{
    // A stopped worker may have been waiting inside SendMessage when it was stopped.
    if (CHttpClient::IsFromStoppedSender()) return 0;
    CString text;
    for (const StatusLine& line : kStatusLines) {
        if (static_cast<WPARAM>(line.code) != wParam) continue;
        text = line.text;
        if (line.advances) m_progress.StepIt();
        break;
    }
    // Secure connections, certificates, redirects and proxy tunnels say what went wrong in
    // the words a download row uses.
    if (wParam >= NET_ERR_TLS) text = FailureText(static_cast<int>(wParam), static_cast<int>(lParam));
    SetDlgItemText(IDC_STATUS, text);
    return 0;
}

LRESULT CNewTaskDlg::OnLinksFound(WPARAM, LPARAM)
{
    if (CHttpClient::IsFromStoppedSender()) return 0;
    // The worker is ending: it waits here, then deletes itself.
    m_pScan.reset();
    m_progress.StepIt();

    int added = 0;
    if (CDrovaneView* view = TaskList()) {
        view->ReplaceTasks(m_pLinks ? *m_pLinks : CStringArray());
        added = view->GetTaskCount();
    }
    m_pLinks.reset();

    if (added > 0) {
        EndDialog(0);
        return 0;
    }
    // The worker, and every other network worker's next message, would wait as long as the box
    // is open: let it go first.
    ::ReplyMessage(0);
    MessageBox("No flash file found");
    ShowReady();
    return 0;
}

#include "TaskListHost.h"

#include "CWinApp.h"
#include "UiTestApp.h"

namespace {
const MessageEntry s_entries[] = {
    OnCommand<ID_DOWNLOAD_START, &RecordingFrame::OnDownloadStart>(),
    OnCommand<ID_DOWNLOAD_STOP, &RecordingFrame::OnDownloadStop>(),
};
}

const MessageTable RecordingFrame::s_messageTable = MakeTable(&CFrameWnd::s_messageTable, s_entries);

TaskListHost::TaskListHost() : m_doc(std::make_unique<CDrovaneDoc>())
{
    CCreateContext context;
    context.m_pNewViewClass = &CDrovaneView::classCDrovaneView;
    context.m_pCurrentDoc = m_doc.get();
    auto* created = new RecordingFrame;
    if (!created->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW, &context)) return;   // deleted itself
    frame = created;
    view = dynamic_cast<CDrovaneView*>(frame->GetActiveView());
    // Left hidden: under Wine without a window manager, taking a shown window down costs seconds.
    frame->InitialUpdateFrame(m_doc.get(), FALSE);
    AfxGetApp()->m_pMainWnd = frame;
}

TaskListHost::~TaskListHost()
{
    Destroy();
}

void TaskListHost::Destroy()
{
    if (!frame) return;
    // A main frame that goes posts WM_QUIT, which would end the next message box at once.
    if (AfxGetApp()->m_pMainWnd == frame) AfxGetApp()->m_pMainWnd = nullptr;
    frame->DestroyWindow();
    frame = nullptr;
    view = nullptr;
}

void TaskListHost::AddRows(const std::vector<std::string>& urls)
{
    CStringArray addresses;
    for (const std::string& url : urls) addresses.Add(CString(url));
    view->ReplaceTasks(addresses);
}

void TaskListHost::Select(const std::vector<int>& rows)
{
    CListCtrl list = List();
    list.SetItemState(-1, 0, LVIS_SELECTED);
    for (int row : rows) list.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
}

void TaskListHost::Command(UINT id)
{
    frame->SendMessage(WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

bool TaskListHost::IsMenuItemEnabled(int menuIndex, UINT id)
{
    HMENU popup = ::GetSubMenu(::GetMenu(frame->m_hWnd), menuIndex);
    frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), MAKELPARAM(menuIndex, FALSE));
    return (::GetMenuState(popup, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0;
}

std::vector<std::string> TaskListHost::ColumnTexts(int column) const
{
    std::vector<std::string> texts;
    const CListCtrl list = List();
    for (int row = 0; row < list.GetItemCount(); ++row) texts.push_back(ListItemText(list.m_hWnd, row, column));
    return texts;
}

std::vector<int> TaskListHost::Checks() const
{
    std::vector<int> checks;
    const CListCtrl list = List();
    for (int row = 0; row < list.GetItemCount(); ++row) checks.push_back(list.GetStateImage(row));
    return checks;
}

#include "CDrovaneApp.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "CAboutDlg.h"
#include "CDrovaneDoc.h"
#include "CDrovaneView.h"
#include "CMainFrame.h"
#include "CSingleDocTemplate.h"
#include "CommandLine.h"
#include "resource.h"

namespace {

const MessageEntry s_entries[] = {
    OnCommand<ID_APP_ABOUT, &CDrovaneApp::OnAppAbout>(),
};

// The viewer hosts an ActiveX control; OLE must be up in this thread for that.
void EnableControlContainer()
{
    ::OleInitialize(nullptr);
}

// Visual styles and the common controls the windows use.
void EnableCommonControls()
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_COOL_CLASSES |
                                                       ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
}

} // namespace

const MessageTable CDrovaneApp::s_messageTable = MakeTable(&CWinApp::s_messageTable, s_entries);

BOOL CDrovaneApp::InitInstance()
{
    EnableControlContainer();
    EnableCommonControls();
    SetRegistryKey("Orlebar");
    AddDocTemplate(new CSingleDocTemplate(IDR_MAINFRAME, &CDrovaneDoc::classCDrovaneDoc,
                                          &CMainFrame::classCMainFrame, &CDrovaneView::classCDrovaneView));
    OnFileNew();
    auto* frame = dynamic_cast<CMainFrame*>(m_pMainWnd);
    if (!frame) return FALSE;
    frame->ShowWindow(SW_SHOW);
    frame->UpdateWindow();
    frame->SetWindowText("Tarnwick");

    const CString argument = ArgumentText(::GetCommandLineA());
    switch (ClassifyArgument(argument)) {
    case ArgumentForm::Empty:
        break;
    case ArgumentForm::MovieList:
        frame->AddFlashList(argument);
        break;
    case ArgumentForm::PageAddress:
        AfxMessageBox("Download from web directly");
        frame->OpenNewTask(argument);
        break;
    }
    return TRUE;
}

void CDrovaneApp::OnAppAbout()
{
    CAboutDlg about;
    about.DoModal();
}

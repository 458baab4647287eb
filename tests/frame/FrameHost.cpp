#include "FrameHost.h"

#include <ole2.h>

#include "CDrovaneDoc.h"
#include "CDrovaneView.h"
#include "CSingleDocTemplate.h"
#include "resource.h"

CUiTestApp theApp;

CMainFrame* OpenFrame()
{
    // As the program does before its first window (drag and drop, the viewer's control).
    static const HRESULT ole = ::OleInitialize(nullptr);
    (void)ole;
    theApp.m_pMainWnd = nullptr;
    theApp.AddDocTemplate(new CSingleDocTemplate(IDR_MAINFRAME, &CDrovaneDoc::classCDrovaneDoc,
                                                 &CMainFrame::classCMainFrame, &CDrovaneView::classCDrovaneView));
    theApp.OnFileNew();
    return dynamic_cast<CMainFrame*>(theApp.m_pMainWnd);
}

void CloseFrame(CMainFrame* frame)
{
    theApp.m_pMainWnd = nullptr;   // no WM_QUIT for the test's own thread
    frame->SendMessage(WM_CLOSE);
}

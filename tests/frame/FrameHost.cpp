#include "FrameHost.h"

#include "CDrovaneDoc.h"
#include "CDrovaneView.h"
#include "CSingleDocTemplate.h"
#include "resource.h"

CUiTestApp theApp;

CMainFrame* OpenFrame()
{
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

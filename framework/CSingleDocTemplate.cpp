#include "CSingleDocTemplate.h"

#include "CDocument.h"
#include "CFrameWnd.h"
#include "CWinApp.h"

CSingleDocTemplate::CSingleDocTemplate(UINT resourceId, const CRuntimeClass* documentClass,
                                       const CRuntimeClass* frameClass, const CRuntimeClass* viewClass)
    : m_nIDResource(resourceId), m_pDocClass(documentClass), m_pFrameClass(frameClass), m_pViewClass(viewClass)
{
}

CSingleDocTemplate::~CSingleDocTemplate()
{
    delete m_pDocument;
}

CDocument* CSingleDocTemplate::OpenDocumentFile(const char* path, BOOL makeVisible)
{
    if (!m_pDocument) {
        auto* document = static_cast<CDocument*>(m_pDocClass->CreateObject());
        auto* frame = static_cast<CFrameWnd*>(m_pFrameClass->CreateObject());
        if (!document || !frame) {
            delete document;
            delete frame;
            return nullptr;
        }
        CCreateContext context;
        context.m_pNewViewClass = m_pViewClass;
        context.m_pCurrentDoc = document;
        if (!frame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW, &context)) {
            delete document;
            return nullptr;
        }
        m_pDocument = document;
        m_pFrame = frame;
        CWinApp* app = AfxGetApp();
        if (app && !app->m_pMainWnd) app->m_pMainWnd = frame;
    }
    const BOOL opened = path ? m_pDocument->OnOpenDocument(path) : m_pDocument->OnNewDocument();
    if (!opened) return nullptr;
    if (path) m_pDocument->SetPathName(path);
    m_pFrame->InitialUpdateFrame(m_pDocument, makeVisible);
    return m_pDocument;
}

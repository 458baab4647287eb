#pragma once
// The single-document template: one document, one frame, one view, created by name from their
// run-time classes. Opening a document again reuses them and runs the view's initial update
// once more.
#include <windows.h>

#include "CObject.h"

class CDocument;
class CFrameWnd;

class CSingleDocTemplate {
public:
    CSingleDocTemplate(UINT resourceId, const CRuntimeClass* documentClass, const CRuntimeClass* frameClass,
                       const CRuntimeClass* viewClass);
    ~CSingleDocTemplate();
    CSingleDocTemplate(const CSingleDocTemplate&) = delete;
    CSingleDocTemplate& operator=(const CSingleDocTemplate&) = delete;

    // A null path makes a new document. Returns the document, or null on failure.
    CDocument* OpenDocumentFile(const char* path, BOOL makeVisible = TRUE);
    CDocument* GetDocument() const { return m_pDocument; }

private:
    UINT m_nIDResource;
    const CRuntimeClass* m_pDocClass;
    const CRuntimeClass* m_pFrameClass;
    const CRuntimeClass* m_pViewClass;
    CDocument* m_pDocument = nullptr;   // owned
    CFrameWnd* m_pFrame = nullptr;      // owned by its window
};

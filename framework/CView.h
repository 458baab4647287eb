#pragma once
// A view: the frame's client window, showing a document. Commands reach the view first, then
// its document.
#include "CWnd.h"

class CDocument;

struct CCreateContext {
    const CRuntimeClass* m_pNewViewClass = nullptr;
    CDocument* m_pCurrentDoc = nullptr;
};

class CView : public CWnd {
public:
    BOOL Create(HWND parent, UINT id, CCreateContext* context);
    virtual void OnInitialUpdate();

    BOOL OnCmdMsg(UINT id, int code, CCmdUI* cmdUI, bool probe = false) override;
    void PostNcDestroy() override;

    static const CRuntimeClass classCView;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCView; }

protected:
    // The window class of the view's window.
    virtual const char* ViewClassName() const;

    CDocument* m_pDocument = nullptr;
};

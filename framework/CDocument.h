#pragma once
// A document: the data behind the view. Serialize reads or writes its contents.
#include <windows.h>

#include "CCmdTarget.h"
#include "CString.h"

class CView;

class CDocument : public CCmdTarget {
public:
    virtual BOOL OnNewDocument();
    virtual BOOL OnOpenDocument(const char* path);
    virtual BOOL OnSaveDocument(const char* path);
    virtual void DeleteContents() {}
    // storing: write to the file; else read from it.
    virtual void Serialize(HANDLE file, bool storing);

    void AddView(CView* view) { m_pView = view; }
    CView* GetView() const { return m_pView; }
    const CString& GetPathName() const { return m_strPathName; }

    void OnFileSave();

    static const MessageTable s_messageTable;
    const MessageTable* GetMessageTable() const override { return &s_messageTable; }
    static const CRuntimeClass classCDocument;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCDocument; }

private:
    CView* m_pView = nullptr;   // owned by its window
    CString m_strPathName;
};

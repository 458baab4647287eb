#pragma once
// A document: the data behind the view, read from and written to files by the derived class.
// File > Save writes it to the file it came from; with none yet, and with File > Save As, the
// user names the file first.
#include <windows.h>

#include "CCmdTarget.h"
#include "CString.h"

class CView;

class CDocument : public CCmdTarget {
public:
    virtual BOOL OnNewDocument();
    // Reads the file into the document; false, with the user told why and the document as it
    // was, when it cannot. Only then does the file become the document's. This one reads none.
    virtual BOOL OnOpenDocument(const char* path);
    // Writes the document to the file; false, with the user told why, when it cannot. This one
    // writes none.
    virtual BOOL OnSaveDocument(const char* path);
    // For the Open and Save As dialogs: "Text|pattern|...||", and the extension a typed name
    // gets (without the dot), or null.
    virtual const char* GetFileFilter() const { return "All Files (*.*)|*.*||"; }
    virtual const char* GetDefaultExtension() const { return nullptr; }

    void AddView(CView* view) { m_pView = view; }
    CView* GetView() const { return m_pView; }
    const CString& GetPathName() const { return m_strPathName; }
    void SetPathName(const char* path) { m_strPathName = path; }

    void OnFileSave();
    void OnFileSaveAs();

    static const MessageTable s_messageTable;
    const MessageTable* GetMessageTable() const override { return &s_messageTable; }
    static const CRuntimeClass classCDocument;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCDocument; }

private:
    CView* m_pView = nullptr;   // owned by its window
    CString m_strPathName;
};

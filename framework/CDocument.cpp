#include "CDocument.h"

#include <commdlg.h>

#include "AfxIds.h"
#include "CWinApp.h"
#include "CWnd.h"

namespace {
const MessageEntry s_entries[] = {
    OnCommand<ID_FILE_SAVE, &CDocument::OnFileSave>(),
};

// Closes a file handle when it goes.
struct FileHandle {
    HANDLE h;
    ~FileHandle() { if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h); }
};
}

const MessageTable CDocument::s_messageTable = MakeTable(&CCmdTarget::s_messageTable, s_entries);
const CRuntimeClass CDocument::classCDocument("CDocument", &CreateObjectOf<CDocument>, &CObject::classCObject);

BOOL CDocument::OnNewDocument()
{
    DeleteContents();
    m_strPathName.Empty();
    return TRUE;
}

BOOL CDocument::OnOpenDocument(const char* path)
{
    FileHandle file{::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)};
    if (file.h == INVALID_HANDLE_VALUE) {
        AfxMessageBox("Failed to open document.");
        return FALSE;
    }
    DeleteContents();
    Serialize(file.h, false);
    m_strPathName = path;
    return TRUE;
}

BOOL CDocument::OnSaveDocument(const char* path)
{
    FileHandle file{::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr)};
    if (file.h == INVALID_HANDLE_VALUE) {
        AfxMessageBox("Failed to save document.");
        return FALSE;
    }
    Serialize(file.h, true);
    m_strPathName = path;
    return TRUE;
}

void CDocument::Serialize(HANDLE, bool)
{
}

void CDocument::OnFileSave()
{
    CString path = m_strPathName;
    if (path.IsEmpty()) {
        char name[MAX_PATH] = "Untitled";
        OPENFILENAMEA ofn{};
        ofn.lStructSize = sizeof ofn;
        CWinApp* app = AfxGetApp();
        ofn.hwndOwner = app && app->m_pMainWnd ? app->m_pMainWnd->m_hWnd : nullptr;
        ofn.lpstrFilter = "All Files (*.*)\0*.*\0";
        ofn.lpstrFile = name;
        ofn.nMaxFile = MAX_PATH;
        ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
        if (!::GetSaveFileNameA(&ofn)) return;
        path = name;
    }
    OnSaveDocument(path);
}

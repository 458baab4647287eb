#include "CDocument.h"

#include "AfxIds.h"
#include "CFileDialog.h"

namespace {
const MessageEntry s_entries[] = {
    OnCommand<ID_FILE_SAVE, &CDocument::OnFileSave>(),
    OnCommand<ID_FILE_SAVE_AS, &CDocument::OnFileSaveAs>(),
};
}

const MessageTable CDocument::s_messageTable = MakeTable(&CCmdTarget::s_messageTable, s_entries);
const CRuntimeClass CDocument::classCDocument("CDocument", &CreateObjectOf<CDocument>, &CObject::classCObject);

BOOL CDocument::OnNewDocument()
{
    m_strPathName.Empty();
    return TRUE;
}

BOOL CDocument::OnOpenDocument(const char*)
{
    return FALSE;
}

BOOL CDocument::OnSaveDocument(const char*)
{
    return FALSE;
}

void CDocument::OnFileSave()
{
    if (m_strPathName.IsEmpty()) {
        OnFileSaveAs();
        return;
    }
    OnSaveDocument(m_strPathName);
}

void CDocument::OnFileSaveAs()
{
    CFileDialog dialog(false, GetDefaultExtension(), m_strPathName,
                       OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR, GetFileFilter());
    if (dialog.DoModal() != IDOK) return;
    const CString path = dialog.GetPathName();
    if (OnSaveDocument(path)) m_strPathName = path;
}

#include "CShellFileOp.h"

bool CShellFileOp::AddPath(int list, const char* path)
{
    CPathList& paths = list == FILEOP_TO ? m_to : m_from;
    if (!path || !paths.Add(path)) {
        m_bListFailed = true;
        return false;
    }
    return true;
}

int CShellFileOp::Run(UINT operation)
{
    // A list missing a path would send the shell off with fewer files, or none.
    if (m_bListFailed || !m_from.Get()) return ERROR_INVALID_PARAMETER;
    m_fileOp.fAnyOperationsAborted = FALSE;
    m_fileOp.wFunc = operation;
    m_fileOp.pFrom = m_from.Get();
    m_fileOp.pTo = m_to.Get();
    return ::SHFileOperationA(&m_fileOp);
}

#include "CGetLinks.h"

const CRuntimeClass CGetLinks::classCGetLinks("CGetLinks", &CreateObjectOf<CGetLinks>,
                                              &CWinThread::classCWinThread);

CGetLinks::CGetLinks()
{
    ::InitializeCriticalSection(&m_resultsLock);
}

CGetLinks::~CGetLinks()
{
    SendToOwner(WM_LINKS_FOUND, 0, 0);
    ::DeleteCriticalSection(&m_resultsLock);
}

BOOL CGetLinks::InitInstance()
{
    Fetch();
    return FALSE;
}

void CGetLinks::Stop()
{
    CHttpClient::Stop();
    // Wait out a list copy that is under way; it never waits on this thread.
    ::EnterCriticalSection(&m_resultsLock);
    ::LeaveCriticalSection(&m_resultsLock);
}

void CGetLinks::OnComplete()
{
    // The whole raw response is scanned, head included; a null response is an empty text.
    // Relative movies resolve against the address that answered, after any redirect.
    CStringArray found;
    SetText(m_pResponse, m_nResponseLen);
    Scan();
    Resolve(GetFinalUrl().View(), found);
    ::EnterCriticalSection(&m_resultsLock);
    if (!IsStopped() && m_pResults) m_pResults->Copy(found);
    ::LeaveCriticalSection(&m_resultsLock);
    FreeResponse();
}

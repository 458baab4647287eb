#include "CGetLinks.h"

#include "CPropertysIni.h"
#include "MovieFinder.h"

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
    // The whole raw response is scanned, head included; a null response is an empty text. The
    // Options switch is read now, so a change counts from the next scan on.
    CStringArray found;
    const std::string_view page(m_pResponse ? m_pResponse : "", m_pResponse ? static_cast<std::size_t>(m_nResponseLen) : 0);
    FindMovies(page, m_szPageUrl, CPropertysIni().GetFindInObjectsAndScripts(), found);
    ::EnterCriticalSection(&m_resultsLock);
    if (!IsStopped() && m_pResults) m_pResults->Copy(found);
    ::LeaveCriticalSection(&m_resultsLock);
    FreeResponse();
}

#include "CGetLinks.h"

#include "CPropertysIni.h"
#include "MovieFinder.h"

const CRuntimeClass CGetLinks::classCGetLinks("CGetLinks", &CreateObjectOf<CGetLinks>,
                                              &CWinThread::classCWinThread);

CGetLinks::CGetLinks() : m_link(std::make_shared<CWorkerLink>())
{
    m_link->Attach([this] { CHttpClient::Stop(); });
}

CGetLinks::~CGetLinks()
{
    SendToOwner(WM_LINKS_FOUND, 0, 0);
    // The client part is still whole until the link lets go of it.
    m_link->Attach(nullptr);
}

BOOL CGetLinks::InitInstance()
{
    Fetch();
    return FALSE;
}

void CGetLinks::OnComplete()
{
    // The whole raw response is scanned, head included; a null response is an empty text.
    // Relative movies resolve against the address that answered, after any redirect. The
    // Options switch is read now, so a change counts from the next scan on.
    CStringArray found;
    const std::string_view page(m_pResponse ? m_pResponse : "", m_pResponse ? static_cast<std::size_t>(m_nResponseLen) : 0);
    FindMovies(page, GetFinalUrl().View(), CPropertysIni().GetFindInObjectsAndScripts(), found);
    {
        auto lock = m_link->Lock();
        if (!m_link->IsStopped() && m_pResults) m_pResults->Copy(found);
    }
    FreeResponse();
}

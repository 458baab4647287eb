#pragma once
// The page-scan worker: fetches one page, finds the movies it embeds (by the literal rule alone
// or by the extended finder, as the Options say), puts their absolute addresses into the owner's
// result list and sends WM_LINKS_FOUND when it ends, whether the fetch succeeded or not.
// Progress and failures reach the owner as WM_NET_STATUS.
#include <memory>

#include "CEmbedParser.h"
#include "CHttpClient.h"
#include "CStringArray.h"
#include "CWinThread.h"
#include "CWorkerLink.h"

constexpr UINT WM_LINKS_FOUND = WM_USER + 6;

class CGetLinks : public CWinThread, public CEmbedParser, public CHttpClient {
public:
    CGetLinks();
    // Runs on the worker's thread when it ends; sends WM_LINKS_FOUND unless stopped.
    ~CGetLinks() override;

    // The owner's list; it must not touch it from the start until WM_LINKS_FOUND arrives.
    void SetResultArray(CStringArray* results) { m_pResults = results; }
    void SetOwner(HWND owner) { SetOwnerWindow(owner); }
    // The owner keeps this, never the worker: the worker deletes itself when its thread ends,
    // which may be before the owner hears of it. Once the link's Stop returns the worker sends
    // nothing more and never touches the owner's list.
    std::shared_ptr<CWorkerLink> GetLink() const { return m_link; }

    BOOL InitInstance() override;
    void OnComplete() override;

    const CRuntimeClass* GetRuntimeClass() const override { return &classCGetLinks; }
    static const CRuntimeClass classCGetLinks;

private:
    CStringArray* m_pResults = nullptr;
    // The result list is written under its lock, so that Stop cannot return in the middle of it.
    std::shared_ptr<CWorkerLink> m_link;
};

#pragma once
// What a download worker and its owner share. The worker deletes itself when its thread ends,
// possibly before the owner has handled the messages it posted; so the values the owner reads,
// and the way to stop the worker, live in this record, which both hold until they are done.
// Platform-neutral.
#include <atomic>
#include <string>

#include "CWorkerLink.h"

class CDownloadLink : public CWorkerLink {
public:
    // Valid once DL_HEAD has been posted; it never changes afterwards.
    std::string GetLengthText() const
    {
        auto lock = Lock();
        return m_strLength;
    }
    void SetLengthText(std::string text)
    {
        auto lock = Lock();
        m_strLength = std::move(text);
    }
    // Body bytes counted so far (the rest of an unfinished head included).
    long long GetReceived() const { return m_nReceived.load(std::memory_order_acquire); }
    void SetReceived(long long count) { m_nReceived.store(count, std::memory_order_release); }

    // The worker marks each notice it posts, under Lock() and only while not stopped; the owner
    // takes the mark when it handles the notice: true once for each notice this worker posted.
    // A row that was started again holds the new worker's link, so a notice the earlier worker
    // posted finds nothing to take there and is dropped.
    void MarkHeadPosted() { m_bHeadPosted.store(true, std::memory_order_release); }
    void MarkDonePosted() { m_bDonePosted.store(true, std::memory_order_release); }
    bool TakeHead() { return m_bHeadPosted.exchange(false, std::memory_order_acq_rel); }
    bool TakeDone() { return m_bDonePosted.exchange(false, std::memory_order_acq_rel); }

private:
    std::string m_strLength;
    std::atomic<long long> m_nReceived{0};
    std::atomic<bool> m_bHeadPosted{false};
    std::atomic<bool> m_bDonePosted{false};
};

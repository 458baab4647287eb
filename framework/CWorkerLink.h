#pragma once
// What a self-deleting worker thread and its owner share. The worker may end and delete itself
// at any moment, so the owner never keeps a pointer to it: both keep this record until they are
// done with it, and the owner stops the worker through it. Platform-neutral.
#include <atomic>
#include <functional>
#include <mutex>

class CWorkerLink {
public:
    CWorkerLink() = default;
    virtual ~CWorkerLink() = default;
    CWorkerLink(const CWorkerLink&) = delete;
    CWorkerLink& operator=(const CWorkerLink&) = delete;

    // Owner's thread. Once it returns the worker reports nothing more and touches nothing of the
    // owner's; it ends and deletes itself on its own. Harmless after the worker has ended. It
    // waits at most for one step the worker holds Lock() for, never for the network or the owner.
    void Stop();
    bool IsStopped() const { return m_bStopped.load(std::memory_order_acquire); }

    // Worker's side: how Stop reaches the worker while it lives. The worker attaches nothing
    // before it goes, so Stop never reaches a destroyed worker.
    void Attach(std::function<void()> halt);
    // Held by the worker for a step Stop must not cut in half (a file write, a post), and never
    // while it waits for the owner.
    std::unique_lock<std::mutex> Lock() const { return std::unique_lock(m_mutex); }

private:
    mutable std::mutex m_mutex;
    std::function<void()> m_halt;
    std::atomic<bool> m_bStopped{false};
};

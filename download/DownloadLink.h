#pragma once
// What a download worker and its owner share. The worker deletes itself when its thread ends,
// possibly before the owner has handled the messages it posted; so the values the owner reads,
// and the way to stop the worker, live in this record, which both hold until they are done.
#include <atomic>
#include <mutex>
#include <string>

class CDownloadFile;

struct CDownloadLink {
    // Valid once DL_HEAD has been posted; it never changes afterwards.
    std::string GetLengthText() const;
    // Body bytes counted so far (the rest of an unfinished head included).
    long long GetReceived() const { return received.load(std::memory_order_acquire); }
    // True once the owner has stopped the worker; a posted DL_HEAD or DL_DONE that arrives
    // afterwards is to be dropped.
    bool IsStopped() const { return stopped.load(std::memory_order_acquire); }
    // Owner's thread. Once it returns the worker reports nothing more and writes no file; it
    // ends and deletes itself on its own. Harmless after the worker has ended. It may wait for
    // one bounded file write that is under way; it never waits for the network or the owner.
    void Stop();
    // Owner's thread, on a posted DL_HEAD or DL_DONE: true once for each notice this worker
    // posted. A row that was started again holds the new worker's link, so a notice the earlier
    // worker posted finds nothing to take here and is dropped.
    bool TakeHead() { return headPosted.exchange(false, std::memory_order_acq_rel); }
    bool TakeDone() { return donePosted.exchange(false, std::memory_order_acq_rel); }

    // Held for a file write step, a post and the worker's destruction; never while sending.
    mutable std::mutex mutex;
    CDownloadFile* worker = nullptr;   // null once the worker is being destroyed
    std::string lengthText;
    std::atomic<long long> received{0};
    std::atomic<bool> stopped{false};
    std::atomic<bool> headPosted{false};
    std::atomic<bool> donePosted{false};
};

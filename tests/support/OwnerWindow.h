#pragma once
// A real top-level window (hidden) on the test's thread that records the messages workers send
// or post to it, and waits for them while pumping the thread's messages.
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class OwnerWindow {
public:
    OwnerWindow();
    ~OwnerWindow();
    OwnerWindow(const OwnerWindow&) = delete;
    OwnerWindow& operator=(const OwnerWindow&) = delete;

    HWND Handle() const { return m_hWnd; }
    const std::vector<Received>& Messages() const { return m_messages; }
    void Clear() { m_messages.clear(); }
    // Runs for every recorded message, on this thread, while the sender waits (if it sent).
    std::function<void(const Received&)> onMessage;

    // Pumps messages until `done` holds; false after the time-out.
    bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    bool WaitFor(UINT message, std::chrono::milliseconds timeout);
    // Pumps until the handle (a thread's, say) is signalled, then delivers whatever was still
    // queued; false after the time-out. Once a worker's thread has ended, every message it sent
    // or posted has arrived, so this is how a test knows that nothing more can come.
    bool WaitForHandle(HANDLE handle, std::chrono::milliseconds timeout);
    std::size_t Count(UINT message) const;

private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND m_hWnd = nullptr;
    std::vector<Received> m_messages;
};

// Pumps this thread's messages until `done` holds; false after the time-out.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
// Like PumpUntil, but only messages other threads send are handled; posted ones stay queued.
bool ServeSentUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// Threads of this process, for tests that check workers end.
std::size_t ThreadCount();
// The value the next new handle gets. Handle tables hand out the lowest free entry, so a handle
// leaked anywhere in between shows as a different value afterwards. (GetProcessHandleCount
// reports 0 under Wine.)
std::uintptr_t NextHandleValue();

// Describes a message list as text, for failure output: "1025(11,0) 1025(9,0) ...".
std::string Describe(const std::vector<Received>& messages);

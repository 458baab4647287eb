#pragma once
// Plays the user while the test's thread sits in a modal loop of the code under test (a
// property sheet, the Save As dialog, the folder browser): a thread of its own waits for the
// dialogs the test's thread opens and works them with the messages a user's actions produce.
// Message boxes are left to a MessageBoxAnswerer on the test's thread.
//
// The script waits for events (a dialog ready, a dialog gone) with time-outs that fail the
// test. Whatever it leaves open when it ends (after a failed expectation, say) is cancelled, so
// the test's modal loop returns.
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class UserThread {
public:
    using Script = std::function<void(UserThread& user)>;

    // Call on the test's thread, before it opens the first dialog.
    explicit UserThread(Script script);
    // Waits (pumping this thread's messages) for the script to end.
    ~UserThread();
    UserThread(const UserThread&) = delete;
    UserThread& operator=(const UserThread&) = delete;

    // A top-level dialog of the test's thread with this caption, opened after `after` (a count
    // from DialogsSeen), whose WM_INITDIALOG has returned; null after the time-out (the test has
    // failed then).
    HWND WaitForDialog(const std::string& caption, std::size_t after = 0);
    // A top-level dialog owned (directly) by the window.
    HWND WaitForDialogOwnedBy(HWND owner, std::size_t after = 0);
    std::size_t DialogsSeen() const;
    bool WaitUntilGone(HWND window);

    // A push button pressed: BN_CLICKED reaches the dialog and has been handled when this
    // returns; message boxes on the way are answered on the test's thread. Then the modal loop
    // is woken, so a dialog that ended closes.
    void Press(HWND dialog, int id);
    // The same without waiting: for a button that opens a dialog the script works next.
    void PressLater(HWND dialog, int id);
    // A mouse click on a button, as a radio button needs it to check itself.
    void Click(HWND button);
    // A mouse click on a tab of a tab control.
    void ClickTab(HWND tabs, int index);
    void SetText(HWND control, const std::string& text);
    static std::string Text(HWND window);
    // The window with the keyboard focus on the test's thread.
    HWND Focus() const;

    static constexpr std::chrono::seconds kTimeout{30};

private:
    struct Seen {
        HWND hwnd;
        HWND owner;
        std::string caption;
        bool gone;
    };
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    HWND WaitFor(const std::function<bool(const Seen&)>& match, std::size_t after, const std::string& what);
    void CancelWhatIsOpen();
    void Wake(HWND dialog);

    DWORD m_uiThread;
    HHOOK m_hook;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Seen> m_seen;
    HANDLE m_hDone;
    std::thread m_thread;
};

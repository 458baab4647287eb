#include "UserThread.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>

#include "OwnerWindow.h"   // PumpUntil

namespace {

UserThread* s_self = nullptr;   // one at a time; the hook runs on the test's thread

bool SendWaiting(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr)
{
    DWORD_PTR answer = 0;
    const UINT timeout = static_cast<UINT>(std::chrono::milliseconds(UserThread::kTimeout).count());
    const bool done = ::SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, timeout, &answer) != 0;
    if (result) *result = static_cast<LRESULT>(answer);
    return done;
}

} // namespace

UserThread::UserThread(Script script)
    : m_uiThread(::GetCurrentThreadId()),
      m_hook(::SetWindowsHookExA(WH_CALLWNDPROCRET, &UserThread::Hook, nullptr, ::GetCurrentThreadId())),
      m_hDone(::CreateEventA(nullptr, TRUE, FALSE, nullptr))
{
    s_self = this;
    m_thread = std::thread([this, script = std::move(script)] {
        script(*this);
        // The script's last action may have ended a dialog that has not gone yet.
        const auto allGone = [this] {
            for (const Seen& seen : m_seen)
                if (!seen.gone) return false;
            return true;
        };
        std::unique_lock lock(m_mutex);
        if (!m_changed.wait_for(lock, kTimeout, allGone)) {
            for (const Seen& seen : m_seen)
                if (!seen.gone) ADD_FAILURE() << "the user left \"" << seen.caption << "\" open";
            lock.unlock();
            CancelWhatIsOpen();
            lock.lock();
            m_changed.wait_for(lock, kTimeout, allGone);
        }
        ::SetEvent(m_hDone);
    });
}

UserThread::~UserThread()
{
    const bool ended = PumpUntil([this] { return ::WaitForSingleObject(m_hDone, 0) == WAIT_OBJECT_0; },
                                 3 * std::chrono::milliseconds(kTimeout));
    if (!ended) {
        // The thread still uses this object; nothing sensible can follow.
        std::fprintf(stderr, "the user's script did not end\n");
        std::abort();
    }
    m_thread.join();
    ::UnhookWindowsHookEx(m_hook);
    ::CloseHandle(m_hDone);
    s_self = nullptr;
}

LRESULT CALLBACK UserThread::Hook(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    UserThread* self = s_self;
    if (self && code == HC_ACTION && (call->message == WM_INITDIALOG || call->message == WM_NCDESTROY)) {
        const bool topLevel = !(::GetWindowLongPtrA(call->hwnd, GWL_STYLE) & WS_CHILD);
        std::lock_guard lock(self->m_mutex);
        if (call->message == WM_INITDIALOG && topLevel) {
            char caption[256] = {};
            ::GetWindowTextA(call->hwnd, caption, sizeof caption);
            self->m_seen.push_back({call->hwnd, ::GetWindow(call->hwnd, GW_OWNER), caption, false});
        } else if (call->message == WM_NCDESTROY) {
            for (Seen& seen : self->m_seen)
                if (seen.hwnd == call->hwnd) seen.gone = true;
        }
        self->m_changed.notify_all();
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

HWND UserThread::WaitFor(const std::function<bool(const Seen&)>& match, std::size_t after, const std::string& what)
{
    std::unique_lock lock(m_mutex);
    HWND found = nullptr;
    const bool seen = m_changed.wait_for(lock, kTimeout, [&] {
        for (std::size_t i = after; i < m_seen.size(); ++i) {
            if (!m_seen[i].gone && match(m_seen[i])) {
                found = m_seen[i].hwnd;
                return true;
            }
        }
        return false;
    });
    if (!seen) ADD_FAILURE() << "no " << what << " opened";
    return found;
}

HWND UserThread::WaitForDialog(const std::string& caption, std::size_t after)
{
    return WaitFor([&](const Seen& s) { return s.caption == caption; }, after, "dialog \"" + caption + "\"");
}

HWND UserThread::WaitForDialogOwnedBy(HWND owner, std::size_t after)
{
    return WaitFor([&](const Seen& s) { return s.owner == owner; }, after, "dialog owned by the window");
}

std::size_t UserThread::DialogsSeen() const
{
    std::lock_guard lock(m_mutex);
    return m_seen.size();
}

bool UserThread::WaitUntilGone(HWND window)
{
    std::unique_lock lock(m_mutex);
    const bool gone = m_changed.wait_for(lock, kTimeout, [&] {
        for (const Seen& seen : m_seen)
            if (seen.hwnd == window && !seen.gone) return false;
        return true;
    });
    if (!gone) ADD_FAILURE() << "the dialog did not close";
    return gone;
}

void UserThread::CancelWhatIsOpen()
{
    std::vector<HWND> open;
    {
        std::lock_guard lock(m_mutex);
        for (const Seen& seen : m_seen)
            if (!seen.gone) open.push_back(seen.hwnd);
    }
    for (auto it = open.rbegin(); it != open.rend(); ++it) ::PostMessageA(*it, WM_COMMAND, IDCANCEL, 0);
}

void UserThread::Wake(HWND dialog)
{
    // A modal loop looks at its end flag only after a posted message.
    ::PostMessageA(::GetAncestor(dialog, GA_ROOT), WM_NULL, 0, 0);
}

void UserThread::Press(HWND dialog, int id)
{
    const LPARAM button = reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id));
    EXPECT_TRUE(SendWaiting(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), button)) << "button " << id << " hung";
    Wake(dialog);
}

void UserThread::PressLater(HWND dialog, int id)
{
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

void UserThread::Click(HWND button)
{
    EXPECT_TRUE(SendWaiting(button, BM_CLICK, 0, 0)) << "the click hung";
    Wake(button);
}

void UserThread::ClickTab(HWND tabs, int index)
{
    RECT rect{};
    ASSERT_TRUE(SendWaiting(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect)));
    const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    EXPECT_TRUE(SendWaiting(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at)) << "the tab click hung";
    SendWaiting(tabs, WM_LBUTTONUP, 0, at);
    Wake(tabs);
}

void UserThread::SetText(HWND control, const std::string& text)
{
    EXPECT_TRUE(SendWaiting(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

std::string UserThread::Text(HWND window)
{
    char text[1024] = {};
    LRESULT len = 0;
    SendWaiting(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), &len);
    return std::string(text, static_cast<std::size_t>(len));
}

HWND UserThread::Focus() const
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return ::GetGUIThreadInfo(m_uiThread, &info) ? info.hwndFocus : nullptr;
}

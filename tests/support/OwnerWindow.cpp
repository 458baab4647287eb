#include "OwnerWindow.h"

#include <tlhelp32.h>

#include <algorithm>

#include "CHttpClient.h"

namespace {
constexpr const char* kClassName = "TarnwickTestOwner";
}

OwnerWindow::OwnerWindow()
{
    WNDCLASSA cls{};
    cls.lpfnWndProc = &OwnerWindow::WindowProc;
    cls.hInstance = ::GetModuleHandleA(nullptr);
    cls.lpszClassName = kClassName;
    ::RegisterClassA(&cls);   // fails harmlessly when a previous window registered it
    m_hWnd = ::CreateWindowExA(0, kClassName, "owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                               nullptr, nullptr, cls.hInstance, this);
}

OwnerWindow::~OwnerWindow()
{
    if (m_hWnd) ::DestroyWindow(m_hWnd);
}

LRESULT CALLBACK OwnerWindow::WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        ::SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<OwnerWindow*>(::GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    if (self && message >= WM_USER && message < 0x8000) {
        // A message a stopped worker had already sent before Stop is dropped, as a real owner does.
        if (CHttpClient::IsFromStoppedSender()) return 0;
        const Received received{message, wParam, lParam};
        self->m_messages.push_back(received);
        if (self->onMessage) self->onMessage(received);
        return 0;
    }
    return ::DefWindowProcA(hWnd, message, wParam, lParam);
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (done()) return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<long long>(left.count(), 50)), QS_ALLINPUT);
    }
}

std::size_t ThreadCount()
{
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    std::size_t count = 0;
    for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == ::GetCurrentProcessId()) ++count;
    ::CloseHandle(snapshot);
    return count;
}

std::uintptr_t NextHandleValue()
{
    HANDLE probe = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ::CloseHandle(probe);
    return reinterpret_cast<std::uintptr_t>(probe);
}

bool ServeSentUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        MSG msg;
        ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        if (done()) return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<long long>(left.count(), 50)), QS_SENDMESSAGE);
    }
}

bool OwnerWindow::WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    return PumpUntil(done, timeout);
}

bool OwnerWindow::WaitFor(UINT message, std::chrono::milliseconds timeout)
{
    return WaitUntil([&] { return Count(message) > 0; }, timeout);
}

bool OwnerWindow::WaitForHandle(HANDLE handle, std::chrono::milliseconds timeout)
{
    const bool ended = WaitUntil([&] { return ::WaitForSingleObject(handle, 0) == WAIT_OBJECT_0; }, timeout);
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return ended;
}

std::size_t OwnerWindow::Count(UINT message) const
{
    return static_cast<std::size_t>(std::count_if(m_messages.begin(), m_messages.end(),
                                                  [&](const Received& r) { return r.message == message; }));
}

std::string Describe(const std::vector<Received>& messages)
{
    std::string text;
    for (const Received& r : messages) {
        text += std::to_string(r.message) + "(" + std::to_string(r.wParam) + "," +
                std::to_string(static_cast<long long>(r.lParam)) + ") ";
    }
    return text;
}

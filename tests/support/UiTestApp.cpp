#include "UiTestApp.h"

#include <commctrl.h>

namespace {
thread_local MessageBoxAnswerer* t_answerer = nullptr;

std::string TextOf(HWND hWnd)
{
    char text[1024] = {};
    ::GetWindowTextA(hWnd, text, sizeof text);
    return text;
}

BOOL CALLBACK CollectText(HWND child, LPARAM param)
{
    char className[16] = {};
    ::GetClassNameA(child, className, sizeof className);
    auto* longest = reinterpret_cast<std::string*>(param);
    if (lstrcmpiA(className, "Static") == 0 && !(::GetWindowLongPtrA(child, GWL_STYLE) & SS_ICON)) {
        std::string text = TextOf(child);
        if (text.size() > longest->size()) *longest = text;
    }
    return TRUE;
}
}

CUiTestApp::CUiTestApp() : CWinApp("Tarnwick")
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    ::InitCommonControlsEx(&controls);
    SetRegistryKey("Orlebar");
    m_hInstance = ::GetModuleHandleA(nullptr);
}

void ClearProfile()
{
    ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Orlebar\\Tarnwick");
}

MessageBoxAnswerer::MessageBoxAnswerer(int answer, const char* caption)
    : m_answer(answer), m_caption(caption),
      m_hook(::SetWindowsHookExA(WH_CBT, &MessageBoxAnswerer::Hook, nullptr, ::GetCurrentThreadId()))
{
    t_answerer = this;
}

MessageBoxAnswerer::~MessageBoxAnswerer()
{
    ::UnhookWindowsHookEx(m_hook);
    t_answerer = nullptr;
}

LRESULT CALLBACK MessageBoxAnswerer::Hook(int code, WPARAM wParam, LPARAM lParam)
{
    MessageBoxAnswerer* self = t_answerer;
    if (self && code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wParam);
        char className[16] = {};
        ::GetClassNameA(box, className, sizeof className);
        if (lstrcmpA(className, "#32770") == 0 && TextOf(box) == self->m_caption) {
            std::string text;
            ::EnumChildWindows(box, &CollectText, reinterpret_cast<LPARAM>(&text));
            self->texts.push_back(text);
            self->owners.push_back(::GetWindow(box, GW_OWNER));
            ::PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(self->m_answer), 0);
        }
    }
    return ::CallNextHookEx(self ? self->m_hook : nullptr, code, wParam, lParam);
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const DWORD timeoutMs = static_cast<DWORD>(timeout.count());
    const DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (done()) return true;
        if (::GetTickCount() - start > timeoutMs) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
}

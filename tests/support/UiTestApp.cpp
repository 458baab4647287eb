#include "UiTestApp.h"

#include <commctrl.h>

#include "CListView.h"
#include "RemoteProgram.h"

namespace {
thread_local MessageBoxAnswerer* t_answerer = nullptr;
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
        if (lstrcmpA(className, "#32770") == 0 && WindowText(box) == self->m_caption) {
            self->texts.push_back(MessageText(box));
            self->owners.push_back(::GetWindow(box, GW_OWNER));
            ::PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(self->m_answer), 0);
        }
    }
    return ::CallNextHookEx(self ? self->m_hook : nullptr, code, wParam, lParam);
}

std::string ListItemText(HWND list, int row, int column)
{
    return std::string(CListCtrl(list).GetItemText(row, column).View());
}

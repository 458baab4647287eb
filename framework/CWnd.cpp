#include "CWnd.h"

#include <exception>
#include <vector>

namespace {

constexpr const char* kObjectProperty = "TarnwickCWnd";

thread_local CWnd* t_pWndInit = nullptr;
thread_local HHOOK t_hHook = nullptr;
thread_local bool t_bLastAttached = false;

bool IsCtlColor(UINT message)
{
    return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
}

} // namespace

const MessageTable CWnd::s_messageTable = MakeTable(&CCmdTarget::s_messageTable);

LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND && t_pWndInit) {
        CWnd* wnd = t_pWndInit;
        t_pWndInit = nullptr;
        HWND hWnd = reinterpret_cast<HWND>(wParam);
        wnd->Attach(hWnd);
        wnd->PreSubclassWindow();
        wnd->m_pfnSuper = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StandardWndProc)));
    }
    return ::CallNextHookEx(t_hHook, code, wParam, lParam);
}

void CWnd::HookWindowCreate(CWnd* wnd)
{
    if (!t_hHook) t_hHook = ::SetWindowsHookExA(WH_CBT, &CbtHook, nullptr, ::GetCurrentThreadId());
    t_pWndInit = wnd;
}

bool CWnd::UnhookWindowCreate()
{
    const bool attached = t_pWndInit == nullptr;
    t_pWndInit = nullptr;
    if (t_hHook) {
        ::UnhookWindowsHookEx(t_hHook);
        t_hHook = nullptr;
    }
    return attached;
}

CWnd::~CWnd()
{
    if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
    if (m_hWnd) Detach();
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    return hWnd ? static_cast<CWnd*>(::GetPropA(hWnd, kObjectProperty)) : nullptr;
}

void CWnd::Attach(HWND hWnd)
{
    m_hWnd = hWnd;
    ::SetPropA(hWnd, kObjectProperty, this);
}

HWND CWnd::Detach()
{
    HWND hWnd = m_hWnd;
    if (hWnd) ::RemovePropA(hWnd, kObjectProperty);
    m_hWnd = nullptr;
    return hWnd;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCTA&)
{
    return TRUE;
}

BOOL CWnd::CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menuOrId, void* param)
{
    CREATESTRUCTA cs{};
    cs.dwExStyle = exStyle;
    cs.lpszClass = className;
    cs.lpszName = title;
    cs.style = static_cast<LONG>(style);
    cs.x = x;
    cs.y = y;
    cs.cx = width;
    cs.cy = height;
    cs.hwndParent = parent;
    cs.hMenu = menuOrId;
    cs.hInstance = AfxGetInstanceHandle();
    cs.lpCreateParams = param;
    if (!PreCreateWindow(cs)) return FALSE;

    HookWindowCreate(this);
    HWND hWnd = ::CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style), cs.x, cs.y,
                                  cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    t_bLastAttached = UnhookWindowCreate();
    return hWnd != nullptr;
}

bool CWnd::LastCreateAttached()
{
    return t_bLastAttached;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!hWnd || FromHandlePermanent(hWnd)) return FALSE;
    Attach(hWnd);
    PreSubclassWindow();
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StandardWndProc)));
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent)
{
    return SubclassWindow(::GetDlgItem(parent->m_hWnd, static_cast<int>(id)));
}

BOOL CWnd::DestroyWindow()
{
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}

LRESULT CALLBACK CWnd::StandardWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* wnd = FromHandlePermanent(hWnd);
    if (!wnd) return ::DefWindowProcA(hWnd, message, wParam, lParam);
    // No exception may cross the window procedure into the system's code. One that reaches
    // here is a fault of our own, so the process stops where a debugger can see it.
    try {
        if (message != WM_NCDESTROY) return wnd->WindowProc(message, wParam, lParam);
        WNDPROC super = wnd->m_pfnSuper;
        const LRESULT result = wnd->WindowProc(message, wParam, lParam);
        // The window is gone: restore the class's procedure, let go of it, and let the object
        // clean up after itself (frames and views delete themselves here).
        if (super) ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(super));
        wnd->m_pfnSuper = nullptr;
        wnd->Detach();
        wnd->PostNcDestroy();
        return result;
    } catch (...) {
        std::terminate();
    }
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper) return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (message == WM_COMMAND) {
        if (OnCommand(wParam, lParam)) return 0;
    } else if (message == WM_NOTIFY) {
        if (OnNotify(wParam, lParam, &result)) return result;
    } else if (IsCtlColor(message)) {
        CWnd* child = FromHandlePermanent(reinterpret_cast<HWND>(lParam));
        if (child && child->OnChildNotify(message, wParam, lParam, &result)) return result;
    }
    if (const MessageEntry* entry = FindEntry(EntryKind::Message, message, 0))
        return entry->thunk(this, wParam, lParam);
    return DefWindowProc(message, wParam, lParam);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT id = LOWORD(wParam);
    int code = HIWORD(wParam);
    HWND control = reinterpret_cast<HWND>(lParam);
    if (control) {
        CWnd* child = FromHandlePermanent(control);
        if (child && child->OnChildNotify(WM_COMMAND, wParam, lParam, nullptr)) return TRUE;
    } else {
        code = CN_COMMAND;   // menus (0) and accelerators (1) alike
    }
    return OnCmdMsg(id, code, nullptr);
}

BOOL CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    CWnd* child = FromHandlePermanent(header->hwndFrom);
    return child && child != this && child->OnChildNotify(WM_NOTIFY, wParam, lParam, result);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    const MessageEntry* entry = nullptr;
    if (message == WM_COMMAND) {
        entry = FindEntry(EntryKind::ReflectCommand, HIWORD(wParam), 0);
    } else if (message == WM_NOTIFY) {
        entry = FindEntry(EntryKind::ReflectNotify, reinterpret_cast<NMHDR*>(lParam)->code, 0);
    } else if (IsCtlColor(message)) {
        entry = FindEntry(EntryKind::Message, WM_REFLECT_CTLCOLOR, 0);
        if (!entry) return FALSE;
        const LRESULT brush = entry->thunk(this, wParam, message - WM_CTLCOLORMSGBOX);
        if (!brush) return FALSE;
        *result = brush;
        return TRUE;
    }
    if (!entry) return FALSE;
    const LRESULT handled = entry->thunk(this, wParam, lParam);
    if (result) *result = handled;
    return TRUE;
}

BOOL CWnd::PreTranslateMessage(MSG*)
{
    return FALSE;
}

BOOL CWnd::WalkPreTranslateTree(HWND stop, MSG* msg)
{
    for (HWND hWnd = msg->hwnd; hWnd; hWnd = ::GetParent(hWnd)) {
        if (CWnd* wnd = FromHandlePermanent(hWnd)) {
            if (wnd->PreTranslateMessage(msg)) return TRUE;
        }
        if (hWnd == stop) break;
    }
    return FALSE;
}

CString CWnd::GetWindowText() const
{
    const int len = ::GetWindowTextLengthA(m_hWnd);
    std::vector<char> text(static_cast<std::size_t>(len) + 1);
    const int got = ::GetWindowTextA(m_hWnd, text.data(), len + 1);
    return CString(text.data(), static_cast<std::size_t>(got));
}

CString CWnd::GetDlgItemText(int id) const
{
    HWND item = GetDlgItem(id);
    if (!item) return CString();
    const int len = ::GetWindowTextLengthA(item);
    std::vector<char> text(static_cast<std::size_t>(len) + 1);
    const int got = ::GetWindowTextA(item, text.data(), len + 1);
    return CString(text.data(), static_cast<std::size_t>(got));
}

void CWnd::ModifyStyle(DWORD remove, DWORD add)
{
    const DWORD style = (GetStyle() & ~remove) | add;
    ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(style));
}

int CWnd::MessageBox(const char* text, const char* caption, UINT type)
{
    return ::MessageBoxA(m_hWnd, text, caption ? caption : AfxGetAppName(), type);
}

int AfxMessageBox(const char* text, UINT type)
{
    if ((type & MB_ICONMASK) == 0 && (type & MB_TYPEMASK) == MB_OK) type |= MB_ICONEXCLAMATION;
    HWND owner = ::GetActiveWindow();
    return ::MessageBoxA(owner, text, AfxGetAppName(), type);
}

CString LoadStringResource(UINT id)
{
    // LoadStringA cannot tell the length beforehand; grow until the text fits.
    std::vector<char> buffer(256);
    for (;;) {
        const int got = ::LoadStringA(AfxGetInstanceHandle(), id, buffer.data(), static_cast<int>(buffer.size()));
        if (got < static_cast<int>(buffer.size()) - 1) return CString(buffer.data(), static_cast<std::size_t>(got));
        buffer.resize(buffer.size() * 2);
    }
}

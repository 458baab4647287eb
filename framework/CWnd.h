#pragma once
// A window: an HWND with a C++ object attached. Every window the framework creates (its own
// classes and the system's controls alike) is subclassed at creation, so all of its messages,
// WM_NCCREATE included, pass through WindowProc and the class's message table; what no entry
// handles goes to the window class's own procedure.
#include <windows.h>

#include "CCmdTarget.h"
#include "CString.h"

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    // Destroys a window that is still there. That runs after a derived class's members are
    // gone, so a class whose window uses resources it owns (a font, say) destroys the window
    // in its own destructor first.
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;
    operator HWND() const { return m_hWnd; }

    // The object attached to a window, or null for windows the framework does not know.
    static CWnd* FromHandlePermanent(HWND hWnd);

    BOOL CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y,
                  int width, int height, HWND parent, HMENU menuOrId, void* param = nullptr);
    // Whether the last CreateEx of this thread got as far as a window (which, if creation then
    // failed, has been destroyed again, and a self-deleting object with it).
    static bool LastCreateAttached();
    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    BOOL DestroyWindow();

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
    // A control's own notification, reflected back to it by its parent.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    virtual BOOL PreTranslateMessage(MSG* msg);
    virtual BOOL PreCreateWindow(CREATESTRUCTA& cs);
    virtual void PreSubclassWindow() {}
    // After the last message; frames and views delete themselves here.
    virtual void PostNcDestroy() {}

    // Offers a message to PreTranslateMessage of every framework window from the target up to
    // (and including) `stop`; true when one of them took it.
    static BOOL WalkPreTranslateTree(HWND stop, MSG* msg);

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::PostMessageA(m_hWnd, message, wParam, lParam);
    }
    void SetWindowText(const char* text) { ::SetWindowTextA(m_hWnd, text); }
    CString GetWindowText() const;
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    void SetDlgItemText(int id, const char* text) { ::SetDlgItemTextA(m_hWnd, id, text); }
    CString GetDlgItemText(int id) const;
    BOOL ShowWindow(int show) { return ::ShowWindow(m_hWnd, show); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
    void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
    void GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
    HWND GetParentHwnd() const { return ::GetParent(m_hWnd); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_STYLE)); }
    void ModifyStyle(DWORD remove, DWORD add);
    HFONT GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }
    void SetFont(HFONT font, BOOL redraw = TRUE) { SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw); }
    void SetFocus() { ::SetFocus(m_hWnd); }
    // A message box owned by this window, titled with the application's name by default.
    int MessageBox(const char* text, const char* caption = nullptr, UINT type = MB_OK);

    static const MessageTable s_messageTable;
    const MessageTable* GetMessageTable() const override { return &s_messageTable; }

protected:
    void Attach(HWND hWnd);
    HWND Detach();
    static LRESULT CALLBACK StandardWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Hooks the next window this thread creates, to attach and subclass it at once.
    static void HookWindowCreate(CWnd* wnd);
    static bool UnhookWindowCreate();

    WNDPROC m_pfnSuper = nullptr;

private:
    friend LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam);
};

// A message box owned by the active window (or none), titled with the application's name; a
// plain OK box gets the exclamation icon.
int AfxMessageBox(const char* text, UINT type = MB_OK);
const char* AfxGetAppName();
HINSTANCE AfxGetInstanceHandle();
// The text of a string resource; empty when there is none.
CString LoadStringResource(UINT id);

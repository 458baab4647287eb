#include "CShockwaveFlash.h"

#include <oleauto.h>

#include <string>

#include "CMovieWindow.h"
#include "WinStrings.h"

const CLSID CShockwaveFlash::kClassId = {0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

CShockwaveFlash::~CShockwaveFlash()
{
    DestroyControl();
}

void CShockwaveFlash::DestroyControl()
{
    // The control's window belongs to the control: closing it takes the window away. The
    // built-in player's window is ours to destroy.
    HWND window = Detach();
    m_host.Destroy();
    if (m_bBuiltIn && window && ::IsWindow(window)) ::DestroyWindow(window);
    m_bBuiltIn = false;
}

BOOL CShockwaveFlash::Create(const char* windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    if (!parent) return FALSE;
    if (FAILED(m_host.Create(kClassId, parent->m_hWnd, rect))) {
        // No Shockwave Flash here: the built-in player takes the control's place.
        if (!MovieWindow::Register()) return FALSE;
        HWND player = ::CreateWindowExA(0, MovieWindow::kClassName, windowName ? windowName : "", style | WS_CHILD,
                                        rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                                        parent->m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                        ::GetModuleHandleA(nullptr), nullptr);
        if (!player) return FALSE;
        Attach(player);
        m_bBuiltIn = true;
        return TRUE;
    }
    HWND control = m_host.GetControlWindow();
    if (control) {
        Attach(control);
        ::SetWindowLongPtrA(control, GWLP_ID, static_cast<LONG_PTR>(id));
        if (windowName) ::SetWindowTextA(control, windowName);
        if (style & WS_VISIBLE) ::ShowWindow(control, SW_SHOWNA);
    }
    return TRUE;
}

void CShockwaveFlash::SetMovie(const char* path)
{
    if (m_bBuiltIn) {
        SendMessage(PLAYER_SETMOVIE, 0, reinterpret_cast<LPARAM>(path ? path : ""));
        return;
    }
    VARIANT value;
    ::VariantInit(&value);
    value.vt = VT_BSTR;
    const std::wstring wide = WideText(path ? path : "");
    value.bstrVal = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    m_host.PutProperty(DISPID_MOVIE, value);
    ::VariantClear(&value);
}

void CShockwaveFlash::Play()
{
    if (m_bBuiltIn) {
        SendMessage(PLAYER_PLAY);
        return;
    }
    m_host.CallMethod(DISPID_PLAY);
}

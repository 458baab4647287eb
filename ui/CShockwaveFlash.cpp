#include "CShockwaveFlash.h"

#include <oleauto.h>

#include <string>

const CLSID CShockwaveFlash::kClassId = {0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

CShockwaveFlash::~CShockwaveFlash()
{
    DestroyControl();
}

void CShockwaveFlash::DestroyControl()
{
    // The control's window belongs to the control: closing it takes the window away.
    Detach();
    m_host.Destroy();
}

BOOL CShockwaveFlash::Create(const char* windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    if (!parent || FAILED(m_host.Create(kClassId, parent->m_hWnd, rect))) return FALSE;
    HWND control = m_host.GetControlWindow();
    if (control) {
        Attach(control);
        ::SetWindowLongPtrA(control, GWLP_ID, static_cast<LONG_PTR>(id));
        if (windowName) ::SetWindowTextA(control, windowName);
        if (style & WS_VISIBLE) ::ShowWindow(control, SW_SHOWNA);
    }
    return TRUE;
}

namespace {

BSTR WideCopy(const char* text)
{
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    BSTR wide = ::SysAllocStringLen(nullptr, static_cast<UINT>(length > 0 ? length - 1 : 0));
    if (wide && length > 0) ::MultiByteToWideChar(CP_ACP, 0, text, -1, wide, length);
    return wide;
}

} // namespace

void CShockwaveFlash::SetMovie(const char* path)
{
    VARIANT value;
    ::VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = WideCopy(path ? path : "");
    m_host.PutProperty(DISPID_MOVIE, value);
    ::VariantClear(&value);
}

void CShockwaveFlash::Play()
{
    m_host.CallMethod(DISPID_PLAY);
}

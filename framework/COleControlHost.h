#pragma once
// Hosts one ActiveX control in place inside a window of ours: the smallest container a control
// accepts (a client site, an in-place site and a frame that offer nothing more). The control
// draws in a child window of its own; its automation interface sets properties and calls
// methods.
#include <windows.h>
#include <ole2.h>

#include "ScopedHandles.h"

class COleControlHost {
public:
    COleControlHost() = default;
    ~COleControlHost() { Destroy(); }
    COleControlHost(const COleControlHost&) = delete;
    COleControlHost& operator=(const COleControlHost&) = delete;

    // Creates the control of `clsid` and activates it in place over `rect` (client coordinates
    // of `parent`). Fails when the class is not registered or the control will not activate.
    HRESULT Create(REFCLSID clsid, HWND parent, const RECT& rect);
    // Deactivates and closes the control; its window goes with it.
    void Destroy();

    // The control's own window; null for a windowless control.
    HWND GetControlWindow() const { return m_hControl; }

    HRESULT PutProperty(DISPID id, const VARIANT& value);
    HRESULT CallMethod(DISPID id);

private:
    class Site;

    ComPtr<IOleClientSite> m_pSite;   // our Site
    ComPtr<IOleObject> m_pObject;
    ComPtr<IOleInPlaceObject> m_pInPlace;
    ComPtr<IDispatch> m_pDispatch;
    HWND m_hControl = nullptr;
};

#pragma once
// The Flash Viewer's movie control: the Shockwave Flash ActiveX control, hosted in place, when
// its class is registered. The viewer drives it through two calls of its automation interface.
#include <windows.h>

#include "COleControlHost.h"
#include "CWnd.h"

class CShockwaveFlash : public CWnd {
public:
    static const CLSID kClassId;   // {D27CDB6E-AE6D-11CF-96B8-444553540000}
    static constexpr DISPID DISPID_MOVIE = 102;
    static constexpr DISPID DISPID_PLAY = 112;

    CShockwaveFlash() = default;
    ~CShockwaveFlash() override;

    // A control of kClassId over `rect` of `parent`, with identifier `id`. False when the class
    // is not registered or the control cannot be shown.
    virtual BOOL Create(const char* windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id);
    // The movie property (property put, one string).
    void SetMovie(const char* path);
    // The play method (no arguments).
    void Play();
    // Closes the control (its window goes with it); harmless when there is none.
    void DestroyControl();

private:
    COleControlHost m_host;
};

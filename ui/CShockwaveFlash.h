#pragma once
// The Flash Viewer's movie control: the Shockwave Flash ActiveX control, hosted in place, when
// its class is registered; otherwise the built-in player window. The viewer drives either
// through the same two calls.
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

    // A control of kClassId over `rect` of `parent`, with identifier `id`, or the built-in
    // player when that class is not registered or will not activate. False when neither can be
    // shown.
    virtual BOOL Create(const char* windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id);
    // The movie property (property put, one string).
    void SetMovie(const char* path);
    // The play method (no arguments).
    void Play();
    // Closes the control (its window goes with it); harmless when there is none.
    void DestroyControl();
    // Whether the built-in player stands in for the control.
    bool IsBuiltInPlayer() const { return m_bBuiltIn; }

private:
    COleControlHost m_host;
    bool m_bBuiltIn = false;
};

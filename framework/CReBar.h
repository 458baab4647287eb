#pragma once
// A rebar holding control bars as bands.
#include <windows.h>
#include <commctrl.h>

#include "CWnd.h"

class CReBar : public CWnd {
public:
    BOOL Create(HWND parent, DWORD controlStyle, DWORD style, UINT id);
    // Adds the bar as a band sized to its buttons, without text or background bitmap.
    BOOL AddBar(CWnd* bar, DWORD bandStyle);
    // Fits the band that holds the bar to the bar's buttons again (after they changed size).
    BOOL UpdateBar(CWnd* bar);
};

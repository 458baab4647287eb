#pragma once
// A status bar: the message pane, then indicator panes whose texts are string resources.
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "CWnd.h"

class CStatusBar : public CWnd {
public:
    BOOL Create(HWND parent, DWORD style, UINT id);
    BOOL SetIndicators(const UINT* ids, int count);
    void SetPaneText(int index, const char* text) { SendMessage(SB_SETTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text)); }
    CString GetPaneText(int index) const;
    // Shows each key indicator's text while its key is toggled on.
    void UpdateIndicators();
    void LayoutPanes();

private:
    std::vector<UINT> m_ids;
    std::vector<CString> m_texts;
};

#pragma once
// A status bar: the message pane, then indicator panes whose texts are string resources.
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "CWnd.h"
#include "ScopedHandles.h"

class CStatusBar : public CWnd {
public:
    CStatusBar() = default;
    // The window goes before the font it draws with.
    ~CStatusBar() override { DestroyWindow(); }
    BOOL Create(HWND parent, DWORD style, UINT id);
    BOOL SetIndicators(const UINT* ids, int count);
    void SetPaneText(int index, const char* text) { SendMessage(SB_SETTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text)); }
    CString GetPaneText(int index) const;
    // Shows each key indicator's text while its key is toggled on.
    void UpdateIndicators();
    void LayoutPanes();
    // Draws for a window on a monitor of this DPI: the system's status font made for it, and
    // the panes measured again.
    void SetDpi(UINT dpi);

private:
    UINT m_nDpi = 0;   // 0: the DPI the bar was created for, with the font it came with
    OwnedFont m_font;
    std::vector<UINT> m_ids;
    std::vector<CString> m_texts;
};

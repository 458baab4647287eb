#pragma once
// A toolbar common control with its buttons loaded from a toolbar resource.
#include <windows.h>
#include <commctrl.h>

#include "CWnd.h"

class CToolBar : public CWnd {
public:
    BOOL CreateEx(HWND parent, DWORD controlStyle, DWORD style, UINT id);
    // Buttons and separators in the order of the resource; picture i goes to the i-th button.
    // The pictures are `imageSize` pixels square (0: the resource's size), the padding around
    // them and the separators sized for `dpi`. Buttons loaded before are replaced.
    BOOL LoadToolBar(UINT resourceId, int imageSize = 0, UINT dpi = 96);
    // The button's command ids in order, 0 for separators.
    int GetButtonCount() const { return static_cast<int>(SendMessage(TB_BUTTONCOUNT)); }
    UINT GetItemID(int index) const;
    // Runs the enabling request of every button against the target.
    void OnUpdateCmdUI(CCmdTarget* target);
    SIZE GetIdealSize() const;
};

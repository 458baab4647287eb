#pragma once
// An enabling request for one command: a menu item or a toolbar button. Update handlers call
// Enable and SetCheck; DoUpdate asks the command target chain and, when nobody answers,
// enables the item if some handler would run the command, else disables it.
#include <windows.h>

class CCmdTarget;

class CCmdUI {
public:
    UINT m_nID = 0;
    HMENU m_hMenu = nullptr;      // menu item: the menu and the item's position
    UINT m_nIndex = 0;
    HWND m_hToolBar = nullptr;    // toolbar button
    bool m_bEnableChanged = false;

    void Enable(bool on = true);
    void SetCheck(int check = 1);
    // Returns whether a handler answered.
    bool DoUpdate(CCmdTarget* target, bool disableIfNoHandler);
};

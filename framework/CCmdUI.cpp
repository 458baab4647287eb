#include "CCmdUI.h"

#include <windows.h>
#include <commctrl.h>

#include "CCmdTarget.h"

void CCmdUI::Enable(bool on)
{
    m_bEnableChanged = true;
    if (m_hMenu) {
        ::EnableMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (on ? MF_ENABLED : MF_GRAYED));
    } else if (m_hToolBar) {
        ::SendMessageA(m_hToolBar, TB_ENABLEBUTTON, m_nID, MAKELPARAM(on ? TRUE : FALSE, 0));
    }
}

void CCmdUI::SetCheck(int check)
{
    if (m_hMenu) {
        ::CheckMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (check ? MF_CHECKED : MF_UNCHECKED));
    } else if (m_hToolBar) {
        ::SendMessageA(m_hToolBar, TB_CHECKBUTTON, m_nID, MAKELPARAM(check ? TRUE : FALSE, 0));
    }
}

bool CCmdUI::DoUpdate(CCmdTarget* target, bool disableIfNoHandler)
{
    m_bEnableChanged = false;
    if (target->OnCmdMsg(m_nID, CN_COMMAND, this)) return true;
    if (disableIfNoHandler && !m_bEnableChanged)
        Enable(target->OnCmdMsg(m_nID, CN_COMMAND, nullptr, true) != FALSE);
    return false;
}

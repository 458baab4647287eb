#include "Controls.h"

const MessageTable CStatic::s_messageTable = MakeTable(&CWnd::s_messageTable);

BOOL CToolTipCtrl::Create(CWnd* parent, DWORD style)
{
    return CreateEx(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | style, CW_USEDEFAULT,
                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent->m_hWnd, nullptr);
}

BOOL CToolTipCtrl::AddTool(CWnd* window, const char* text, const RECT& rect, UINT id)
{
    TTTOOLINFOA info{};
    info.cbSize = sizeof info;
    info.uFlags = TTF_SUBCLASS;
    info.hwnd = window->m_hWnd;
    info.uId = id;
    info.rect = rect;
    info.lpszText = const_cast<char*>(text);
    return SendMessage(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)) != 0;
}

void CToolTipCtrl::UpdateTipText(const char* text, CWnd* window, UINT id)
{
    TTTOOLINFOA info{};
    info.cbSize = sizeof info;
    info.hwnd = window->m_hWnd;
    info.uId = id;
    info.lpszText = const_cast<char*>(text);
    SendMessage(TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
}

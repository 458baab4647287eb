#include "CReBar.h"

#include "CToolBar.h"

BOOL CReBar::Create(HWND parent, DWORD controlStyle, DWORD style, UINT id)
{
    const DWORD windowStyle = (style & (WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN)) | controlStyle |
                              CCS_NODIVIDER | CCS_TOP;
    return CWnd::CreateEx(WS_EX_TOOLWINDOW, REBARCLASSNAMEA, "", windowStyle, 0, 0, 0, 0, parent,
                          reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

BOOL CReBar::AddBar(CWnd* bar, DWORD bandStyle)
{
    SIZE size{};
    if (auto* toolBar = dynamic_cast<CToolBar*>(bar)) size = toolBar->GetIdealSize();
    REBARBANDINFOA band{};
    band.cbSize = sizeof band;
    band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_IDEALSIZE;
    band.fStyle = bandStyle;
    band.hwndChild = bar->m_hWnd;
    band.cxMinChild = size.cx;
    band.cyMinChild = size.cy;
    band.cx = size.cx;
    band.cxIdeal = size.cx;
    return SendMessage(RB_INSERTBANDA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band)) != 0;
}

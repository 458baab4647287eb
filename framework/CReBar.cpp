#include "CReBar.h"

#include "CToolBar.h"

BOOL CReBar::Create(HWND parent, DWORD controlStyle, DWORD style, UINT id)
{
    const DWORD windowStyle = (style & (WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN)) | controlStyle |
                              CCS_NODIVIDER | CCS_TOP;
    return CWnd::CreateEx(WS_EX_TOOLWINDOW, REBARCLASSNAMEA, "", windowStyle, 0, 0, 0, 0, parent,
                          reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

namespace {

// A band's sizes for the bar it holds: as large as the bar's buttons.
REBARBANDINFOA BandFor(CWnd* bar)
{
    SIZE size{};
    if (auto* toolBar = dynamic_cast<CToolBar*>(bar)) size = toolBar->GetIdealSize();
    REBARBANDINFOA band{};
    band.cbSize = sizeof band;
    band.fMask = RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_IDEALSIZE;
    band.cxMinChild = static_cast<UINT>(size.cx);
    band.cyMinChild = static_cast<UINT>(size.cy);
    band.cx = static_cast<UINT>(size.cx);
    band.cxIdeal = static_cast<UINT>(size.cx);
    return band;
}

} // namespace

BOOL CReBar::AddBar(CWnd* bar, DWORD bandStyle)
{
    REBARBANDINFOA band = BandFor(bar);
    band.fMask |= RBBIM_STYLE | RBBIM_CHILD | RBBIM_ID;
    band.fStyle = bandStyle;
    band.hwndChild = bar->m_hWnd;
    band.wID = static_cast<UINT>(::GetDlgCtrlID(bar->m_hWnd));   // the band is found by it
    return SendMessage(RB_INSERTBANDA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band)) != 0;
}

BOOL CReBar::UpdateBar(CWnd* bar)
{
    const int index = static_cast<int>(SendMessage(RB_IDTOINDEX, ::GetDlgCtrlID(bar->m_hWnd)));
    if (index < 0) return FALSE;
    REBARBANDINFOA band = BandFor(bar);
    return SendMessage(RB_SETBANDINFOA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&band)) != 0;
}

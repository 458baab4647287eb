#include "CStatusBar.h"

#include "AfxIds.h"
#include "Dpi.h"

BOOL CStatusBar::Create(HWND parent, DWORD style, UINT id)
{
    return CWnd::CreateEx(0, STATUSCLASSNAMEA, "", (style & (WS_CHILD | WS_VISIBLE)) | SBARS_SIZEGRIP, 0, 0, 0, 0,
                          parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

BOOL CStatusBar::SetIndicators(const UINT* ids, int count)
{
    m_ids.assign(ids, ids + count);
    m_texts.clear();
    for (UINT id : m_ids) m_texts.push_back(id == ID_SEPARATOR ? CString() : LoadStringResource(id));
    LayoutPanes();
    return TRUE;
}

void CStatusBar::LayoutPanes()
{
    if (m_ids.empty()) return;
    RECT client;
    GetClientRect(&client);
    const WindowDC windowDC(m_hWnd);
    HDC dc = windowDC.Get();
    HGDIOBJ old = ::SelectObject(dc, GetFont());
    // Indicator panes are as wide as their texts; the message pane takes the rest.
    const UINT dpi = m_nDpi ? m_nDpi : WindowDpi(m_hWnd);
    std::vector<int> edges(m_ids.size());
    int right = client.right - MetricForDpi(SM_CXVSCROLL, dpi);
    for (int i = static_cast<int>(m_ids.size()) - 1; i >= 0; --i) {
        edges[static_cast<std::size_t>(i)] = i == static_cast<int>(m_ids.size()) - 1 ? -1 : right;
        if (i == 0) break;
        SIZE text{};
        ::GetTextExtentPoint32A(dc, m_texts[static_cast<std::size_t>(i)], m_texts[static_cast<std::size_t>(i)].GetLength(), &text);
        right -= text.cx + ScaleToDpi(12, dpi);
    }
    edges[0] = m_ids.size() == 1 ? -1 : right;
    ::SelectObject(dc, old);
    SendMessage(SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

void CStatusBar::SetDpi(UINT dpi)
{
    OwnedFont font(CreateStatusFont(dpi));
    if (!font) return;
    m_nDpi = dpi;
    SetFont(font.Get());
    m_font = std::move(font);   // the bar no longer draws with the old one
    // The bar takes its height from the font when it is sized.
    SendMessage(WM_SIZE);
    LayoutPanes();
}

CString CStatusBar::GetPaneText(int index) const
{
    const int len = LOWORD(SendMessage(SB_GETTEXTLENGTHA, static_cast<WPARAM>(index)));
    std::vector<char> text(static_cast<std::size_t>(len) + 1);
    SendMessage(SB_GETTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    return CString(text.data());
}

void CStatusBar::UpdateIndicators()
{
    for (std::size_t i = 1; i < m_ids.size(); ++i) {
        int key = 0;
        if (m_ids[i] == ID_INDICATOR_NUM) key = VK_NUMLOCK;
        if (m_ids[i] == ID_INDICATOR_SCRL) key = VK_SCROLL;
        if (!key) continue;
        const bool on = (::GetKeyState(key) & 1) != 0;
        const CString wanted = on ? m_texts[i] : CString();
        if (!(GetPaneText(static_cast<int>(i)) == wanted)) SetPaneText(static_cast<int>(i), wanted);
    }
}

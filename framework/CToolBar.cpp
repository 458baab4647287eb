#include "CToolBar.h"

#include <vector>

#include "CCmdUI.h"
#include "Dpi.h"

namespace {
// The layout of a toolbar resource (type 241) as the resource compiler writes it.
struct ToolBarResource {
    WORD version;
    WORD width;
    WORD height;
    WORD count;
    WORD items[1];
};
const LPCSTR kToolBarType = MAKEINTRESOURCEA(241);
}

BOOL CToolBar::CreateEx(HWND parent, DWORD controlStyle, DWORD style, UINT id)
{
    // The bar styles of a frame's bars (top, tooltips, fly-by, dynamic size) have no meaning for
    // the common control; only the window styles go through, plus what a band in a rebar needs.
    const DWORD windowStyle = (style & (WS_CHILD | WS_VISIBLE)) | controlStyle | TBSTYLE_TOOLTIPS |
                              CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN;
    if (!CWnd::CreateEx(0, TOOLBARCLASSNAMEA, "", windowStyle, 0, 0, 0, 0, parent,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id))))
        return FALSE;
    SendMessage(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
    return TRUE;
}

BOOL CToolBar::LoadToolBar(UINT resourceId, int imageSize, UINT dpi)
{
    HINSTANCE instance = AfxGetInstanceHandle();
    HRSRC found = ::FindResourceA(instance, MAKEINTRESOURCEA(resourceId), kToolBarType);
    if (!found) return FALSE;
    HGLOBAL loaded = ::LoadResource(instance, found);
    const auto* data = loaded ? static_cast<const ToolBarResource*>(::LockResource(loaded)) : nullptr;
    if (!data || data->version != 1) return FALSE;

    std::vector<TBBUTTON> buttons(data->count);
    int picture = 0;
    for (WORD i = 0; i < data->count; ++i) {
        TBBUTTON& button = buttons[i];
        button.idCommand = data->items[i];
        if (button.idCommand == 0) {
            button.fsStyle = BTNS_SEP;
            button.iBitmap = ScaleToDpi(6, dpi);   // a separator's width
        } else {
            button.iBitmap = picture++;
            button.fsStyle = BTNS_BUTTON;
            button.fsState = TBSTATE_ENABLED;
        }
    }
    for (int i = GetButtonCount() - 1; i >= 0; --i) SendMessage(TB_DELETEBUTTON, static_cast<WPARAM>(i));
    const int width = imageSize > 0 ? imageSize : data->width;
    const int height = imageSize > 0 ? imageSize : data->height;
    const int padding = ScaleToDpi(7, dpi);
    SendMessage(TB_SETBITMAPSIZE, 0, MAKELPARAM(width, height));
    SendMessage(TB_SETBUTTONSIZE, 0, MAKELPARAM(width + padding, height + padding));
    return SendMessage(TB_ADDBUTTONSA, buttons.size(), reinterpret_cast<LPARAM>(buttons.data())) != 0;
}

UINT CToolBar::GetItemID(int index) const
{
    TBBUTTON button{};
    SendMessage(TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&button));
    return (button.fsStyle & BTNS_SEP) ? 0 : static_cast<UINT>(button.idCommand);
}

void CToolBar::OnUpdateCmdUI(CCmdTarget* target)
{
    const int count = GetButtonCount();
    for (int i = 0; i < count; ++i) {
        const UINT id = GetItemID(i);
        if (id == 0) continue;
        CCmdUI state;
        state.m_nID = id;
        state.m_nIndex = static_cast<UINT>(i);
        state.m_hToolBar = m_hWnd;
        state.DoUpdate(target, true);
    }
}

SIZE CToolBar::GetIdealSize() const
{
    SIZE size{};
    SendMessage(TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
    return size;
}

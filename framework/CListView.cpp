#include "CListView.h"

#include <vector>

const CRuntimeClass CListView::classCListView("CListView", nullptr, &CView::classCView);

int CListCtrl::InsertItem(int index, const char* text)
{
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = const_cast<char*>(text);
    item.lParam = 0;
    return static_cast<int>(Send(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void CListCtrl::SetItemText(int index, int column, const char* text)
{
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text);
    Send(LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
}

CString CListCtrl::GetItemText(int index, int column) const
{
    // The control cannot tell a text's length; grow until it fits.
    std::vector<char> buffer(64);
    for (;;) {
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        const int len = static_cast<int>(Send(LVM_GETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
        if (len < static_cast<int>(buffer.size()) - 1) return CString(buffer.data(), static_cast<std::size_t>(len));
        buffer.resize(buffer.size() * 2);
    }
}

RECT CListCtrl::GetCellRect(int index, int column) const
{
    RECT rect{};
    rect.top = column;
    rect.left = LVIR_BOUNDS;
    if (!Send(LVM_GETSUBITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect))) return RECT{};
    // The first column's bounds are the whole row's; its own width ends it.
    if (column == 0) rect.right = rect.left + GetColumnWidth(0);
    return rect;
}

void CListCtrl::SetItemState(int index, UINT state, UINT mask)
{
    LVITEMA item{};
    item.state = state;
    item.stateMask = mask;
    Send(LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

int CListCtrl::InsertColumn(int index, const char* header, int format, int width)
{
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.fmt = format;
    column.cx = width;
    column.pszText = const_cast<char*>(header);
    column.iSubItem = index;
    return static_cast<int>(Send(LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column)));
}

int CListCtrl::GetColumnCount() const
{
    HWND header = reinterpret_cast<HWND>(Send(LVM_GETHEADER));
    return header ? static_cast<int>(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

int CListCtrl::HitTest(POINT point) const
{
    LVHITTESTINFO info{};
    info.pt = point;
    return static_cast<int>(Send(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
}

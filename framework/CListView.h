#pragma once
// A view whose window is a list-view control, and a thin handle wrapper for list-view calls.
#include <windows.h>
#include <commctrl.h>

#include "CView.h"

// Not owning: a list-view window and the calls the program makes on it.
class CListCtrl {
public:
    explicit CListCtrl(HWND hWnd) : m_hWnd(hWnd) {}
    HWND m_hWnd;

    int GetItemCount() const { return static_cast<int>(Send(LVM_GETITEMCOUNT)); }
    int InsertItem(int index, const char* text);
    void SetItemText(int index, int column, const char* text);
    CString GetItemText(int index, int column) const;
    BOOL DeleteItem(int index) { return static_cast<BOOL>(Send(LVM_DELETEITEM, index)); }
    BOOL DeleteAllItems() { return static_cast<BOOL>(Send(LVM_DELETEALLITEMS)); }
    UINT GetItemState(int index, UINT mask) const { return static_cast<UINT>(Send(LVM_GETITEMSTATE, index, mask)); }
    void SetItemState(int index, UINT state, UINT mask);
    // The state image: 1 unchecked, 2 checked, 0 none.
    int GetStateImage(int index) const { return static_cast<int>(GetItemState(index, LVIS_STATEIMAGEMASK) >> 12); }
    void SetCheck(int index, bool checked) { SetItemState(index, INDEXTOSTATEIMAGEMASK(checked ? 2 : 1), LVIS_STATEIMAGEMASK); }
    int GetNextItem(int start, UINT flags) const { return static_cast<int>(Send(LVM_GETNEXTITEM, start, flags)); }
    UINT GetSelectedCount() const { return static_cast<UINT>(Send(LVM_GETSELECTEDCOUNT)); }
    int InsertColumn(int index, const char* header, int format, int width);
    int GetColumnWidth(int column) const { return static_cast<int>(Send(LVM_GETCOLUMNWIDTH, column)); }
    void SetColumnWidth(int column, int width) { Send(LVM_SETCOLUMNWIDTH, column, MAKELPARAM(width, 0)); }
    // A cell's rectangle in the list's client area; empty when there is no such row.
    RECT GetCellRect(int index, int column) const;
    int GetColumnCount() const;
    void SetExtendedStyle(DWORD style) { Send(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style); }
    HFONT GetFont() const { return reinterpret_cast<HFONT>(Send(WM_GETFONT)); }
    int HitTest(POINT point) const;

private:
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
};

class CListView : public CView {
public:
    CListCtrl GetListCtrl() const { return CListCtrl(m_hWnd); }

    static const CRuntimeClass classCListView;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCListView; }

protected:
    const char* ViewClassName() const override { return WC_LISTVIEWA; }
};

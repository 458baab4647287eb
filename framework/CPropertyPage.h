#pragma once
// One page of a property sheet, from a dialog template of the resources. The sheet creates the
// page's window the first time the page is shown; a page never shown has no window and takes no
// part in OK or Cancel. The sheet's notifications become these steps:
//   shown again       -> the members go back into the controls (OnSetActive)
//   left, or OK       -> the controls are read and checked (OnKillActive); a refused value keeps
//                        the page, with the focus on the control
//   OK                -> OnOK of every page that has a window, in page order
//   Cancel            -> OnCancel of every page that has a window; nothing is read
#include <windows.h>
#include <commctrl.h>

#include "CDialog.h"

class CPropertyPage : public CDialog {
public:
    explicit CPropertyPage(UINT templateId);

    virtual BOOL OnSetActive();
    virtual BOOL OnKillActive();
    // Confirmation of the sheet: calls OnOK. Pages write their values in OnOK.
    virtual BOOL OnApply();
    virtual void OnReset();
    // A page never ends a dialog of its own: OK and Cancel belong to the sheet.
    void OnOK() override {}
    void OnCancel() override {}

    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;

    // What the sheet is given for this page.
    PROPSHEETPAGEA m_psp{};

private:
    static UINT CALLBACK PageCallback(HWND hWnd, UINT message, PROPSHEETPAGEA* page);
    bool m_bFirstSetActive = true;
};

#pragma once
// A dialog from a template of the resources: modal (DoModal runs its own message loop, with
// PreTranslateMessage of the dialog's windows and the dialog keys) or modeless (Create).
// UpdateData moves values between the controls and the members through DoDataExchange.
#include "CWnd.h"

class CDataExchange;

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);

    virtual INT_PTR DoModal();
    // Modeless; EndDialog then hides the window.
    BOOL Create(HWND parent);
    void EndDialog(int result);
    bool IsEnded() const { return m_bEnded; }
    int GetResult() const { return m_nResult; }

    // save: from the controls into the members (validating); else the other way. False when a
    // value was refused (the user has been told, and the control has the focus).
    BOOL UpdateData(BOOL save = TRUE);

    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange* dx);
    virtual void OnOK();
    virtual void OnCancel();
    BOOL PreTranslateMessage(MSG* msg) override;

    static const MessageTable s_messageTable;
    const MessageTable* GetMessageTable() const override { return &s_messageTable; }

protected:
    // The dialog procedure of every dialog of the framework; it only answers WM_INITDIALOG.
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

private:
    HWND CreateFromTemplate(HWND parent);
    bool m_bModal = false;
    bool m_bEnded = false;
    int m_nResult = 0;
};

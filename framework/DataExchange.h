#pragma once
// Data exchange between dialog controls and members. A refused value shows the usual message,
// puts the focus on its control and marks the exchange failed; later exchanges are skipped.
#include "CString.h"

class CWnd;

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, bool save) : m_pDlgWnd(dialog), m_bSaveAndValidate(save) {}
    CWnd* m_pDlgWnd;
    bool m_bSaveAndValidate;
    bool m_bFail = false;
    int m_idLastControl = 0;

    // Shows the message, focuses the last control and marks the exchange failed.
    void Fail(const char* message);
};

void DDX_Text(CDataExchange* dx, int id, CString& value);
void DDX_Text(CDataExchange* dx, int id, int& value);
void DDX_Text(CDataExchange* dx, int id, unsigned& value);
// Attaches the control to the object (once).
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
// Limits the edit box when filling it; refuses a longer text when reading it.
void DDV_MaxChars(CDataExchange* dx, const CString& value, int maxChars);
void DDV_MinMaxInt(CDataExchange* dx, int value, int minValue, int maxValue);
void DDV_MinMaxUInt(CDataExchange* dx, unsigned value, unsigned minValue, unsigned maxValue);

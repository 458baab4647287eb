#pragma once
// Thin wrappers of the common controls the dialogs attach.
#include <windows.h>
#include <commctrl.h>

#include "CWnd.h"

class CStatic : public CWnd {
public:
    static const MessageTable s_messageTable;
    const MessageTable* GetMessageTable() const override { return &s_messageTable; }
};

class CProgressCtrl : public CWnd {
public:
    void SetRange(int lower, int upper) { SendMessage(PBM_SETRANGE, 0, MAKELPARAM(lower, upper)); }
    void SetStep(int step) { SendMessage(PBM_SETSTEP, static_cast<WPARAM>(step)); }
    void SetPos(int pos) { SendMessage(PBM_SETPOS, static_cast<WPARAM>(pos)); }
    void StepIt() { SendMessage(PBM_STEPIT); }
};

class CToolTipCtrl : public CWnd {
public:
    BOOL Create(CWnd* parent, DWORD style = 0);
    BOOL AddTool(CWnd* window, const char* text, const RECT& rect, UINT id);
    void UpdateTipText(const char* text, CWnd* window, UINT id);
    void RelayEvent(MSG* msg) { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg)); }
};

#pragma once
// A static text drawn as a hyperlink: underlined, a hand cursor, a tool tip with the target,
// another colour while hovered and after a visit. A click opens the target through the shell,
// or else through the browser registered for web pages.
#include <windows.h>

#include "Controls.h"

class CLinkStatic : public CStatic {
public:
    CLinkStatic();
    ~CLinkStatic() override;

    void SetLinkUrl(const char* url);
    void MarkVisited(bool visited = true);
    // The shell's result: above 32 is success.
    static INT_PTR OpenLink(const char* target, int show);
    static void ShowOpenError(INT_PTR code, HWND owner = nullptr);
    // The text for a failed open, as the message shows it.
    static CString OpenErrorText(INT_PTR code);
    static LONG QueryKeyDefault(HKEY root, const char* subkey, CString& value);
    void FitToText();

    void PreSubclassWindow() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void OnClicked();
    HBRUSH CtlColor(HDC dc, UINT ctlType);
    LRESULT OnSetCursor(WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseMove(WPARAM wParam, LPARAM lParam);

    COLORREF m_crLink = RGB(0, 0, 238);
    COLORREF m_crVisited = RGB(85, 26, 139);
    COLORREF m_crHover;
    bool m_bHover = false;
    bool m_bVisited = false;
    bool m_bUnderline = true;
    bool m_bFitToText = true;
    CString m_strUrl;
    HFONT m_font = nullptr;      // owned
    HCURSOR m_hCursor = nullptr; // owned when it is a copy
    CToolTipCtrl m_toolTip;

    static const MessageTable s_messageTable;
    const MessageTable* GetMessageTable() const override { return &s_messageTable; }

private:
    void LoadHandCursor();
    void Redraw();
    bool m_bOwnsCursor = false;
};

#pragma once
// A static text drawn as a hyperlink: underlined, a hand cursor, a tooltip with the target,
// another colour while hovered and after a visit. A click opens the target through the shell,
// or else through the browser registered for web pages, and explains a failure in a message box.
#include <windows.h>

#include "Controls.h"
#include "ScopedHandles.h"

class CLinkStatic : public CStatic {
public:
    CLinkStatic();
    ~CLinkStatic() override;

    void SetLinkUrl(const char* url);
    void MarkVisited(bool visited = true);
    // The result of the last attempt: above 32 means the target was opened.
    static INT_PTR OpenLink(const char* target, int show);
    void ShowOpenError(INT_PTR code);
    // What the failure message says after its first line.
    static CString OpenErrorText(INT_PTR code);
    // The registered browser command with the target in place of its "%1".
    static CString BrowserCommand(const char* commandTemplate, const char* target);
    void FitToText();
    void LoadHandCursor();
    static LONG QueryKeyDefault(HKEY root, const char* subkey, CString& value);

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
    OwnedFont m_font;
    OwnedCursor m_hCursor;   // always a copy, so it is ours to destroy
    CToolTipCtrl m_toolTip;

    static const MessageTable s_messageTable;
    const MessageTable* GetMessageTable() const override { return &s_messageTable; }

private:
    void Redraw();
};

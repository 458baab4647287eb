#pragma once
// A top-level frame: menu, accelerators, control bars (a rebar at the top, a status bar at the
// bottom) and one view in the rest. Commands reach the active view first, then the frame, then
// the application. Menu items and toolbar buttons are enabled by the handlers of their
// enabling requests; an item nobody handles is disabled.
#include "CView.h"
#include "CWnd.h"

class CStatusBar;

class CFrameWnd : public CWnd {
public:
    // Creates the window with menu, accelerators and icon of the resource id. On failure the
    // frame has been destroyed (and deleted itself).
    BOOL LoadFrame(UINT resourceId, DWORD style, CCreateContext* context);
    virtual void ActivateFrame(int show = -1);
    virtual void RecalcLayout();
    virtual void OnIdleUpdateCmdUI();
    void InitialUpdateFrame(CDocument* document, BOOL makeVisible);

    CView* GetActiveView() const { return m_pViewActive; }

    // The status bar's message pane: a text, the prompt of a command, or "Ready".
    void SetMessageText(const char* text);
    void ShowPrompt(UINT id);
    void ShowIdleMessage();

    // Bars by window id (AFX_IDW_REBAR holds the toolbar, AFX_IDW_STATUS_BAR).
    void ShowControlBar(UINT barId, bool show);
    bool IsControlBarVisible(UINT barId) const;
    void SaveBarState(const char* profileName) const;
    void LoadBarState(const char* profileName);

    BOOL OnCmdMsg(UINT id, int code, CCmdUI* cmdUI, bool probe = false) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void PostNcDestroy() override;

    int OnCreate(LPCREATESTRUCTA cs);
    void OnDestroy();
    LRESULT OnSize(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetFocus(WPARAM wParam, LPARAM lParam);
    LRESULT OnInitMenuPopup(WPARAM wParam, LPARAM lParam);
    LRESULT OnMenuSelect(WPARAM wParam, LPARAM lParam);
    LRESULT OnExitMenuLoop(WPARAM wParam, LPARAM lParam);
    void OnBarCheck(UINT id);
    void OnUpdateControlBarMenu(CCmdUI* cmdUI);
    void OnNextPane();

    static const MessageTable s_messageTable;
    const MessageTable* GetMessageTable() const override { return &s_messageTable; }
    static const CRuntimeClass classCFrameWnd;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCFrameWnd; }

protected:
    virtual BOOL OnCreateClient(LPCREATESTRUCTA cs, CCreateContext* context);
    CStatusBar* GetStatusBar() const;

    UINT m_nIDResource = 0;
    HACCEL m_hAccelTable = nullptr;
    CView* m_pViewActive = nullptr;   // owned by its window
};

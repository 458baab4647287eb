#pragma once
// The main window: menu, toolbar in a rebar, status bar, and the task list view. It handles
// the commands that are not the view's and offers start-up its two ways in: a page address
// for the New Task dialog, and a comma-terminated list of movie addresses.
#include <windows.h>
#include <commctrl.h>

#include "CPersistentFrame.h"
#include "CReBar.h"
#include "CStatusBar.h"
#include "CToolBar.h"

class CDrovaneView;

class CMainFrame : public CPersistentFrame {
public:
    CMainFrame();
    ~CMainFrame() override;

    // Offers the address in the next New Task dialog and opens it.
    void OpenNewTask(const char* address);
    // "a,b,c," becomes the task list; text after the last "," is dropped.
    void AddFlashList(const char* list);
    CDrovaneView* GetTaskList() const;

    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    int OnCreate(LPCREATESTRUCTA cs);
    void OnNewTask();
    void OnCut();
    void OnCopyUrl();
    void OnDelete();
    void OnHelpContents();
    void OnHelpWebsite();
    void OnHelpContact();

    CStatusBar m_wndStatusBar;
    CToolBar m_wndToolBar;
    CReBar m_wndReBar;
    CString m_strNewTaskURL;

    static const MessageTable s_messageTable;
    const MessageTable* GetMessageTable() const override { return &s_messageTable; }
    static const CRuntimeClass classCMainFrame;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCMainFrame; }

private:
    HIMAGELIST m_hToolBarImages = nullptr;   // owned; the toolbar only uses it
};

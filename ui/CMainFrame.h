#pragma once
// The main window: menu, toolbar in a rebar, status bar, and the task list view. It handles
// the commands that are not the view's and offers start-up its two ways in: a page address
// for the New Task dialog, and a comma-terminated list of movie addresses.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <vector>

#include "CPersistentFrame.h"
#include "CReBar.h"
#include "CStatusBar.h"
#include "CToolBar.h"

class CDrovaneView;
struct CDownloadLink;

// The download state of a row; the user sees only the Size and Progress texts.
enum TaskState { TASK_IDLE = 1, TASK_RUNNING = 2, TASK_STOPPED = 3, TASK_DONE = 4, TASK_FAILED = 5 };

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
    void OnOptions();
    void OnCut();
    void OnCopyUrl();
    void OnDelete();
    void OnHelpContents();
    void OnHelpWebsite();
    void OnHelpContact();
    void OnDownloadStart();
    void OnDownloadStop();
    void OnUpdateDownload(CCmdUI* cmdUI);
    LRESULT OnDownloadProgress(WPARAM kind, LPARAM row);
    LRESULT OnNetStatus(WPARAM code, LPARAM value);
    bool IsDownloading() const;

    CStatusBar m_wndStatusBar;
    CToolBar m_wndToolBar;
    CReBar m_wndReBar;
    CString m_strNewTaskURL;
    // Download slots, one per row index, grown as rows are started. A slot keeps the link it
    // shares with the row's latest worker, never the worker itself: the worker deletes itself
    // when its thread ends, the link stays readable and stoppable.
    std::vector<std::shared_ptr<CDownloadLink>> m_pDownloads;
    std::vector<long long> m_nSizes;
    std::vector<int> m_nStates;

    static const MessageTable s_messageTable;
    const MessageTable* GetMessageTable() const override { return &s_messageTable; }
    static const CRuntimeClass classCMainFrame;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCMainFrame; }

private:
    void EnsureSlot(int row);
    void SetProgress(int row, const CString& text);
    void OnRowRemoved(int row);
    HIMAGELIST m_hToolBarImages = nullptr;   // owned; the toolbar only uses it
};

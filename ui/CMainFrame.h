#pragma once
// The main window: menu, toolbar in a rebar, status bar, and the task list view. It handles
// the commands that are not the view's and offers start-up its two ways in: a page address
// for the New Task dialog, and a comma-terminated list of movie addresses.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "CDownloadControl.h"
#include "CPersistentFrame.h"
#include "CReBar.h"
#include "CStatusBar.h"
#include "CToolBar.h"
#include "DroppedLinks.h"
#include "ScopedHandles.h"

class CDrovaneView;

// Posted by the main frame to itself when links were dropped on it.
constexpr UINT WM_DROP_LINKS = WM_USER + 8;

// It starts the download workers of the task list's rows; they report to it, and it hands their
// notices to the task list's download control.
class CMainFrame : public CPersistentFrame, public CDownloadStarter {
public:
    CMainFrame();
    ~CMainFrame() override;

    // Offers the address in the next New Task dialog and opens it.
    void OpenNewTask(const char* address);
    // "a,b,c," becomes the task list; text after the last "," is dropped.
    void AddFlashList(const char* list);
    // What a drop on the window does: New Task for a page's address, or rows added for movies.
    void TakeDrop(DropPlan plan);
    // The window's drop target as OLE has it registered.
    IDropTarget* GetDropTarget() const { return m_pDropTarget.Get(); }
    CDrovaneView* GetTaskList() const;

    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    int OnCreate(LPCREATESTRUCTA cs);
    void OnDestroy();
    LRESULT OnDpiChanged(WPARAM dpi, LPARAM suggested);
    LRESULT OnDropLinks(WPARAM wParam, LPARAM lParam);
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
    // True while a download runs or waits.
    bool IsDownloading() const;

    std::shared_ptr<CDownloadLink> StartDownload(int row, const std::string& address, const std::string& folder,
                                                 const std::string& fileName) override;

    CStatusBar m_wndStatusBar;
    CToolBar m_wndToolBar;
    CReBar m_wndReBar;
    CString m_strNewTaskURL;

    static const MessageTable s_messageTable;
    const MessageTable* GetMessageTable() const override { return &s_messageTable; }
    static const CRuntimeClass classCMainFrame;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCMainFrame; }

private:
    // The toolbar's buttons with the pictures drawn for the DPI.
    bool LoadToolbarArt(UINT dpi);

    ImageListHandle m_toolBarImages;   // the toolbar only uses it
    ComPtr<IDropTarget> m_pDropTarget;
    DropPlan m_pendingDrop;            // taken in Drop, carried out once the source has let go
};

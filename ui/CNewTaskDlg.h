#pragma once
// New Task: takes a page address, has a page-scan worker find the movies the page embeds,
// shows the worker's progress, and makes the movies found the rows of the task list. Closing
// the dialog while a scan runs stops the scan.
#include <windows.h>

#include <memory>

#include "CDialog.h"
#include "CStringArray.h"
#include "Controls.h"

class CDataExchange;
class CDrovaneView;
class CWorkerLink;

class CNewTaskDlg : public CDialog {
public:
    explicit CNewTaskDlg(CWnd* parent = nullptr);
    ~CNewTaskDlg() override;

    // The address the dialog offers when it opens.
    void SetURL(const char* address) { m_strPageURL = address; }
    // Where the rows go; without one, the main frame's active view.
    void SetTaskList(CDrovaneView* view) { m_pTaskList = view; }

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    // Enter: Start, as the button does; while a scan runs it does nothing, and never closes.
    void OnOK() override;
    void OnCancel() override;
    void OnStart();
    LRESULT OnNetStatus(WPARAM wParam, LPARAM lParam);
    LRESULT OnLinksFound(WPARAM wParam, LPARAM lParam);

    static constexpr int kMaxUrlChars = 255;

    CProgressCtrl m_progress;
    CString m_strURL;
    bool m_bReady = true;   // no scan running: the button reads "Start"
    CString m_strPageURL;
    // Handed to the worker while it runs; the worker never touches it once stopped or done.
    std::unique_ptr<CStringArray> m_pLinks;
    // The running scan's link, never the worker: it deletes itself when its thread ends.
    std::shared_ptr<CWorkerLink> m_pScan;

    static const MessageTable s_messageTable;
    const MessageTable* GetMessageTable() const override { return &s_messageTable; }

private:
    CDrovaneView* TaskList() const;
    void StartScan();
    void StopScan();
    void ShowReady();

    CDrovaneView* m_pTaskList = nullptr;   // owned by its window
};

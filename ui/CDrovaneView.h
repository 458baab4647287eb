#pragma once
// The task list: the main window's client area and the only store of the tasks. One row per
// movie (check box, file name, address, size, progress); row i's address is m_urls[i], and
// row i is also the download control's slot i.
#include <windows.h>

#include <functional>

#include "CListView.h"
#include "CStringArray.h"

class CCmdUI;

// Posted by the view to itself after a right click; wParam: the row under the click or -1.
constexpr UINT WM_ROW_MENU = WM_USER + 5;

class CDrovaneView : public CListView {
public:
    enum { CHECK_ALL = 0, CHECK_NONE = 1, CHECK_REVERSE = 2 };
    enum { COLUMN_STATUS, COLUMN_FILE_NAME, COLUMN_URL, COLUMN_SIZE, COLUMN_PROGRESS, COLUMN_COUNT };

    // Inserts a checked row with Progress "0%".
    void AddTask(int row, const char* fileName, const char* url, const char* sizeText);
    // Empty for a row that does not exist.
    CString GetTaskUrl(int row) const;
    void SetTaskSize(int row, const char* lengthText);
    void SetTaskProgress(int row, const char* text);
    int GetTaskCount() const;
    int GetSelectedTask() const;
    // A row counts as checked unless it shows the unchecked box (no box at all counts too).
    int GetFirstChecked() const;
    int GetNextChecked(int row) const;
    void DeleteAllTasks();
    void SetChecks(int mode);
    // The addresses of all selected rows, one per line, as clipboard text.
    void CopyUrl();
    // Removes the selected rows, unless m_canRemoveRows refuses (then it only beeps).
    void DeleteTasks();

    void OnInitialUpdate() override;

    void OnDestroy();
    LRESULT OnRowMenu(WPARAM wParam, LPARAM lParam);
    void OnPreview();
    void OnCopyToFolder();
    void OnMoveToFolder();
    void OnCheckAll();
    void OnUncheckAll();
    void OnReverse();
    void OnCopyUrl();
    void OnDelete();
    void OnTaskStart();
    void OnTaskStop();
    void OnUpdateNeedSelection(CCmdUI* cmdUI);
    void OnUpdateNeedRows(CCmdUI* cmdUI);
    void OnDblClk(NMHDR* header, LRESULT* result);
    void OnRClick(NMHDR* header, LRESULT* result);

    // Set by the owner of the per-row download slots: whether rows may go now, and which row
    // went (called highest row first, so lower slot indices stay valid during the calls).
    std::function<bool()> m_canRemoveRows;
    std::function<void(int row)> m_onRowRemoved;

    CStringArray m_urls;
    int m_nColumnWidth[COLUMN_COUNT] = {};

    static const MessageTable s_messageTable;
    const MessageTable* GetMessageTable() const override { return &s_messageTable; }
    static const CRuntimeClass classCDrovaneView;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCDrovaneView; }

private:
    void ForwardToFrame(UINT command);
    // Copy To Folder and Move To Folder: the first selected row's movie file, from the save
    // folder to where the user says in the Save As dialog, through the shell.
    void TransferToFolder(bool move);
};

#pragma once
// The task list: the main window's client area and the only store of the tasks. One row per
// movie (check box, file name, address, size, progress); behind the rows, the download control
// keeps each row's record and decides what the Size and Progress columns show, and the view
// writes it.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "CDownloadControl.h"
#include "CListView.h"
#include "CStringArray.h"
#include "ScopedHandles.h"
#include "TaskListFile.h"

class CCmdUI;

// Posted by the view to itself after a right click; wParam: the row under the click or -1.
constexpr UINT WM_ROW_MENU = WM_USER + 5;

class CDrovaneView : public CListView, public CTaskDisplay {
public:
    enum { CHECK_ALL = 0, CHECK_NONE = 1, CHECK_REVERSE = 2 };
    enum { COLUMN_STATUS, COLUMN_FILE_NAME, COLUMN_URL, COLUMN_SIZE, COLUMN_PROGRESS, COLUMN_COUNT };

    CDrovaneView();

    // The rows and their downloads.
    CDownloadControl& Tasks() { return m_tasks; }
    // The list becomes these movies, duplicates removed (the first of each kept), every row
    // checked unless the entry says otherwise. Downloads that run or wait are stopped first.
    void ReplaceTasks(const CStringArray& addresses);
    void ReplaceTasks(std::vector<TaskEntry> entries);
    // Checked rows after the last one for the movies the list does not hold yet; downloads that
    // run or wait go on. Beeps when every one of them is in the list already.
    void AddTasks(const std::vector<std::string>& addresses);
    // Every row's address and check mark, in row order.
    std::vector<TaskEntry> GetTaskEntries() const;
    // Empty for a row that does not exist.
    CString GetTaskUrl(int row) const;
    int GetTaskCount() const;
    int GetSelectedTask() const;
    // A row counts as checked unless it shows the unchecked box (no box at all counts too).
    int GetFirstChecked() const;
    int GetNextChecked(int row) const;
    std::vector<int> GetCheckedTasks() const;
    void SetChecks(int mode);
    // The addresses of all selected rows, one per line, as clipboard text.
    void CopyUrl();
    // Removes the selected rows; while a download runs or waits it only beeps.
    void DeleteTasks();
    // The list is drawn for a monitor of this DPI: the system's list font made for it, and the
    // columns as wide, in inches, as before. Widths are kept in the profile at 96 DPI.
    void SetDpi(UINT dpi);

    // CTaskDisplay: the download control writes the rows through these.
    void InsertRow(int row, const std::string& fileName, const std::string& address) override;
    void DeleteRow(int row) override;
    void DeleteAllRows() override;
    void ShowSize(int row, const std::string& lengthText) override;
    void ShowProgress(int row, const RowProgress& progress) override;

    void OnInitialUpdate() override;

    void OnDestroy();
    LRESULT OnMenuSelect(WPARAM wParam, LPARAM lParam);
    LRESULT OnExitMenuLoop(WPARAM wParam, LPARAM lParam);
    LRESULT OnRowMenu(WPARAM wParam, LPARAM lParam);
    void OnPreview();
    void OnCopyToFolder();
    void OnMoveToFolder();
    void OnOpenFolder();
    void OnCheckAll();
    void OnUncheckAll();
    void OnReverse();
    void OnCopyUrl();
    void OnDelete();
    void OnTaskStart();
    void OnTaskStop();
    void OnUpdateNeedSelection(CCmdUI* cmdUI);
    void OnUpdateNeedRows(CCmdUI* cmdUI);
    void OnUpdateOpenFolder(CCmdUI* cmdUI);
    void OnDblClk(NMHDR* header, LRESULT* result);
    void OnRClick(NMHDR* header, LRESULT* result);
    void OnCustomDraw(NMHDR* header, LRESULT* result);

    int m_nColumnWidth[COLUMN_COUNT] = {};   // in pixels at m_nDpi
    UINT m_nDpi = 96;
    // Opens Explorer on the folder of the file with the file selected; tests watch it here.
    std::function<bool(const std::string& path)> m_fnShowInFolder;

    static const MessageTable s_messageTable;
    const MessageTable* GetMessageTable() const override { return &s_messageTable; }
    static const CRuntimeClass classCDrovaneView;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCDrovaneView; }

private:
    void ForwardToFrame(UINT command);
    // The movie file of the selected row: the save folder and the name the row saves under.
    // False (with a beep) when the row has no file name.
    bool SelectedMovieFile(std::string& path, std::string& name);
    // Copy To Folder and Move To Folder: the first selected row's movie file, from the save
    // folder to where the user says in the Save As dialog, through the shell.
    void TransferToFolder(bool move);
    // The selected row's movie file, when it is there to be shown.
    bool SelectedFileExists();
    RECT CellRect(int row, int column) const;
    // The Progress cell with its bar; false when the row has no such cell.
    bool DrawProgressCell(HDC dc, int row);
    void UseFontFor(UINT dpi);

    OwnedFont m_font;   // null: the list's own

    CDownloadControl m_tasks{*this};
};

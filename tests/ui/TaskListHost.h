#pragma once
// A real frame window with the task list view as its client, the way the document template
// builds the main window, for the window tests of the task list and the New Task dialog.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "CDrovaneDoc.h"
#include "CDrovaneView.h"
#include "CFrameWnd.h"
#include "resource.h"

// A frame that records the Download commands that reach it.
class RecordingFrame : public CFrameWnd {
public:
    void OnDownloadStart() { commands.push_back(ID_DOWNLOAD_START); }
    void OnDownloadStop() { commands.push_back(ID_DOWNLOAD_STOP); }
    std::vector<UINT> commands;

    static const MessageTable s_messageTable;
    const MessageTable* GetMessageTable() const override { return &s_messageTable; }
};

class TaskListHost {
public:
    // Creates and shows the frame and runs the view's initial update; the frame becomes the
    // application's main window.
    TaskListHost();
    ~TaskListHost();
    TaskListHost(const TaskListHost&) = delete;
    TaskListHost& operator=(const TaskListHost&) = delete;

    // Destroys the frame (and the view with it), as closing the program does.
    void Destroy();

    RecordingFrame* frame = nullptr;   // deletes itself with its window
    CDrovaneView* view = nullptr;      // likewise
    CDrovaneDoc* Document() const { return m_doc.get(); }
    CListCtrl List() const { return view->GetListCtrl(); }

    // One row per address, as the frame and the New Task dialog add them.
    void AddRows(const std::vector<std::string>& urls);
    void Select(const std::vector<int>& rows);
    // A command as the menu, toolbar or an accelerator delivers it to the frame.
    void Command(UINT id);
    // Opens the main menu's pop-up at `menuIndex` as the menu bar does and reads whether the
    // item is enabled.
    bool IsMenuItemEnabled(int menuIndex, UINT id);

    std::vector<std::string> ColumnTexts(int column) const;
    std::vector<int> Checks() const;   // state image per row: 1 unchecked, 2 checked

private:
    std::unique_ptr<CDrovaneDoc> m_doc;   // outlives the view, which refers to it
};

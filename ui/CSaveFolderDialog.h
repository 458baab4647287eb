#pragma once
// The folder picker for the save folder: it opens on the folder given, and its status line
// shows the path of the highlighted folder (empty for items that are no folder on disk).
#include "CFolderDialog.h"

class CSaveFolderDialog : public CFolderDialog {
public:
    CSaveFolderDialog(HWND owner, UINT titleId) : CFolderDialog(owner, nullptr, titleId) {}

    void SetInitialFolder(const char* path) { m_strInitialFolder = path; }

protected:
    void OnBrowseInit() override;
    void OnBrowseSelChanged(LPCITEMIDLIST item) override;

private:
    CString m_strInitialFolder;
};

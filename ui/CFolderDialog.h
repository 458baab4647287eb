#pragma once
// A folder picker around the shell's folder browser. Subclasses react to the browser's events
// (ready, highlight moved) and talk to the open browser through SetSelection and SetStatusText.
#include <windows.h>
#include <shlobj.h>

#include "CString.h"

class CFolderDialog {
public:
    // A positive title id whose string loads becomes the text above the tree; root null: the
    // browser starts at the desktop.
    CFolderDialog(HWND owner, LPCITEMIDLIST root, UINT titleId);
    // Only subclasses are made.
    virtual ~CFolderDialog() = 0;
    CFolderDialog(const CFolderDialog&) = delete;
    CFolderDialog& operator=(const CFolderDialog&) = delete;

    // BIF_ flags; ignored while the browser is open.
    void SetFlags(UINT flags);
    // Shows the browser and waits; true when a folder with a file-system path was chosen.
    bool Browse();
    // The chosen folder's path as the shell gives it (no backslash added).
    const CString& GetFolder() const { return m_strFolder; }

    // While the browser is open: highlight the folder of this path, show a status text.
    void SetSelection(const char* path);
    void SetStatusText(const char* text);

protected:
    virtual void OnBrowseInit() {}
    virtual void OnBrowseSelChanged(LPCITEMIDLIST) {}

    HWND m_hBrowseWnd = nullptr;   // the open browser, else null

private:
    static int CALLBACK BrowseCallback(HWND hWnd, UINT message, LPARAM lParam, LPARAM data);

    CString m_strTitle;
    BROWSEINFOA m_bi{};
    char m_szDisplayName[MAX_PATH] = {};
    CString m_strFolder;
};

#pragma once
// The common Open or Save As dialog. The filter is written as "Text|pattern|Text|pattern||".
#include <windows.h>
#include <commdlg.h>

#include <string>

#include "CString.h"

class CWnd;

class CFileDialog {
public:
    // defaultExt without the dot ("swf"); fileName is the name offered, up to MAX_PATH - 1.
    CFileDialog(bool openFileDialog, const char* defaultExt = nullptr, const char* fileName = nullptr,
                DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, const char* filter = nullptr,
                CWnd* parent = nullptr);
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;

    // IDOK when the user chose a file, else IDCANCEL (also when the path did not fit MAX_PATH).
    // Without a parent the main window owns the dialog.
    INT_PTR DoModal();
    CString GetPathName() const { return m_szFileName; }

private:
    OPENFILENAMEA m_ofn{};
    bool m_bOpenFileDialog;
    std::string m_strFilter;   // the filter with its "|" turned into zero bytes
    CString m_strDefExt;
    CWnd* m_pParentWnd;
    char m_szFileName[MAX_PATH] = {};
};

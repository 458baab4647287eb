#pragma once
// The Flash Viewer: a modal dialog that plays one downloaded movie from its local file.
#include "CDialog.h"
#include "CShockwaveFlash.h"
#include "CString.h"

class CFlashViewerDlg : public CDialog {
public:
    explicit CFlashViewerDlg(CWnd* parent = nullptr);
    ~CFlashViewerDlg() override;

    // The local path of the movie; any length.
    void SetMoviePath(const char* path) { m_szMovie = path ? path : ""; }

    BOOL OnInitDialog() override;
    void OnClose();
    void OnDestroy();

    CShockwaveFlash m_flash;
    HICON m_hIcon;
    CString m_szMovie;

    static const MessageTable s_messageTable;
    const MessageTable* GetMessageTable() const override { return &s_messageTable; }
};

#pragma once
// The application: its name, its registry profile, its document template, the main window and
// the message loop with idle-time updates of the toolbar and status bar.
#include <windows.h>

#include <memory>

#include "CString.h"
#include "CWinThread.h"

class CWnd;
class CSingleDocTemplate;

class CWinApp : public CWinThread {
public:
    // There is one application object; it registers itself. No name: the string
    // AFX_IDS_APP_TITLE of the resources is used.
    explicit CWinApp(const char* appName = nullptr);
    ~CWinApp() override;

    BOOL InitInstance() override { return TRUE; }
    int Run() override;
    int ExitInstance() override;
    // Idle work; count 0 refreshes the command states of the main frame's bars.
    virtual BOOL OnIdle(long count);
    virtual BOOL PreTranslateMessage(MSG* msg);

    // HKEY_CURRENT_USER\Software\<key>\<application name>\<section>
    void SetRegistryKey(const char* key);
    int GetProfileInt(const char* section, const char* entry, int defaultValue) const;
    CString GetProfileString(const char* section, const char* entry, const char* defaultValue = "") const;
    BOOL WriteProfileInt(const char* section, const char* entry, int value);
    BOOL WriteProfileString(const char* section, const char* entry, const char* value);

    void AddDocTemplate(CSingleDocTemplate* docTemplate);
    // A new, empty document (start-up), and File > Open: the user picks the file.
    void OnFileNew();
    void OnFileOpen();
    void OnAppExit();

    CString m_strAppName;
    CString m_strRegistryKey;
    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;

    static const MessageTable s_messageTable;
    const MessageTable* GetMessageTable() const override { return &s_messageTable; }

private:
    CString ProfileKeyPath(const char* section) const;
    std::unique_ptr<CSingleDocTemplate> m_pDocTemplate;
};

CWinApp* AfxGetApp();
// Runs the application object: InitInstance, then the message loop. For WinMain.
int AfxWinMain(HINSTANCE instance);

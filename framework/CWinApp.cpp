#include "CWinApp.h"

#include <cstring>
#include <string>

#include "AfxIds.h"
#include "CDocument.h"
#include "CFileDialog.h"
#include "CFrameWnd.h"
#include "CSingleDocTemplate.h"
#include "ScopedHandles.h"

namespace {
CWinApp* g_pApp = nullptr;
}

CWinApp* AfxGetApp() { return g_pApp; }

const char* AfxGetAppName()
{
    return g_pApp ? g_pApp->m_strAppName.GetString() : "";
}

HINSTANCE AfxGetInstanceHandle()
{
    return ::GetModuleHandleA(nullptr);
}

namespace {
const MessageEntry s_appEntries[] = {
    OnCommand<ID_FILE_OPEN, &CWinApp::OnFileOpen>(),
    OnCommand<ID_APP_EXIT, &CWinApp::OnAppExit>(),
};
}
const MessageTable CWinApp::s_messageTable = MakeTable(&CCmdTarget::s_messageTable, s_appEntries);

CWinApp::CWinApp(const char* appName)
{
    g_pApp = this;
    m_bAutoDelete = FALSE;
    if (appName) m_strAppName = appName;
}

CWinApp::~CWinApp()
{
    // The thread handle belongs to the process's main thread; CWinThread must not close it.
    m_hThread = nullptr;
    if (g_pApp == this) g_pApp = nullptr;
}

int AfxWinMain(HINSTANCE instance)
{
    CWinApp* app = AfxGetApp();
    if (!app) return -1;
    app->m_hInstance = instance;
    app->m_nThreadID = ::GetCurrentThreadId();
    if (app->m_strAppName.IsEmpty()) app->m_strAppName = LoadStringResource(AFX_IDS_APP_TITLE);
    if (!app->InitInstance()) {
        if (app->m_pMainWnd && ::IsWindow(app->m_pMainWnd->m_hWnd)) app->m_pMainWnd->DestroyWindow();
        return app->ExitInstance();
    }
    return app->Run();
}

int CWinApp::Run()
{
    MSG msg;
    long idleCount = 0;
    bool idle = true;
    for (;;) {
        while (idle && !::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++)) idle = false;
        }
        do {
            if (::GetMessageA(&msg, nullptr, 0, 0) <= 0) return ExitInstance();
            if (!PreTranslateMessage(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
            // Painting and the caret's timer change no command state.
            if (msg.message != WM_PAINT && msg.message != 0x0118) {
                idle = true;
                idleCount = 0;
            }
        } while (::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    }
}

int CWinApp::ExitInstance()
{
    m_pDocTemplate.reset();
    return 0;
}

BOOL CWinApp::OnIdle(long count)
{
    if (count == 0) {
        if (auto* frame = dynamic_cast<CFrameWnd*>(m_pMainWnd); frame && frame->m_hWnd)
            frame->OnIdleUpdateCmdUI();
        return TRUE;
    }
    return FALSE;
}

BOOL CWinApp::PreTranslateMessage(MSG* msg)
{
    HWND stop = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    return CWnd::WalkPreTranslateTree(stop, msg);
}

void CWinApp::SetRegistryKey(const char* key)
{
    m_strRegistryKey = key;
}

CString CWinApp::ProfileKeyPath(const char* section) const
{
    CString path = "Software\\";
    path += m_strRegistryKey.View();
    path += "\\";
    path += m_strAppName.View();
    path += "\\";
    path += section;
    return path;
}

int CWinApp::GetProfileInt(const char* section, const char* entry, int defaultValue) const
{
    RegKey key;
    DWORD value = 0;
    if (key.Open(HKEY_CURRENT_USER, ProfileKeyPath(section)) != ERROR_SUCCESS ||
        key.QueryDword(entry, value) != ERROR_SUCCESS)
        return defaultValue;
    return static_cast<int>(value);
}

CString CWinApp::GetProfileString(const char* section, const char* entry, const char* defaultValue) const
{
    RegKey key;
    std::string text;
    DWORD type = 0;
    if (key.Open(HKEY_CURRENT_USER, ProfileKeyPath(section)) != ERROR_SUCCESS ||
        key.QueryText(entry, text, &type) != ERROR_SUCCESS || type != REG_SZ)
        return defaultValue;
    return CString(text);
}

BOOL CWinApp::WriteProfileInt(const char* section, const char* entry, int value)
{
    RegKey key;
    if (key.Create(HKEY_CURRENT_USER, ProfileKeyPath(section)) != ERROR_SUCCESS) return FALSE;
    const DWORD data = static_cast<DWORD>(value);
    return ::RegSetValueExA(key.Get(), entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data) ==
           ERROR_SUCCESS;
}

BOOL CWinApp::WriteProfileString(const char* section, const char* entry, const char* value)
{
    RegKey key;
    if (key.Create(HKEY_CURRENT_USER, ProfileKeyPath(section)) != ERROR_SUCCESS) return FALSE;
    return ::RegSetValueExA(key.Get(), entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                            static_cast<DWORD>(std::strlen(value) + 1)) == ERROR_SUCCESS;
}

void CWinApp::AddDocTemplate(CSingleDocTemplate* docTemplate)
{
    m_pDocTemplate.reset(docTemplate);
}

void CWinApp::OnFileNew()
{
    if (m_pDocTemplate) m_pDocTemplate->OpenDocumentFile(nullptr);
}

void CWinApp::OnFileOpen()
{
    if (!m_pDocTemplate) return;
    const CDocument* document = m_pDocTemplate->GetDocument();
    CFileDialog dialog(true, document ? document->GetDefaultExtension() : nullptr, nullptr,
                       OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR,
                       document ? document->GetFileFilter() : "All Files (*.*)|*.*||");
    if (dialog.DoModal() == IDOK) m_pDocTemplate->OpenDocumentFile(dialog.GetPathName());
}

void CWinApp::OnAppExit()
{
    if (m_pMainWnd) m_pMainWnd->SendMessage(WM_CLOSE);
}

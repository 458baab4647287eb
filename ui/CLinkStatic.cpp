#include "CLinkStatic.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ScopedHandles.h"

namespace {

const MessageEntry s_entries[] = {
    OnReflectCommand<STN_CLICKED, &CLinkStatic::OnClicked>(),
    OnReflectCtlColor<&CLinkStatic::CtlColor>(),
    OnMessage<WM_SETCURSOR, &CLinkStatic::OnSetCursor>(),
    OnMessage<WM_MOUSEMOVE, &CLinkStatic::OnMouseMove>(),
};

constexpr UINT kToolId = 1;
constexpr WORD kWinHelpHandCursor = 106;

struct OpenError {
    INT_PTR code;
    const char* text;
};

// The codes ShellExecute and WinExec return below 32.
const OpenError kOpenErrors[] = {
    {0, "The operating system is out\nof memory or resources."},
    {ERROR_FILE_NOT_FOUND, "The specified file was not found."},
    {ERROR_PATH_NOT_FOUND, "The specified path was not found."},
    {SE_ERR_ACCESSDENIED, "The operating system denied\naccess to the specified file."},
    {SE_ERR_OOM, "There was not enough memory to complete the operation."},
    {ERROR_BAD_FORMAT, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
    {SE_ERR_SHARE, "A sharing violation occurred. "},
    {SE_ERR_ASSOCINCOMPLETE, "The filename association is\nincomplete or invalid."},
    {SE_ERR_DDETIMEOUT, "The DDE transaction could not\nbe completed because the request timed out."},
    {SE_ERR_DDEFAIL, "The DDE transaction failed."},
    {SE_ERR_DDEBUSY,
     "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed."},
    {SE_ERR_NOASSOC, "There is no application associated\nwith the given filename extension."},
    {SE_ERR_DLLNOTFOUND, "The specified dynamic-link library was not found."},
};

// Where `part` starts in `text`, or -1. The search steps by whole characters of the ANSI code
// page, so the trail byte of a double-byte character never starts a match.
std::ptrdiff_t FindWhole(const char* text, const char* part)
{
    const std::size_t len = std::strlen(part);
    for (const char* at = text; *at; at = ::CharNextA(at)) {
        if (std::strncmp(at, part, len) == 0) return at - text;
    }
    return -1;
}

std::string WindowsDirectory()
{
    const UINT needed = ::GetWindowsDirectoryA(nullptr, 0);
    if (needed == 0) return {};
    std::vector<char> folder(needed);
    const UINT len = ::GetWindowsDirectoryA(folder.data(), needed);
    return len > 0 && len < needed ? std::string(folder.data(), len) : std::string();
}

} // namespace

const MessageTable CLinkStatic::s_messageTable = MakeTable(&CStatic::s_messageTable, s_entries);

CLinkStatic::CLinkStatic() : m_crHover(::GetSysColor(COLOR_HIGHLIGHT)) {}

CLinkStatic::~CLinkStatic()
{
    // The control goes before the font it draws with (the base class would take it down only
    // after the members are gone).
    DestroyWindow();
}

void CLinkStatic::PreSubclassWindow()
{
    ModifyStyle(0, SS_NOTIFY);
    const CString text = GetWindowText();
    if (m_strUrl.IsEmpty()) m_strUrl = text;
    if (text.IsEmpty()) SetWindowText(m_strUrl);

    // A static without WM_SETFONT draws with the system font.
    HFONT current = GetFont();
    LOGFONTA logFont{};
    ::GetObjectA(current ? current : ::GetStockObject(SYSTEM_FONT), sizeof logFont, &logFont);
    logFont.lfUnderline = m_bUnderline ? TRUE : FALSE;
    if (HFONT underlined = ::CreateFontIndirectA(&logFont)) {
        SetFont(underlined, FALSE);
        m_font.Reset(underlined);
    }

    FitToText();
    LoadHandCursor();

    if (m_toolTip.m_hWnd) m_toolTip.DestroyWindow();
    RECT client;
    GetClientRect(&client);
    if (m_toolTip.Create(this)) m_toolTip.AddTool(this, m_strUrl, client, kToolId);
}

BOOL CLinkStatic::PreTranslateMessage(MSG* msg)
{
    if (m_toolTip.m_hWnd) m_toolTip.RelayEvent(msg);
    return CStatic::PreTranslateMessage(msg);
}

void CLinkStatic::SetLinkUrl(const char* url)
{
    m_strUrl = url;
    if (!m_hWnd) return;
    FitToText();
    if (m_toolTip.m_hWnd) m_toolTip.UpdateTipText(m_strUrl, this, kToolId);
}

void CLinkStatic::MarkVisited(bool visited)
{
    m_bVisited = visited;
    if (m_hWnd) Invalidate(TRUE);
}

void CLinkStatic::FitToText()
{
    if (!m_hWnd || !m_bFitToText) return;
    const CString text = GetWindowText();
    HFONT font = m_font ? m_font.Get() : GetFont();
    SIZE extent{};
    {
        const WindowDC dc(m_hWnd);
        HGDIOBJ old = font ? ::SelectObject(dc.Get(), font) : nullptr;
        ::GetTextExtentPoint32A(dc.Get(), text, text.GetLength(), &extent);
        if (old) ::SelectObject(dc.Get(), old);
    }

    RECT rect;
    GetWindowRect(&rect);
    ::MapWindowPoints(nullptr, GetParentHwnd(), reinterpret_cast<POINT*>(&rect), 2);
    const DWORD style = GetStyle();
    if (style & SS_CENTERIMAGE) {
        const int shrink = (rect.bottom - rect.top - extent.cy) / 2;
        rect.top += shrink;
        rect.bottom -= shrink;
    } else {
        rect.bottom = rect.top + extent.cy;
    }
    const DWORD align = style & SS_TYPEMASK;
    if (align == SS_CENTER) {
        const int shrink = (rect.right - rect.left - extent.cx) / 2;
        rect.left += shrink;
        rect.right -= shrink;
    } else if (align == SS_RIGHT) {
        rect.left = rect.right - extent.cx;
    } else {
        rect.right = rect.left + extent.cx;
    }
    ::SetWindowPos(m_hWnd, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);

    // The tool was registered with the client area of its time, which for a link whose text is
    // set later (the About box's are empty in the template) has no size at all.
    if (m_toolTip.m_hWnd) {
        TTTOOLINFOA info{};
        info.cbSize = sizeof info;
        info.hwnd = m_hWnd;
        info.uId = kToolId;
        GetClientRect(&info.rect);
        m_toolTip.SendMessage(TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&info));
    }
}

void CLinkStatic::LoadHandCursor()
{
    if (m_hCursor) return;
    const std::string folder = WindowsDirectory();
    if (!folder.empty()) {
        const std::string path = folder + "\\winhlp32.exe";
        if (HMODULE module = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
            // The copy outlives the module it came from.
            if (HCURSOR cursor = ::LoadCursorA(module, MAKEINTRESOURCEA(kWinHelpHandCursor)))
                m_hCursor.Reset(CopyCursor(cursor));
            ::FreeLibrary(module);
        }
    }
    // Many systems have no such program in the Windows folder; their own hand looks the same.
    if (!m_hCursor) m_hCursor.Reset(CopyCursor(::LoadCursorA(nullptr, IDC_HAND)));
}

void CLinkStatic::OnClicked()
{
    const INT_PTR result = OpenLink(m_strUrl, SW_SHOW);
    if (result > 32) {
        MarkVisited(true);
        return;
    }
    ::MessageBeep(MB_ICONEXCLAMATION);
    ShowOpenError(result);
}

HBRUSH CLinkStatic::CtlColor(HDC dc, UINT)
{
    ::SetTextColor(dc, m_bHover ? m_crHover : m_bVisited ? m_crVisited : m_crLink);
    ::SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

LRESULT CLinkStatic::OnSetCursor(WPARAM wParam, LPARAM lParam)
{
    if (!m_hCursor) return DefWindowProc(WM_SETCURSOR, wParam, lParam);
    ::SetCursor(m_hCursor.Get());
    return TRUE;
}

LRESULT CLinkStatic::OnMouseMove(WPARAM wParam, LPARAM lParam)
{
    DefWindowProc(WM_MOUSEMOVE, wParam, lParam);
    if (!m_bHover) {
        m_bHover = true;
        Redraw();
        // Held so that the move which leaves the control still arrives here.
        ::SetCapture(m_hWnd);
        return 0;
    }
    RECT client;
    GetClientRect(&client);
    const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (!::PtInRect(&client, point)) {
        m_bHover = false;
        ::ReleaseCapture();
        Redraw();
    }
    return 0;
}

void CLinkStatic::Redraw()
{
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

LONG CLinkStatic::QueryKeyDefault(HKEY root, const char* subkey, CString& value)
{
    RegKey key;
    const LONG opened = key.Open(root, subkey, KEY_QUERY_VALUE);
    if (opened != ERROR_SUCCESS) return opened;
    // An unreadable value reads as empty text; only a key that cannot be opened is a failure.
    std::string text;
    key.QueryText(nullptr, text);
    value = CString(text);
    return ERROR_SUCCESS;
}

CString CLinkStatic::BrowserCommand(const char* commandTemplate, const char* target)
{
    std::ptrdiff_t cut = FindWhole(commandTemplate, "\"%1\"");
    if (cut < 0) cut = FindWhole(commandTemplate, "%1");
    CString command = cut < 0 ? CString(commandTemplate) : CString(commandTemplate, static_cast<std::size_t>(cut));
    command += ' ';
    command += target;
    return command;
}

INT_PTR CLinkStatic::OpenLink(const char* target, int show)
{
    const auto shell = reinterpret_cast<INT_PTR>(::ShellExecuteA(nullptr, "open", target, nullptr, nullptr, show));
    if (shell > 32) return shell;

    // The shell knows no handler for the target: hand it to the browser registered for pages.
    CString pageClass;
    if (QueryKeyDefault(HKEY_CLASSES_ROOT, ".htm", pageClass) != ERROR_SUCCESS) return shell;
    CString commandTemplate;
    if (QueryKeyDefault(HKEY_CLASSES_ROOT, pageClass + "\\shell\\open\\command", commandTemplate) != ERROR_SUCCESS)
        return shell;
    return static_cast<INT_PTR>(::WinExec(BrowserCommand(commandTemplate, target), static_cast<UINT>(show)));
}

CString CLinkStatic::OpenErrorText(INT_PTR code)
{
    for (const OpenError& error : kOpenErrors) {
        if (error.code == code) return error.text;
    }
    char unknown[48];
    std::snprintf(unknown, sizeof unknown, "Unknown Error (%d) occurred.", static_cast<int>(code));
    return unknown;
}

void CLinkStatic::ShowOpenError(INT_PTR code)
{
    const CString message = CString("Unable to open hyperlink:\n\n") + OpenErrorText(code).View();
    MessageBox(message, nullptr, MB_OK | MB_ICONEXCLAMATION);
}

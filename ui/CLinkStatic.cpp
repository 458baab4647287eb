#include "CLinkStatic.h"

#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const MessageEntry s_entries[] = {
    OnReflectCommand<STN_CLICKED, &CLinkStatic::OnClicked>(),
    OnReflectCtlColor<&CLinkStatic::CtlColor>(),
    OnMessage<WM_SETCURSOR, &CLinkStatic::OnSetCursor>(),
    OnMessage<WM_MOUSEMOVE, &CLinkStatic::OnMouseMove>(),
};

constexpr UINT kToolId = 1;

} // namespace

const MessageTable CLinkStatic::s_messageTable = MakeTable(&CStatic::s_messageTable, s_entries);

CLinkStatic::CLinkStatic() : m_crHover(::GetSysColor(COLOR_HIGHLIGHT)) {}

CLinkStatic::~CLinkStatic()
{
    if (m_font) ::DeleteObject(m_font);
    if (m_hCursor && m_bOwnsCursor) ::DestroyCursor(m_hCursor);
}

void CLinkStatic::PreSubclassWindow()
{
    ModifyStyle(0, SS_NOTIFY);
    if (m_strUrl.IsEmpty()) m_strUrl = GetWindowText();
    if (GetWindowText().IsEmpty()) SetWindowText(m_strUrl);

    LOGFONTA logFont{};
    HFONT current = GetFont();
    ::GetObjectA(current ? current : ::GetStockObject(DEFAULT_GUI_FONT), sizeof logFont, &logFont);
    logFont.lfUnderline = m_bUnderline ? TRUE : FALSE;
    m_font = ::CreateFontIndirectA(&logFont);
    SetFont(m_font, FALSE);

    FitToText();
    LoadHandCursor();

    RECT client;
    GetClientRect(&client);
    if (m_toolTip.Create(this)) m_toolTip.AddTool(this, m_strUrl, client, kToolId);
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
    HDC dc = ::GetDC(m_hWnd);
    HGDIOBJ old = ::SelectObject(dc, m_font ? m_font : GetFont());
    SIZE extent{};
    ::GetTextExtentPoint32A(dc, text, text.GetLength(), &extent);
    ::SelectObject(dc, old);
    ::ReleaseDC(m_hWnd, dc);

    RECT rect;
    GetWindowRect(&rect);
    ::MapWindowPoints(nullptr, GetParentHwnd(), reinterpret_cast<POINT*>(&rect), 2);
    const DWORD style = GetStyle();
    if (style & SS_CENTERIMAGE) {
        const int shrink = ((rect.bottom - rect.top) - extent.cy) / 2;
        rect.top += shrink;
        rect.bottom -= shrink;
    } else {
        rect.bottom = rect.top + extent.cy;
    }
    const DWORD align = style & SS_TYPEMASK;
    if (align == SS_CENTER) {
        const int shrink = ((rect.right - rect.left) - extent.cx) / 2;
        rect.left += shrink;
        rect.right -= shrink;
    } else if (align == SS_RIGHT) {
        rect.left = rect.right - extent.cx;
    } else {
        rect.right = rect.left + extent.cx;
    }
    ::SetWindowPos(m_hWnd, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, SWP_NOZORDER);
}

void CLinkStatic::LoadHandCursor()
{
    if (m_hCursor) return;
    char windows[MAX_PATH] = {};
    const UINT len = ::GetWindowsDirectoryA(windows, MAX_PATH);
    if (len > 0 && len < MAX_PATH - 14) {
        const std::string path = std::string(windows) + "\\winhlp32.exe";
        if (HMODULE module = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
            if (HCURSOR cursor = ::LoadCursorA(module, MAKEINTRESOURCEA(106))) {
                m_hCursor = CopyCursor(cursor);   // a macro
                m_bOwnsCursor = m_hCursor != nullptr;
            }
            ::FreeLibrary(module);
        }
    }
    // Without that cursor the system's own hand does the same job.
    if (!m_hCursor) m_hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));   // IDC_HAND
}

BOOL CLinkStatic::PreTranslateMessage(MSG* msg)
{
    if (m_toolTip.m_hWnd) m_toolTip.RelayEvent(msg);
    return CStatic::PreTranslateMessage(msg);
}

void CLinkStatic::OnClicked()
{
    const INT_PTR result = OpenLink(m_strUrl, SW_SHOW);
    if (result > 32) {
        MarkVisited(true);
    } else {
        ::MessageBeep(MB_ICONEXCLAMATION);
        ShowOpenError(result, GetParentHwnd());
    }
}

HBRUSH CLinkStatic::CtlColor(HDC dc, UINT)
{
    ::SetTextColor(dc, m_bHover ? m_crHover : m_bVisited ? m_crVisited : m_crLink);
    ::SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

LRESULT CLinkStatic::OnSetCursor(WPARAM wParam, LPARAM lParam)
{
    if (m_hCursor) {
        ::SetCursor(m_hCursor);
        return TRUE;
    }
    return DefWindowProc(WM_SETCURSOR, wParam, lParam);
}

void CLinkStatic::Redraw()
{
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

LRESULT CLinkStatic::OnMouseMove(WPARAM wParam, LPARAM lParam)
{
    DefWindowProc(WM_MOUSEMOVE, wParam, lParam);
    if (!m_bHover) {
        m_bHover = true;
        Redraw();
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

LONG CLinkStatic::QueryKeyDefault(HKEY root, const char* subkey, CString& value)
{
    HKEY key = nullptr;
    const LONG opened = ::RegOpenKeyExA(root, subkey, 0, KEY_QUERY_VALUE, &key);
    if (opened != ERROR_SUCCESS) return opened;
    DWORD size = 0;
    ::RegQueryValueExA(key, nullptr, nullptr, nullptr, nullptr, &size);
    std::vector<char> data(size + 1, '\0');
    ::RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size);
    value = data.data();
    ::RegCloseKey(key);
    return ERROR_SUCCESS;
}

INT_PTR CLinkStatic::OpenLink(const char* target, int show)
{
    const INT_PTR shell = reinterpret_cast<INT_PTR>(::ShellExecuteA(nullptr, "open", target, nullptr, nullptr, show));
    if (shell > 32) return shell;

    // The browser registered for web pages, given the target in place of its "%1".
    CString documentClass;
    if (QueryKeyDefault(HKEY_CLASSES_ROOT, ".htm", documentClass) != ERROR_SUCCESS) return shell;
    CString command;
    if (QueryKeyDefault(HKEY_CLASSES_ROOT, documentClass + "\\shell\\open\\command", command) != ERROR_SUCCESS)
        return shell;
    std::string line(command.View());
    std::size_t cut = line.find("\"%1\"");
    if (cut == std::string::npos) cut = line.find("%1");
    if (cut != std::string::npos) line.resize(cut);
    line += " ";
    line += target;
    return static_cast<INT_PTR>(::WinExec(line.c_str(), static_cast<UINT>(show)));
}

CString CLinkStatic::OpenErrorText(INT_PTR code)
{
    const char* text = nullptr;
    switch (code) {
    case 0: text = "The operating system is out\nof memory or resources."; break;
    case SE_ERR_FNF: text = "The specified file was not found."; break;
    case SE_ERR_PNF: text = "The specified path was not found."; break;
    case SE_ERR_ACCESSDENIED: text = "The operating system denied\naccess to the specified file."; break;
    case SE_ERR_OOM: text = "There was not enough memory to complete the operation."; break;
    case ERROR_BAD_FORMAT: text = "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."; break;
    case SE_ERR_SHARE: text = "A sharing violation occurred. "; break;
    case SE_ERR_ASSOCINCOMPLETE: text = "The filename association is\nincomplete or invalid."; break;
    case SE_ERR_DDETIMEOUT: text = "The DDE transaction could not\nbe completed because the request timed out."; break;
    case SE_ERR_DDEFAIL: text = "The DDE transaction failed."; break;
    case SE_ERR_DDEBUSY:
        text = "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed.";
        break;
    case SE_ERR_NOASSOC: text = "There is no application associated\nwith the given filename extension."; break;
    case SE_ERR_DLLNOTFOUND: text = "The specified dynamic-link library was not found."; break;
    default: break;
    }
    if (text) return text;
    char unknown[64];
    std::snprintf(unknown, sizeof unknown, "Unknown Error (%d) occurred.", static_cast<int>(code));
    return unknown;
}

void CLinkStatic::ShowOpenError(INT_PTR code, HWND owner)
{
    const CString message = CString("Unable to open hyperlink:\n\n") + OpenErrorText(code).View();
    ::MessageBoxA(owner, message, AfxGetAppName(), MB_OK | MB_ICONEXCLAMATION);
}
